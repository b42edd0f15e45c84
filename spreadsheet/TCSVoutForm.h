#pragma once
// CSV書き出し: a whole table, or the rows a ledger management window shows, into a CSV file that
// spreadsheet programs open.

#include "ui_TCSVoutForm.h"

#include "data/types.h"

#include <QDialog>

#include <vector>

class TCSVoutForm : public QDialog, public Ui::TCSVoutForm {
    Q_OBJECT
public:
    explicit TCSVoutForm(QWidget* parent = nullptr);

    // The tables offered, in the order of the list.
    const std::vector<const mz::data::TableDef*>& tables() const { return tables_; }

public Q_SLOTS:
    void FormCreate();
    void BitBtn1Click();  // 書き出し
    void BitBtn2Click();  // 閉じる

private:
    bool rowsMode() const;
    std::vector<const mz::data::TableDef*> tables_;
};
