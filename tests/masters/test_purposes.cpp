// The purpose windows as the user drives them: code allocation in the registration window, the
// category tabs and their filters, the boxes of the edit and delete windows following clicks and
// keyboard moves, corrections and deletions landing on the grid's current row, and the two
// selection modes.
#include "data/cursor.h"
#include "masters/TMOKUdelForm.h"
#include "masters/TMOKUeditForm.h"
#include "masters/TMOKUregiForm.h"
#include "masters/TMOKUsentakuForm.h"
#include "masters/purposes.h"
#include "masters/tabcontrol.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "testdata.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::Cursor;
using mz::data::EngineError;
using mz::data::Value;

namespace {

const QString kRegistered = u"  目的が新規に登録されました。  "_s;
const QString kMissing = u"  目的の名称又は区分が設定されていません。  "_s;
const QString kCorrected = u"  目的が修正されました。  "_s;
const QString kDeleted = u"  目的が削除されました。  "_s;
const QString kNotPicked = u"  目的が選択されていません。  "_s;
const QString kEmptyDataSet = u"空のデータセットには, この操作は実行できません"_s;

struct Purpose {
    double code;
    QString name;
    QString category;
    Value number;  // 区分番号
    bool operator==(const Purpose&) const = default;
};

void PrintTo(const Purpose& p, std::ostream* os) {
    *os << p.code << " " << p.name.toStdString() << " " << p.category.toStdString() << " "
        << (std::holds_alternative<double>(p.number) ? std::to_string(std::get<double>(p.number)) : "null");
}

struct PurposesTest : ::testing::Test {
    mz::test::DataDir data;
    QString cwd = QDir::currentPath();
    mz::platform::Recorder rec;

    PurposesTest() {
        QDir::setCurrent(data.path());
        mz::state().reset();
    }
    ~PurposesTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }

    // Stores a purpose as another window would.
    void add(double code, const QString& name, const QString& category) {
        Cursor c;
        c.open(u"Moku.dbf"_s);
        c.append();
        c.setValue(u"目的コード"_s, code);
        c.setValue(u"目的"_s, name);
        c.setValue(u"目的区分"_s, category);
        if (auto n = mz::masters::purposeCategoryNumber(category))
            c.setValue(u"区分番号"_s, static_cast<double>(*n));
        c.post();
    }

    // Every purpose in stored order.
    std::vector<Purpose> stored() const {
        Cursor c;
        c.open(u"Moku.dbf"_s);
        std::vector<Purpose> all;
        for (int r = 0; r < c.recordCount(); ++r) {
            c.moveToRow(r);
            all.push_back({c.number(u"目的コード"_s), c.text(u"目的"_s), c.text(u"目的区分"_s), c.value(u"区分番号"_s)});
        }
        return all;
    }

    static QStringList names(const Cursor& table) {
        QStringList n;
        for (int r = 0; r < table.recordCount(); ++r)
            n << std::get<QString>(table.valueAt(r, table.fieldIndex(u"目的"_s)));
        return n;
    }
};

template <class W>
void selectTab(W& w, int index) {
    w.TabControl1->setTabIndex(index);
    w.TabControl1Change();
}

void clickRow(TDBGrid* grid, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// Types text as the keyboard (or the input method, character by character) would.
void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

void giveFocus(QWidget* w) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w, &in);
}

template <class W>
QStringList boxes(const W& w) {
    return {w.Memo1->text(), w.Edit2->text(), w.ComboBox1->text()};
}

// --- registration -----------------------------------------------------------------------------

TEST_F(PurposesTest, CodesStartAtOneAndCountOnWithoutReadingTheTableAgain) {
    TMOKUregiForm w;
    EXPECT_EQ(w.Memo1->text(), u"1"_s);
    EXPECT_EQ(w.NextPurposeCode, 1.0);

    w.Edit2->setText(u"結婚祝"_s);
    w.ComboBox1->setEditText(u"お祝い"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kRegistered});
    EXPECT_EQ(w.Memo1->text(), u"2"_s);
    EXPECT_EQ(w.Edit2->text(), QString());
    EXPECT_EQ(w.ComboBox1->text(), QString());
    EXPECT_EQ(w.focusWidget(), w.Edit2);

    // Another cursor stores a purpose numbered 50; this window goes on with its own count.
    add(50, u"外から"_s, u"一般行事"_s);
    w.Edit2->setText(u"出産祝"_s);
    w.ComboBox1->setEditText(u"お祝い"_s);
    w.ColorButton1Click();
    EXPECT_EQ(w.Memo1->text(), u"3"_s);

    EXPECT_EQ(stored(), (std::vector<Purpose>{{1, u"結婚祝"_s, u"お祝い"_s, 0.0},
                                              {50, u"外から"_s, u"一般行事"_s, 1.0},
                                              {2, u"出産祝"_s, u"お祝い"_s, 0.0}}));
    // The next opening reads the last record again.
    TMOKUregiForm again;
    EXPECT_EQ(again.Memo1->text(), u"3"_s);
}

