#include "ledger/TOUTdelForm.h"

TOUTdelForm::TOUTdelForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::expenseEntrySide(), Role::Delete, parent) {
    setupUi(this);
    initialise();
}

TOUTdelForm::~TOUTdelForm() = default;
