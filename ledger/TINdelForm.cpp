#include "ledger/TINdelForm.h"

TINdelForm::TINdelForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::incomeEntrySide(), Role::Delete, parent) {
    setupUi(this);
    initialise();
}

TINdelForm::~TINdelForm() = default;
