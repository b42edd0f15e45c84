#pragma once
// 受付: the reception desk of the event mz::state().CurrentEvent, taken by the keyboard. Type
// the reading or the name, pick the person (or Enter on 新しい相手先 for someone not in the
// book), the amount, the relation and a memo; Enter on the memo stores the guest and clears the
// form for the next one. The list beside shows the event's entries of every PC, newest first.

#include "reception/desk.h"
#include "ui_TUKEregiForm.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <optional>

class TUKEregiForm : public QDialog, public Ui::TUKEregiForm {
    Q_OBJECT
public:
    explicit TUKEregiForm(QWidget* parent = nullptr);
    ~TUKEregiForm() override;

    mz::reception::Desk& desk() { return *desk_; }
    // The entry being corrected (修正), if any.
    const std::optional<mz::reception::Entry>& editing() const { return editing_; }

public Q_SLOTS:
    void FormCreate();
    void Edit1Change();
    void Edit1Enter();
    void Edit8Change();
    void StoreGuest();
    void ColorButton1Click();  // 修正: the entry selected in the list into the form
    void ColorButton2Click();  // 削除
    void ColorButton3Click();  // 締め
    void ColorButton4Click();  // 戻る
    void Timer1Timer();        // takes in the other PCs' entries
    void ClearGuest();         // the empty form for the next guest, focus on the reading

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showEntries();
    void showPerson(const mz::reception::Person& p);
    void openNewPerson();
    void moveOn(QWidget* from);
    bool newPersonOpen() const;

    std::unique_ptr<mz::reception::Desk> desk_;
    std::vector<mz::reception::Person> matches_;
    std::optional<mz::reception::Person> picked_;
    std::optional<mz::reception::Entry> editing_;
    QTimer* Timer1;
};
