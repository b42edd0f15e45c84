#pragma once
// TComboBox: a drop-down combo box with free text. Filling or emptying its item list never
// changes its text (a plain QComboBox takes the first item as its text when the first item is
// added). MaxBytes limits the text in CP932 bytes, ImeMode sets the input method.
//
// TDBComboBox: the same bound to a text field of the current record. Typing or picking an item
// puts a browsing cursor into edit state and the field follows the text at once; a text the
// window sets (setEditText / setCurrentText) while the cursor is editing or inserting goes into
// the field as well. Its byte limit is the field's width unless MaxBytes says otherwise.

#include "widgets/datasource.h"
#include "widgets/textinput.h"

#include <QComboBox>

class TComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(int MaxBytes READ maxBytes WRITE setMaxBytes)
    Q_PROPERTY(mz::widgets::ImeMode ImeMode READ imeMode WRITE setImeMode)

public:
    explicit TComboBox(QWidget* parent = nullptr);
    ~TComboBox() override;

    virtual int maxBytes() const { return maxBytes_; }
    void setMaxBytes(int bytes);
    mz::widgets::ImeMode imeMode() const;
    void setImeMode(mz::widgets::ImeMode mode);

    // The text of the box (its line edit), under the name the windows use.
    QString text() const { return currentText(); }

Q_SIGNALS:
    // The user changed the text: typed it or picked an item.
    void textEditedByUser();

protected:
    mz::widgets::LineInput* input() const { return input_; }
    void updateLimits();
    // Shows a text without it counting as a change.
    void showText(const QString& text);
    // The item list is changing; a text change now is QComboBox's own, undone afterwards.
    bool itemsChanging() const { return itemChange_ > 0; }

private:
    void keepTextAcrossItemChange();

    mz::widgets::LineInput* input_;
    mz::widgets::ImeModeKeeper* ime_;
    int maxBytes_ = 0;
    QString keptText_;
    int itemChange_ = 0;  // >0 while the item list changes
};

class TDBComboBox : public TComboBox {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ dataField WRITE setDataField)

public:
    explicit TDBComboBox(QWidget* parent = nullptr);
    ~TDBComboBox() override;

    TDataSource* dataSource() const;
    void setDataSource(TDataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

    // The explicit byte limit when set, else the width of a bound text field.
    int maxBytes() const override;

private:
    void showField();
    void onRefresh(mz::widgets::FieldLink::Reason reason);
    void onUserChange();
    void onProgrammaticChange();
    void store();

    mz::widgets::FieldLink* link_;
    bool dirty_ = false;
};
