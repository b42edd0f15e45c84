#pragma once
// 相手先別の贈答: everything received from and given to one counterpart, or to everyone of a
// counterpart's household, in one list by date, with the totals per purpose category, the
// balance and the last gift each way; printed as a statement. The counterpart is picked in the
// selection window or typed. Nothing here writes to a table.

#include "ledger/balance.h"
#include "ui_TAITEbetuForm.h"

#include <QDialog>

#include <optional>

class TAITEbetuForm : public QDialog, public Ui::TAITEbetuForm {
    Q_OBJECT
public:
    explicit TAITEbetuForm(QWidget* parent = nullptr);
    ~TAITEbetuForm() override;

    // The address book and the two ledgers, opened with the window.
    mz::data::Cursor* Table1 = nullptr;  // Aitesaki.DBF
    mz::data::Cursor* Table2 = nullptr;  // Indata.DBF
    mz::data::Cursor* Table3 = nullptr;  // Outdata.DBF

    // What the window shows: empty until the first 表示.
    const std::optional<mz::ledger::balance::Result>& result() const { return result_; }

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 印刷
    void ColorButton2Click();  // 戻る
    void ColorButton3Click();  // pick the counterpart
    void ColorButton5Click();  // 表示
    void RadioButton1Click();  // 本人
    void RadioButton2Click();  // 世帯

private:
    class EntriesModel;

    void styleControls();
    void showResult();
    mz::ledger::balance::Scope scope() const;

    mz::ledger::balance::PurposeCategories purposes_;
    std::optional<mz::ledger::balance::Result> result_;
    EntriesModel* entries_ = nullptr;  // Grid1's rows: the entries of result_, formatted as shown
};
