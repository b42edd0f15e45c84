#pragma once
// The expenditure management window: the expenditure ledger (Outdata.DBF) by date, the search
// criteria (counterpart, purpose, date range) and every other expenditure window. Its
// behaviour is the one of both ledgers (ledgermanager.h); it has no family criterion, and a
// double click on the grid views the entry.

#include "ledger/ledgermanager.h"
#include "ui_TOUTsrSrForm.h"

class TOUTsrSrForm : public mz::ledger::LedgerManagerForm, public Ui::TOUTsrSrForm {
    Q_OBJECT
public:
    explicit TOUTsrSrForm(QWidget* parent = nullptr);
    ~TOUTsrSrForm() override;

public Q_SLOTS:
    void DBGrid1DblClick() { gridDoubleClick(); }
};
