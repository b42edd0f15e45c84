#pragma once
// Display and edit texts of field values, the same on every machine: dates as yyyy/MM/dd,
// amounts as Japanese currency (￥1,000), other numbers as plain digits. The machine's locale is
// never consulted. Grids, bound edits and printouts all format through here, so a value reads the
// same wherever it is shown. Depends on QtCore and the table vocabulary only.

#include "data/types.h"

#include <QDate>
#include <QString>

#include <optional>

namespace mz::format {

// The yen sign of the currency texts (full-width, as Japanese currency is written on screen).
inline constexpr char16_t kYenSign = u'\uFFE5';

// "2024/03/15"; an invalid date gives an empty text.
QString formatDate(const QDate& date);

// "￥1,000", "-￥1,500", "￥0": rounded to whole yen (halves away from zero), thousands grouped
// with commas. A value that is not finite gives an empty text.
QString formatYen(double amount);

// The shortest plain text of a number as the tables hold it (at most four decimals): "17",
// "1234.5", "-3". No grouping, no exponent.
QString formatNumber(double value);

// A number typed as plain text: optional sign, digits with at most one decimal point, optional
// exponent ("1e3"); blanks around it are ignored. Anything else (an empty text included) is
// nothing.
std::optional<double> parseNumber(const QString& text);

// A whole number in range [min, max] typed as plain text (optional sign, digits).
std::optional<double> parseInteger(const QString& text, double min, double max);

// Whether text can still grow into a number by typing more characters: "", "-", "1.", "2e" are
// prefixes, "1..", "--1", "1-", "abc" are not. integerOnly refuses the point and the exponent;
// exponent = false refuses the exponent only (an amount of yen is typed as it is written, and
// "9e99" would be a hundred-digit number).
bool isNumberPrefix(const QString& text, bool integerOnly = false, bool exponent = true);

// A date typed as year/month/day ("2024/03/15", "2024/3/5"; blanks around each part ignored).
std::optional<QDate> parseDate(const QString& text);

// Fields whose numbers are amounts of yen and shown as currency.
bool isCurrencyField(const data::FieldDef& field);

// The text a value is shown as outside editing. currency: numbers as yen. Memo text is shown
// as it is; a picture as "(GRAPHIC)"; logicals as "True" / "False".
QString displayText(const data::FieldDef& field, const data::Value& value, bool currency);

// The text a value is edited as: numbers plain, dates as yyyy/MM/dd, the rest as displayed.
QString editText(const data::FieldDef& field, const data::Value& value);

// Converts a text typed for a field into its value. Empty text is the empty value. Throws
// data::EngineError with a Japanese message naming the text when it is no value of the field's
// type ("'abc' は正しい数値ではありません").
data::Value parseFieldText(const data::FieldDef& field, const QString& text);

}  // namespace mz::format
