#pragma once
// Checks of a whole table for the engine tests: its live records as comparable text, its orders
// against the records, and the same records as an independent dBASE reader (Perl XBase's
// dbf_dump) sees them.

#include "data/table.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace mz::test {

// A value as comparable text: numbers in shortest form, dates as yyyyMMdd, logicals as 1/0,
// pictures as their size and checksum, empty values as "".
QString renderValue(const mz::data::FieldDef& field, const mz::data::Value& value);

// Every live record of the table in record order, each field rendered.
std::vector<QStringList> liveRecords(mz::data::Table& table);

// The record numbers a tag must list: live records by key, equal keys by record number.
std::vector<quint32> expectedOrder(mz::data::Table& table, const QString& tag);

// An empty string when every tag's order lists exactly expectedOrder(); otherwise what differs.
QString orderProblems(mz::data::Table& table);

// Whether dbf_dump is installed.
bool haveOutsideReader();

// An empty string when dbf_dump reads from dbfPath (and its memo file) exactly these live
// records, field by field; otherwise what differs.
QString outsideReaderProblems(const QString& dbfPath, const mz::data::TableDef& def,
                              const std::vector<QStringList>& expected);

}  // namespace mz::test
