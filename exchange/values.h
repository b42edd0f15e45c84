#pragma once
// Dates and amounts as they are written in spreadsheets: read leniently where the meaning is
// plain (full-width digits, ￥, thousands separators, 和暦), written in one form.

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace mz::exchange {

enum class DateFormat {
    Slash,   // 2024/05/03 (also 2024/5/3)
    Dash,    // 2024-05-03
    Wareki,  // 令和6年5月3日, 令和元年5月1日, R6.5.3, R6/5/3, H31.4.30
};

// The user's name of a date format: "yyyy/mm/dd", "yyyy-mm-dd", "和暦".
QString dateFormatName(DateFormat format);

// The date written in that format, or nothing when the text is not a date in it (a day that does
// not exist, a year outside its era). Full-width digits and blanks around it are accepted.
std::optional<QDate> parseDate(const QString& text, DateFormat format);

// The format that reads the most of the non-empty samples (Slash when none is read).
DateFormat guessDateFormat(const QStringList& samples);

// yyyy/MM/dd, as files are written; empty for a null date.
QString formatDate(const QDate& date);

// An amount: plain digits, or with ¥/￥ before, 円 after, full-width digits, thousands
// separators (1,000 or １，０００; groups of three only), a minus sign, a decimal part. Nothing when
// the text is no number in those forms.
std::optional<double> parseAmount(const QString& text);

// A number as plain digits: whole numbers without a decimal point (12000), others with the
// shortest decimals that give the same number (0.5).
QString formatNumber(double value);

}  // namespace mz::exchange
