#pragma once
// Registration of purposes. The window offers the code of the next purpose (the last code in
// the table plus one, read once when the window opens), takes a name and a category, and lists
// the purposes of the category of the selected tab.

#include "ui_TMOKUregiForm.h"

#include <QDialog>

namespace mz::data {
class Cursor;
}
class TDataSource;

class TMOKUregiForm : public QDialog, public Ui::TMOKUregiForm {
    Q_OBJECT
public:
    explicit TMOKUregiForm(QWidget* parent = nullptr);
    ~TMOKUregiForm() override;

    mz::data::Cursor* Table1;
    TDataSource* DataSource1;

    // The code the next purpose registered in this window gets.
    double NextPurposeCode = 1;

public Q_SLOTS:
    void FormCreate();
    void FormActivate();
    void TabControl1Change();
    void ColorButton1Click();
    void ColorButton2Click();

protected:
    bool event(QEvent* event) override;
};
