// The counterpart selection window: its look, the kana-row tabs and the readings each lists,
// and what a pick, an empty tab and 戻る do in every mode.
#include "counterparts/TNAMEdelForm.h"
#include "counterparts/TNAMEeditForm.h"
#include "counterparts/TNAMEregi2Form.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "counterparts/TNAMEsrchForm.h"
#include "data/cursor.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "records.h"
#include "testdata.h"
#include "ui_TNAMEsentakuForm.h"
#include "widgets/colorbutton.h"
#include "widgets/dbgrid.h"

#include <QDir>
#include <QTabBar>

#include <gtest/gtest.h>

#include <set>

using namespace Qt::StringLiterals;
using mz::counterparts::kanaRowFilter;
using mz::data::Cursor;

namespace {

const QString kNoneSelected = u"  相手先が選択されていません。  "_s;

using mz::test::addPerson;

// The names a tab lists, top to bottom, after the user selected it.
QStringList namesUnder(TNAMEsentakuForm& w, int tab) {
    w.TabControl1->setCurrentIndex(tab);
    QStringList names;
    for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r) names << w.DBGrid1->cellText(r, 0);
    return names;
}

struct SelectionTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    SelectionTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
    }
    ~SelectionTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

}  // namespace

TEST(KanaRows, FiltersAreBuiltFromThePrefixesOfEachRow) {
    EXPECT_EQ(
        kanaRowFilter(0),
        u"((フリガナ='ｱ*') or (フリガナ='ｲ*') or (フリガナ='ｳ*') or (フリガナ='ｴ*') or (フリガナ='ｵ*'))"_s);
    EXPECT_EQ(kanaRowFilter(9), u"((フリガナ='ﾜ*'))"_s);
    EXPECT_EQ(kanaRowFilter(7), u"((フリガナ='ﾔ*') or (フリガナ='ﾕ*') or (フリガナ='ﾖ*'))"_s);
    EXPECT_EQ(
        kanaRowFilter(5),
        u"((フリガナ='ﾊ*') or (フリガナ='ﾋ*') or (フリガナ='ﾌ*') or (フリガナ='ﾍ*') or (フリガナ='ﾎ*'))"_s);
    EXPECT_TRUE(kanaRowFilter(-1).isEmpty());
    EXPECT_TRUE(kanaRowFilter(10).isEmpty());
}

TEST_F(SelectionTest, LayoutAndHeadingPerMode) {
    const std::pair<qint32, QString> headings[] = {
        {mz::mode::kNameAddFamily, u"相手先の選択 ( 家族追加 )"_s},
        {mz::mode::kNameEdit, u"相手先の選択 ( 修正 )"_s},
        {mz::mode::kNameDelete, u"相手先の選択 ( 削除 )"_s},
        {mz::mode::kNameSearch, u"相手先の選択 ( 検索 )"_s},
        {mz::mode::kNameEntry, u"相手先の選択"_s},
        {mz::mode::kNameCriterion, u"相手先の選択"_s},
        {mz::mode::kNameBalance, u"相手先の選択 ( 贈答 )"_s},
        {0, u"相手先の選択"_s},
        {999, u"相手先の選択"_s},
    };
    for (const auto& [mode, heading] : headings) {
        mz::state().NameSelectMode = mode;
        TNAMEsentakuForm w;
        EXPECT_EQ(w.Label1->text(), heading) << mode;
    }

    TNAMEsentakuForm w;
    EXPECT_EQ(w.windowTitle(), u"Mizorel - 相手先の選択"_s);
    EXPECT_EQ(w.size(), QSize(378, 334));
    EXPECT_EQ(w.Label1->pos(), QPoint(26, 8));
    EXPECT_TRUE(w.Label1->font().bold());
    EXPECT_EQ(w.Label1->font().pixelSize(), 16);
    EXPECT_EQ(w.TabControl1->geometry(), QRect(26, 32, 327, 233));
    QStringList tabs;
    for (int i = 0; i < w.TabControl1->count(); ++i) tabs << w.TabControl1->tabText(i);
    EXPECT_EQ(tabs, (QStringList{u"ア"_s, u"カ"_s, u"サ"_s, u"タ"_s, u"ナ"_s, u"ハ"_s, u"マ"_s,
                                 u"ヤ"_s, u"ラ"_s, u"ワ"_s}));
    EXPECT_EQ(w.DBGrid1->parentWidget(), w.TabControl1);
    EXPECT_EQ(w.DBGrid1->geometry(), QRect(5, 40, 316, 190));
    EXPECT_EQ(w.DBGrid1->columnWidth(0), 141);
    EXPECT_EQ(w.DBGrid1->columnWidth(1), 141);
    EXPECT_EQ(w.DBGrid1->fixedColor(), QColor(0, 255, 0));
    EXPECT_EQ(w.ColorButton1->text(), u"選\u3000\u3000択"_s);
    EXPECT_EQ(w.ColorButton1->geometry(), QRect(80, 282, 89, 33));
    EXPECT_EQ(w.ColorButton1->color(), QColor(0x88, 0xFF, 0x88));
    EXPECT_EQ(w.ColorButton2->text(), u"戻\u3000\u3000る"_s);
    EXPECT_EQ(w.ColorButton2->geometry(), QRect(200, 282, 89, 33));
    EXPECT_EQ(w.ColorButton2->color(), QColor(0xFF, 0xA2, 0xFF));
    EXPECT_EQ(w.Table1->indexName(), u"フリガナ"_s);
    EXPECT_TRUE(w.Table1->filtered());
}

