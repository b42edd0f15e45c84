#pragma once
// TDBMemo: a multi-line text box bound to a memo (or text) field of the current record. Enter
// starts a new line. When the user types, a browsing cursor goes into edit state and the field
// follows the text at once; text the window puts in (setPlainText) while the cursor is editing
// or inserting goes into the field too, in browse state it is only shown.

#include "widgets/datasource.h"
#include "widgets/textinput.h"

#include <QPlainTextEdit>

class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ dataField WRITE setDataField)
    Q_PROPERTY(mz::widgets::ImeMode ImeMode READ imeMode WRITE setImeMode)

public:
    explicit TDBMemo(QWidget* parent = nullptr);
    ~TDBMemo() override;

    TDataSource* dataSource() const;
    void setDataSource(TDataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

    mz::widgets::ImeMode imeMode() const;
    void setImeMode(mz::widgets::ImeMode mode);

    // The memo's text (QPlainTextEdit::toPlainText), under the name the windows use.
    QString text() const { return toPlainText(); }

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;

private:
    void showField();
    void onRefresh(mz::widgets::FieldLink::Reason reason);
    void onTextChanged();
    bool userMayChange() const;

    mz::widgets::FieldLink* link_;
    mz::widgets::ImeModeKeeper* ime_;
    int userInput_ = 0;  // >0 while a user action (key, input method, mouse, menu) is delivered
    bool showing_ = false;
    bool dirty_ = false;
};
