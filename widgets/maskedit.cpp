#include "widgets/maskedit.h"

using namespace Qt::StringLiterals;

TMaskEdit::TMaskEdit(QWidget* parent)
    : QLineEdit(parent), ime_(new mz::widgets::ImeModeKeeper(this)) {}

TMaskEdit::~TMaskEdit() = default;

QString TMaskEdit::qtInputMask(const QString& editMask) {
    if (editMask.isEmpty()) return QString();
    // "mask;keep;blank": only the mask and the blank character matter here (the text always
    // keeps the fixed characters).
    QString mask = editMask;
    QChar blank = u'_';
    const qsizetype last = mask.lastIndexOf(u';');
    if (last >= 0 && last == mask.size() - 2) {
        blank = mask.back();
        mask.chop(2);
        const qsizetype keep = mask.lastIndexOf(u';');
        if (keep >= 0 && keep == mask.size() - 2) mask.chop(2);
    }
    QString out;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        switch (c.unicode()) {
            case u'0':
                out += u'9';
                break;  // digit required
            case u'9':
                out += u'0';
                break;  // digit or blank
            case u'#':
                out += u'#';
                break;
            case u'L':
                out += u'A';
                break;
            case u'l':
                out += u'a';
                break;
            case u'A':
                out += u'N';
                break;
            case u'a':
                out += u'n';
                break;
            case u'C':
                out += u'X';
                break;
            case u'c':
                out += u'x';
                break;
            case u'>':
            case u'<':
                out += c;
                break;
            case u'\\':
                if (i + 1 < mask.size()) out += u'\\' + QString(mask[++i]);
                break;
            default:
                // Fixed text; characters that Qt reads as mask characters are escaped.
                if (u"90#AaNnXxDdHhBb><!\\;"_s.contains(c)) out += u'\\';
                out += c;
                break;
        }
    }
    return out + u';' + blank;
}

void TMaskEdit::setEditMask(const QString& mask) {
    editMask_ = mask;
    const QString qt = qtInputMask(mask);
    setInputMask(qt);
    // The text of an untouched box: fixed characters and blanks.
    QLineEdit probe;
    probe.setInputMask(qt);
    emptyText_ = qt.isEmpty() ? QString() : probe.displayText();
}

QString TMaskEdit::maskedText() const {
    // The displayed text is the text with its fixed characters and blanks.
    return inputMask().isEmpty() ? text() : displayText();
}

void TMaskEdit::setMaskedText(const QString& text) {
    setText(text);
}

bool TMaskEdit::isBlank() const {
    if (inputMask().isEmpty()) return text().isEmpty();
    return displayText() == emptyText_;
}

mz::widgets::ImeMode TMaskEdit::imeMode() const {
    return ime_->mode();
}

void TMaskEdit::setImeMode(mz::widgets::ImeMode mode) {
    ime_->setMode(mode);
}
