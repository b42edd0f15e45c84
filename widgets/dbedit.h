#pragma once
// TDBEdit: a one-line text box bound to a field of the current record.
//
// It shows the field of the current record: numbers as plain digits, dates as yyyy/MM/dd, and
// an amount (金額, or any number field with Currency set) as ￥1,000 while the box does not have
// the focus and as the plain number while the user edits it. When the user types, a browsing
// cursor goes into edit state and the field of the edit buffer follows the text at once. A text
// the window puts into the box (setText) while the cursor is editing or inserting goes into the
// field as well; in browse state it is only shown.
//
// A number field takes only keys that can continue a number (digits, sign, decimal point,
// exponent; an amount shown as yen takes no exponent); anything else is refused with a beep. A text that is no value of the field (a lone
// "-", a pasted word) stays in the box as typed and stops the next post with an error naming it
// ("'-' は正しい数値ではありません"); nothing is written then.
//
// A box on a text field takes at most the field's width in CP932 bytes (a full-width character
// counts two); MaxBytes overrides that, and limits unbound boxes too. ImeMode sets the input
// method; in HalfKatakana mode typed or pasted kana becomes half-width katakana.

#include "widgets/datasource.h"
#include "widgets/textinput.h"

#include <QLineEdit>

class TDBEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ dataField WRITE setDataField)
    Q_PROPERTY(int MaxBytes READ maxBytes WRITE setMaxBytes)
    Q_PROPERTY(mz::widgets::ImeMode ImeMode READ imeMode WRITE setImeMode)
    Q_PROPERTY(bool Currency READ currency WRITE setCurrency)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)

public:
    explicit TDBEdit(QWidget* parent = nullptr);
    ~TDBEdit() override;

    TDataSource* dataSource() const;
    void setDataSource(TDataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

    // Byte limit of the text: the explicit one when set (> 0), else the width of a bound text
    // field, else none.
    int maxBytes() const;
    void setMaxBytes(int bytes);

    mz::widgets::ImeMode imeMode() const;
    void setImeMode(mz::widgets::ImeMode mode);

    // Characters the user may type ("at most 9 characters"). Unlike QLineEdit's own limit it
    // never cuts what the box shows: ￥100,000,000 is twelve characters of a nine-digit amount.
    int maxLength() const { return maxChars_; }
    void setMaxLength(int chars);

    // Shows a number field as yen outside editing. On by itself for 金額.
    bool currency() const;
    void setCurrency(bool on);

    // The box holds a text the user or the window put in that is no value of the field; the
    // next post of the cursor is refused.
    bool hasUnstoredText() const { return unstored_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void onRefresh(mz::widgets::FieldLink::Reason reason);
    void onUserEdit();
    void onProgrammaticChange();
    void store(const QString& text);
    void checkBeforePost();
    bool acceptsText(const QString& text) const;
    bool isNumberField() const;
    bool isIntegerField() const;
    void updateLimits();

    mz::widgets::FieldLink* link_;
    mz::widgets::LineInput* input_;
    mz::widgets::ImeModeKeeper* ime_;
    int explicitMaxBytes_ = 0;
    int maxChars_ = 32767;
    int currency_ = -1;      // -1: by the field
    bool unstored_ = false;  // the text is no value of the field
    bool dirty_ = false;     // the text was changed since the box last showed its field
    bool editForm_ = false;  // the box shows the edit text (plain number) rather than the display
};
