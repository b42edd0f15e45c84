#include "widgets/dbnavigator.h"

#include "platform/errorreport.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The glyph of a button: a bar and/or a triangle pointing left or right, drawn in black (and
// in gray for the disabled state).
QIcon glyph(TDBNavigator::NavigateBtn which) {
    QIcon icon;
    for (const auto& [mode, colour] : {std::pair{QIcon::Normal, QColor(Qt::black)},
                                       std::pair{QIcon::Disabled, QColor(0x80, 0x80, 0x80)}}) {
        QPixmap pm(12, 12);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const bool left = which == TDBNavigator::nbFirst || which == TDBNavigator::nbPrior;
        const bool bar = which == TDBNavigator::nbFirst || which == TDBNavigator::nbLast;
        const int x0 = bar ? (left ? 5 : 3) : 4;
        QPolygon poly;
        if (left)
            poly << QPoint(x0, 6) << QPoint(x0 + 5, 1) << QPoint(x0 + 5, 11);
        else
            poly << QPoint(x0 + 5, 6) << QPoint(x0, 1) << QPoint(x0, 11);
        p.drawPolygon(poly);
        if (bar) p.drawRect(left ? QRect(2, 1, 2, 11) : QRect(9, 1, 2, 11));
        p.end();
        icon.addPixmap(pm, mode);
    }
    return icon;
}

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QString hints[4] = {u"先頭レコード"_s, u"前レコード"_s, u"次レコード"_s,
                              u"最終レコード"_s};
    for (int i = 0; i < 4; ++i) {
        const auto which = static_cast<NavigateBtn>(i);
        auto* b = new QToolButton(this);
        b->setIcon(glyph(which));
        b->setToolTip(hints[i]);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setFocusPolicy(Qt::TabFocus);
        layout->addWidget(b);
        buttons_[static_cast<size_t>(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, which] {
            try {
                click(which);
            } catch (...) {
                mz::platform::reportCurrentException();
            }
        });
    }
    setFocusPolicy(Qt::TabFocus);
    setFocusProxy(buttons_[0]);
    updateButtons();
}

TDBNavigator::~TDBNavigator() {
    for (const auto& c : std::as_const(connections_)) disconnect(c);
}

void TDBNavigator::setDataSource(TDataSource* source) {
    if (source == source_) return;
    for (const auto& c : std::as_const(connections_)) disconnect(c);
    connections_.clear();
    source_ = source;
    if (source) {
        for (auto signal : {&TDataSource::dataSetChanged, &TDataSource::currentChanged,
                            &TDataSource::stateChanged, &TDataSource::contentsChanged})
            connections_ << connect(source, signal, this, &TDBNavigator::updateButtons);
        connections_ << connect(source, &QObject::destroyed, this, [this] {
            source_ = nullptr;
            updateButtons();
        });
    }
    updateButtons();
}

bool TDBNavigator::isAvailable(NavigateBtn which) const {
    const mz::data::Cursor* c = source_ ? source_->dataSet() : nullptr;
    if (!c || !c->isOpen() || c->isEmpty()) return false;
    const int r = c->row();
    const int last = c->recordCount() - 1;
    if (which == nbFirst || which == nbPrior) return r > 0;
    return r < last;
}

void TDBNavigator::updateButtons() {
    for (int i = 0; i < 4; ++i)
        buttons_[static_cast<size_t>(i)]->setEnabled(isAvailable(static_cast<NavigateBtn>(i)));
}

void TDBNavigator::click(NavigateBtn which) {
    if (!isAvailable(which)) return;
    mz::data::Cursor* c = source_->dataSet();
    switch (which) {
        case nbFirst:
            c->first();
            break;
        case nbPrior:
            c->prior();
            break;
        case nbNext:
            c->next();
            break;
        case nbLast:
            c->last();
            break;
    }
    updateButtons();
    Q_EMIT clicked(which);
}
