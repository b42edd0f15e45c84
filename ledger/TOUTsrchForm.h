#pragma once
// The expenditure view window: the expenditure entry numbered ExpenseNo, read-only, with its
// printout.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TOUTsrchForm.h"

class TOUTsrchForm : public mz::ledger::LedgerEntryViewForm, public Ui::TOUTsrchForm {
    Q_OBJECT
public:
    explicit TOUTsrchForm(QWidget* parent = nullptr);
    ~TOUTsrchForm() override;

public Q_SLOTS:
    void ColorButton3Click() { preview(); }  // プレビュー
};
