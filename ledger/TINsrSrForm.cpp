#include "ledger/TINsrSrForm.h"

TINsrSrForm::TINsrSrForm(QWidget* parent)
    : mz::ledger::LedgerManagerForm(mz::ledger::incomeSide(), parent) {
    setupUi(this);
    initialise();
}

TINsrSrForm::~TINsrSrForm() = default;