TEST_F(PurposesTest, CodeOfADeletedLastPurposeIsOfferedAgain) {
    add(1, u"入学祝"_s, u"お祝い"_s);
    add(2, u"香典"_s, u"弔事全般"_s);
    add(3, u"快気祝"_s, u"お返し"_s);
    {
        TMOKUdelForm del;
        selectTab(del, 2);
        ASSERT_EQ(names(*del.Table1), QStringList{u"快気祝"_s});
        del.ColorButton1Click();
        EXPECT_EQ(rec.notices(), QStringList{kDeleted});
    }
    TMOKUregiForm w;
    EXPECT_EQ(w.Memo1->text(), u"3"_s);
}

TEST_F(PurposesTest, APurposeOfAnotherCategoryIsStoredButListedOnlyUnderItsTab) {
    add(1, u"入学祝"_s, u"お祝い"_s);
    TMOKUregiForm w;
    EXPECT_EQ(w.TabControl1->tabIndex(), 0);
    EXPECT_EQ(w.Table1->filter(), u"(目的区分='お祝い')"_s);
    EXPECT_EQ(w.Table1->indexName(), u"目的区分"_s);
    EXPECT_EQ(w.Memo1->text(), u"2"_s);

    w.Edit2->setText(u"お見舞い"_s);
    w.ComboBox1->setEditText(u"お見舞い"_s);
    w.ColorButton1Click();
    EXPECT_EQ(names(*w.Table1), QStringList{u"入学祝"_s});
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 1);
    EXPECT_EQ(stored().back(), (Purpose{2, u"お見舞い"_s, u"お見舞い"_s, 3.0}));

    selectTab(w, 3);
    EXPECT_TRUE(w.Table1->caseInsensitive());
    EXPECT_EQ(names(*w.Table1), QStringList{u"お見舞い"_s});
}

TEST_F(PurposesTest, ATypedCategoryIsStoredWithoutNumberAndListedUnderNoTab) {
    TMOKUregiForm w;
    w.Edit2->setText(u"中元"_s);
    w.ComboBox1->setEditText(u"季節"_s);
    w.ColorButton1Click();
    // Equality is exact: a category of another letter width is none of the five either.
    w.Edit2->setText(u"内祝"_s);
    w.ComboBox1->setEditText(u"おいわい"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored(), (std::vector<Purpose>{{1, u"中元"_s, u"季節"_s, Value{}},
                                              {2, u"内祝"_s, u"おいわい"_s, Value{}}}));
    TMOKUsentakuForm s;
    for (int t = 0; t < 5; ++t) {
        selectTab(s, t);
        EXPECT_TRUE(names(*s.Table1).isEmpty()) << t;
    }
}

TEST_F(PurposesTest, MissingNameOrCategoryIsReportedAndNothingIsStored) {
    TMOKUregiForm w;
    w.ComboBox1->setEditText(u"お祝い"_s);
    w.ColorButton1Click();
    w.Edit2->setText(u"結婚祝"_s);
    w.ComboBox1->setEditText(QString());
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), (QStringList{kMissing, kMissing}));
    EXPECT_EQ(w.focusWidget(), w.Edit2);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(w.Memo1->text(), u"1"_s);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Browse);
}

TEST_F(PurposesTest, BoxesTakeNoMoreThanTheirFieldsHold) {
    TMOKUregiForm w;
    w.show();
    typeText(w.Edit2, u"あいうえおかきく"_s);
    EXPECT_EQ(w.Edit2->text(), u"あいうえおか"_s);  // 12 bytes
    typeText(w.ComboBox1->lineEdit(), u"abcdeかきくけこ"_s);
    EXPECT_EQ(w.ComboBox1->text(), u"abcdeかきく"_s);  // 11 bytes: one more would split a kanji
    w.ColorButton1Click();
    EXPECT_EQ(stored(), (std::vector<Purpose>{{1, u"あいうえおか"_s, u"abcdeかきく"_s, Value{}}}));
    w.close();
}

