#pragma once
// お返し管理: the income entries with their return records, filtered by status (by default the
// returns that are due and not yet sent), purpose, 収入日 and name, sorted by due date with the
// overdue ones marked, the suggested budget beside the amount received and the totals of the
// list. One entry's record is edited in TOKAEeditForm; several are marked 送付済 at once with
// one date; the list prints as a list for sending; the rules per purpose category are changed
// in TOKAErulesForm.

#include "ledger/returns.h"
#include "ui_TOKAEshiForm.h"

#include <QDialog>

#include <vector>

class TOKAEshiForm : public QDialog, public Ui::TOKAEshiForm {
    Q_OBJECT
public:
    explicit TOKAEshiForm(QWidget* parent = nullptr);
    ~TOKAEshiForm() override;

    // What the grid shows, in its order.
    const std::vector<mz::ledger::returns::Row>& rows() const { return rows_; }
    // The 収入番号 of the rows selected in the grid, in the grid's order.
    std::vector<qint32> selectedNumbers() const;
    // Selects the grid rows of these numbers (tests, and after a change).
    void selectNumbers(const std::vector<qint32>& numbers);

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 印刷
    void ColorButton2Click();  // 戻る
    void ColorButton5Click();  // 表示
    void ColorButton6Click();  // 修正: the current row's record
    void ColorButton7Click();  // 送付済にする: the selected rows
    void ColorButton8Click();  // お返しの目安: the rules
    void Grid1DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RowsModel;
    void styleControls();
    // Reads the list again with the filter of the boxes; false (after a notice) when a date
    // box holds no date.
    bool showRows();

    std::vector<mz::ledger::returns::Row> rows_;
    RowsModel* model_ = nullptr;
};
