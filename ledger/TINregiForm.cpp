#include "ledger/TINregiForm.h"

#include "platform/keepopen.h"

TINregiForm::TINregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::incomeEntrySide(), Role::Register, parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise(mz::ledger::entryFormControlsOf(*this));
}

TINregiForm::~TINregiForm() = default;
