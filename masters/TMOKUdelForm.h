#pragma once
// Deletion of purposes: the user clicks a purpose in the list of a category and 削除 deletes the
// list's current record at once.

#include "ui_TMOKUdelForm.h"

#include <QDialog>

#include <memory>

namespace mz::data {
class Cursor;
}
namespace mz::masters {
class PurposePicker;
}
class TDataSource;

class TMOKUdelForm : public QDialog, public Ui::TMOKUdelForm {
    Q_OBJECT
public:
    explicit TMOKUdelForm(QWidget* parent = nullptr);
    ~TMOKUdelForm() override;

    mz::data::Cursor* Table1;
    TDataSource* DataSource1;

public Q_SLOTS:
    void FormCreate();
    void TabControl1Change();
    void DBGrid1CellClick();
    void DBGrid1Enter();
    void Table1AfterScroll();
    void ColorButton1Click();
    void ColorButton2Click();

private:
    std::unique_ptr<mz::masters::PurposePicker> picker_;
};
