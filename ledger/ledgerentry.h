#pragma once
// The behaviour of the windows that work on one ledger entry.
//
// LedgerEntryForm is the entry form: the registration windows TINregiForm / TOUTregiForm add
// new entries one after another, the edit windows TINeditForm / TOUTeditForm change the entry
// numbered IncomeNo / ExpenseNo with the same controls, picture buttons and Enter key.
// LedgerEntryViewForm is the read-only form of the view windows TINsrchForm / TOUTsrchForm
// (which print the entry) and the delete windows TINdelForm / TOUTdelForm.
//
// Income and expenditure differ only in what EntrySideInfo says; each twin keeps its own layout
// (.ui) and class name, sets it up and hands its side, its role and its controls to these
// classes. The controls come as typed pointers that the twin's constructor takes from its own
// generated members (EntryFormControls, EntryViewControls), so a control missing from a layout
// does not compile, and these classes never name a twin's generated Ui class. The family row
// (Label6, DBComboBox1 / DBEdit3, Table2) exists on the income side only.

#include "data/cursor.h"
#include "platform/sharedstate.h"

#include <QDialog>
#include <QString>

#include <memory>

class QLabel;
class QPushButton;
class TColorButton;
class TDataSource;
class TDateTimePicker;
class TDBComboBox;
class TDBEdit;
class TDBImage;
class TDBMemo;
class TQuickRep;

