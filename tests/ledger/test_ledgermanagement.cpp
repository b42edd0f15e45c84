// The ledger management windows as the user meets them: the layout of both twins, the grid on
// an empty and a filled ledger, the check boxes following the criteria, the date fields'
// validation, the counterpart selection filling the criterion, the search with its messages,
// the list printout's filter and the entry commands handing on the entry number.
#include "counterparts/TNAMEkubunForm.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "data/cursor.h"
#include "ledger/TINdelForm.h"
#include "ledger/TINeditForm.h"
#include "ledger/TINregiForm.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TINsrchForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "ledger/TOUTsrchForm.h"
#include "ledger/ledgerfilter.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"
#include "records.h"
#include "testdata.h"
#include "ui_TINsrSrForm.h"
#include "ui_TNAMEsentakuForm.h"
#include "ui_TOUTsrSrForm.h"
#include "widgets/colorbutton.h"
#include "widgets/dbgrid.h"
#include "widgets/maskedit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTest>

#include "masters/TKAZOregiForm.h"
#include "masters/TMOKUregiForm.h"
#include "masters/TMOKUsentakuForm.h"
#include "report/TReportPreview.h"
#include "spreadsheet/TCSVoutForm.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;
using mz::data::Cursor;
using mz::data::EngineError;

namespace {

const QString kBlankDate = u"    /  /  "_s;
const QString kNothingSelected = u"  データが選択されていません。  "_s;
const QString kNothingSearched = u"  データが検索されていません。  "_s;
const QString kNoCriteria = u"  検索条件を設定してください。  "_s;
const QString kNoMatch = u"  検索条件に合うデータがありません。  "_s;

using Entry = mz::test::LedgerEntry;
using mz::test::addEntries;
using mz::test::addFamily;
using mz::test::addPerson;




// The names the grid shows, top to bottom.
QStringList gridNames(const TDBGrid* grid) {
    QStringList names;
    for (int r = 0; r < grid->model()->rowCount(); ++r) names << grid->cellText(r, 0);
    return names;
}

QStringList gridColumn(const TDBGrid* grid, int column) {
    QStringList cells;
    for (int r = 0; r < grid->model()->rowCount(); ++r) cells << grid->cellText(r, column);
    return cells;
}

// Counts the window's hide and show events.
struct VisibilitySpy : QObject {
    int hides = 0;
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide) ++hides;
        if (e->type() == QEvent::Show) ++shows;
        return false;
    }
};

struct LedgerWindowTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    LedgerWindowTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
    }
    ~LedgerWindowTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

const std::vector<Entry> kIncomeEntries = {
    {1, QDate(2024, 5, 3), u"山田太郎"_s, u"結婚祝"_s, u"花子"_s, 30000},
    {2, QDate(2023, 1, 15), u"O'Hara"_s, u"出産祝"_s, u"一郎"_s, 5000},
    {3, QDate(2024, 5, 3), u"山田花子"_s, u"香典"_s, u"花子"_s, 10000},
    {4, QDate(2022, 12, 31), u"小山田"_s, u"結婚祝"_s, u"一郎"_s, 20000},
    {5, QDate(2024, 2, 29), u"Smith"_s, u"入学祝"_s, u"花子"_s, 3000},
};

}  // namespace

// --- layout ----------------------------------------------------------------------------------