TEST_F(SelectionTest, EachTabListsItsRowByReadingAndOddReadingsNowhere) {
    // Listed: plain letters, voiced and semi-voiced letters under their plain letter, and two
    // people with the same reading.
    addPerson(100, u"井上"_s, u"ｲﾉｳｴ"_s);
    addPerson(200, u"青木"_s, u"ｱｵｷ"_s);
    addPerson(300, u"後藤"_s, u"ｺﾞﾄｳ"_s);
    addPerson(400, u"加藤"_s, u"ｶﾄｳ"_s);
    addPerson(500, u"朴"_s, u"ﾊﾟｸ"_s);
    addPerson(600, u"馬場"_s, u"ﾊﾞﾊﾞ"_s);
    addPerson(700, u"山田"_s, u"ﾔﾏﾀﾞ"_s);
    addPerson(701, u"山田二"_s, u"ﾔﾏﾀﾞ"_s);
    addPerson(800, u"湯川"_s, u"ﾕｶﾜ"_s);
    addPerson(900, u"吉田"_s, u"ﾖｼﾀﾞ"_s);
    addPerson(1000, u"和田"_s, u"ﾜﾀﾞ"_s);
    addPerson(1100, u"林"_s, u"ﾊﾔｼ"_s);
    addPerson(1200, u"李"_s, u"ﾘ"_s);
    addPerson(1300, u"大野"_s, u"ｵｵﾉ"_s);
    addPerson(1400, u"佐藤"_s, u"ｻﾄｳ"_s);
    addPerson(1500, u"田中"_s, u"ﾀﾅｶ"_s);
    addPerson(1600, u"中村"_s, u"ﾅｶﾑﾗ"_s);
    addPerson(1700, u"松本"_s, u"ﾏﾂﾓﾄ"_s);
    // Not listed anywhere.
    addPerson(2000, u"ｦ氏"_s, u"ｦﾀﾞ"_s);
    addPerson(2100, u"ﾝ氏"_s, u"ﾝｼﾞ"_s);
    addPerson(2200, u"小ァ氏"_s, u"ｧｲ"_s);
    addPerson(2300, u"小ッ氏"_s, u"ｯﾀ"_s);
    addPerson(2400, u"小ャ氏"_s, u"ｬﾏ"_s);
    addPerson(2500, u"長音氏"_s, u"ｰｱ"_s);
    addPerson(2600, u"全角氏"_s, u"アオキ"_s);
    addPerson(2700, u"平仮名氏"_s, u"あおき"_s);
    addPerson(2800, u"Latin"_s, u"Aoki"_s);
    addPerson(2900, u"数字氏"_s, u"1ｱｵｷ"_s);
    addPerson(3000, u"空白氏"_s, u" ｱｵｷ"_s);
    addPerson(3100, u"読み無し"_s, QString());

    TNAMEsentakuForm w;
    // At creation: tab ア, by ascending reading, the first current.
    EXPECT_EQ(w.TabControl1->currentIndex(), 0);
    EXPECT_EQ(w.Table1->filter(), kanaRowFilter(0));
    EXPECT_EQ(w.Table1->row(), 0);
    EXPECT_EQ(w.Table1->text(u"氏名"_s), u"青木"_s);

    const QStringList expected[10] = {
        {u"青木"_s, u"井上"_s, u"大野"_s},
        {u"加藤"_s, u"後藤"_s},
        {u"佐藤"_s},
        {u"田中"_s},
        {u"中村"_s},
        {u"林"_s, u"馬場"_s, u"朴"_s},  // ﾊﾔ, ﾊﾞ, ﾊﾟ: the marks sort after the letters
        {u"松本"_s},
        {u"山田"_s, u"山田二"_s, u"湯川"_s, u"吉田"_s},
        {u"李"_s},
        {u"和田"_s},
    };
    // Visited out of order: each tab change replaces the filter and moves to the first row.
    std::set<QString> listed;
    for (int tab : {3, 9, 0, 7, 5, 1, 2, 4, 6, 8}) {
        const QStringList names = namesUnder(w, tab);
        EXPECT_EQ(names, expected[tab]) << "tab " << tab;
        EXPECT_EQ(w.Table1->filter(), kanaRowFilter(tab));
        EXPECT_EQ(w.Table1->row(), 0);
        listed.insert(names.begin(), names.end());
    }
    EXPECT_EQ(listed.size(), 18u);
}

