#include "widgets/dbedit.h"

#include "platform/errorreport.h"
#include "widgets/format.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

using mz::data::EngineError;
using mz::data::FieldType;
using mz::widgets::FieldLink;
using mz::widgets::ImeMode;

TDBEdit::TDBEdit(QWidget* parent)
    : QLineEdit(parent),
      link_(new FieldLink(this)),
      input_(new mz::widgets::LineInput(this)),
      ime_(new mz::widgets::ImeModeKeeper(this)) {
    connect(link_, &FieldLink::refresh, this, &TDBEdit::onRefresh);
    link_->setBeforePost([this] { checkBeforePost(); });
    input_->setAcceptor([this](const QString& t) { return acceptsText(t); });
    connect(input_, &mz::widgets::LineInput::edited, this, &TDBEdit::onUserEdit);
    connect(input_, &mz::widgets::LineInput::programmaticChange, this,
            &TDBEdit::onProgrammaticChange);
}

TDBEdit::~TDBEdit() {
    disconnect(link_, nullptr, this, nullptr);
    link_->setBeforePost(nullptr);
}

TDataSource* TDBEdit::dataSource() const {
    return link_->dataSource();
}

void TDBEdit::setDataSource(TDataSource* source) {
    link_->setDataSource(source);
}

QString TDBEdit::dataField() const {
    return link_->fieldName();
}

void TDBEdit::setDataField(const QString& field) {
    link_->setFieldName(field);
}

int TDBEdit::maxBytes() const {
    if (explicitMaxBytes_ > 0) return explicitMaxBytes_;
    const mz::data::FieldDef* f = link_->fieldDef();
    return f && f->type == FieldType::Text ? f->width : 0;
}

void TDBEdit::setMaxBytes(int bytes) {
    explicitMaxBytes_ = std::max(bytes, 0);
    updateLimits();
}

void TDBEdit::setMaxLength(int chars) {
    maxChars_ = chars > 0 ? chars : 32767;
    input_->setMaxChars(maxChars_);
}

ImeMode TDBEdit::imeMode() const {
    return ime_->mode();
}

void TDBEdit::setImeMode(ImeMode mode) {
    ime_->setMode(mode);
    updateLimits();
}

bool TDBEdit::currency() const {
    if (currency_ >= 0) return currency_ == 1;
    const mz::data::FieldDef* f = link_->fieldDef();
    return f && mz::format::isCurrencyField(*f);
}

void TDBEdit::setCurrency(bool on) {
    currency_ = on ? 1 : 0;
    if (!dirty_) showField();
}

void TDBEdit::updateLimits() {
    input_->setMaxBytes(maxBytes());
    input_->setHalfKatakana(imeMode() == ImeMode::HalfKatakana);
}

bool TDBEdit::isNumberField() const {
    const mz::data::FieldDef* f = link_->fieldDef();
    return f && (f->type == FieldType::Number || f->type == FieldType::SmallInt);
}

bool TDBEdit::isIntegerField() const {
    const mz::data::FieldDef* f = link_->fieldDef();
    return f && f->type == FieldType::SmallInt;
}

void TDBEdit::showField() {
    if (!link_->isBound()) return;  // an unbound box keeps what it was given
    QString t;
    editForm_ = false;
    if (const mz::data::FieldDef* f = link_->fieldDef()) {
        const mz::data::Value v = link_->value();
        editForm_ = hasFocus() && !isReadOnly() && link_->canModify();
        t = editForm_ ? mz::format::editText(*f, v) : mz::format::displayText(*f, v, currency());
    }
    unstored_ = false;
    dirty_ = false;
    input_->showText(t);
}

void TDBEdit::onRefresh(FieldLink::Reason reason) {
    if (reason == FieldLink::Reason::DataSet) updateLimits();
    // While the record is being edited, a post through another cursor (which has the fields
    // shown again) must not take away what the user typed here.
    if (reason == FieldLink::Reason::Contents && dirty_ && link_->isEditing()) return;
    showField();
}

bool TDBEdit::acceptsText(const QString& text) const {
    if (!link_->isBound()) return true;
    if (!link_->canModify()) return false;
    const mz::data::FieldDef* f = link_->fieldDef();
    if (f->type == FieldType::Picture) return false;
    // An amount takes no exponent: "9e99" would show as a hundred-digit number of yen.
    if (isNumberField()) return mz::format::isNumberPrefix(text, isIntegerField(), !currency());
    return true;
}

void TDBEdit::onUserEdit() {
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
    editForm_ = true;
    store(text());
}

void TDBEdit::onProgrammaticChange() {
    dirty_ = true;
    unstored_ = false;
    // Text the window puts in while the record is being edited belongs to the record; in browse
    // state it is only shown.
    if (link_->isActive() && link_->isEditing()) store(text());
}

void TDBEdit::store(const QString& text) {
    const mz::data::FieldDef* f = link_->fieldDef();
    if (!f || !link_->isEditing()) return;
    try {
        link_->write(mz::format::parseFieldText(*f, text));
        unstored_ = false;
    } catch (const EngineError&) {
        unstored_ = true;  // refused at the next post, naming the text
    }
}

void TDBEdit::checkBeforePost() {
    if (!unstored_ || !link_->isEditing()) return;
    const mz::data::FieldDef* f = link_->fieldDef();
    if (!f) return;
    link_->write(mz::format::parseFieldText(*f, text()));  // throws with the text named
    unstored_ = false;
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    // A number field takes only keys that continue a number; other characters are refused here,
    // before they reach the text.
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (printable && !isReadOnly() && link_->isBound()) {
        QString candidate = text();
        const int from = hasSelectedText() ? selectionStart() : cursorPosition();
        const int length = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
        candidate.replace(from, length, typed);
        if (!acceptsText(candidate)) {
            QApplication::beep();
            Q_EMIT inputRejected();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event) {
    // The plain number replaces the currency text while the user edits.
    if (link_->isActive() && !dirty_) showField();
    QLineEdit::focusInEvent(event);
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Back to the display text, unless the box holds a text the field could not take.
    if (link_->isActive() && !unstored_ && editForm_) showField();
}
