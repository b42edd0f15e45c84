#include "ledger/TOUTeditForm.h"

#include "platform/keepopen.h"

TOUTeditForm::TOUTeditForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::expenseEntrySide(), Role::Edit, parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise(mz::ledger::entryFormControlsOf(*this));
}

TOUTeditForm::~TOUTeditForm() = default;
