// The family windows: the registration window's unposted new record and its code taken from the
// last record after every registration, the edit window's unbound boxes following clicks and
// keyboard moves, and corrections landing on the grid's current row.
#include "data/cursor.h"
#include "masters/TKAZOeditForm.h"
#include "masters/TKAZOregiForm.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "testdata.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::Cursor;

namespace {

const QString kNoName = u"  家族の名前が設定されていません。  "_s;
const QString kRegistered = u"  家族の名前が登録されました。  "_s;
const QString kCorrected = u"  家族の名前が修正されました。  "_s;

using Member = std::pair<double, QString>;

struct FamilyTest : ::testing::Test {
    mz::test::DataDir data;
    QString cwd = QDir::currentPath();
    mz::platform::Recorder rec;

    FamilyTest() {
        QDir::setCurrent(data.path());
        mz::state().reset();
    }
    ~FamilyTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }

    void add(double code, const QString& name) {
        Cursor c;
        c.open(u"Kazoku.dbf"_s);
        c.append();
        c.setValue(u"家族コード"_s, code);
        c.setValue(u"家族名"_s, name);
        c.post();
    }

    std::vector<Member> stored() const {
        Cursor c;
        c.open(u"Kazoku.dbf"_s);
        std::vector<Member> all;
        for (int r = 0; r < c.recordCount(); ++r) {
            c.moveToRow(r);
            all.emplace_back(c.number(u"家族コード"_s), c.text(u"家族名"_s));
        }
        return all;
    }
};

void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

void clickRow(TDBGrid* grid, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void giveFocus(QWidget* w) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w, &in);
}

QStringList boxes(const TKAZOeditForm& w) {
    return {w.Memo1->text(), w.Edit1->text()};
}

// --- registration -----------------------------------------------------------------------------

TEST_F(FamilyTest, CodesFollowTheLastRecordAfterEveryRegistration) {
    mz::platform::ModalDriver driver;
    driver.onOpen<TKAZOregiForm>([&](TKAZOregiForm& w) {
        EXPECT_EQ(w.DBEdit1->text(), u"1"_s);
        EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);
        EXPECT_EQ(w.focusWidget(), w.DBEdit2);
        for (const QString& name : {u"太郎"_s, u"花子"_s, u"一郎"_s}) {
            typeText(w.DBEdit2, name);
            w.ColorButton1Click();
            // The new member is the last row of the grid, and current there.
            EXPECT_EQ(w.Table2->row(), w.Table2->recordCount() - 1);
            EXPECT_EQ(w.DBGrid1->selectedRow(), w.Table2->recordCount() - 1);
            EXPECT_EQ(w.DBGrid1->cellText(w.Table2->recordCount() - 1, 1), name);
            EXPECT_EQ(w.DBEdit2->text(), QString());
            EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);
        }
        EXPECT_EQ(w.DBEdit1->text(), u"4"_s);
        EXPECT_EQ(w.NextFamilyCode, 4.0);
    });
    mz::platform::openModal(nullptr, mz::state().KAZOregiForm);
    EXPECT_EQ(rec.notices(), (QStringList{kRegistered, kRegistered, kRegistered}));
    EXPECT_EQ(stored(), (std::vector<Member>{{1, u"太郎"_s}, {2, u"花子"_s}, {3, u"一郎"_s}}));
}

TEST_F(FamilyTest, CodeIsTheLastRecordsCodePlusOneNotTheCount) {
    add(1, u"太郎"_s);
    add(7, u"花子"_s);
    TKAZOregiForm w;
    EXPECT_EQ(w.DBEdit1->text(), u"8"_s);
    EXPECT_EQ(w.DBGrid1->selectedRow(), 1);  // the grid shows the end of the list
    w.DBEdit2->setText(u"次郎"_s);
    w.ColorButton1Click();
    EXPECT_EQ(w.DBEdit1->text(), u"9"_s);
    // The same name twice: no check for duplicates.
    w.DBEdit2->setText(u"次郎"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored(), (std::vector<Member>{{1, u"太郎"_s}, {7, u"花子"_s}, {8, u"次郎"_s}, {9, u"次郎"_s}}));
}

