#pragma once
// The return record of one income entry (mz::state().ReturnIncomeNo): whether a return is due,
// the due date, the status, the date sent, the item, the amount spent and a memo, with the entry
// and the suggested budget above them. An entry without a record starts from the defaults of
// its purpose category; 登録 stores the record, 取消 leaves it as it was.

#include "ledger/returns.h"
#include "ui_TOKAEeditForm.h"

#include <QDialog>

class TOKAEeditForm : public QDialog, public Ui::TOKAEeditForm {
    Q_OBJECT
public:
    explicit TOKAEeditForm(QWidget* parent = nullptr);
    ~TOKAEeditForm() override;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 登録
    void ColorButton2Click();  // 取消
    void ComboBox1Change();    // 送付済 fills an empty 送付日 with today

private:
    void styleControls();
    std::shared_ptr<mz::data::Table> table_;
    mz::ledger::returns::Record record_;
    bool loaded_ = false;  // the entry was found and its record shown
};
