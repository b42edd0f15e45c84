#pragma once
// 締め: closing the reception desk of the event mz::state().CurrentEvent. The cash is counted by
// denomination and compared with the recorded total of every PC's entries; the event's 香典帳
// (芳名録) is printed or written as a CSV file for spreadsheets.

#include "reception/desk.h"
#include "reception/guestbook.h"
#include "ui_TUKEsimeForm.h"

#include <QDialog>

#include <memory>

class TUKEsimeForm : public QDialog, public Ui::TUKEsimeForm {
    Q_OBJECT
public:
    explicit TUKEsimeForm(QWidget* parent = nullptr);
    ~TUKEsimeForm() override;

    mz::reception::CashCount cash() const;
    mz::reception::Desk& desk() { return *desk_; }

public Q_SLOTS:
    void FormCreate();
    void CountChange();        // any count changed: the sums and the difference again
    void ColorButton1Click();  // 印刷
    void ColorButton2Click();  // CSV出力
    void ColorButton3Click();  // 戻る

private:
    std::unique_ptr<mz::reception::Desk> desk_;
};
