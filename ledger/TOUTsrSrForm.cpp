#include "ledger/TOUTsrSrForm.h"

TOUTsrSrForm::TOUTsrSrForm(QWidget* parent)
    : mz::ledger::LedgerManagerForm(mz::ledger::expenseSide(), parent) {
    setupUi(this);
    initialise();
}

TOUTsrSrForm::~TOUTsrSrForm() = default;
