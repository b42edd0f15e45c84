#include "ledger/TOUTregiForm.h"

TOUTregiForm::TOUTregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::expenseEntrySide(), Role::Register, parent) {
    setupUi(this);
    initialise();
}

TOUTregiForm::~TOUTregiForm() = default;
