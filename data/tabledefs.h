#pragma once
// The five tables of the data directory, defined once: files, fields in record order, tags.

#include "data/types.h"

namespace mz::data {

// All five tables, in the order Aitesaki, Indata, Outdata, Kazoku, Moku.
const std::vector<TableDef>& tableDefs();

// The tables kept beside the five, for what the five cannot hold: the reception desk's events
// (Gyoji.DBF) and the entries taken at the desk (Uketsuke.DBF). Same conventions as the five;
// a data directory that lacks one gets it created empty (createMissingTables, data/table.h).
const std::vector<TableDef>& extraTableDefs();

// The table whose record file is named fileName (letter case ignored, directory part ignored),
// or nullptr.
const TableDef* tableDefForFile(const QString& fileName);

// Every file a data directory holds: the thirteen table files of the five tables and the
// placeholder picture (the extra tables are not among them).
QStringList dataFileNames();

inline constexpr const char* kPlaceholderPicture = "Gray.bmp";

}  // namespace mz::data