// Escape after an input-method conversion closes neither window; the typed name stays. The
// selection window, which holds nothing typed, closes as its 戻る would.
TEST_F(PurposesTest, EscapeKeepsRegistrationAndEditOpenWithTheTypedName) {
    TMOKUregiForm regi;
    TMOKUeditForm edit;
    TMOKUsentakuForm pick;
    for (QDialog* w : std::initializer_list<QDialog*>{&regi, &edit, &pick}) w->show();
    typeText(regi.Edit2, u"結婚祝"_s);
    QTest::keyClick(regi.Edit2, Qt::Key_Escape);
    QTest::keyClick(regi.ComboBox1, Qt::Key_Escape);
    QTest::keyClick(&edit, Qt::Key_Escape);
    QTest::keyClick(&pick, Qt::Key_Escape);
    EXPECT_TRUE(regi.isVisible());
    EXPECT_TRUE(edit.isVisible());
    EXPECT_FALSE(pick.isVisible());
    EXPECT_EQ(regi.Edit2->text(), u"結婚祝"_s);
    regi.close();
    edit.close();
}

TEST_F(PurposesTest, ARefusedNameLeavesNoHalfMadeRecord) {
    TMOKUregiForm w;
    w.Edit2->setText(u"祝🎉"_s);  // not in the code page of the table
    w.ComboBox1->setEditText(u"お祝い"_s);
    EXPECT_THROW(w.ColorButton1Click(), EngineError);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Browse);
    EXPECT_EQ(w.Memo1->text(), u"1"_s);
    w.Edit2->setText(u"祝"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored(), (std::vector<Purpose>{{1, u"祝"_s, u"お祝い"_s, 0.0}}));
}

// --- edit and delete --------------------------------------------------------------------------

TEST_F(PurposesTest, EditingToATypedCategoryKeepsTheNumber) {
    add(1, u"内祝"_s, u"お返し"_s);
    add(2, u"香典返し"_s, u"お返し"_s);
    TMOKUeditForm w;
    EXPECT_EQ(boxes(w), (QStringList{{}, {}, {}}));
    selectTab(w, 2);
    w.Table1->moveToRow(1);
    w.DBGrid1CellClick();
    EXPECT_EQ(boxes(w), (QStringList{u"2"_s, u"香典返し"_s, u"お返し"_s}));
    w.ComboBox1->setEditText(u"返礼"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kCorrected});
    EXPECT_EQ(stored()[1], (Purpose{2, u"香典返し"_s, u"返礼"_s, 2.0}));
    // The record left the tab's list; the boxes keep their texts.
    EXPECT_EQ(names(*w.Table1), QStringList{u"内祝"_s});
    EXPECT_EQ(boxes(w), (QStringList{u"2"_s, u"香典返し"_s, u"返礼"_s}));

    // A correction to one of the five categories sets its number.
    w.DBGrid1CellClick();
    w.ComboBox1->setEditText(u"弔事全般"_s);
    w.Edit2->setText(u"満中陰"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored()[0], (Purpose{1, u"満中陰"_s, u"弔事全般"_s, 4.0}));
    EXPECT_TRUE(names(*w.Table1).isEmpty());
}

