#pragma once
// Taking rows of a CSV file into the address book or a ledger. First every row is checked and
// told whether it will be stored and why not, without writing anything; then the rows the user
// confirmed are stored as one change of the table, all or none.

#include "exchange/csv.h"
#include "exchange/values.h"

#include "data/table.h"

#include <optional>

namespace mz::exchange {

enum class ImportTarget { Counterparts, Income, Expenditure };

// 相手先, 収入, 支出.
QString targetTitle(ImportTarget target);
// The record file of the target's table: Aitesaki.DBF, Indata.DBF, Outdata.DBF.
QString targetFile(ImportTarget target);
const data::TableDef& targetDef(ImportTarget target);

// The fields a column can give, in record order: every field but the entry number (decided at
// the post, as registration does) and the picture (not in files).
QStringList importFields(ImportTarget target);
// Fields a row must fill: the date and 氏名 of an entry, 氏名 and フリガナ of a person.
bool isRequiredField(ImportTarget target, const QString& field);

// A file read for import: its encoding (detected unless given) and its rows, header included.
struct ImportFile {
    Encoding encoding = Encoding::Utf8Bom;
    CsvRows rows;
};
ImportFile readImportFile(const QString& path, std::optional<Encoding> encoding = std::nullopt);

// For each of importFields(target), the column that gives it, or -1.
using ColumnMap = std::vector<int>;
// Columns whose header is a field's name (full-width and half-width letters alike).
ColumnMap guessColumns(ImportTarget target, const QStringList& header);

enum class RowVerdict {
    Store,      // will be stored
    Duplicate,  // looks like a record already stored: skipped unless kept
    Refused,    // cannot be stored, see reason
    Blank,      // no field filled: nothing to store
};

struct RowCheck {
    int row = 0;  // the row's number in the file, the header being row 1 (as a spreadsheet shows it)
    RowVerdict verdict = RowVerdict::Store;
    QString reason;  // why it is refused, or which stored record it looks like
    data::FieldChanges changes;
    bool keep = false;  // a duplicate the user stores nonetheless
};

struct ImportOptions {
    DateFormat dateFormat = DateFormat::Slash;
    bool headerRow = true;  // the first row names the columns and is no record
};

// Checks every row against the table as it is now. progress is told after each row how many are
// checked; when it returns false, data::ChangeCancelled is thrown.
std::vector<RowCheck> checkRows(ImportTarget target, const CsvRows& rows, const ColumnMap& columns,
                                const ImportOptions& options, const data::Table& table,
                                const data::Table::Progress& progress = {});

// How many rows storeRows would store: those to store and the duplicates kept.
int rowsToStore(const std::vector<RowCheck>& checks);

// Stores those rows in one change of the table: all of them or, when anything fails (a full disk,
// a value refused, cancel through progress), none. Entries get the next entry numbers as
// registration gives them; a person whose row gives a code keeps it when it is free and otherwise
// joins that code's household, and a person without one gets a new household. Returns how many
// were stored. Throws the engine's EngineError (data::ChangeCancelled on cancel).
int storeRows(ImportTarget target, data::Table& table, const std::vector<RowCheck>& checks,
              const data::Table::Progress& progress = {});

}  // namespace mz::exchange
