#include "ledger/TINregiForm.h"

TINregiForm::TINregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::incomeEntrySide(), Role::Register, parent) {
    setupUi(this);
    initialise();
}

TINregiForm::~TINregiForm() = default;
