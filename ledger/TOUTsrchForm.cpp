#include "ledger/TOUTsrchForm.h"

TOUTsrchForm::TOUTsrchForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::expenseEntrySide(), Role::View, parent) {
    setupUi(this);
    initialise();
}

TOUTsrchForm::~TOUTsrchForm() = default;
