#pragma once
// Correction of family members' names: the user clicks a member in the list, corrects the name
// in the box and 修正 writes it into the list's current record. Codes never change, and ledger
// entries keep the name they were given.

#include "ui_TKAZOeditForm.h"

#include <QDialog>

namespace mz::data {
class Cursor;
}
namespace mz::masters {
class RecordMoveWatch;
}
class TDataSource;

class TKAZOeditForm : public QDialog, public Ui::TKAZOeditForm {
    Q_OBJECT
public:
    explicit TKAZOeditForm(QWidget* parent = nullptr);
    ~TKAZOeditForm() override;

    mz::data::Cursor* Table1;
    TDataSource* DataSource1;

public Q_SLOTS:
    void FormCreate();
    void DBGrid1CellClick();
    void DBGrid1Enter();
    void Table1AfterScroll();
    void ColorButton1Click();
    void ColorButton2Click();

private:
    void showCurrent();
    bool currentCodeIsOne() const;

    mz::masters::RecordMoveWatch* watch_;
};
