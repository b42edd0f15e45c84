#pragma once
// The tables of the data directory, defined once: files, fields in record order, tags. The five
// of the ledger keep their structure byte for byte (other programs read them); what the program
// keeps beyond them lives in tables of the same kind beside them (extraTableDefs()).

#include "data/types.h"

namespace mz::data {

// All five tables, in the order Aitesaki, Indata, Outdata, Kazoku, Moku.
const std::vector<TableDef>& tableDefs();

// The tables beside the five, in the order they were added: Okaeshi (return gifts), Henrei
// (return rules), Gyoji (reception desk events), Uketsuke (the guests taken at a desk). A data directory made before one of them existed lacks it until start-up
// creates it empty (createMissingTables, data/table.h).
const std::vector<TableDef>& extraTableDefs();

// The five, then the extra tables.
std::vector<const TableDef*> allTableDefs();

// The files of one table: record file, memo file when it has one, index file.
QStringList tableFileNames(const TableDef& def);

// The table whose record file is named fileName (letter case ignored, directory part ignored),
// or nullptr.
const TableDef* tableDefForFile(const QString& fileName);

// Every file a data directory holds: the files of every table (the five and the extra ones) and
// the placeholder picture.
QStringList dataFileNames();

inline constexpr const char* kPlaceholderPicture = "Gray.bmp";

}  // namespace mz::data
