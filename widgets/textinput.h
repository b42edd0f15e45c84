#pragma once
// What a text box lets the user type: its input method mode and, for boxes whose text is stored
// in a text field, the field's width in CP932 bytes (a full-width character counts two), so that
// what the user sees is what is stored.

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class QWidget;

namespace mz::widgets {
Q_NAMESPACE

// Input method of a control. Linux input methods cannot be switched per control, so the modes
// only allow or forbid the input method; half-width katakana also converts what is typed.
enum class ImeMode {
    DontCare,      // as Qt sets it up
    Off,           // no input method: numbers, dates, telephone numbers, e-mail
    Hiragana,      // input method allowed: names, addresses, memos
    HalfKatakana,  // input method allowed, and kana typed or pasted becomes half-width katakana
};
Q_ENUM_NS(ImeMode)

// Allows or forbids the input method on w (and on its inner line edit for combo boxes and
// spin boxes). Qt switches the input method back on when a line edit changes its read-only
// state; ImeModeKeeper re-applies the mode then.
void applyImeMode(QWidget* w, ImeMode mode);

// Keeps a mode applied on a control across the changes after which Qt resets it.
class ImeModeKeeper : public QObject {
    Q_OBJECT
public:
    explicit ImeModeKeeper(QWidget* control);
    ImeMode mode() const { return mode_; }
    void setMode(ImeMode mode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* control_;
    ImeMode mode_ = ImeMode::DontCare;
};

// The result of fitting a user's change to a text box's rules.
struct FittedText {
    QString text;
    int cursor = 0;        // where the text cursor goes: after the inserted text
    bool changed = false;  // text differs from what the user's change produced
};

// Fits the user's change of a box's text from `before` to `after`: the part the user inserted
// (typed, pasted, dropped or committed from the input method) is converted to half-width
// katakana when halfKatakana is set, then cut at a character boundary so that the whole text
// takes at most maxBytes CP932 bytes (maxBytes <= 0: no limit). The text around the insertion is
// kept as it was; a voiced mark is never left without its letter nor a letter kept without the
// mark that followed it in the insertion. maxChars > 0 also limits the number of characters
// (UTF-16 units, as QLineEdit counts them).
FittedText fitTypedText(const QString& before, const QString& after, int maxBytes,
                        bool halfKatakana, int maxChars = 0);

// Applies fitTypedText to every change the user makes in a QLineEdit, and refuses (restores the
// text as it was, beeps and emits the line edit's inputRejected) a change that `accept` turns
// down. Programmatic setText() is left alone. After each accepted user change it emits edited().
class LineInput : public QObject {
    Q_OBJECT
public:
    explicit LineInput(QLineEdit* edit);

    int maxBytes() const { return maxBytes_; }
    void setMaxBytes(int bytes) { maxBytes_ = bytes; }
    // Characters the user may type in all; 0: no limit of this object's own.
    int maxChars() const { return maxChars_; }
    void setMaxChars(int chars) { maxChars_ = chars; }
    bool halfKatakana() const { return halfKatakana_; }
    void setHalfKatakana(bool on) { halfKatakana_ = on; }
    // Decides whether the text a user change produces may stand (after fitting). Null: always.
    void setAcceptor(std::function<bool(const QString&)> accept) { accept_ = std::move(accept); }

    // The text as the box last settled it; differs from the line edit's text only while Qt is
    // delivering a change.
    const QString& settledText() const { return settled_; }
    // Sets the line edit's text without it counting as a change by anyone (a bound control
    // showing its field): neither edited() nor programmaticChange() follows.
    void showText(const QString& text);

Q_SIGNALS:
    void edited();              // the user changed the text (already fitted)
    void programmaticChange();  // someone called setText() (or clear()) on the line edit
    void rejected();            // a user change was refused

private:
    void onTextEdited();
    void onTextChanged();

    QLineEdit* edit_;
    QString settled_;
    int maxBytes_ = 0;
    int maxChars_ = 0;
    bool halfKatakana_ = false;
    std::function<bool(const QString&)> accept_;
};

}  // namespace mz::widgets
