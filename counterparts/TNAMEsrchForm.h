#pragma once
// Looking up people: opens read-only on the person picked in the selection window and browses
// the whole address book in code order from there. CurrentNameCode follows the person shown, and
// 印刷 / プレビュー run the one-counterpart printout for that person.

#include "counterparts/personwindow.h"
#include "ui_TNAMEsrchForm.h"
#include "widgets/dbnavigator.h"

class TDataSource;

class TNAMEsrchForm : public mz::counterparts::PersonWindow, public Ui::TNAMEsrchForm {
    Q_OBJECT
public:
    explicit TNAMEsrchForm(QWidget* parent = nullptr);
    ~TNAMEsrchForm() override;

    // The address book by code; the person's fields are bound to it.
    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    // The person's household, in stored order.
    mz::data::Cursor* Table2 = nullptr;
    TDataSource* DataSource2 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void DBNavigator1Click(TDBNavigator::NavigateBtn Button);
    void ColorButton1Click();  // 印刷
    void ColorButton2Click();  // 戻る
    void ColorButton3Click();  // プレビュー
};
