#pragma once
// TMaskEdit: a text box with an edit mask written as the layouts give it, "mask;keep;blank":
// "9999/99/99;1; " takes up to eight digits around two fixed slashes, shows a blank for each
// digit not typed yet, and its text keeps the slashes and the blanks, so an untouched box reads
// "    /  /  " and a filled one "2024/03/15".
//
// Mask characters: 0 digit required, 9 digit or blank, # digit, sign or blank, L letter
// required, l letter or blank, A letter or digit required, a letter, digit or blank, C any
// character required, c any character or blank, > upper case, < lower case, \ the next character
// is fixed; any other character is fixed text.
//
// QLineEdit::text() drops the blanks; maskedText() is the text with its blanks, as the windows
// compare it.

#include "widgets/textinput.h"

#include <QLineEdit>

class TMaskEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString EditMask READ editMask WRITE setEditMask)
    Q_PROPERTY(mz::widgets::ImeMode ImeMode READ imeMode WRITE setImeMode)

public:
    explicit TMaskEdit(QWidget* parent = nullptr);
    ~TMaskEdit() override;

    // The mask as given ("9999/99/99;1; "). Setting it keeps what can be kept of the text.
    QString editMask() const { return editMask_; }
    void setEditMask(const QString& mask);

    // The text with fixed characters and blanks, e.g. "    /  /  " when nothing is typed.
    QString maskedText() const;
    void setMaskedText(const QString& text);
    // Empties every position the user can type into ("    /  /  " again).
    void clearMask() { setMaskedText(QString()); }
    // Nothing is typed: every position the user can type into holds a blank.
    bool isBlank() const;

    mz::widgets::ImeMode imeMode() const;
    void setImeMode(mz::widgets::ImeMode mode);

    // The Qt input mask for a mask as the layouts write it ("9999/99/99;1; " → "0000/00/00; ").
    static QString qtInputMask(const QString& editMask);

private:
    QString editMask_;
    QString emptyText_;
    mz::widgets::ImeModeKeeper* ime_;
};
