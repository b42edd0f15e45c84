#pragma once
// Registration of family members. While the window is open, Table1 holds one new record that is
// not stored yet: its code is the last code in the table plus one, its name is what the user
// types. 登録 stores it and starts the next one; leaving the window drops it.

#include "ui_TKAZOregiForm.h"

#include <QDialog>

namespace mz::data {
class Cursor;
}
class TDataSource;

class TKAZOregiForm : public QDialog, public Ui::TKAZOregiForm {
    Q_OBJECT
public:
    explicit TKAZOregiForm(QWidget* parent = nullptr);
    ~TKAZOregiForm() override;

    mz::data::Cursor* Table1;  // the new record
    TDataSource* DataSource1;
    mz::data::Cursor* Table2;  // the list
    TDataSource* DataSource2;

    // The code of the family member being entered.
    double NextFamilyCode = 1;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();
    void ColorButton2Click();

private:
    void takeCodeFromLastRecord();
    void startNewRecord();
};
