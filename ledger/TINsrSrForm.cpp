#include "ledger/TINsrSrForm.h"

#include "platform/keepopen.h"

TINsrSrForm::TINsrSrForm(QWidget* parent)
    : mz::ledger::LedgerManagerForm(mz::ledger::incomeSide(), parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise();
}

TINsrSrForm::~TINsrSrForm() = default;