TEST_F(SelectionTest, PickInTheAnsweringModesAnswersAndCloses) {
    addPerson(100, u"青木一郎"_s, u"ｱｵｷｲﾁﾛｳ"_s);
    addPerson(200, u"伊藤"_s, u"ｲﾄｳ"_s);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    bool closedByPick = false;

    mz::state().EntryName = u"前の名前"_s;
    mz::state().NameSelectMode = mz::mode::kNameCriterion;
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& w) {
        w.DBGrid1->selectRow(1);
        w.ColorButton1Click();
        closedByPick = !w.isVisible();
    });
    mz::platform::openModal(nullptr, mz::state().NAMEsentakuForm);
    EXPECT_TRUE(closedByPick);
    EXPECT_EQ(mz::state().SelectedName, u"伊藤"_s);
    EXPECT_EQ(mz::state().EntryName, u"前の名前"_s);

    mz::state().NameSelectMode = mz::mode::kNameEntry;
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& w) {
        w.DBGrid1DblClick();
        closedByPick = !w.isVisible();
    });
    closedByPick = false;
    mz::platform::openModal(nullptr, mz::state().NAMEsentakuForm);
    EXPECT_TRUE(closedByPick);
    EXPECT_EQ(mz::state().EntryName, u"青木一郎"_s);
    EXPECT_EQ(mz::state().SelectedName, u"伊藤"_s);
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(SelectionTest, ReturnAndEmptyTabsLeaveTheAnswersAlone) {
    addPerson(100, u"青木"_s, u"ｱｵｷ"_s);
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    for (const qint32 mode : {mz::mode::kNameEntry, mz::mode::kNameCriterion,
                              mz::mode::kNameBalance}) {
        mz::state().NameSelectMode = mode;
        mz::state().EntryName = u"前E"_s;
        mz::state().SelectedName = u"前S"_s;
        driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& w) {
            w.TabControl1->setCurrentIndex(9);  // ワ: nobody
            w.ColorButton1Click();
            w.DBGrid1DblClick();
            EXPECT_TRUE(w.isVisible());
            w.TabControl1->setCurrentIndex(0);
            w.ColorButton2Click();  // 戻る with somebody current
            EXPECT_FALSE(w.isVisible());
        });
        mz::platform::openModal(nullptr, mz::state().NAMEsentakuForm);
        EXPECT_EQ(mz::state().EntryName, u"前E"_s) << mode;
        EXPECT_EQ(mz::state().SelectedName, u"前S"_s) << mode;
        EXPECT_EQ(rec.notices(), (QStringList{kNoneSelected, kNoneSelected})) << mode;
        rec.clearDialogs();
    }

    // Idle, or a code that is not one of this window's (100 and 180 lie beside the
    // codes it knows): a pick does nothing at all, not even on
    // an empty tab.
    for (const qint32 mode : {mz::mode::kNameIdle, mz::mode::kPurposeEntry, 100, 180}) {
        mz::state().NameSelectMode = mode;
        TNAMEsentakuForm w;
        w.ColorButton1Click();
        w.TabControl1->setCurrentIndex(9);
        w.ColorButton1Click();
        w.DBGrid1DblClick();
    }
    EXPECT_TRUE(rec.notices().isEmpty());
    EXPECT_EQ(mz::state().SelectedName, u"前S"_s);
    EXPECT_EQ(mz::state().CurrentNameCode, 0);
}

