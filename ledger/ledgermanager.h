#pragma once
// The behaviour of the two ledger management windows, TINsrSrForm (income) and TOUTsrSrForm
// (expenditure). They are twins: the same criteria, grid, search and commands over another
// table. Everything in which they differ is one LedgerSideInfo below; each twin keeps its own
// layout (.ui) and class name and hands its side to this class.
//
// Each twin hands its controls over as typed pointers taken from its own generated members
// (LedgerManagerControls), so a control missing from a layout does not compile and this class
// never names a twin's generated Ui class. The controls that the expenditure side lacks
// (CheckBox3, ComboBox1, ColorButton12) are null there and their handlers do not exist on it.

#include "data/cursor.h"
#include "ledger/ledgerfilter.h"
#include "platform/sharedstate.h"
#include "widgets/dbgrid.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class TColorButton;
class TComboBox;
class TDataSource;
class TDBEdit;
class TMaskEdit;

namespace mz::ledger {

// The single-entry windows that a management window opens for the grid's current entry.
enum class EntryWindow { View, Edit, Delete };

// Opens a window modally with the management window as owner, and returns when it has been
// destroyed.
using OpenWindow = void (*)(QWidget* owner);

// Everything in which the income and the expenditure management windows differ.
struct LedgerSideInfo {
    LedgerSide side;
    QString tableFile;    // the ledger table
    QString numberField;  // entry number, handed on as IncomeNo / ExpenseNo
    QString dateField;    // the order of the grid and the date criterion
    qint32 SharedState::*entryNo;
    bool hasFamily;                  // CheckBox3, ComboBox1, ColorButton12 and the family table
    bool purposePickFocusesFamily;   // after the purpose selection the focus goes to ComboBox1
    EntryWindow colorButton1Role;    // 個別表示 or 修正
    EntryWindow colorButton8Role;    // the other one
    bool gridDoubleClickViews;       // a double click on the grid does what 個別表示 does
    const char* searchButtonFamily;  // font family of 検索開始
    std::vector<TColumn> columns;    // result grid
    // The cursor of the side's list printout (MasterTable of TRepIn1Form / TRepOut1Form), or
    // null when that printout has not been created.
    mz::data::Cursor* (*listPrintoutTable)();
    OpenWindow previewListPrintout;  // the list printout's preview
    OpenWindow openRegistration;     // TINregiForm / TOUTregiForm
    OpenWindow openView;             // TINsrchForm / TOUTsrchForm
    OpenWindow openEdit;             // TINeditForm / TOUTeditForm
    OpenWindow openDelete;           // TINdelForm / TOUTdelForm
};

const LedgerSideInfo& incomeSide();
const LedgerSideInfo& expenseSide();

// Notices of the management windows.
inline const QString kNothingSelected = QStringLiteral("データが選択されていません。");
inline const QString kNothingSearched = QStringLiteral("データが検索されていません。");
inline const QString kNoCriteria = QStringLiteral("検索条件を設定してください。");
inline const QString kNoMatch = QStringLiteral("検索条件に合うデータがありません。");

// A whole number held in a number field as the 32-bit integer the windows hand on: rounded,
// and clamped to the range of the integer (an empty or non-finite value gives 0).
qint32 toInt32(double value);

// The controls of a management window, under their given names. CheckBox3, ComboBox1 and
// ColorButton12 (the family criterion and 家族追加) are null on the expenditure side.
struct LedgerManagerControls {
    QLabel* Label11 = nullptr;  // heading
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    TDBEdit* Edit1 = nullptr;
    TDBEdit* Edit2 = nullptr;
    TComboBox* ComboBox1 = nullptr;
    TMaskEdit* MaskEditDate1 = nullptr;
    TMaskEdit* MaskEditDate2 = nullptr;
    QLabel* Label1 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    QLabel* LabelTotals = nullptr;  // count and sum of the entries found, under the grid
    // ColorButton1 .. ColorButton12 at their numbers; index 0 is unused.
    std::array<TColorButton*, 13> ColorButtons{};
};

class LedgerManagerForm : public QDialog {
    Q_OBJECT
public:
    ~LedgerManagerForm() override;

    const LedgerSideInfo& sideInfo() const { return side_; }

    // The ledger cursor (Table1): its filter text is the window's search state. The entry
    // edit and delete windows re-read it after a change. Table2 is the family table (income
    // only, null on the expenditure side).
    mz::data::Cursor* Table1 = nullptr;
    mz::data::Cursor* Table2 = nullptr;
    TDataSource* DataSource1 = nullptr;

public Q_SLOTS:
    void FormCreate();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox4Click();
    void Edit1Exit();
    void Edit2Exit();
    void MaskEditDate1Exit();
    void MaskEditDate2Exit();
    void ColorButton1Click();   // the side's colorButton1Role
    void ColorButton2Click();   // 戻る
    void ColorButton3Click();   // pick the counterpart criterion
    void ColorButton4Click();   // pick the purpose criterion
    void ColorButton5Click();   // 検索開始
    void ColorButton6Click();   // 検索結果一覧
    void ColorButton7Click();   // 新規登録
    void ColorButton8Click();   // the side's colorButton8Role
    void ColorButton9Click();   // 削除
    void ColorButton10Click();  // 相手先追加
    void ColorButton11Click();  // 目的追加
    void CsvExportClick();      // the entries found to a CSV file (grid context menu, Ctrl+E)

protected:
    LedgerManagerForm(const LedgerSideInfo& side, QWidget* parent);

    // Called by the twin's constructor once its layout is set up, with its controls: styles
    // them, opens the tables (an error there goes on to the opener: no window), connects the
    // handlers and runs FormCreate.
    void initialise(const LedgerManagerControls& controls);

    // Income only; the income twin publishes them under their names.
    void checkBox3Click();
    void comboBox1Exit();
    void comboBox1Change();
    void colorButton12Click();
    // The grid's double click: views the entry, as 個別表示 does.
    void gridDoubleClick();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void styleControls();
    void connectHandlers();
    void openEntryWindow(EntryWindow which);
    // Hides the window while `open` runs and shows it again afterwards.
    void openHidden(OpenWindow opener);
    bool resultIsEmpty() const;
    void leaveDate(TMaskEdit* edit, TMaskEdit* other);
    QWidget* receivingControl() const;
    void exitLater(void (LedgerManagerForm::*handler)());

    const LedgerSideInfo& side_;

    QLabel* heading_ = nullptr;
    QCheckBox* checkBox1_ = nullptr;
    QCheckBox* checkBox2_ = nullptr;
    QCheckBox* checkBox3_ = nullptr;
    QCheckBox* checkBox4_ = nullptr;
    TDBEdit* edit1_ = nullptr;
    TDBEdit* edit2_ = nullptr;
    TComboBox* comboBox1_ = nullptr;
    TMaskEdit* maskEditDate1_ = nullptr;
    TMaskEdit* maskEditDate2_ = nullptr;
    QLabel* label1_ = nullptr;
    TDBGrid* dbGrid1_ = nullptr;
    std::array<TColorButton*, 13> buttons_{};  // ColorButton1 .. ColorButton12 at their numbers
};

}  // namespace mz::ledger
