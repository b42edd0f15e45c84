#include "ledger/TINeditForm.h"

TINeditForm::TINeditForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::incomeEntrySide(), Role::Edit, parent) {
    setupUi(this);
    initialise();
}

TINeditForm::~TINeditForm() = default;
