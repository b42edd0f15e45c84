#include "ledger/TOUTeditForm.h"

TOUTeditForm::TOUTeditForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::expenseEntrySide(), Role::Edit, parent) {
    setupUi(this);
    initialise();
}

TOUTeditForm::~TOUTeditForm() = default;