TEST_F(FamilyTest, LeavingTheRegistrationWindowStoresNothing) {
    add(1, u"太郎"_s);
    for (bool byButton : {true, false}) {
        mz::platform::ModalDriver driver;
        driver.onOpen<TKAZOregiForm>([&](TKAZOregiForm& w) {
            typeText(w.DBEdit2, u"花子"_s);
            EXPECT_EQ(w.Table1->text(u"家族名"_s), u"花子"_s);
            if (byButton) w.ColorButton2Click();  // otherwise the driver closes it as the close box
        });
        mz::platform::openModal(nullptr, mz::state().KAZOregiForm);
    }
    EXPECT_EQ(stored(), (std::vector<Member>{{1, u"太郎"_s}}));
    EXPECT_TRUE(rec.notices().isEmpty());
}

// Escape after an input-method conversion closes neither window; the typed name stays.
TEST_F(FamilyTest, EscapeKeepsBothWindowsOpenWithTheTypedName) {
    add(1, u"太郎"_s);
    TKAZOregiForm regi;
    TKAZOeditForm edit;
    for (QDialog* w : std::initializer_list<QDialog*>{&regi, &edit}) w->show();
    typeText(regi.DBEdit2, u"花子"_s);
    QTest::keyClick(regi.DBEdit2, Qt::Key_Escape);
    QTest::keyClick(&edit, Qt::Key_Escape);
    EXPECT_TRUE(regi.isVisible());
    EXPECT_TRUE(edit.isVisible());
    EXPECT_EQ(regi.DBEdit2->text(), u"花子"_s);
    regi.close();
    edit.close();
}

TEST_F(FamilyTest, AnEmptyNameIsReportedAndTheNewRecordStaysOpen) {
    TKAZOregiForm w;
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{kNoName});
    EXPECT_EQ(w.focusWidget(), w.DBEdit2);
    EXPECT_EQ(w.Table1->state(), Cursor::State::Insert);
    EXPECT_TRUE(stored().empty());
    w.DBEdit2->setText(u"太郎"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored(), (std::vector<Member>{{1, u"太郎"_s}}));
}

TEST_F(FamilyTest, NameBoxesTakeNoMoreThanTheFieldHolds) {
    TKAZOregiForm r;
    typeText(r.DBEdit2, u"あいうえおかき"_s);
    EXPECT_EQ(r.DBEdit2->text(), u"あいうえお"_s);  // 10 bytes
    r.ColorButton1Click();
    EXPECT_EQ(stored().back(), (Member{1, u"あいうえお"_s}));

    TKAZOeditForm e;
    typeText(e.Edit1, u"abcあいうえお"_s);
    EXPECT_EQ(e.Edit1->text(), u"abcあいう"_s);  // 9 bytes: the next would split
}

// --- edit -------------------------------------------------------------------------------------

TEST_F(FamilyTest, KeyboardMovesEmptyTheBoxesExceptOnCodeOne) {
    add(3, u"太郎"_s);
    add(1, u"花子"_s);
    add(2, u"一郎"_s);
    mz::platform::ModalDriver driver;
    driver.onOpen<TKAZOeditForm>([&](TKAZOeditForm& w) {
        TDBGrid* grid = w.DBGrid1;
        EXPECT_EQ(boxes(w), (QStringList{{}, {}}));
        clickRow(grid, 0);
        EXPECT_EQ(boxes(w), (QStringList{u"3"_s, u"太郎"_s}));
        QTest::keyClick(grid, Qt::Key_Down);  // onto code 1: kept
        EXPECT_EQ(boxes(w), (QStringList{u"3"_s, u"太郎"_s}));
        QTest::keyClick(grid, Qt::Key_Down);  // onto code 2: emptied
        EXPECT_EQ(boxes(w), (QStringList{{}, {}}));
        giveFocus(grid);  // not on code 1: nothing
        EXPECT_EQ(boxes(w), (QStringList{{}, {}}));
        QTest::keyClick(grid, Qt::Key_Up);
        giveFocus(grid);
        EXPECT_EQ(boxes(w), (QStringList{u"1"_s, u"花子"_s}));
        clickRow(grid, 2);
        EXPECT_EQ(boxes(w), (QStringList{u"2"_s, u"一郎"_s}));
    });
    mz::platform::openModal(nullptr, mz::state().KAZOeditForm);
}

