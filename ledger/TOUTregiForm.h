#pragma once
// The expenditure registration window: new entries of the expenditure ledger (Outdata.DBF), one
// after another, numbered from the last one.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TOUTregiForm.h"

class TOUTregiForm : public mz::ledger::LedgerEntryForm, public Ui::TOUTregiForm {
    Q_OBJECT
public:
    explicit TOUTregiForm(QWidget* parent = nullptr);
    ~TOUTregiForm() override;

public Q_SLOTS:
    void DBEdit4Exit() { dbEdit4Exit(); }
    void DBEdit5Exit() { dbEdit5Exit(); }
};
