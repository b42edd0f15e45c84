#include "ledger/TINsrchForm.h"

TINsrchForm::TINsrchForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::incomeEntrySide(), Role::View, parent) {
    setupUi(this);
    initialise();
}

TINsrchForm::~TINsrchForm() = default;
