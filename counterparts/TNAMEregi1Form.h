#pragma once
// Registration of new counterparts: each gets the first code of a fresh household block and is
// the household's representative. The window stays open with the next record prepared until
// the user leaves it; what is prepared and not registered is never stored.

#include "counterparts/personwindow.h"
#include "ui_TNAMEregi1Form.h"

class TDataSource;

class TNAMEregi1Form : public mz::counterparts::PersonWindow, public Ui::TNAMEregi1Form {
    Q_OBJECT
public:
    explicit TNAMEregi1Form(QWidget* parent = nullptr);
    ~TNAMEregi1Form() override;

    // The address book by code, every record; the new record is appended through it.
    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 登録
    void ColorButton2Click();  // 戻る

private:
    void prepareNext();
};
