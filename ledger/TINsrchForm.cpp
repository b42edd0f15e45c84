#include "ledger/TINsrchForm.h"

TINsrchForm::TINsrchForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::incomeEntrySide(), Role::View, parent) {
    setupUi(this);
    initialise(mz::ledger::entryViewControlsOf(*this));
}

TINsrchForm::~TINsrchForm() = default;