TEST_F(LedgerWindowTest, IncomeWindowLayoutFontsAndTabOrder) {
    TINsrSrForm w;
    EXPECT_EQ(w.windowTitle(), u"Mizorel - 収入管理"_s);
    EXPECT_EQ(w.size(), QSize(547, 456));
    EXPECT_EQ(w.Label11->text(), u"収入管理"_s);
    EXPECT_EQ(w.Label11->pos(), QPoint(24, 16));
    EXPECT_TRUE(w.Label11->font().bold());
    EXPECT_EQ(w.Label11->font().pixelSize(), 16);
    EXPECT_EQ(w.Label11->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(w.Bevel1->geometry(), QRect(24, 38, 396, 120));
    EXPECT_EQ(w.Bevel2->geometry(), QRect(23, 168, 502, 273));
    EXPECT_EQ(w.Edit1->geometry(), QRect(105, 53, 102, 20));
    EXPECT_EQ(w.ComboBox1->geometry(), QRect(105, 101, 83, 20));
    EXPECT_EQ(w.MaskEditDate2->geometry(), QRect(207, 126, 67, 20));
    EXPECT_EQ(w.DBGrid1->geometry(), QRect(30, 175, 486, 208));
    EXPECT_EQ(w.CheckBox2->text(), u"目  的"_s);
    EXPECT_EQ(w.CheckBox4->text(), u"収入日"_s);
    EXPECT_EQ(w.ColorButton1->text(), u"個別表示"_s);
    EXPECT_EQ(w.ColorButton1->geometry(), QRect(30, 392, 100, 33));
    EXPECT_EQ(w.ColorButton1->color(), QColor(0xFF, 0xFF, 0x80));
    EXPECT_EQ(w.ColorButton2->text(), u"戻\u3000\u3000る"_s);
    EXPECT_EQ(w.ColorButton2->geometry(), QRect(441, 392, 75, 33));
    EXPECT_EQ(w.ColorButton5->geometry(), QRect(312, 53, 89, 86));
    EXPECT_TRUE(w.ColorButton5->font().bold());
    EXPECT_EQ(w.ColorButton5->font().pixelSize(), 15);
    EXPECT_EQ(w.ColorButton5->font().family(), u"ＭＳ Ｐゴシック"_s);
    EXPECT_EQ(w.ColorButton8->text(), u"修\u3000\u3000正"_s);
    EXPECT_EQ(w.ColorButton12->text(), u"家族追加"_s);
    EXPECT_EQ(w.ColorButton3->geometry(), QRect(208, 54, 32, 19));
    EXPECT_EQ(w.Edit1->font().family(), u"ＭＳ ゴシック"_s);
    EXPECT_EQ(w.ColorButton7->font().pixelSize(), 13);
    EXPECT_EQ(w.MaskEditDate1->maskedText(), kBlankDate);
    // Criteria take at most what their fields hold, in CP932 bytes.
    EXPECT_EQ(w.Edit1->maxBytes(), 16);
    EXPECT_EQ(w.Edit2->maxBytes(), 12);
    EXPECT_EQ(w.ComboBox1->maxBytes(), 10);

    // Tab order: the criteria, the check boxes, the grid, then the buttons by number.
    QStringList order;
    QWidget* x = w.Edit1;
    for (int i = 0; i < 22; ++i) {
        order << x->objectName();
        do x = x->nextInFocusChain();
        while (x->objectName().isEmpty() || !(x->focusPolicy() & Qt::TabFocus) ||
               x->parentWidget() != &w);
    }
    EXPECT_EQ(
        order,
        (QStringList{u"Edit1"_s,         u"Edit2"_s,        u"ComboBox1"_s,    u"MaskEditDate1"_s,
                     u"MaskEditDate2"_s, u"CheckBox1"_s,    u"CheckBox2"_s,    u"CheckBox3"_s,
                     u"CheckBox4"_s,     u"DBGrid1"_s,      u"ColorButton1"_s, u"ColorButton2"_s,
                     u"ColorButton3"_s,  u"ColorButton4"_s, u"ColorButton5"_s, u"ColorButton6"_s,
                     u"ColorButton7"_s,  u"ColorButton8"_s, u"ColorButton9"_s, u"ColorButton10"_s,
                     u"ColorButton11"_s, u"ColorButton12"_s}));
    // The grid's columns.
    QStringList titles;
    for (const TColumn& c : w.DBGrid1->columns()) titles << c.title;
    EXPECT_EQ(titles, (QStringList{u"氏  名"_s, u"収入日"_s, u"目  的"_s, u"家族名"_s, u"金  額"_s,
                                   u"物品／備考"_s}));
    EXPECT_EQ(w.DBGrid1->columnWidth(1), 65);
    EXPECT_EQ(w.DBGrid1->columnWidth(4), 78);
    // The non-visual parts answer to their names.
    EXPECT_EQ(w.findChild<Cursor*>(u"Table1"_s), w.Table1);
    EXPECT_NE(w.findChild<Cursor*>(u"Table2"_s), nullptr);
    EXPECT_NE(w.findChild<QObject*>(u"DataSource1"_s), nullptr);
}

TEST_F(LedgerWindowTest, ExpenditureWindowDiffersOnlyAsItsSideSays) {
    TOUTsrSrForm w;
    EXPECT_EQ(w.windowTitle(), u"Mizorel - 支出管理"_s);
    EXPECT_EQ(w.size(), QSize(544, 456));
    EXPECT_EQ(w.Label11->text(), u"支出管理"_s);
    // No family criterion at all.
    EXPECT_EQ(w.findChild<QWidget*>(u"CheckBox3"_s), nullptr);
    EXPECT_EQ(w.findChild<QWidget*>(u"ComboBox1"_s), nullptr);
    EXPECT_EQ(w.findChild<QWidget*>(u"ColorButton12"_s), nullptr);
    EXPECT_EQ(w.findChild<QObject*>(u"Table2"_s), nullptr);
    EXPECT_EQ(w.metaObject()->indexOfSlot("ColorButton12Click()"), -1);
    EXPECT_EQ(w.metaObject()->indexOfSlot("ComboBox1Change()"), -1);
    EXPECT_NE(w.metaObject()->indexOfSlot("DBGrid1DblClick()"), -1);
    EXPECT_EQ(w.CheckBox4->text(), u"支出日"_s);
    EXPECT_EQ(w.CheckBox1->pos(), QPoint(40, 58));
    EXPECT_EQ(w.CheckBox4->pos(), QPoint(40, 122));
    EXPECT_EQ(w.Edit2->pos(), QPoint(111, 87));
    EXPECT_EQ(w.MaskEditDate2->pos(), QPoint(213, 119));
    EXPECT_EQ(w.Label1->pos(), QPoint(191, 123));
    EXPECT_EQ(w.ColorButton3->geometry(), QRect(214, 55, 32, 20));
    EXPECT_EQ(w.ColorButton4->geometry(), QRect(193, 87, 32, 20));
    EXPECT_EQ(w.ColorButton2->pos(), QPoint(439, 392));
    // 個別表示 and 修正 trade places.
    EXPECT_EQ(w.ColorButton8->text(), u"個別表示"_s);
    EXPECT_EQ(w.ColorButton8->geometry(), QRect(30, 392, 100, 33));
    EXPECT_EQ(w.ColorButton8->color(), QColor(0xFF, 0xFF, 0x80));
    EXPECT_EQ(w.ColorButton1->text(), u"修\u3000\u3000正"_s);
    EXPECT_EQ(w.ColorButton1->geometry(), QRect(260, 392, 75, 33));
    EXPECT_EQ(w.ColorButton1->color(), QColor(0x80, 0xFF, 0xFF));
    EXPECT_EQ(w.ColorButton5->font().family(), u"ＭＳ ゴシック"_s);
    EXPECT_TRUE(w.ColorButton5->font().bold());

    QStringList order;
    QWidget* x = w.Edit1;
    for (int i = 0; i < 8; ++i) {
        order << x->objectName();
        do x = x->nextInFocusChain();
        while (x->objectName().isEmpty() || !(x->focusPolicy() & Qt::TabFocus) ||
               x->parentWidget() != &w);
    }
    EXPECT_EQ(order, (QStringList{u"Edit1"_s, u"Edit2"_s, u"MaskEditDate1"_s, u"MaskEditDate2"_s,
                                  u"CheckBox1"_s, u"CheckBox2"_s, u"CheckBox4"_s, u"DBGrid1"_s}));

    QList<int> widths;
    for (int c = 0; c < 5; ++c) widths << w.DBGrid1->columnWidth(c);
    EXPECT_EQ(widths, (QList<int>{112, 73, 89, 85, 89}));
    EXPECT_EQ(w.DBGrid1->column(4).alignment & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

// --- opening -----------------------------------------------------------------------------

TEST_F(LedgerWindowTest, EmptyLedgerAnswersEveryEntryCommandWithItsMessage) {
    mz::platform::Recorder rec;
    {
        TINsrSrForm w;
        EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
        w.ColorButton1Click();
        w.ColorButton8Click();
        w.ColorButton9Click();
        w.ColorButton6Click();
        EXPECT_EQ(rec.notices(), (QStringList{kNothingSelected, kNothingSelected, kNothingSelected,
                                              kNothingSearched}));
    }
    rec.clearDialogs();
    {
        TOUTsrSrForm w;
        w.ColorButton8Click();
        w.DBGrid1DblClick();
        w.ColorButton1Click();
        w.ColorButton9Click();
        w.ColorButton6Click();
        EXPECT_EQ(rec.notices(), (QStringList{kNothingSelected, kNothingSelected, kNothingSelected,
                                              kNothingSelected, kNothingSearched}));
    }
    EXPECT_EQ(mz::state().IncomeNo, 0);
    EXPECT_EQ(mz::state().ExpenseNo, 0);
}

TEST_F(LedgerWindowTest, OpensOnEveryEntryByAscendingDateWithEmptyCriteria) {
    addEntries(u"Indata.DBF"_s, kIncomeEntries);
    addEntries(u"Outdata.DBF"_s, kIncomeEntries);
    addFamily(1, u"一郎"_s);
    addFamily(2, u"花子"_s);
    mz::state().SelectedName = u"前の選択"_s;
    mz::state().SelectedPurpose = u"前の目的"_s;

    TINsrSrForm in;
    EXPECT_TRUE(mz::state().SelectedName.isEmpty());
    EXPECT_TRUE(mz::state().SelectedPurpose.isEmpty());
    EXPECT_TRUE(in.Table1->filtered());
    EXPECT_TRUE(in.Table1->filter().isEmpty());
    const QStringList dates{u"2022/12/31"_s, u"2023/01/15"_s, u"2024/02/29"_s, u"2024/05/03"_s,
                            u"2024/05/03"_s};
    EXPECT_EQ(gridColumn(in.DBGrid1, 1), dates);
    EXPECT_EQ(in.DBGrid1->cellText(0, 4), u"￥20,000"_s);
    // The family list in stored order; the box's text stays empty.
    ASSERT_EQ(in.ComboBox1->count(), 2);
    EXPECT_EQ(in.ComboBox1->itemText(0), u"一郎"_s);
    EXPECT_EQ(in.ComboBox1->itemText(1), u"花子"_s);
    EXPECT_TRUE(in.ComboBox1->text().isEmpty());
    for (QCheckBox* c : {in.CheckBox1, in.CheckBox2, in.CheckBox3, in.CheckBox4})
        EXPECT_FALSE(c->isChecked()) << c->objectName().toStdString();
    EXPECT_TRUE(in.Edit1->text().isEmpty());
    EXPECT_EQ(in.MaskEditDate1->maskedText(), kBlankDate);
    EXPECT_EQ(in.MaskEditDate2->maskedText(), kBlankDate);
    EXPECT_EQ(in.focusWidget(), in.Edit1);

    TOUTsrSrForm out;
    EXPECT_EQ(gridColumn(out.DBGrid1, 1), dates);
}

// --- check boxes and leaving criteria -------------------------------------------------------

TEST_F(LedgerWindowTest, LeavingTheCounterpartForItsSelectButtonLeavesTheCheckBox) {
    TINsrSrForm w;
    mz::state().SelectedName = u"山田"_s;
    w.Edit1->setText(u"山田"_s);
    w.ColorButton3->setFocus();
    w.Edit1Exit();
    EXPECT_FALSE(w.CheckBox1->isChecked());
    EXPECT_TRUE(mz::state().SelectedName.isEmpty());

    // Leaving for any other control follows the text; blanks count as text.
    w.Edit2->setFocus();
    w.Edit1Exit();
    EXPECT_TRUE(w.CheckBox1->isChecked());
    w.Edit1->setText(u" "_s);
    w.Edit1Exit();
    EXPECT_TRUE(w.CheckBox1->isChecked());
    w.Edit1->setText(QString());
    w.Edit1Exit();
    EXPECT_FALSE(w.CheckBox1->isChecked());

    // The same for the purpose and its button.
    w.CheckBox2->setChecked(true);
    w.ColorButton4->setFocus();
    w.Edit2Exit();
    EXPECT_TRUE(w.CheckBox2->isChecked());
    w.Edit1->setFocus();
    w.Edit2Exit();
    EXPECT_FALSE(w.CheckBox2->isChecked());

    // The family box follows its text as it changes and when it is left.
    w.ComboBox1->setEditText(u"花子"_s);
    w.ComboBox1Change();
    EXPECT_TRUE(w.CheckBox3->isChecked());
    w.ComboBox1->setEditText(QString());
    w.ComboBox1Exit();
    EXPECT_FALSE(w.CheckBox3->isChecked());
}

TEST_F(LedgerWindowTest, ClearingACheckBoxClearsItsCriterionTickingDoesNothing) {
    TINsrSrForm w;
    w.Edit1->setText(u"山田"_s);
    w.Edit2->setText(u"香典"_s);
    w.ComboBox1->setEditText(u"花子"_s);
    w.MaskEditDate1->setMaskedText(u"2024/01/01"_s);
    w.MaskEditDate2->setMaskedText(u"2024/12/31"_s);
    for (QCheckBox* c : {w.CheckBox1, w.CheckBox2, w.CheckBox3, w.CheckBox4}) c->setChecked(true);
    EXPECT_EQ(w.Edit1->text(), u"山田"_s);
    EXPECT_EQ(w.MaskEditDate1->maskedText(), u"2024/01/01"_s);

    w.CheckBox4->setChecked(false);
    EXPECT_EQ(w.MaskEditDate1->maskedText(), kBlankDate);
    EXPECT_EQ(w.MaskEditDate2->maskedText(), kBlankDate);
    EXPECT_EQ(w.Edit1->text(), u"山田"_s);
    w.CheckBox1->setChecked(false);
    w.CheckBox2->setChecked(false);
    w.CheckBox3->setChecked(false);
    EXPECT_TRUE(w.Edit1->text().isEmpty());
    EXPECT_TRUE(w.Edit2->text().isEmpty());
    EXPECT_TRUE(w.ComboBox1->text().isEmpty());
}

TEST_F(LedgerWindowTest, AnImpossibleDateIsRejectedEmptiedAndTheFocusComesBack) {
    for (const bool ticked : {false, true}) {
        TINsrSrForm w;
        w.CheckBox4->setChecked(ticked);
        w.MaskEditDate1->setMaskedText(u"2024/13/40"_s);
        w.MaskEditDate2->setFocus();  // Tab
        try {
            w.MaskEditDate1Exit();
            ADD_FAILURE() << "no error";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.message(), u"'2024/13/40' は日付ではありません"_s);
        }
        EXPECT_EQ(w.MaskEditDate1->maskedText(), kBlankDate);
        EXPECT_EQ(w.focusWidget(), w.MaskEditDate1);
        EXPECT_EQ(w.CheckBox4->isChecked(), ticked);
    }

    // Through the error display, as the running program shows it; the second date the same.
    mz::platform::Recorder rec;
    TOUTsrSrForm w;
    w.MaskEditDate2->setMaskedText(u"2023/02/29"_s);
    w.DBGrid1->setFocus();
    mz::platform::guarded(static_cast<mz::ledger::LedgerManagerForm*>(&w),
                          &mz::ledger::LedgerManagerForm::MaskEditDate2Exit)();
    EXPECT_EQ(rec.errors(), QStringList{u"'2023/02/29' は日付ではありません."_s});
    EXPECT_EQ(w.MaskEditDate2->maskedText(), kBlankDate);
    EXPECT_EQ(w.focusWidget(), w.MaskEditDate2);
    EXPECT_FALSE(w.CheckBox4->isChecked());
}

TEST_F(LedgerWindowTest, TypingADateAndPressingTabRunsTheExitHandler) {
    // The whole way from the keyboard: the handler runs once the focus has moved on, and its
    // error reaches the error display.
    mz::platform::Recorder rec;
    TINsrSrForm w;
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.MaskEditDate1->setFocus();
    w.MaskEditDate1->setCursorPosition(0);
    QTest::keyClicks(w.MaskEditDate1, u"20241340"_s);
    EXPECT_EQ(w.MaskEditDate1->maskedText(), u"2024/13/40"_s);
    QTest::keyClick(w.MaskEditDate1, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(rec.errors(), QStringList{u"'2024/13/40' は日付ではありません."_s});
    EXPECT_EQ(w.MaskEditDate1->maskedText(), kBlankDate);
    EXPECT_EQ(QApplication::focusWidget(), w.MaskEditDate1);
    EXPECT_FALSE(w.CheckBox4->isChecked());

    // A good date: Tab ticks the check box.
    w.MaskEditDate1->setCursorPosition(0);
    QTest::keyClicks(w.MaskEditDate1, u"20240229"_s);
    QTest::keyClick(w.MaskEditDate1, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_TRUE(w.CheckBox4->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), w.MaskEditDate2);

    // Typing a name and leaving the box ticks its check box.
    w.Edit1->setFocus();
    QTest::keyClicks(w.Edit1, u"abc"_s);
    QTest::keyClick(w.Edit1, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_TRUE(w.CheckBox1->isChecked());
    EXPECT_EQ(rec.errors().size(), 1);
    w.close();
}

TEST_F(LedgerWindowTest, LeavingDatesTicksAndClearsTheDateCheckBox) {
    TINsrSrForm w;
    // A valid date ticks the box, unless the focus goes to the box itself.
    w.MaskEditDate1->setMaskedText(u"2024/02/29"_s);
    w.CheckBox4->setFocus();
    w.MaskEditDate1Exit();
    EXPECT_FALSE(w.CheckBox4->isChecked());
    w.MaskEditDate2->setFocus();
    w.MaskEditDate1Exit();
    EXPECT_TRUE(w.CheckBox4->isChecked());
    EXPECT_EQ(w.MaskEditDate1->maskedText(), u"2024/02/29"_s);  // validated, kept as typed

    // Both empty: leaving the second for the first keeps the box ...
    w.MaskEditDate1->setMaskedText(kBlankDate);
    w.MaskEditDate1->setFocus();
    w.MaskEditDate2Exit();
    EXPECT_TRUE(w.CheckBox4->isChecked());
    // ... leaving it for another control clears it.
    w.Edit1->setFocus();
    w.MaskEditDate2Exit();
    EXPECT_FALSE(w.CheckBox4->isChecked());

    // One date still filled: leaving the empty one changes nothing.
    w.CheckBox4->setChecked(true);
    w.MaskEditDate2->setMaskedText(u"2024/03/01"_s);
    w.Edit1->setFocus();
    w.MaskEditDate1Exit();
    EXPECT_TRUE(w.CheckBox4->isChecked());
    EXPECT_EQ(w.MaskEditDate2->maskedText(), u"2024/03/01"_s);
}

// --- picking the counterpart ------------------------------------------------------------------

TEST_F(LedgerWindowTest, PickingACounterpartFillsTheCriterionCancellingLeavesIt) {
    addPerson(100, u"山田太郎"_s, u"ﾔﾏﾀﾞﾀﾛｳ"_s);
    TINsrSrForm w;
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    qint32 modeSeen = -1;
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& s) {
        modeSeen = mz::state().NameSelectMode;
        s.TabControl1->setCurrentIndex(7);  // ヤ
        s.ColorButton1Click();
    });
    w.ColorButton3Click();
    EXPECT_EQ(modeSeen, mz::mode::kNameCriterion);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_EQ(w.Edit1->text(), u"山田太郎"_s);
    EXPECT_TRUE(w.CheckBox1->isChecked());
    EXPECT_EQ(w.focusWidget(), w.Edit2);

    // The user types another name and leaves the box: the earlier pick is forgotten, so a
    // cancelled selection leaves the typed text.
    w.Edit1->setText(u"佐藤"_s);
    w.Edit2->setFocus();
    w.Edit1Exit();
    driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& s) { s.ColorButton2Click(); });
    w.ColorButton3Click();
    EXPECT_EQ(w.Edit1->text(), u"佐藤"_s);
    EXPECT_TRUE(w.CheckBox1->isChecked());

    // Cancelled with an empty box: the check box is cleared.
    w.Edit1->setText(QString());
    w.CheckBox1->setChecked(true);
    w.ColorButton3Click();
    EXPECT_TRUE(w.Edit1->text().isEmpty());
    EXPECT_FALSE(w.CheckBox1->isChecked());
    EXPECT_EQ(driver.openCount(u"TNAMEsentakuForm"_s), 3);
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(LedgerWindowTest, PurposeAndAdditionCommandsSetAndResetTheirModes) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    qint32 modeSeen = -1;
    driver.onOpen<TMOKUsentakuForm>([&](TMOKUsentakuForm&) { modeSeen = mz::state().PurposeSelectMode; });
    driver.onOpen<TMOKUregiForm>([](TMOKUregiForm&) {});
    driver.onOpen<TKAZOregiForm>([](TKAZOregiForm&) {});
    driver.onOpen<TNAMEkubunForm>(
        [](TNAMEkubunForm&) { EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameAddFamily); });
    TINsrSrForm in;
    mz::state().SelectedPurpose = u"香典"_s;
    in.ColorButton4Click();
    EXPECT_EQ(modeSeen, mz::mode::kPurposeCriterion);
    EXPECT_EQ(mz::state().PurposeSelectMode, mz::mode::kPurposeIdle);
    EXPECT_EQ(in.Edit2->text(), u"香典"_s);
    EXPECT_TRUE(in.CheckBox2->isChecked());
    EXPECT_EQ(in.focusWidget(), in.ComboBox1);

    // The expenditure window leaves the focus where it was.
    TOUTsrSrForm out;
    out.ColorButton4->setFocus();
    out.ColorButton4Click();
    EXPECT_EQ(out.focusWidget(), out.ColorButton4);

    in.ColorButton10Click();
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    in.ColorButton11Click();
    in.ColorButton12Click();
    EXPECT_EQ(driver.openCount(u"TMOKUregiForm"_s), 1);
    EXPECT_EQ(driver.openCount(u"TKAZOregiForm"_s), 1);
    EXPECT_EQ(driver.openCount(u"TNAMEkubunForm"_s), 1);
}

