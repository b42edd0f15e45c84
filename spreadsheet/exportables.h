#pragma once
// The tables CSV書き出し offers: those of the data directory that are there.

#include "data/types.h"

#include <vector>

namespace mz::spreadsheet {

// The five tables, then any further table of the system, each only when its record file is in the
// current directory (the data directory).
std::vector<const data::TableDef*> exportableTables();

}  // namespace mz::spreadsheet
