#include "widgets/dbmemo.h"

#include "platform/errorreport.h"
#include "widgets/format.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>

using mz::widgets::FieldLink;
using mz::widgets::ImeMode;

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent),
      link_(new FieldLink(this)),
      ime_(new mz::widgets::ImeModeKeeper(this)) {
    setTabChangesFocus(true);
    connect(link_, &FieldLink::refresh, this, &TDBMemo::onRefresh);
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::onTextChanged);
}

TDBMemo::~TDBMemo() {
    disconnect(link_, nullptr, this, nullptr);
    disconnect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::onTextChanged);
}

TDataSource* TDBMemo::dataSource() const {
    return link_->dataSource();
}

void TDBMemo::setDataSource(TDataSource* source) {
    link_->setDataSource(source);
}

QString TDBMemo::dataField() const {
    return link_->fieldName();
}

void TDBMemo::setDataField(const QString& field) {
    link_->setFieldName(field);
}

ImeMode TDBMemo::imeMode() const {
    return ime_->mode();
}

void TDBMemo::setImeMode(ImeMode mode) {
    ime_->setMode(mode);
}

void TDBMemo::showField() {
    if (!link_->isBound()) return;
    QString t;
    if (const mz::data::FieldDef* f = link_->fieldDef())
        t = mz::format::displayText(*f, link_->value(), false);
    dirty_ = false;
    if (t == toPlainText()) return;
    QScopedValueRollback guard(showing_, true);
    setPlainText(t);
}

void TDBMemo::onRefresh(FieldLink::Reason reason) {
    if (reason == FieldLink::Reason::Contents && dirty_ && link_->isEditing()) return;
    showField();
}

bool TDBMemo::userMayChange() const {
    return !link_->isBound() || link_->canModify();
}

bool TDBMemo::event(QEvent* e) {
    // Keys and input-method text come from the user; while they are delivered a change of the
    // text is the user's.
    switch (e->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(e);
            const bool changesText =
                !key->text().isEmpty() || key->key() == Qt::Key_Backspace ||
                key->key() == Qt::Key_Delete || key->matches(QKeySequence::Paste) ||
                key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
                key->matches(QKeySequence::Redo);
            if (changesText && !isReadOnly() && !userMayChange() &&
                !(key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                  key->key() == Qt::Key_Escape)) {
                QApplication::beep();
                return true;
            }
            QScopedValueRollback guard(userInput_, userInput_ + 1);
            return QPlainTextEdit::event(e);
        }
        case QEvent::InputMethod: {
            if (!isReadOnly() && !userMayChange()) return true;
            QScopedValueRollback guard(userInput_, userInput_ + 1);
            return QPlainTextEdit::event(e);
        }
        default:
            return QPlainTextEdit::event(e);
    }
}

bool TDBMemo::viewportEvent(QEvent* e) {
    // Drops and middle-button pastes arrive at the viewport.
    QScopedValueRollback guard(userInput_, userInput_ + 1);
    return QPlainTextEdit::viewportEvent(e);
}

void TDBMemo::contextMenuEvent(QContextMenuEvent* e) {
    QScopedValueRollback guard(userInput_, userInput_ + 1);
    QPlainTextEdit::contextMenuEvent(e);
}

bool TDBMemo::canInsertFromMimeData(const QMimeData* source) const {
    return userMayChange() && QPlainTextEdit::canInsertFromMimeData(source);
}

void TDBMemo::insertFromMimeData(const QMimeData* source) {
    QScopedValueRollback guard(userInput_, userInput_ + 1);
    QPlainTextEdit::insertFromMimeData(source);
}

void TDBMemo::onTextChanged() {
    if (showing_ || !link_->isBound()) return;
    dirty_ = true;
    if (!link_->isActive()) return;
    if (userInput_ > 0) {
        try {
            if (!link_->beginUserChange()) return;
        } catch (...) {
            showField();
            mz::platform::reportCurrentException();
            return;
        }
    }
    if (!link_->isEditing()) return;  // text the window shows in browse state
    const QString t = toPlainText();
    link_->write(t.isEmpty() ? mz::data::Value{} : mz::data::Value{t});
}
