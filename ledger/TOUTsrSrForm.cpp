#include "ledger/TOUTsrSrForm.h"

#include "platform/keepopen.h"

TOUTsrSrForm::TOUTsrSrForm(QWidget* parent)
    : mz::ledger::LedgerManagerForm(mz::ledger::expenseSide(), parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise();
}

TOUTsrSrForm::~TOUTsrSrForm() = default;