TEST_F(LedgerWindowTest, AnErrorInAnOpenedWindowLeavesTheModesIdle) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    auto fail = [](auto&) { throw EngineError(u"壊れた画面"_s); };
    driver.onOpen<TNAMEsentakuForm>(fail);
    driver.onOpen<TMOKUsentakuForm>(fail);
    driver.onOpen<TNAMEkubunForm>(fail);
    TINsrSrForm w;
    EXPECT_THROW(w.ColorButton3Click(), EngineError);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_THROW(w.ColorButton4Click(), EngineError);
    EXPECT_EQ(mz::state().PurposeSelectMode, mz::mode::kPurposeIdle);
    EXPECT_THROW(w.ColorButton10Click(), EngineError);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
}

// --- the search ---------------------------------------------------------------------------------

TEST_F(LedgerWindowTest, SearchQuotesPrefixesAndIgnoresLetterCase) {
    addEntries(u"Indata.DBF"_s, kIncomeEntries);
    mz::platform::Recorder rec;
    TINsrSrForm w;

    w.Edit1->setText(u"O'Hara"_s);
    w.ColorButton5Click();
    EXPECT_EQ(w.Table1->filter(), u"(氏名='O''Hara')"_s);
    EXPECT_TRUE(w.Table1->caseInsensitive());
    EXPECT_EQ(gridNames(w.DBGrid1), QStringList{u"O'Hara"_s});

    w.Edit1->setText(u"山田*"_s);
    w.ColorButton5Click();
    EXPECT_EQ(gridNames(w.DBGrid1), (QStringList{u"山田太郎"_s, u"山田花子"_s}));

    w.Edit1->setText(u"smith"_s);
    w.ColorButton5Click();
    EXPECT_EQ(gridNames(w.DBGrid1), QStringList{u"Smith"_s});
    w.Edit1->setText(u"ＳＭＩＴＨ"_s);  // full-width letters are other characters
    w.ColorButton5Click();
    EXPECT_TRUE(gridNames(w.DBGrid1).isEmpty());
    EXPECT_EQ(rec.notices(), QStringList{kNoMatch});
    rec.clearDialogs();

    // Family and dates: from-date inclusive; the check boxes play no part.
    w.Edit1->setText(QString());
    w.ComboBox1->setEditText(u"花子"_s);
    w.MaskEditDate1->setMaskedText(u"2024/02/29"_s);
    w.ColorButton5Click();
    EXPECT_EQ(w.Table1->filter(), u"((家族名='花子') and (収入日>='2024/02/29'))"_s);
    EXPECT_EQ(gridNames(w.DBGrid1), (QStringList{u"Smith"_s, u"山田太郎"_s, u"山田花子"_s}));
    EXPECT_TRUE(rec.notices().isEmpty());
}

