#include "ledger/TOUTdelForm.h"

TOUTdelForm::TOUTdelForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::expenseEntrySide(), Role::Delete, parent) {
    setupUi(this);
    initialise(mz::ledger::entryViewControlsOf(*this));
}

TOUTdelForm::~TOUTdelForm() = default;
