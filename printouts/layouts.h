#pragma once
// The report layouts of the eight printouts, as data for the report engine. Each printout form
// puts its layout into its QuickRep1 when it is created; the layouts do not depend on the data.
//
// All measures are in millimetres: band heights, and element positions from the top-left
// corner of their band (the band starts at the left margin).

#include "report/report.h"

namespace mz::printouts {

// The four ledger printouts: the list of the entries a search found, and the one entry of a
// view window, for each side of the ledger.
enum class LedgerPrintout { IncomeList, IncomeEntry, ExpenditureList, ExpenditureEntry };

mz::report::Report ledgerLayout(LedgerPrintout which);

// One counterpart on a page of its own.
mz::report::Report counterpartLayout();

// The whole address book, five people to a page.
mz::report::Report counterpartListLayout();

// The purposes with their codes and categories.
mz::report::Report purposeListLayout();

// The family members with their codes.
mz::report::Report familyListLayout();

}  // namespace mz::printouts