TEST_F(SelectionTest, PickInTheWindowOpeningModesRecordsTheCodeAndStaysOpen) {
    addPerson(100, u"青木"_s, u"ｱｵｷ"_s);
    addPerson(101, u"青木花子"_s, u"ｱｵｷﾊﾅｺ"_s);
    addPerson(4201, u"和田"_s, u"ﾜﾀﾞ"_s);
    mz::platform::Recorder rec;
    // Each pick opens the window of its mode, which the user leaves at once.
    mz::platform::ModalDriver driver;
    driver.onOpen<TNAMEregi2Form>([](TNAMEregi2Form&) {});
    driver.onOpen<TNAMEeditForm>([](TNAMEeditForm&) {});
    driver.onOpen<TNAMEdelForm>([](TNAMEdelForm&) {});
    driver.onOpen<TNAMEsrchForm>([](TNAMEsrchForm&) {});
    for (const qint32 mode : {mz::mode::kNameAddFamily, mz::mode::kNameEdit, mz::mode::kNameDelete,
                              mz::mode::kNameSearch}) {
        mz::state().NameSelectMode = mode;
        mz::state().SelectedName = u"前S"_s;
        TNAMEsentakuForm w;
        w.DBGrid1->selectRow(1);
        w.ColorButton1Click();
        EXPECT_EQ(mz::state().CurrentNameCode, 101) << mode;
        w.TabControl1->setCurrentIndex(9);
        w.DBGrid1DblClick();
        EXPECT_EQ(mz::state().CurrentNameCode, 4201) << mode;
        EXPECT_EQ(w.TabControl1->currentIndex(), 9);
        EXPECT_EQ(w.result(), 0);  // still open for the next pick
        EXPECT_EQ(mz::state().SelectedName, u"前S"_s);
    }
    EXPECT_TRUE(rec.notices().isEmpty());
    EXPECT_EQ(driver.opened(),
              (QStringList{u"TNAMEregi2Form"_s, u"TNAMEregi2Form"_s, u"TNAMEeditForm"_s,
                           u"TNAMEeditForm"_s, u"TNAMEdelForm"_s, u"TNAMEdelForm"_s,
                           u"TNAMEsrchForm"_s, u"TNAMEsrchForm"_s}));
}

TEST_F(SelectionTest, TheListFollowsADeleteWhenReRead) {
    addPerson(100, u"青木"_s, u"ｱｵｷ"_s);
    addPerson(200, u"伊藤"_s, u"ｲﾄｳ"_s);
    TNAMEsentakuForm w;
    w.TabControl1->setCurrentIndex(0);
    {
        // Another window deletes the first person and re-reads the list.
        Cursor other;
        other.open(u"Aitesaki.DBF"_s);
        other.first();
        other.remove();
    }
    w.Table1->refresh();
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 1);
    EXPECT_EQ(w.DBGrid1->cellText(0, 0), u"伊藤"_s);
    EXPECT_EQ(w.Table1->filter(), kanaRowFilter(0));
}
