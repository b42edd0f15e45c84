#pragma once
// Tables of the data directory as CSV: a header row of the field names, then one row per record
// with dates as yyyy/mm/dd, numbers as plain digits, memo text as it stands (line breaks kept),
// a logical field as 1 or 0, and for a picture only whether there is one (あり or empty).

#include "exchange/csv.h"

#include "data/table.h"

#include <QDate>

namespace mz::exchange {

// The text of a picture column for a record that has a picture.
inline const QString kHasPicture = QStringLiteral("あり");

// The user's name of a table: 相手先, 収入, 支出, 家族, 目的; for any other table its file name
// without extension.
QString tableTitle(const data::TableDef& def);

// The file name offered for an export: the table's name and the date, 収入_20241209.csv.
QString proposedFileName(const data::TableDef& def, const QDate& date);

// The header row: every field's name, in record order.
QStringList exportHeader(const data::TableDef& def);

// One record as a row of the export.
QStringList exportRow(const data::Table& table, quint32 recno);

// The given records, in the given order (a window's rows as they are shown).
CsvRows exportRows(const data::Table& table, const std::vector<quint32>& recnos);

// Every record that is not deleted, in record order.
CsvRows exportAllRows(const data::Table& table);

}  // namespace mz::exchange
