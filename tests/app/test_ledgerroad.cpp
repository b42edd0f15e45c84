// Roads from the main window into the ledger and address book windows: 収入情報 and 支出情報
// open the management windows, 相手先設定 › 修正 / 削除 / 検索 the selection window in its
// mode; a counterpart picked for the income search criterion narrows the grid to their entries.
#include "app/TMizorelMenuForm.h"
#include "app/startup.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "data/cursor.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "records.h"
#include "testdata.h"
#include "ui_TINsrSrForm.h"
#include "ui_TNAMEsentakuForm.h"
#include "widgets/dbgrid.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct LedgerRoadTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    LedgerRoadTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
    }
    ~LedgerRoadTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

void addIncome(double number, QDate date, const QString& name) {
    mz::data::Cursor c;
    c.open(u"Indata.DBF"_s);
    c.append();
    c.setValue(u"収入番号"_s, number);
    c.setValue(u"収入日"_s, date);
    c.setValue(u"氏名"_s, name);
    c.setValue(u"金額"_s, 10000.0);
    c.post();
}

using mz::test::addPerson;

}  // namespace

TEST_F(LedgerRoadTest, IncomeSearchByAPickedCounterpart) {
    addIncome(1, QDate(2024, 3, 15), u"加藤"_s);
    addIncome(2, QDate(2023, 7, 1), u"後藤"_s);
    addIncome(3, QDate(2022, 1, 9), u"加藤"_s);
    addIncome(4, QDate(2024, 1, 2), u"佐藤"_s);
    addPerson(100, u"加藤"_s, u"ｶﾄｳ"_s);
    addPerson(200, u"後藤"_s, u"ｺﾞﾄｳ"_s);

    mz::platform::Recorder rec;
    mz::app::Startup s;
    ASSERT_TRUE(mz::app::startUp(s));
    mz::platform::ModalDriver driver;
    qint32 modeWhilePicking = -1;
    QStringList found;
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& w) {
        modeWhilePicking = mz::state().NameSelectMode;
        w.TabControl1->setCurrentIndex(1);  // カ: ｶﾄｳ, ｺﾞﾄｳ
        w.DBGrid1->selectRow(0);
        w.ColorButton1Click();
    });
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& w) {
        w.ColorButton3Click();
        EXPECT_EQ(w.Edit1->text(), u"加藤"_s);
        w.ColorButton5Click();
        for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r)
            found << w.DBGrid1->cellText(r, 1) + u' ' + w.DBGrid1->cellText(r, 0);
        w.ColorButton2Click();
    });
    s.mainWindow->ColorButton1Click();  // 収入情報
    EXPECT_EQ(modeWhilePicking, mz::mode::kNameCriterion);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_EQ(found, (QStringList{u"2022/01/09 加藤"_s, u"2024/03/15 加藤"_s}));
    EXPECT_EQ(driver.opened(), (QStringList{u"TINsrSrForm"_s, u"TNAMEsentakuForm"_s}));
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(LedgerRoadTest, MenuCommandsOpenTheirWindowsInTheirModes) {
    mz::platform::Recorder rec;
    mz::app::Startup s;
    ASSERT_TRUE(mz::app::startUp(s));
    mz::platform::ModalDriver driver;
    driver.onOpen<TOUTsrSrForm>([](TOUTsrSrForm&) {});
    s.mainWindow->ColorButton2Click();  // 支出情報
    s.mainWindow->N11Click();
    EXPECT_EQ(driver.openCount(u"TOUTsrSrForm"_s), 2);

    QList<qint32> modes;
    QStringList headings;
    driver.onOpen<TNAMEsentakuForm>([&](TNAMEsentakuForm& w) {
        modes << mz::state().NameSelectMode;
        headings << w.Label1->text();
    });
    s.mainWindow->N3Click();
    s.mainWindow->N4Click();
    s.mainWindow->N5Click();
    EXPECT_EQ(modes,
              (QList<qint32>{mz::mode::kNameEdit, mz::mode::kNameDelete, mz::mode::kNameSearch}));
    EXPECT_EQ(headings, (QStringList{u"相手先の選択 ( 修正 )"_s, u"相手先の選択 ( 削除 )"_s,
                                     u"相手先の選択 ( 検索 )"_s}));
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
}
