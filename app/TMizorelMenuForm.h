#pragma once
// The main window: the menu bar, the background picture and the three large buttons from which
// every other window of the program is opened.

#include "ui_TMizorelMenuForm.h"

#include <QMainWindow>

class TMizorelMenuForm : public QMainWindow, public Ui::TMizorelMenuForm {
    Q_OBJECT
public:
    explicit TMizorelMenuForm(QWidget* parent = nullptr);
    ~TMizorelMenuForm() override;

    // Where a button's top goes for a client area of the given height: its centre keeps the
    // fraction of the height it has in the 527-pixel design.
    static int anchoredTop(int designTop, int height, int clientHeight);

public Q_SLOTS:
    void FormCreate();
    void S2Click();
    void ColorButton1Click();
    void N11Click();
    void ColorButton2Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N5Click();
    void N9Click();
    void R4Click();
    void E4Click();
    void D3Click();
    void P2Click();
    void R3Click();
    void E3Click();
    void P1Click();
    void N12Click();      // 相手先別の贈答
    void Return1Click();  // お返し管理
    void Uketsuke1Click();  // 受付モード: the reception desk of an event
    // The quiet line at the foot of the window: how many returns are overdue and the oldest;
    // hidden when none is. A click on it opens お返し管理. It is first worked out just after the
    // window has been painted, so that a large ledger does not keep the window from appearing;
    // reminderChecked() tells whether that has happened.
    void updateReturnReminder();
    bool reminderChecked() const { return reminderChecked_; }
    void B1Click();
    void CsvOut1Click();  // CSV書き出し: whole tables
    void CsvIn1Click();   // CSV取り込み
    void M1Click();
    void V1Click();
    void Q1Click();
    void ColorButton3Click();
    void Image2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void reanchorButtons();
    bool sized_ = false;
    bool reminderScheduled_ = false;
    bool reminderChecked_ = false;
};
