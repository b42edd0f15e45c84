#pragma once
// Correction of one person's fields, picked in the selection window (CurrentNameCode). The
// code and 世帯代表 never change here.

#include "counterparts/personwindow.h"
#include "ui_TNAMEeditForm.h"

class TDataSource;

class TNAMEeditForm : public mz::counterparts::PersonWindow, public Ui::TNAMEeditForm {
    Q_OBJECT
public:
    explicit TNAMEeditForm(QWidget* parent = nullptr);
    ~TNAMEeditForm() override;

    // The address book by code; the person's fields are bound to it.
    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    // The person's household, in stored order.
    mz::data::Cursor* Table2 = nullptr;
    TDataSource* DataSource2 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 修正
    void ColorButton2Click();  // 取消
};