TEST_F(PurposesTest, KeyboardMovesEmptyTheBoxesExceptOnCodeOne) {
    add(4, u"入学祝"_s, u"お祝い"_s);
    add(1, u"結婚祝"_s, u"お祝い"_s);
    add(7, u"新築祝"_s, u"お祝い"_s);
    add(9, u"香典"_s, u"弔事全般"_s);
    mz::platform::ModalDriver driver;
    driver.onOpen<TMOKUeditForm>([&](TMOKUeditForm& w) {
        TDBGrid* grid = w.DBGrid1;
        ASSERT_EQ(names(*w.Table1), (QStringList{u"入学祝"_s, u"結婚祝"_s, u"新築祝"_s}));
        clickRow(grid, 0);
        EXPECT_EQ(boxes(w), (QStringList{u"4"_s, u"入学祝"_s, u"お祝い"_s}));
        // Onto code 1: the boxes stay as they were.
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(w.Table1->row(), 1);
        EXPECT_EQ(boxes(w), (QStringList{u"4"_s, u"入学祝"_s, u"お祝い"_s}));
        // Onto code 7: emptied.
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(boxes(w), (QStringList{{}, {}, {}}));
        // A click shows the row.
        clickRow(grid, 2);
        EXPECT_EQ(boxes(w), (QStringList{u"7"_s, u"新築祝"_s, u"お祝い"_s}));
        // Another tab is a move too.
        selectTab(w, 4);
        EXPECT_EQ(boxes(w), (QStringList{{}, {}, {}}));
        selectTab(w, 0);
        // The grid receiving the focus on code 1 fills the boxes; elsewhere it does nothing.
        giveFocus(grid);
        EXPECT_EQ(boxes(w), (QStringList{{}, {}, {}}));
        w.Table1->moveToRow(1);
        giveFocus(grid);
        EXPECT_EQ(boxes(w), (QStringList{u"1"_s, u"結婚祝"_s, u"お祝い"_s}));
    });
    mz::platform::openModal(nullptr, mz::state().MOKUeditForm);
    EXPECT_EQ(driver.openCount(u"TMOKUeditForm"_s), 1);
}

TEST_F(PurposesTest, CorrectionGoesToTheCurrentRowAfterTheBoxesWereRetyped) {
    add(1, u"結婚祝"_s, u"お祝い"_s);
    add(2, u"入学祝"_s, u"お祝い"_s);
    add(3, u"新築祝"_s, u"お祝い"_s);
    mz::platform::ModalDriver driver;
    driver.onOpen<TMOKUeditForm>([&](TMOKUeditForm& w) {
        clickRow(w.DBGrid1, 0);
        QTest::keyClick(w.DBGrid1, Qt::Key_Down);
        QTest::keyClick(w.DBGrid1, Qt::Key_Down);
        EXPECT_EQ(boxes(w), (QStringList{{}, {}, {}}));
        w.Edit2->setText(u"引越祝"_s);
        w.ComboBox1->setEditText(u"お祝い"_s);
        w.ColorButton1Click();
        EXPECT_EQ(w.Memo1->text(), QString());  // the code box is not filled by 修正
    });
    mz::platform::openModal(nullptr, mz::state().MOKUeditForm);
    EXPECT_EQ(rec.notices(), QStringList{kCorrected});
    EXPECT_EQ(stored(), (std::vector<Purpose>{{1, u"結婚祝"_s, u"お祝い"_s, 0.0},
                                              {2, u"入学祝"_s, u"お祝い"_s, 0.0},
                                              {3, u"引越祝"_s, u"お祝い"_s, 0.0}}));
}

TEST_F(PurposesTest, CorrectionWithoutACurrentRecordChangesNothing) {
    add(1, u"香典"_s, u"弔事全般"_s);
    TMOKUeditForm w;  // the first tab is empty
    w.Edit2->setText(u"何か"_s);
    w.ComboBox1->setEditText(u"お祝い"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{u"  修正する目的がありません。  "_s});
    EXPECT_EQ(stored(), (std::vector<Purpose>{{1, u"香典"_s, u"弔事全般"_s, 4.0}}));
    EXPECT_EQ(w.Table1->state(), Cursor::State::Browse);
    // An empty name is still reported first.
    w.Edit2->clear();
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices().last(), kMissing);
}

TEST_F(PurposesTest, DeleteRemovesTheCurrentRowAndRefusesAnEmptyList) {
    add(1, u"結婚祝"_s, u"お祝い"_s);
    add(2, u"入学祝"_s, u"お祝い"_s);
    add(3, u"香典"_s, u"弔事全般"_s);
    TMOKUdelForm w;
    EXPECT_FALSE(w.Edit2->isEnabled());
    EXPECT_TRUE(w.Edit2->isReadOnly());
    EXPECT_FALSE(w.ComboBox1->isEnabled());
    w.Table1->moveToRow(1);
    w.DBGrid1CellClick();
    EXPECT_EQ(boxes(w), (QStringList{u"2"_s, u"入学祝"_s, u"お祝い"_s}));
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kDeleted});
    EXPECT_EQ(names(*w.Table1), QStringList{u"結婚祝"_s});
    // The record after it (here the code 1 record) became current: code 1 keeps the boxes.
    EXPECT_EQ(boxes(w), (QStringList{u"2"_s, u"入学祝"_s, u"お祝い"_s}));
    w.ColorButton1Click();
    EXPECT_EQ(boxes(w), (QStringList{{}, {}, {}}));

    // Nothing left under お祝い: the engine's refusal, shown by the error display.
    rec.clearDialogs();
    try {
        w.ColorButton1Click();
        ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.message(), kEmptyDataSet);
    }
    w.ColorButton1->click();
    EXPECT_EQ(rec.errors(), QStringList{kEmptyDataSet + u"."_s});
    EXPECT_TRUE(rec.notices().isEmpty());
    EXPECT_EQ(stored(), (std::vector<Purpose>{{3, u"香典"_s, u"弔事全般"_s, 4.0}}));
}

