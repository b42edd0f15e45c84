// Roads from the main window into the ledger and address book windows: 収入情報 and 支出情報
// open the management windows, 相手先設定 › 修正 / 削除 / 検索 the selection window in its
// mode.
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

}  // namespace

// The search by a picked counterpart is tested with the management window itself
// (tests/ledger); from the main window it is enough that both income commands open that window
// on the data directory the program started in.
TEST_F(LedgerRoadTest, IncomeCommandsOpenTheIncomeWindowOnTheDataDirectory) {
    addIncome(1, QDate(2024, 3, 15), u"加藤"_s);
    addIncome(2, QDate(2022, 1, 9), u"後藤"_s);

    mz::platform::Recorder rec;
    mz::app::Startup s;
    ASSERT_TRUE(mz::app::startUp(s));
    mz::platform::ModalDriver driver;
    QList<QStringList> shown;
    driver.onOpen<TINsrSrForm>([&](TINsrSrForm& w) {
        QStringList rows;
        for (int r = 0; r < w.DBGrid1->model()->rowCount(); ++r)
            rows << w.DBGrid1->cellText(r, 1) + u' ' + w.DBGrid1->cellText(r, 0);
        shown << rows;
    });
    s.mainWindow->ColorButton1Click();  // 収入情報
    s.mainWindow->S2Click();            // 収入情報 in the menu
    const QStringList byDate{u"2022/01/09 後藤"_s, u"2024/03/15 加藤"_s};
    EXPECT_EQ(shown, (QList<QStringList>{byDate, byDate}));
    EXPECT_EQ(driver.opened(), (QStringList{u"TINsrSrForm"_s, u"TINsrSrForm"_s}));
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
