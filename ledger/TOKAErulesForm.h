#pragma once
// お返しの目安: the return rule of each purpose category, as a table the user edits: whether a
// return is customary, the budget as a percentage of the amount received (from / to), and the
// due date as days or months after the receipt. Stored in the data directory (Henrei.dbf), so
// the rules move with the data and its backup.

#include "ledger/returns.h"
#include "ui_TOKAErulesForm.h"

#include <QDialog>

class TOKAErulesForm : public QDialog, public Ui::TOKAErulesForm {
    Q_OBJECT
public:
    explicit TOKAErulesForm(QWidget* parent = nullptr);
    ~TOKAErulesForm() override;

    // The rules as the table shows them; nullopt (after a notice) when a cell holds no number
    // in range.
    std::optional<mz::ledger::returns::Rules> rulesShown();

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 登録
    void ColorButton2Click();  // 取消
    void ColorButton3Click();  // 初期値に戻す

private:
    void showRules(const mz::ledger::returns::Rules& rules);
};