// --- selection --------------------------------------------------------------------------------

TEST_F(PurposesTest, SelectionByButtonAndByDoubleClickWriteOnlyTheModesVariable) {
    add(1, u"結婚祝"_s, u"お祝い"_s);
    add(2, u"香典"_s, u"弔事全般"_s);
    for (bool byDoubleClick : {false, true}) {
        for (int mode :
             {mz::mode::kPurposeEntry, mz::mode::kPurposeCriterion, mz::mode::kPurposeIdle}) {
            mz::state().EntryPurpose = u"前の目的"_s;
            mz::state().SelectedPurpose = u"前の条件"_s;
            mz::state().PurposeSelectMode = mode;
            mz::platform::ModalDriver driver;
            bool closed = false;
            driver.onOpen<TMOKUsentakuForm>([&](TMOKUsentakuForm& w) {
                selectTab(w, 4);
                if (byDoubleClick) {
                    const QRect cell = w.DBGrid1->visualRect(w.DBGrid1->model()->index(0, 1));
                    QTest::mouseDClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
                } else {
                    w.ColorButton1->click();
                }
                closed = !w.isVisible();
            });
            mz::platform::openModal(nullptr, mz::state().MOKUsentakuForm);
            mz::state().PurposeSelectMode = mz::mode::kPurposeIdle;
            EXPECT_TRUE(closed) << mode;
            EXPECT_EQ(mz::state().EntryPurpose,
                      mode == mz::mode::kPurposeEntry ? u"香典"_s : u"前の目的"_s)
                << mode;
            EXPECT_EQ(mz::state().SelectedPurpose,
                      mode == mz::mode::kPurposeCriterion ? u"香典"_s : u"前の条件"_s)
                << mode;
        }
    }
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(PurposesTest, SelectionFromAnEmptyListStaysOpenAndLeavingWritesNothing) {
    add(1, u"香典"_s, u"弔事全般"_s);
    mz::state().PurposeSelectMode = mz::mode::kPurposeEntry;
    mz::state().EntryPurpose = u"前の目的"_s;
    mz::platform::ModalDriver driver;
    driver.onOpen<TMOKUsentakuForm>([&](TMOKUsentakuForm& w) {
        EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
        w.ColorButton1Click();
        w.DBGrid1DblClick();
        EXPECT_TRUE(w.isVisible());
        selectTab(w, 4);
        w.ColorButton2Click();
        EXPECT_FALSE(w.isVisible());
    });
    mz::platform::openModal(nullptr, mz::state().MOKUsentakuForm);
    EXPECT_EQ(rec.notices(), (QStringList{kNotPicked, kNotPicked}));
    EXPECT_EQ(mz::state().EntryPurpose, u"前の目的"_s);
}

// --- looks ------------------------------------------------------------------------------------

TEST_F(PurposesTest, WindowsCarryTheirCaptionsSizesAndTabOrder) {
    TMOKUregiForm r;
    TMOKUeditForm e;
    TMOKUdelForm d;
    TMOKUsentakuForm s;
    EXPECT_EQ(r.windowTitle(), u"Mizorel - 目的の登録"_s);
    EXPECT_EQ(e.windowTitle(), u"Mizorel - 目的の修正"_s);
    EXPECT_EQ(d.windowTitle(), u"Mizorel - 目的の削除"_s);
    EXPECT_EQ(s.windowTitle(), u"Mizorel - 目的の選択"_s);
    EXPECT_EQ(r.size(), QSize(325, 387));
    EXPECT_EQ(e.size(), QSize(317, 373));
    EXPECT_EQ(d.size(), QSize(315, 368));
    EXPECT_EQ(s.size(), QSize(323, 326));
    EXPECT_EQ(r.ColorButton1->text(), u"登　　録"_s);
    EXPECT_EQ(s.ColorButton1->color(), QColor(0x88, 0xFF, 0x88));
    EXPECT_EQ(s.ColorButton2->color(), QColor(0xFF, 0xA2, 0xFF));
    EXPECT_EQ(r.ComboBox1->count(), 5);
    EXPECT_EQ(r.ComboBox1->itemText(2), u"お返し"_s);
    EXPECT_EQ(r.TabControl1->tabs(), (QStringList{u"お 祝 い"_s, u"一般行事"_s, u"お 返 し"_s,
                                                  u"お見舞い"_s, u"弔事全般"_s}));
    EXPECT_EQ(r.DBGrid1->parentWidget(), r.TabControl1);
    EXPECT_EQ(r.DBGrid1->geometry(), QRect(5, 40, 230, 157));
    EXPECT_EQ(r.DBGrid1->columnCountShown(), 3);
    EXPECT_EQ(s.DBGrid1->columnCountShown(), 2);
    EXPECT_EQ(s.DBGrid1->column(0).width, 102);

    // Tab order: tab control, grid, category, name, action, back; the code box is passed over.
    QWidget* order[] = {e.TabControl1, e.DBGrid1,      e.ComboBox1,
                        e.Edit2,       e.ColorButton1, e.ColorButton2};
    const QList<QWidget*> listed(std::begin(order), std::end(order));
    for (qsizetype i = 0; i + 1 < listed.size(); ++i) {
        QWidget* next = listed[i]->nextInFocusChain();
        while (!listed.contains(next) && next != listed[i]) {
            EXPECT_NE(next, e.Memo1);
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, listed[i + 1]) << i;
    }
}

TEST_F(PurposesTest, TabsWrapOntoTwoRowsWithTheSelectedRowNextToTheList) {
    TMOKUsentakuForm s;
    TTabControl* tabs = s.TabControl1;
    EXPECT_EQ(tabs->rowCount(), 2);
    const int frontRowTop = tabs->tabRect(0).top();
    EXPECT_GT(frontRowTop, tabs->tabRect(4).top());
    EXPECT_LE(tabs->displayRect().top(), s.DBGrid1->y());
    // Rows fill the width.
    EXPECT_EQ(tabs->tabRect(3).right(), tabs->tabRect(4).right());

    QSignalSpy changes(tabs, &TTabControl::change);
    tabs->setTabIndex(4);  // from code: no change handler
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(tabs->tabRect(4).top(), frontRowTop);  // its row moved to the front
    EXPECT_LT(tabs->tabRect(0).top(), frontRowTop);

    // A click on a tab selects it and the window filters.
    add(1, u"見舞"_s, u"お見舞い"_s);
    s.Table1->refresh();
    s.show();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(tabs->tabIndex(), 3);
    EXPECT_EQ(names(*s.Table1), QStringList{u"見舞"_s});
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_EQ(tabs->tabIndex(), 4);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_TRUE(names(*s.Table1).isEmpty());
    s.close();
}

TEST(PurposeCategories, FiltersAndNumbers) {
    EXPECT_EQ(mz::masters::purposeCategoryFilter(u"お祝い"_s), u"(目的区分='お祝い')"_s);
    EXPECT_EQ(mz::masters::purposeCategoryFilter(u"a'b"_s), u"(目的区分='a''b')"_s);
    EXPECT_EQ(mz::masters::purposeCategoryNumber(u"弔事全般"_s), 4);
    EXPECT_EQ(mz::masters::purposeCategoryNumber(u"お 祝 い"_s), std::nullopt);
    EXPECT_EQ(mz::masters::purposeCategoryNumber(QString()), std::nullopt);
    // Trailing blanks are not stored, so they do not make another category.
    EXPECT_EQ(mz::masters::purposeCategoryNumber(u"お返し  "_s), 2);
    EXPECT_EQ(mz::masters::purposeCategoryNumber(u" お返し"_s), std::nullopt);
    EXPECT_EQ(mz::masters::purposeCategoryNumber(u"お返し\u3000"_s), std::nullopt);
}

}  // namespace
