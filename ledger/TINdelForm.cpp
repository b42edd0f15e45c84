#include "ledger/TINdelForm.h"

TINdelForm::TINdelForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::incomeEntrySide(), Role::Delete, parent) {
    setupUi(this);
    initialise(mz::ledger::entryViewControlsOf(*this));
}

TINdelForm::~TINdelForm() = default;
