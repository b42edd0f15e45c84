#include "widgets/dbcombobox.h"

#include "platform/errorreport.h"
#include "widgets/format.h"

#include <QLineEdit>

using mz::data::FieldType;
using mz::widgets::FieldLink;
using mz::widgets::ImeMode;

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    input_ = new mz::widgets::LineInput(lineEdit());
    ime_ = new mz::widgets::ImeModeKeeper(this);
    connect(input_, &mz::widgets::LineInput::edited, this, &TComboBox::textEditedByUser);
    connect(this, &QComboBox::activated, this, &TComboBox::textEditedByUser);
    keepTextAcrossItemChange();
}

TComboBox::~TComboBox() = default;

void TComboBox::keepTextAcrossItemChange() {
    // QComboBox connected its own slots to the model first, so these run after it has made the
    // first item current (and so its text); the text from before is put back.
    QAbstractItemModel* m = model();
    auto before = [this] {
        if (itemChange_++ == 0) keptText_ = currentText();
    };
    auto after = [this] {
        if (itemChange_ > 0 && --itemChange_ == 0 && currentText() != keptText_)
            showText(keptText_);
    };
    connect(m, &QAbstractItemModel::rowsAboutToBeInserted, this, before);
    connect(m, &QAbstractItemModel::rowsInserted, this, after);
    connect(m, &QAbstractItemModel::rowsAboutToBeRemoved, this, before);
    connect(m, &QAbstractItemModel::rowsRemoved, this, after);
    connect(m, &QAbstractItemModel::modelAboutToBeReset, this, before);
    connect(m, &QAbstractItemModel::modelReset, this, after);
}

void TComboBox::showText(const QString& text) {
    input_->showText(text);
}

void TComboBox::setMaxBytes(int bytes) {
    maxBytes_ = std::max(bytes, 0);
    updateLimits();
}

ImeMode TComboBox::imeMode() const {
    return ime_->mode();
}

void TComboBox::setImeMode(ImeMode mode) {
    ime_->setMode(mode);
    updateLimits();
}

void TComboBox::updateLimits() {
    input_->setMaxBytes(maxBytes());
    input_->setHalfKatakana(imeMode() == ImeMode::HalfKatakana);
}

TDBComboBox::TDBComboBox(QWidget* parent) : TComboBox(parent), link_(new FieldLink(this)) {
    connect(link_, &FieldLink::refresh, this, &TDBComboBox::onRefresh);
    input()->setAcceptor(
        [this](const QString&) { return !link_->isBound() || link_->canModify(); });
    connect(this, &TComboBox::textEditedByUser, this, &TDBComboBox::onUserChange);
    connect(input(), &mz::widgets::LineInput::programmaticChange, this,
            &TDBComboBox::onProgrammaticChange);
}

TDBComboBox::~TDBComboBox() {
    disconnect(link_, nullptr, this, nullptr);
}

TDataSource* TDBComboBox::dataSource() const {
    return link_->dataSource();
}

void TDBComboBox::setDataSource(TDataSource* source) {
    link_->setDataSource(source);
}

QString TDBComboBox::dataField() const {
    return link_->fieldName();
}

void TDBComboBox::setDataField(const QString& field) {
    link_->setFieldName(field);
}

int TDBComboBox::maxBytes() const {
    if (const int explicitBytes = TComboBox::maxBytes(); explicitBytes > 0) return explicitBytes;
    const mz::data::FieldDef* f = link_->fieldDef();
    return f && f->type == FieldType::Text ? f->width : 0;
}

void TDBComboBox::showField() {
    if (!link_->isBound()) return;
    QString t;
    if (const mz::data::FieldDef* f = link_->fieldDef())
        t = mz::format::displayText(*f, link_->value(), false);
    dirty_ = false;
    showText(t);
}

void TDBComboBox::onRefresh(FieldLink::Reason reason) {
    if (reason == FieldLink::Reason::DataSet) updateLimits();
    if (reason == FieldLink::Reason::Contents && dirty_ && link_->isEditing()) return;
    showField();
}

void TDBComboBox::onUserChange() {
    dirty_ = true;
    if (!link_->isBound()) return;
    try {
        if (!link_->beginUserChange()) {
            showField();
            return;
        }
    } catch (...) {
        showField();
        mz::platform::reportCurrentException();
        return;
    }
    store();
}

void TDBComboBox::onProgrammaticChange() {
    if (itemsChanging()) return;
    dirty_ = true;
    if (link_->isActive() && link_->isEditing()) store();
}

void TDBComboBox::store() {
    const mz::data::FieldDef* f = link_->fieldDef();
    if (!f || !link_->isEditing()) return;
    try {
        link_->write(mz::format::parseFieldText(*f, currentText()));
    } catch (const mz::data::EngineError&) {
        // Only text fields are shown in combo boxes; another type keeps its stored value.
    }
}
