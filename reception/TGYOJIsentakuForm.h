#pragma once
// 受付モード: start the reception desk of a new event (行事) or resume one of the events kept in
// the data directory, under this PC's desk name; 締め closes a chosen event's desk.

#include "reception/desk.h"
#include "ui_TGYOJIsentakuForm.h"

#include <QDialog>

#include <vector>

class TGYOJIsentakuForm : public QDialog, public Ui::TGYOJIsentakuForm {
    Q_OBJECT
public:
    explicit TGYOJIsentakuForm(QWidget* parent = nullptr);

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 新しい行事で受付開始
    void ColorButton2Click();  // 受付を再開
    void ColorButton3Click();  // 締め
    void ColorButton4Click();  // 戻る

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showEvents();
    bool takeDeskName();
    const mz::reception::Event* selectedEvent() const;

    std::vector<mz::reception::Event> events_;
};
