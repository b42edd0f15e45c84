#pragma once
// The expenditure delete window: the expenditure entry numbered ExpenseNo, read-only, and 削除.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TOUTdelForm.h"

class TOUTdelForm : public mz::ledger::LedgerEntryViewForm, public Ui::TOUTdelForm {
    Q_OBJECT
public:
    explicit TOUTdelForm(QWidget* parent = nullptr);
    ~TOUTdelForm() override;
};