// The entries found go to the CSV export window in the grid's order, from the grid's context
// menu and from Ctrl+E; no control of the window moves for it.
TEST_F(LedgerWindowTest, CsvExportTakesTheGridsRowsInItsOrder) {
    addEntries(u"Indata.DBF"_s, kIncomeEntries);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    TINsrSrForm w;
    const QRect grid = w.DBGrid1->geometry();
    w.Edit1->setText(u"山田*"_s);
    w.ColorButton5Click();
    ASSERT_EQ(gridNames(w.DBGrid1), (QStringList{u"山田太郎"_s, u"山田花子"_s}));
    std::vector<quint32> handed;
    int opened = 0;
    driver.onOpen<TCSVoutForm>([&](TCSVoutForm& out) {
        ++opened;
        EXPECT_EQ(mz::state().CsvExportMode, mz::mode::kCsvExportRows);
        EXPECT_EQ(mz::state().CsvExportTable, u"Indata.DBF"_s);
        handed = mz::state().CsvExportRows;
        EXPECT_FALSE(out.ComboBox1->isEnabled());
    });
    QAction* action = nullptr;
    for (QAction* a : w.DBGrid1->actions())
        if (a->objectName() == u"CsvExport1"_s) action = a;
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    action->trigger();
    EXPECT_EQ(opened, 1);
    // Records 1 and 3, in the grid's order by date then record.
    EXPECT_EQ(handed, (std::vector<quint32>{1, 3}));
    EXPECT_EQ(mz::state().CsvExportMode, mz::mode::kCsvExportTables);
    EXPECT_TRUE(mz::state().CsvExportRows.empty());
    EXPECT_EQ(w.DBGrid1->geometry(), grid);
}

