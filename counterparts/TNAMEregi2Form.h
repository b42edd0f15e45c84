#pragma once
// Registration of further family members of the household of the person picked in the
// selection window (CurrentNameCode): each gets the household's last code plus one. The list
// 登録済み家族 shows the household, each new member as soon as it is stored. A household holds
// at most 99 people; the window refuses a further member then.

#include "counterparts/personwindow.h"
#include "ui_TNAMEregi2Form.h"

class TDataSource;

class TNAMEregi2Form : public mz::counterparts::PersonWindow, public Ui::TNAMEregi2Form {
    Q_OBJECT
public:
    explicit TNAMEregi2Form(QWidget* parent = nullptr);
    ~TNAMEregi2Form() override;

    // The address book by code; the new member is appended through it.
    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    // The household, in stored order.
    mz::data::Cursor* Table2 = nullptr;
    TDataSource* DataSource2 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 登録
    void ColorButton2Click();  // 戻る

private:
    // Prepares the next member after the household's last one; false when the household is
    // full (or gone) and nothing was prepared.
    bool prepareNext();
};
