#include "ledger/TOUTsrchForm.h"

TOUTsrchForm::TOUTsrchForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::expenseEntrySide(), Role::View, parent) {
    setupUi(this);
    initialise(mz::ledger::entryViewControlsOf(*this));
}

TOUTsrchForm::~TOUTsrchForm() = default;