TEST_F(LedgerWindowTest, SearchWithoutCriteriaOrWithAnEmptyRangeSaysSo) {
    addEntries(u"Outdata.DBF"_s, kIncomeEntries);
    mz::platform::Recorder rec;
    TOUTsrSrForm w;
    w.CheckBox1->setChecked(true);  // a ticked box without text adds no term
    w.ColorButton5Click();
    EXPECT_EQ(w.Table1->filter(), u"支出番号=99999999"_s);
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(rec.notices(), QStringList{kNoCriteria});
    w.ColorButton8Click();
    w.ColorButton6Click();
    EXPECT_EQ(rec.notices(), (QStringList{kNoCriteria, kNothingSelected, kNothingSearched}));
    rec.clearDialogs();

    // From after to: the filter is built as usual and nothing matches.
    w.MaskEditDate1->setMaskedText(u"2024/12/31"_s);
    w.MaskEditDate2->setMaskedText(u"2024/01/01"_s);
    w.ColorButton5Click();
    EXPECT_EQ(w.Table1->filter(), u"((支出日>='2024/12/31') and (支出日<='2024/01/01'))"_s);
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(rec.notices(), QStringList{kNoMatch});

    // A later search replaces the filter entirely.
    w.MaskEditDate1->setMaskedText(kBlankDate);
    w.ColorButton5Click();
    EXPECT_EQ(w.Table1->filter(), u"(支出日<='2024/01/01')"_s);
    EXPECT_EQ(gridColumn(w.DBGrid1, 1), (QStringList{u"2022/12/31"_s, u"2023/01/15"_s}));
}

