#include "ledger/TOUTregiForm.h"

#include "ledger/balancehint.h"
#include "platform/keepopen.h"

TOUTregiForm::TOUTregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::expenseEntrySide(), Role::Register, parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise(mz::ledger::entryFormControlsOf(*this));
    // What this counterpart gave and was given so far, once 氏名 is filled.
    new mz::ledger::BalanceHint(DBEdit4, LabelHint);
}

TOUTregiForm::~TOUTregiForm() = default;
