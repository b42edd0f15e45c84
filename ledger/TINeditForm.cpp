#include "ledger/TINeditForm.h"

#include "platform/keepopen.h"

TINeditForm::TINeditForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::incomeEntrySide(), Role::Edit, parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise(mz::ledger::entryFormControlsOf(*this));
}

TINeditForm::~TINeditForm() = default;