TEST_F(LedgerWindowTest, TheListPrintoutGetsTheWindowsFilter) {
    addEntries(u"Indata.DBF"_s, kIncomeEntries);
    addEntries(u"Outdata.DBF"_s, kIncomeEntries);
    TRepIn1Form in1;
    TRepOut1Form out1;
    mz::state().RepIn1Form = &in1;
    mz::state().RepOut1Form = &out1;
    in1.MasterTable->setFiltered(false);
    in1.MasterTable->setFilter(u"(氏名='前回')"_s);
    mz::platform::ModalDriver driver;  // the preview opens and is closed at once
    int previews = 0;
    driver.onOpen<TReportPreview>([&](TReportPreview&) { ++previews; });

    TINsrSrForm in;
    in.ColorButton6Click();  // before any search: the empty filter, every entry
    EXPECT_TRUE(in1.MasterTable->filtered());
    EXPECT_EQ(in1.MasterTable->filter(), QString());
    EXPECT_EQ(in1.MasterTable->recordCount(), 5);

    in.Edit1->setText(u"SMITH"_s);
    in.ColorButton5Click();
    in.ColorButton6Click();
    EXPECT_EQ(in1.MasterTable->filter(), in.Table1->filter());
    // The grid ignores letter case; the printout compares with case, as the engine does by default.
    EXPECT_EQ(in.Table1->recordCount(), 1);
    EXPECT_FALSE(in1.MasterTable->caseInsensitive());
    EXPECT_EQ(in1.MasterTable->recordCount(), 0);

    TOUTsrSrForm out;
    out.Edit2->setText(u"結婚祝"_s);
    out.ColorButton5Click();
    out.ColorButton6Click();
    EXPECT_EQ(out1.MasterTable->filter(), u"(目的='結婚祝')"_s);
    EXPECT_EQ(out1.MasterTable->recordCount(), 2);
    EXPECT_EQ(in1.MasterTable->filter(), in.Table1->filter());  // the income list is not touched
    EXPECT_EQ(previews, 3);
}

