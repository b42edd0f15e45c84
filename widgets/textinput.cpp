#include "widgets/textinput.h"

#include "data/cp932.h"
#include "widgets/kana.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QWidget>

namespace mz::widgets {

namespace {

void applyOne(QWidget* w, ImeMode mode) {
    if (!w || mode == ImeMode::DontCare) return;
    const bool on = mode != ImeMode::Off;
    w->setAttribute(Qt::WA_InputMethodEnabled, on);
    Qt::InputMethodHints hints = w->inputMethodHints();
    if (on)
        hints &= ~(Qt::ImhLatinOnly | Qt::ImhPreferLatin);
    else
        hints |= Qt::ImhLatinOnly;
    w->setInputMethodHints(hints);
}

// The line edit inside a combo box or a spin box, which takes the keys for it.
QLineEdit* innerLineEdit(QWidget* w) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->lineEdit();
    if (qobject_cast<QAbstractSpinBox*>(w)) return w->findChild<QLineEdit*>();
    return nullptr;
}

bool isVoicedMark(QChar c) {
    return c.unicode() == 0xFF9E || c.unicode() == 0xFF9F;
}

// Length in QChars of the character (code point) starting at i.
qsizetype charLength(const QString& s, qsizetype i) {
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) return 2;
    return 1;
}

}  // namespace

void applyImeMode(QWidget* w, ImeMode mode) {
    applyOne(w, mode);
    applyOne(innerLineEdit(w), mode);
}

ImeModeKeeper::ImeModeKeeper(QWidget* control) : QObject(control), control_(control) {
    control->installEventFilter(this);
}

void ImeModeKeeper::setMode(ImeMode mode) {
    mode_ = mode;
    if (QLineEdit* inner = innerLineEdit(control_)) inner->installEventFilter(this);
    applyImeMode(control_, mode_);
}

bool ImeModeKeeper::eventFilter(QObject* watched, QEvent* event) {
    // QLineEdit, QComboBox and QAbstractSpinBox switch the input method back on when they
    // become editable or read-only, or get a new line edit.
    switch (event->type()) {
        case QEvent::ReadOnlyChange:
        case QEvent::EnabledChange:
        case QEvent::ChildAdded:
        case QEvent::FocusIn:
            if (mode_ != ImeMode::DontCare) {
                if (QLineEdit* inner = innerLineEdit(control_)) inner->installEventFilter(this);
                applyImeMode(control_, mode_);
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

FittedText fitTypedText(const QString& before, const QString& after, int maxBytes,
                        bool halfKatakana, int maxChars) {
    // The unchanged text before and after the insertion, never splitting a surrogate pair.
    qsizetype prefix = 0;
    const qsizetype common = std::min(before.size(), after.size());
    while (prefix < common && before[prefix] == after[prefix]) ++prefix;
    if (prefix > 0 && prefix < after.size() && after[prefix - 1].isHighSurrogate()) --prefix;
    qsizetype suffix = 0;
    while (suffix < common - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    if (suffix > 0 && after[after.size() - suffix].isLowSurrogate()) --suffix;

    const QString head = after.left(prefix);
    const QString tail = after.right(suffix);
    QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    if (halfKatakana) inserted = toHalfWidthKatakana(inserted);

    if (maxBytes > 0 || maxChars > 0) {
        int budget = maxBytes - data::cp932::byteWidth(head) - data::cp932::byteWidth(tail);
        qsizetype room = maxChars - head.size() - tail.size();
        qsizetype keep = 0;
        while (keep < inserted.size()) {
            const qsizetype len = charLength(inserted, keep);
            const int w = data::cp932::byteWidth(inserted.mid(keep, len));
            if (maxBytes > 0 && w > budget) break;
            if (maxChars > 0 && len > room) break;
            budget -= w;
            room -= len;
            keep += len;
        }
        if (keep < inserted.size()) {
            // A letter whose voiced mark did not fit would read as another letter.
            if (keep > 0 && isVoicedMark(inserted[keep]) && !isVoicedMark(inserted[keep - 1]))
                --keep;
            inserted.truncate(keep);
        }
    }

    FittedText out;
    out.text = head + inserted + tail;
    out.cursor = static_cast<int>(head.size() + inserted.size());
    out.changed = out.text != after;
    return out;
}

LineInput::LineInput(QLineEdit* edit) : QObject(edit), edit_(edit), settled_(edit->text()) {
    // textEdited comes before textChanged for the same change, so settled_ still holds the text
    // from before the user's change when onTextEdited runs.
    connect(edit, &QLineEdit::textEdited, this, &LineInput::onTextEdited);
    connect(edit, &QLineEdit::textChanged, this, &LineInput::onTextChanged);
}

void LineInput::showText(const QString& text) {
    settled_ = text;
    edit_->setText(text);
}

void LineInput::onTextEdited() {
    const QString before = settled_;
    const QString after = edit_->text();
    const FittedText fit = fitTypedText(before, after, maxBytes_, halfKatakana_, maxChars_);
    if (accept_ && !accept_(fit.text)) {
        settled_ = before;
        const int cursor =
            static_cast<int>(std::min<qsizetype>(edit_->cursorPosition(), before.size()));
        edit_->setText(before);
        edit_->setCursorPosition(cursor);
        QApplication::beep();
        Q_EMIT edit_->inputRejected();
        Q_EMIT rejected();
        return;
    }
    settled_ = fit.text;
    if (fit.changed) {
        edit_->setText(fit.text);
        edit_->setCursorPosition(fit.cursor);
    }
    Q_EMIT edited();
}

void LineInput::onTextChanged() {
    // Qt delivers textChanged after textEdited, with the text from before any fitting that
    // onTextEdited did; the line edit's text is the one that counts.
    const QString now = edit_->text();
    if (now == settled_) return;
    settled_ = now;
    Q_EMIT programmaticChange();
}

}  // namespace mz::widgets
