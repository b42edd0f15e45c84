#pragma once
// Deletion of one person, picked in the selection window (CurrentNameCode), shown read-only.
// Only that record goes: family members stay in their household block. After the delete the
// selection window's list is re-read so that the person leaves it at once.

#include "counterparts/personwindow.h"
#include "ui_TNAMEdelForm.h"

class TDataSource;

class TNAMEdelForm : public mz::counterparts::PersonWindow, public Ui::TNAMEdelForm {
    Q_OBJECT
public:
    explicit TNAMEdelForm(QWidget* parent = nullptr);
    ~TNAMEdelForm() override;

    // The address book by code; the person's fields are bound to it.
    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    // The person's household, in stored order.
    mz::data::Cursor* Table2 = nullptr;
    TDataSource* DataSource2 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 削除
    void ColorButton2Click();  // 取消
};
