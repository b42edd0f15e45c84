#pragma once
// Correction of purposes: the user clicks a purpose in the list of a category, corrects its name
// or category in the boxes and 修正 writes them into the list's current record.

#include "ui_TMOKUeditForm.h"

#include <QDialog>

#include <memory>

namespace mz::data {
class Cursor;
}
namespace mz::masters {
class PurposePicker;
}
class TDataSource;

class TMOKUeditForm : public QDialog, public Ui::TMOKUeditForm {
    Q_OBJECT
public:
    explicit TMOKUeditForm(QWidget* parent = nullptr);
    ~TMOKUeditForm() override;

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
