#pragma once
// The income delete window: the income entry numbered IncomeNo, read-only, and 削除.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TINdelForm.h"

class TINdelForm : public mz::ledger::LedgerEntryViewForm, public Ui::TINdelForm {
    Q_OBJECT
public:
    explicit TINdelForm(QWidget* parent = nullptr);
    ~TINdelForm() override;
};
