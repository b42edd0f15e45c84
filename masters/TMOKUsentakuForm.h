#pragma once
// Selection of a purpose for a ledger window. The opener sets PurposeSelectMode
// (platform/modes.h): in kPurposeEntry the picked purpose's name goes to EntryPurpose, in
// kPurposeCriterion to SelectedPurpose; then the window closes. Leaving without a pick writes
// nothing.

#include "ui_TMOKUsentakuForm.h"

#include <QDialog>

namespace mz::data {
class Cursor;
}
class TDataSource;

class TMOKUsentakuForm : public QDialog, public Ui::TMOKUsentakuForm {
    Q_OBJECT
public:
    explicit TMOKUsentakuForm(QWidget* parent = nullptr);
    ~TMOKUsentakuForm() override;

    mz::data::Cursor* Table1;
    TDataSource* DataSource1;

public Q_SLOTS:
    void FormCreate();
    void TabControl1Change();
    void ColorButton1Click();
    void DBGrid1DblClick();
    void ColorButton2Click();
};
