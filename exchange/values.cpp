#include "exchange/values.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace mz::exchange {

namespace {

// Full-width digits, letters, punctuation and blanks become their plain forms.
QString plain(const QString& text) { return text.normalized(QString::NormalizationForm_KC).trimmed(); }

struct Era {
    QString name;
    QChar letter;
    QDate first;  // the era's first day
    QDate last;   // its last day (invalid: still running)
};

const std::vector<Era>& eras() {
    static const std::vector<Era> list = {
        {QStringLiteral("令和"), u'R', QDate(2019, 5, 1), QDate()},
        {QStringLiteral("平成"), u'H', QDate(1989, 1, 8), QDate(2019, 4, 30)},
        {QStringLiteral("昭和"), u'S', QDate(1926, 12, 25), QDate(1989, 1, 7)},
        {QStringLiteral("大正"), u'T', QDate(1912, 7, 30), QDate(1926, 12, 24)},
        {QStringLiteral("明治"), u'M', QDate(1868, 1, 25), QDate(1912, 7, 29)},
    };
    return list;
}

std::optional<QDate> checked(int y, int m, int d) {
    const QDate date(y, m, d);
    if (!date.isValid()) return std::nullopt;
    return date;
}

std::optional<QDate> parseWareki(const QString& s) {
    // 令和6年5月3日 / 令和元年5月1日 / R6.5.3 / R6/5/3 / R6-5-3 (letter in either case)
    static const QRegularExpression kanji(QStringLiteral(R"(^(\S{2})\s*(元|\d{1,2})\s*年\s*(\d{1,2})\s*月\s*(\d{1,2})\s*日$)"));
    static const QRegularExpression letter(QStringLiteral(R"(^([A-Za-z])\s*(\d{1,2})[./\-](\d{1,2})[./\-](\d{1,2})$)"));
    const Era* era = nullptr;
    int year = 0, month = 0, day = 0;
    if (const auto m = kanji.match(s); m.hasMatch()) {
        for (const Era& e : eras())
            if (e.name == m.captured(1)) era = &e;
        year = m.captured(2) == QStringLiteral("元") ? 1 : m.captured(2).toInt();
        month = m.captured(3).toInt();
        day = m.captured(4).toInt();
    } else if (const auto l = letter.match(s); l.hasMatch()) {
        const QChar c = l.captured(1).at(0).toUpper();
        for (const Era& e : eras())
            if (e.letter == c) era = &e;
        year = l.captured(2).toInt();
        month = l.captured(3).toInt();
        day = l.captured(4).toInt();
    }
    if (!era || year < 1) return std::nullopt;
    const auto date = checked(era->first.year() + year - 1, month, day);
    if (!date || *date < era->first || (era->last.isValid() && *date > era->last)) return std::nullopt;
    return date;
}

}  // namespace

QString dateFormatName(DateFormat format) {
    switch (format) {
        case DateFormat::Slash: return QStringLiteral("yyyy/mm/dd");
        case DateFormat::Dash: return QStringLiteral("yyyy-mm-dd");
        case DateFormat::Wareki: return QStringLiteral("和暦");
    }
    return QString();
}

std::optional<QDate> parseDate(const QString& text, DateFormat format) {
    const QString s = plain(text);
    if (format == DateFormat::Wareki) return parseWareki(s);
    static const QRegularExpression slash(QStringLiteral(R"(^(\d{4})/(\d{1,2})/(\d{1,2})$)"));
    static const QRegularExpression dash(QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})$)"));
    const auto m = (format == DateFormat::Slash ? slash : dash).match(s);
    if (!m.hasMatch()) return std::nullopt;
    return checked(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

DateFormat guessDateFormat(const QStringList& samples) {
    DateFormat best = DateFormat::Slash;
    int bestCount = -1;
    for (DateFormat f : {DateFormat::Slash, DateFormat::Dash, DateFormat::Wareki}) {
        int count = 0;
        for (const QString& s : samples)
            if (parseDate(s, f)) ++count;
        if (count > bestCount) {
            best = f;
            bestCount = count;
        }
    }
    return best;
}

QString formatDate(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : QString();
}

std::optional<double> parseAmount(const QString& text) {
    QString s = plain(text);  // ￥ → ¥, １，０００ → 1,000, − stays
    s.replace(QChar(0x2212), u'-');  // the minus sign of Japanese fonts
    if (s.startsWith(u'-')) {
        const auto rest = parseAmount(s.mid(1));
        if (!rest || s.mid(1).trimmed().startsWith(u'-')) return std::nullopt;
        return -*rest;
    }
    if (s.startsWith(u'¥') || s.startsWith(u'\\')) s = s.mid(1).trimmed();
    if (s.endsWith(QStringLiteral("円"))) s.chop(1);
    s = s.trimmed();
    static const QRegularExpression number(QStringLiteral(R"(^(\d+|\d{1,3}(,\d{3})+)(\.\d+)?$)"));
    if (!number.match(s).hasMatch()) return std::nullopt;
    s.remove(u',');
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString formatNumber(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace mz::exchange
