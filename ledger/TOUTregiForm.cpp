#include "ledger/TOUTregiForm.h"

#include "platform/keepopen.h"

TOUTregiForm::TOUTregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::expenseEntrySide(), Role::Register, parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise();
}

TOUTregiForm::~TOUTregiForm() = default;