// --- entry commands -------------------------------------------------------------------------

TEST_F(LedgerWindowTest, EntryCommandsHandOnTheCurrentNumberAndHideMeanwhile) {
    addEntries(u"Indata.DBF"_s, kIncomeEntries);
    addEntries(u"Outdata.DBF"_s, kIncomeEntries);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    // The entry windows open and are closed at once.
    driver.onOpen<TINsrchForm>([](TINsrchForm&) {});
    driver.onOpen<TINeditForm>([](TINeditForm&) {});
    driver.onOpen<TINdelForm>([](TINdelForm&) {});
    driver.onOpen<TINregiForm>([](TINregiForm&) {});
    driver.onOpen<TOUTsrchForm>([](TOUTsrchForm&) {});
    driver.onOpen<TINsrSrForm>([](TINsrSrForm& w) {
        VisibilitySpy spy;
        w.installEventFilter(&spy);
        w.DBGrid1->selectRow(2);  // 2024/02/29, number 5
        w.ColorButton1Click();
        EXPECT_EQ(mz::state().IncomeNo, 5);
        w.DBGrid1->selectRow(0);
        w.ColorButton8Click();
        EXPECT_EQ(mz::state().IncomeNo, 4);
        w.DBGrid1->selectRow(4);
        w.ColorButton9Click();
        EXPECT_EQ(mz::state().IncomeNo, 3);
        w.ColorButton7Click();
        EXPECT_EQ(spy.hides, 4);
        EXPECT_EQ(spy.shows, 4);
        EXPECT_TRUE(w.isVisible());
        w.removeEventFilter(&spy);
        w.ColorButton2Click();
        EXPECT_FALSE(w.isVisible());
    });
    driver.onOpen<TOUTsrSrForm>([](TOUTsrSrForm& w) {
        w.DBGrid1->selectRow(1);
        w.DBGrid1DblClick();
        EXPECT_EQ(mz::state().ExpenseNo, 2);
        w.DBGrid1->selectRow(3);
        emit w.DBGrid1->dblClick();  // as the grid reports a double click
        EXPECT_EQ(mz::state().ExpenseNo, 1);
        EXPECT_TRUE(w.isVisible());
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);
    mz::platform::openModal(nullptr, mz::state().OUTsrSrForm);
    EXPECT_TRUE(rec.notices().isEmpty());
    EXPECT_TRUE(mz::state().INsrSrForm.isNull());
    EXPECT_EQ(driver.opened(),
              (QStringList{u"TINsrSrForm"_s, u"TINsrchForm"_s, u"TINeditForm"_s, u"TINdelForm"_s,
                           u"TINregiForm"_s, u"TOUTsrSrForm"_s, u"TOUTsrchForm"_s,
                           u"TOUTsrchForm"_s}));
}

// --- a whole road ------------------------------------------------------------------------------

TEST_F(LedgerWindowTest, SearchByAPickedCounterpartShowsTheirEntries) {
    addEntries(u"Indata.DBF"_s, kIncomeEntries);
    addPerson(100, u"小山田"_s, u"ｵﾔﾏﾀﾞ"_s);
    addPerson(200, u"山田花子"_s, u"ﾔﾏﾀﾞﾊﾅｺ"_s);
    addPerson(201, u"山田太郎"_s, u"ﾔﾏﾀﾞﾀﾛｳ"_s);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    QStringList shown;
    driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& s) {
        s.TabControl1->setCurrentIndex(7);  // ヤ: ﾔﾏﾀﾞﾀﾛｳ, ﾔﾏﾀﾞﾊﾅｺ
        s.DBGrid1->selectRow(1);
        s.DBGrid1DblClick();
    });
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& w) {
        EXPECT_EQ(w.DBGrid1->model()->rowCount(), 5);
        w.ColorButton3Click();
        EXPECT_EQ(w.Edit1->text(), u"山田花子"_s);
        EXPECT_TRUE(w.CheckBox1->isChecked());
        w.ColorButton5Click();
        shown = gridNames(w.DBGrid1);
        w.ColorButton2Click();
    });
    mz::platform::openModal(nullptr, mz::state().INsrSrForm);
    EXPECT_EQ(shown, QStringList{u"山田花子"_s});
    EXPECT_EQ(driver.opened(), (QStringList{u"TINsrSrForm"_s, u"TNAMEsentakuForm"_s}));
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(LedgerWindowTest, AMissingLedgerTableMeansNoWindow) {
    QFile::remove(dir.file(u"Outdata.DBF"_s));
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    EXPECT_THROW(mz::platform::openModal(nullptr, mz::state().OUTsrSrForm), EngineError);
    EXPECT_TRUE(driver.opened().isEmpty());
}

TEST(LedgerNumbers, EntryNumbersBecomeIntegersWithoutOverflow) {
    using mz::ledger::toInt32;
    EXPECT_EQ(toInt32(17), 17);
    EXPECT_EQ(toInt32(16.9999), 17);
    EXPECT_EQ(toInt32(-3), -3);
    EXPECT_EQ(toInt32(1e20), 2147483647);
    EXPECT_EQ(toInt32(-1e20), -2147483647 - 1);
    EXPECT_EQ(toInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}