namespace mz::ledger {

namespace returns {
class NewEntryReturn;
}

// Everything in which the income and the expenditure entry windows differ.
struct EntrySideInfo {
    QString tableFile;             // the ledger table
    QString numberField;           // 収入番号 / 支出番号
    QString dateField;             // 収入日 / 支出日
    qint32 SharedState::*entryNo;  // IncomeNo / ExpenseNo
    bool hasFamily;                // 家族名 row, family list and its requirement
    QString registeredMessage;
    QString editedMessage;
    QString deletedMessage;
    // The open management window's ledger cursor, re-read after an edit or a delete; null when
    // no management window is open.
    mz::data::Cursor* (*managerTable)();
    // The single-entry printout's cursor and report; null when that printout does not exist.
    mz::data::Cursor* (*printoutTable)();
    TQuickRep* (*printoutReport)();
    // Income entries have a return record (ledger/returns.h), made with the entry and deleted
    // with it.
    bool hasReturns = false;
};

const EntrySideInfo& incomeEntrySide();
const EntrySideInfo& expenseEntrySide();

// Notices of the entry windows (shown padded).
inline const QString kMissingData = QStringLiteral("相手先等のデータが設定されていません。");
inline const QString kDeletePictureQuestion = QStringLiteral("現在表示の画像を削除しますか?");
inline const QString kDeletePictureTitle = QStringLiteral("確認メッセージ");
// The picture dialog shows bitmaps, JPEG and PNG photos together first, then each kind.
inline const QString kPictureFilter = QStringLiteral(
    "すべての画像 (*.bmp;*.jpg;*.jpeg;*.png)|*.bmp;*.jpg;*.jpeg;*.png|ビットマップ (*.bmp)|*.bmp|"
    "JPEG 画像 (*.jpg;*.jpeg)|*.jpg;*.jpeg|PNG 画像 (*.png)|*.png");

// The filter that selects the entry numbered `number`: "収入番号= 17".
QString entryFilter(const EntrySideInfo& side, qint32 number);

// The number the next registered entry gets: the number of the last record in stored order
// plus one, rounded to an integer; 1 on an empty ledger. Moves the cursor to that record.
qint32 nextEntryNumber(mz::data::Cursor& table, const QString& numberField);
// The same rule on the table itself: what a post decides under the table's lock, so that two
// processes registering at once never store the same number.
qint32 nextEntryNumber(const mz::data::Table& table, const QString& numberField);

// The controls of the entry form, under their given names. DBComboBox1 (家族名) is null on the
// expenditure side.
struct EntryFormControls {
    QLabel* Label11 = nullptr;   // heading
    TDBEdit* DBEdit2 = nullptr;  // entry number
    TDBEdit* DBEdit4 = nullptr;  // 氏名
    TDBEdit* DBEdit5 = nullptr;  // 目的
    TDBEdit* DBEdit7 = nullptr;  // 金額
    TDBComboBox* DBComboBox1 = nullptr;
    TDBMemo* DBMemo1 = nullptr;
    TDBImage* DBImage1 = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;
    QPushButton* BitBtnGazo = nullptr;
    QPushButton* BitBtnGazoDel = nullptr;
    TColorButton* ColorButton1 = nullptr;
    TColorButton* ColorButton2 = nullptr;
    TColorButton* ColorButton3 = nullptr;
    TColorButton* ColorButton4 = nullptr;
};

// The controls of the read-only form. DBEdit3 (家族名) is null on the expenditure side,
// ColorButton3 (プレビュー) in the delete windows.
struct EntryViewControls {
    QLabel* Label11 = nullptr;   // heading
    TDBEdit* DBEdit2 = nullptr;  // entry number
    TDBEdit* DBEdit1 = nullptr;  // date
    TDBEdit* DBEdit4 = nullptr;  // 氏名
    TDBEdit* DBEdit5 = nullptr;  // 目的
    TDBEdit* DBEdit3 = nullptr;  // 家族名
    TDBEdit* DBEdit7 = nullptr;  // 金額
    TDBMemo* DBMemo1 = nullptr;
    TDBImage* DBImage1 = nullptr;
    TColorButton* ColorButton1 = nullptr;
    TColorButton* ColorButton2 = nullptr;
    TColorButton* ColorButton3 = nullptr;
};

// The controls of a twin window, taken from its generated layout class by their given names, so
// that a missing or misnamed control is a compile error. A control that a window's layout does
// not hold (the family box on the expenditure side, the preview button of the delete windows)
// stays null.
template <class Form>
EntryFormControls entryFormControlsOf(Form& f) {
    EntryFormControls c{
        .Label11 = f.Label11,
        .DBEdit2 = f.DBEdit2,
        .DBEdit4 = f.DBEdit4,
        .DBEdit5 = f.DBEdit5,
        .DBEdit7 = f.DBEdit7,
        .DBComboBox1 = nullptr,
        .DBMemo1 = f.DBMemo1,
        .DBImage1 = f.DBImage1,
        .DateTimePicker1 = f.DateTimePicker1,
        .BitBtnGazo = f.BitBtnGazo,
        .BitBtnGazoDel = f.BitBtnGazoDel,
        .ColorButton1 = f.ColorButton1,
        .ColorButton2 = f.ColorButton2,
        .ColorButton3 = f.ColorButton3,
        .ColorButton4 = f.ColorButton4,
    };
    if constexpr (requires { f.DBComboBox1; }) c.DBComboBox1 = f.DBComboBox1;
    return c;
}

template <class Form>
EntryViewControls entryViewControlsOf(Form& f) {
    EntryViewControls c{
        .Label11 = f.Label11,
        .DBEdit2 = f.DBEdit2,
        .DBEdit1 = f.DBEdit1,
        .DBEdit4 = f.DBEdit4,
        .DBEdit5 = f.DBEdit5,
        .DBEdit3 = nullptr,
        .DBEdit7 = f.DBEdit7,
        .DBMemo1 = f.DBMemo1,
        .DBImage1 = f.DBImage1,
        .ColorButton1 = f.ColorButton1,
        .ColorButton2 = f.ColorButton2,
        .ColorButton3 = nullptr,
    };
    if constexpr (requires { f.DBEdit3; }) c.DBEdit3 = f.DBEdit3;
    if constexpr (requires { f.ColorButton3; }) c.ColorButton3 = f.ColorButton3;
    return c;
}

// The entry form of the registration and edit windows.
class LedgerEntryForm : public QDialog {
    Q_OBJECT
public:
    enum class Role { Register, Edit };

