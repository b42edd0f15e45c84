#pragma once
// The income registration window: new entries of the income ledger (Indata.DBF), one after
// another, numbered from the last one.
// Its behaviour is the one of both ledgers (ledgerentry.h).

#include "ledger/ledgerentry.h"
#include "ui_TINregiForm.h"

class TINregiForm : public mz::ledger::LedgerEntryForm, public Ui::TINregiForm {
    Q_OBJECT
public:
    explicit TINregiForm(QWidget* parent = nullptr);
    ~TINregiForm() override;

public Q_SLOTS:
    void DBEdit4Exit() { dbEdit4Exit(); }
    void DBEdit5Exit() { dbEdit5Exit(); }
};
