#pragma once
// The income management window: the income ledger (Indata.DBF) by date, the search criteria
// (counterpart, purpose, family member, date range) and every other income window. Its
// behaviour is the one of both ledgers (ledgermanager.h), a double click on the grid viewing
// the entry included; the family criterion is its own.

#include "ledger/ledgermanager.h"
#include "ui_TINsrSrForm.h"

class TINsrSrForm : public mz::ledger::LedgerManagerForm, public Ui::TINsrSrForm {
    Q_OBJECT
public:
    explicit TINsrSrForm(QWidget* parent = nullptr);
    ~TINsrSrForm() override;

public Q_SLOTS:
    void CheckBox3Click() { checkBox3Click(); }
    void ComboBox1Exit() { comboBox1Exit(); }
    void ComboBox1Change() { comboBox1Change(); }
    void ColorButton12Click() { colorButton12Click(); }
    void DBGrid1DblClick() { gridDoubleClick(); }
};
