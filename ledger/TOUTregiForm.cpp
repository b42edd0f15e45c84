#include "ledger/TOUTregiForm.h"

#include "ledger/balancehint.h"

TOUTregiForm::TOUTregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::expenseEntrySide(), Role::Register, parent) {
    setupUi(this);
    initialise();
    // What this counterpart gave and was given so far, once 氏名 is filled.
    new mz::ledger::BalanceHint(DBEdit4, LabelHint);
}

TOUTregiForm::~TOUTregiForm() = default;
