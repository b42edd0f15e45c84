#pragma once
// The income view window: the income entry numbered IncomeNo, read-only, with its printout.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TINsrchForm.h"

class TINsrchForm : public mz::ledger::LedgerEntryViewForm, public Ui::TINsrchForm {
    Q_OBJECT
public:
    explicit TINsrchForm(QWidget* parent = nullptr);
    ~TINsrchForm() override;

public Q_SLOTS:
    void ColorButton3Click() { preview(); }  // プレビュー
};