    ~LedgerEntryForm() override;

    const EntrySideInfo& sideInfo() const { return side_; }
    Role role() const { return role_; }

    // The ledger cursor bound to the controls; Table2 is the family table (income only).
    mz::data::Cursor* Table1 = nullptr;
    mz::data::Cursor* Table2 = nullptr;
    TDataSource* DataSource1 = nullptr;

    // The picture of the entry being shown: the file 画像設定 last loaded into it, and whether
    // 画像削除 has replaced it by the neutral picture. Both start afresh with each entry, so
    // a picture stored with an entry can always be removed in the edit window.
    QString PictureFile;
    bool PictureCleared = false;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();   // 登録 / 修正
    void ColorButton2Click();   // 戻る / 取消
    void ColorButton3Click();   // pick the counterpart
    void ColorButton4Click();   // pick the purpose
    void BitBtnGazoClick();     // 画像設定
    void BitBtnGazoDelClick();  // 画像削除

protected:
    LedgerEntryForm(const EntrySideInfo& side, Role role, QWidget* parent);

    // Called by the twin's constructor once its layout is set up, with its controls: styles
    // them, opens the tables (an error there goes on to the opener: no window), binds and
    // connects them and runs FormCreate.
    void initialise(const EntryFormControls& controls);

    // Leaving the name and purpose edits; the registration twins publish them as DBEdit4Exit
    // and DBEdit5Exit. The edit windows have no such handlers.
    void dbEdit4Exit();
    void dbEdit5Exit();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void styleControls();
    void connectHandlers();
    void startNewEntry();
    bool requiredDataPresent() const;

    const EntrySideInfo& side_;
    const Role role_;

    QLabel* heading_ = nullptr;
    TDBEdit* dbEdit2_ = nullptr;          // entry number
    TDBEdit* dbEdit4_ = nullptr;          // 氏名
    TDBEdit* dbEdit5_ = nullptr;          // 目的
    TDBEdit* dbEdit7_ = nullptr;          // 金額
    TDBComboBox* dbComboBox1_ = nullptr;  // 家族名 (income)
    TDBMemo* dbMemo1_ = nullptr;
    TDBImage* dbImage1_ = nullptr;
    TDateTimePicker* dateTimePicker1_ = nullptr;
    QPushButton* bitBtnGazo_ = nullptr;
    QPushButton* bitBtnGazoDel_ = nullptr;
    TColorButton* colorButton1_ = nullptr;
    TColorButton* colorButton2_ = nullptr;
    TColorButton* colorButton3_ = nullptr;
    TColorButton* colorButton4_ = nullptr;
    QObject* openPictureDialog1_ = nullptr;
    // The return record written with each new income entry; null on the expenditure side, and
    // when the data directory has no return table.
    std::unique_ptr<returns::NewEntryReturn> newReturn_;
};

// The read-only form of the view and delete windows.
class LedgerEntryViewForm : public QDialog {
    Q_OBJECT
public:
    enum class Role { View, Delete };

    ~LedgerEntryViewForm() override;

    const EntrySideInfo& sideInfo() const { return side_; }

    mz::data::Cursor* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void ColorButton1Click();  // 印刷 / 削除
    void ColorButton2Click();  // 戻る / 取消

protected:
    LedgerEntryViewForm(const EntrySideInfo& side, Role role, QWidget* parent);
    // As LedgerEntryForm::initialise.
    void initialise(const EntryViewControls& controls);

    // The view twins publish it as ColorButton3Click (プレビュー).
    void preview();

private:
    void styleControls();
    // Gives the single-entry printout this window's entry; null when there is no printout.
    TQuickRep* printoutForEntry();

    const EntrySideInfo& side_;
    const Role role_;
    EntryViewControls c_;
};

}  // namespace mz::ledger