TEST_F(FamilyTest, CorrectionGoesToTheCurrentRowAfterTheNameWasRetyped) {
    add(1, u"太郎"_s);
    add(2, u"花子"_s);
    add(3, u"一郎"_s);
    mz::platform::ModalDriver driver;
    driver.onOpen<TKAZOeditForm>([&](TKAZOeditForm& w) {
        clickRow(w.DBGrid1, 0);
        QTest::keyClick(w.DBGrid1, Qt::Key_Down);
        EXPECT_EQ(boxes(w), (QStringList{{}, {}}));
        w.ColorButton1Click();  // nothing typed yet
        typeText(w.Edit1, u"はな"_s);
        w.ColorButton1Click();
        EXPECT_EQ(boxes(w), (QStringList{QString(), u"はな"_s}));
        EXPECT_EQ(w.focusWidget(), w.Edit1);
    });
    mz::platform::openModal(nullptr, mz::state().KAZOeditForm);
    EXPECT_EQ(rec.notices(), (QStringList{kNoName, kCorrected}));
    EXPECT_EQ(stored(), (std::vector<Member>{{1, u"太郎"_s}, {2, u"はな"_s}, {3, u"一郎"_s}}));
}

TEST_F(FamilyTest, CorrectionOnAnEmptyListChangesNothing) {
    TKAZOeditForm w;
    w.Edit1->setText(u"太郎"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices(), QStringList{u"  修正する家族がありません。  "_s});
    EXPECT_EQ(w.Table1->state(), Cursor::State::Browse);
    EXPECT_TRUE(stored().empty());
    // The registration that follows still starts at 1.
    TKAZOregiForm r;
    EXPECT_EQ(r.DBEdit1->text(), u"1"_s);
}

TEST_F(FamilyTest, RenamingLeavesLedgerEntriesAsTheyAre) {
    add(1, u"太郎"_s);
    {
        Cursor in;
        in.open(u"Indata.DBF"_s);
        in.append();
        in.setValue(u"収入番号"_s, 1.0);
        in.setValue(u"家族名"_s, u"太郎"_s);
        in.post();
    }
    TKAZOeditForm w;
    w.DBGrid1CellClick();
    w.Edit1->setText(u"太朗"_s);
    w.ColorButton1Click();
    EXPECT_EQ(stored(), (std::vector<Member>{{1, u"太朗"_s}}));
    Cursor in;
    in.open(u"Indata.DBF"_s);
    EXPECT_EQ(in.text(u"家族名"_s), u"太郎"_s);
}

TEST_F(FamilyTest, WindowsCarryTheirCaptionsSizesAndControls) {
    TKAZOregiForm r;
    TKAZOeditForm e;
    EXPECT_EQ(r.windowTitle(), u"Mizorel - 家族の登録"_s);
    EXPECT_EQ(e.windowTitle(), u"Mizorel - 家族の修正"_s);
    EXPECT_EQ(r.size(), QSize(322, 336));
    EXPECT_EQ(e.size(), QSize(322, 336));
    EXPECT_EQ(r.ColorButton1->text(), u"登　 録"_s);
    EXPECT_EQ(e.ColorButton1->text(), u"修 　正"_s);
    EXPECT_EQ(e.ColorButton2->text(), u"戻　 る"_s);
    EXPECT_EQ(r.DBEdit2->toolTip(), u"名前のみを入力してください"_s);
    EXPECT_EQ(e.Edit1->toolTip(), u"名前のみを入力してください"_s);
    EXPECT_FALSE(r.DBEdit1->isEnabled());
    EXPECT_FALSE(e.Memo1->isEnabled());
    EXPECT_EQ(r.DBGrid1->column(0).title, u"家族コード"_s);
    EXPECT_EQ(r.DBGrid1->column(1).title, u"家族の名前"_s);
    EXPECT_EQ(e.DBGrid1->geometry(), QRect(40, 149, 195, 105));
    EXPECT_EQ(r.Panel1->text(), u"登録済み家族"_s);
}

}  // namespace
