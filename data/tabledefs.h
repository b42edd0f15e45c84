#pragma once
// The five tables of the data directory, defined once: files, fields in record order, tags.

#include "data/types.h"

namespace mz::data {

// All five tables, in the order Aitesaki, Indata, Outdata, Kazoku, Moku.
const std::vector<TableDef>& tableDefs();

// The table whose record file is named fileName (letter case ignored, directory part ignored),
// or nullptr.
const TableDef* tableDefForFile(const QString& fileName);

// Every file a data directory holds: the thirteen table files and the placeholder picture.
QStringList dataFileNames();

inline constexpr const char* kPlaceholderPicture = "Gray.bmp";

}  // namespace mz::data
