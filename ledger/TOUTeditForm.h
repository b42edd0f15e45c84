#pragma once
// The expenditure edit window: the entry form on the expenditure entry numbered ExpenseNo.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TOUTeditForm.h"

class TOUTeditForm : public mz::ledger::LedgerEntryForm, public Ui::TOUTeditForm {
    Q_OBJECT
public:
    explicit TOUTeditForm(QWidget* parent = nullptr);
    ~TOUTeditForm() override;
};
