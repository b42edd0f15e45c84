#pragma once
// The income edit window: the entry form on the income entry numbered IncomeNo.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TINeditForm.h"

class TINeditForm : public mz::ledger::LedgerEntryForm, public Ui::TINeditForm {
    Q_OBJECT
public:
    explicit TINeditForm(QWidget* parent = nullptr);
    ~TINeditForm() override;
};
