#include "widgets/format.h"

#include <QRegularExpression>

#include <cmath>

using namespace Qt::StringLiterals;

namespace mz::format {

namespace {

// Digits of a non-negative whole number grouped by three with commas.
QString grouped(const QString& digits) {
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += u',';
        out += digits[i];
    }
    return out;
}

bool isAsciiBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimmedBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && isAsciiBlank(text[b])) ++b;
    while (e > b && isAsciiBlank(text[e - 1])) --e;
    return text.mid(b, e - b);
}

const QRegularExpression& numberPattern() {
    static const QRegularExpression re(u"^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"_s);
    return re;
}

const QRegularExpression& integerPattern() {
    static const QRegularExpression re(u"^[+-]?\\d+$"_s);
    return re;
}

}  // namespace

QString formatDate(const QDate& date) {
    if (!date.isValid()) return QString();
    return date.toString(u"yyyy/MM/dd"_s);
}

QString formatYen(double amount) {
    if (!std::isfinite(amount)) return QString();
    const double whole = std::round(amount);  // halves away from zero
    const bool negative = whole < 0;
    const QString digits = QString::number(std::fabs(whole), 'f', 0);
    QString out;
    if (negative) out += u'-';
    out += QChar(kYenSign);
    out += grouped(digits);
    return out;
}

QString formatNumber(double value) {
    if (!std::isfinite(value)) return QString();
    if (value == 0) return u"0"_s;  // also -0
    QString s = QString::number(value, 'f', 4);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0')) s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    if (s == u"-0"_s) return u"0"_s;
    return s;
}

std::optional<double> parseNumber(const QString& text) {
    const QString t = trimmedBlanks(text);
    if (!numberPattern().match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);  // C locale: '.' is the decimal point
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> parseInteger(const QString& text, double min, double max) {
    const QString t = trimmedBlanks(text);
    if (!integerPattern().match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || v < min || v > max) return std::nullopt;
    return v;
}

bool isNumberPrefix(const QString& text, bool integerOnly, bool exponent) {
    // States: sign, mantissa digits, point, fraction digits, exponent letter, exponent sign,
    // exponent digits. Each character must continue the number typed so far.
    enum { Start, Sign, Int, Point, Frac, Exp, ExpSign, ExpInt } state = Start;
    bool digitSeen = false;
    for (QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        switch (state) {
            case Start:
                if (c == u'+' || c == u'-')
                    state = Sign;
                else if (digit)
                    state = Int, digitSeen = true;
                else if (c == u'.' && !integerOnly)
                    state = Point;
                else
                    return false;
                break;
            case Sign:
                if (digit)
                    state = Int, digitSeen = true;
                else if (c == u'.' && !integerOnly)
                    state = Point;
                else
                    return false;
                break;
            case Int:
                if (digit) break;
                if (integerOnly) return false;
                if (c == u'.')
                    state = Point;
                else if ((c == u'e' || c == u'E') && exponent)
                    state = Exp;
                else
                    return false;
                break;
            case Point:
            case Frac:
                if (digit)
                    state = Frac, digitSeen = true;
                else if ((c == u'e' || c == u'E') && digitSeen && exponent)
                    state = Exp;
                else
                    return false;
                break;
            case Exp:
                if (c == u'+' || c == u'-')
                    state = ExpSign;
                else if (digit)
                    state = ExpInt;
                else
                    return false;
                break;
            case ExpSign:
            case ExpInt:
                if (digit)
                    state = ExpInt;
                else
                    return false;
                break;
        }
    }
    return true;
}

std::optional<QDate> parseDate(const QString& text) {
    const QStringList parts = text.split(u'/');
    if (parts.size() != 3) return std::nullopt;
    int ymd[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const QString p = trimmedBlanks(parts[i]);
        if (p.isEmpty() || p.size() > (i == 0 ? 4 : 2)) return std::nullopt;
        for (QChar c : p)
            if (c < u'0' || c > u'9') return std::nullopt;
        ymd[i] = p.toInt();
    }
    const QDate d(ymd[0], ymd[1], ymd[2]);
    if (!d.isValid() || ymd[0] < 1) return std::nullopt;
    return d;
}

bool isCurrencyField(const data::FieldDef& field) {
    return field.type == data::FieldType::Number && field.name == u"金額"_s;
}

QString displayText(const data::FieldDef& field, const data::Value& value, bool currency) {
    if (const double* d = std::get_if<double>(&value))
        return currency ? formatYen(*d) : formatNumber(*d);
    if (const QDate* d = std::get_if<QDate>(&value)) return formatDate(*d);
    if (const QString* s = std::get_if<QString>(&value)) return *s;
    if (const bool* b = std::get_if<bool>(&value)) return *b ? u"True"_s : u"False"_s;
    if (std::holds_alternative<QByteArray>(value)) return u"(GRAPHIC)"_s;
    Q_UNUSED(field);
    return QString();
}

QString editText(const data::FieldDef& field, const data::Value& value) {
    return displayText(field, value, false);
}

data::Value parseFieldText(const data::FieldDef& field, const QString& text) {
    using data::EngineError;
    using data::FieldType;
    if (text.isEmpty()) return {};
    switch (field.type) {
        case FieldType::Text:
        case FieldType::Memo:
            return text;
        case FieldType::Number: {
            if (const auto v = parseNumber(text)) return *v;
            throw EngineError(u"'%1' は正しい数値ではありません"_s.arg(text));
        }
        case FieldType::SmallInt: {
            if (const auto v = parseInteger(text, -32768, 32767)) return *v;
            if (parseInteger(text, -1e300, 1e300))
                throw EngineError(u"'%1' は範囲外の値です (-32768 ～ 32767)"_s.arg(text));
            throw EngineError(u"'%1' は正しい整数値ではありません"_s.arg(text));
        }
        case FieldType::Date: {
            if (trimmedBlanks(text).isEmpty()) return {};
            if (const auto d = parseDate(text)) return *d;
            throw EngineError(u"'%1' は日付ではありません"_s.arg(text));
        }
        case FieldType::Logical: {
            const QString t = trimmedBlanks(text).toUpper();
            if (t.isEmpty()) return {};
            if (t == u"TRUE"_s || t == u"T"_s || t == u"Y"_s || t == u"YES"_s) return true;
            if (t == u"FALSE"_s || t == u"F"_s || t == u"N"_s || t == u"NO"_s) return false;
            throw EngineError(u"'%1' は正しい論理値ではありません"_s.arg(text));
        }
        case FieldType::Picture:
            break;
    }
    throw EngineError(u"フィールド '%1' には文字を入力できません"_s.arg(field.name));
}

}  // namespace mz::format
