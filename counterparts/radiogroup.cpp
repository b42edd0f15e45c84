#include "counterparts/radiogroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int) { Q_EMIT clicked(); });
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::setItems(const QStringList& items) {
    // The layout may choose the item before it names the items.
    const int chosen = buttons_.isEmpty() ? pending_ : itemIndex();
    qDeleteAll(buttons_);
    buttons_.clear();
    items_ = items;
    for (int i = 0; i < items_.size(); ++i) {
        auto* b = new QRadioButton(items_[i], this);
        b->setObjectName(QStringLiteral("Item%1").arg(i));
        group_->addButton(b, i);
        buttons_ << b;
        b->show();
    }
    placeButtons();
    setItemIndex(chosen);
}

int TRadioGroup::itemIndex() const {
    return group_->checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    pending_ = index;
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; lift the rule to clear them all.
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
}

QRadioButton* TRadioGroup::button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    placeButtons();
}

void TRadioGroup::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        for (QRadioButton* b : buttons_) b->setFont(font());
        placeButtons();
    }
}

// The items share the room below the title evenly, each left-aligned with a small margin.
void TRadioGroup::placeButtons() {
    if (buttons_.isEmpty()) return;
    const int top = fontMetrics().height() + 4;
    const int room = qMax(0, height() - top - 4);
    const int step = room / static_cast<int>(buttons_.size());
    for (int i = 0; i < buttons_.size(); ++i) {
        QRadioButton* b = buttons_[i];
        const int h = b->sizeHint().height();
        b->setGeometry(10, top + i * step + (step - h) / 2, width() - 20, h);
    }
}
