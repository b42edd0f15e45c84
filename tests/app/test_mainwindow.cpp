// Start-up and the main window: order of creation, the data directory, a missing table, the
// menu captions, the buttons' re-anchoring, the about box, and the ways the program ends.
#include "app/TMizorelMenuForm.h"
#include "app/TMizorel_verForm.h"
#include "app/startup.h"
#include "counterparts/TNAMEkubunForm.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "data/types.h"
#include "ledger/TAITEbetuForm.h"
#include "ledger/TOKAEshiForm.h"
#include "ledger/returns.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"
#include "spreadsheet/TCSVinForm.h"
#include "spreadsheet/TCSVoutForm.h"
#include "records.h"
#include "testdata.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::platform::DialogKind;

namespace {

struct MainWindowTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    MainWindowTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
    }
    ~MainWindowTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};

}  // namespace

TEST_F(MainWindowTest, StartUpRecordsDataDirFirstThenCreatesThePrintoutsInOrder) {
    mz::platform::Recorder rec;
    mz::app::Startup s;
    ASSERT_TRUE(mz::app::startUp(s));
    EXPECT_EQ(mz::state().DataDir, QDir::currentPath());
    EXPECT_EQ(mz::state().MizorelMenuForm.data(), s.mainWindow.get());
    QStringList order;
    for (const auto& p : s.printouts) order << QString::fromLatin1(p->metaObject()->className());
    EXPECT_EQ(order, (QStringList{u"TRepAite1Form"_s, u"TRepAite2Form"_s, u"TRepKazo1Form"_s, u"TRepMoku1Form"_s,
                                  u"TRepIn1Form"_s, u"TRepIn2Form"_s, u"TRepOut2Form"_s, u"TRepOut1Form"_s}));
    EXPECT_EQ(mz::state().RepOut1Form.data(), s.printouts.back().get());
    // Each printout's cursor is open as its report needs it.
    auto* in1 = qobject_cast<TRepIn1Form*>(s.printouts[4].get());
    auto* aite2 = qobject_cast<TRepAite2Form*>(s.printouts[1].get());
    auto* moku = qobject_cast<TRepMoku1Form*>(s.printouts[3].get());
    ASSERT_TRUE(in1 && aite2 && moku);
    EXPECT_EQ(mz::state().RepIn1Form.data(), in1);
    EXPECT_TRUE(in1->MasterTable->filtered());
    EXPECT_EQ(aite2->MasterTable->indexName(), u"相手先コード"_s);
    EXPECT_EQ(moku->Table1->indexName(), u"区分番号"_s);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(MainWindowTest, StartUpGivesAnOlderDataDirectoryTheReturnTablesWithANotice) {
    for (const QString& name :
         {u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s, u"Henrei.dbf"_s, u"Henrei.MDX"_s})
        ASSERT_TRUE(QFile::remove(dir.file(name)));
    {
        mz::platform::Recorder rec;
        mz::app::Startup s;
        ASSERT_TRUE(mz::app::startUp(s));
        ASSERT_EQ(rec.notices().size(), 1);
        EXPECT_TRUE(rec.notices()[0].contains(u"Okaeshi.DBF"_s)) << rec.notices()[0].toStdString();
        EXPECT_TRUE(rec.notices()[0].contains(u"Henrei.dbf"_s));
        EXPECT_TRUE(QFile::exists(dir.file(u"Okaeshi.MDX"_s)));
    }
    // The next start finds them: no notice.
    mz::platform::Recorder rec;
    mz::app::Startup s;
    ASSERT_TRUE(mz::app::startUp(s));
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(MainWindowTest, MissingTableStopsStartUpWithTheApplicationErrorBox) {
    QFile::remove(dir.file(u"Moku.dbf"_s));
    mz::platform::Recorder rec;
    mz::app::Startup s;
    EXPECT_FALSE(mz::app::startUp(s));
    ASSERT_EQ(rec.dialogs().size(), 1);
    EXPECT_EQ(rec.dialogs()[0].kind, DialogKind::Error);
    EXPECT_EQ(rec.dialogs()[0].caption, u"アプリケーションエラー"_s);
    EXPECT_TRUE(rec.dialogs()[0].text.contains(u"Moku.dbf"_s)) << rec.dialogs()[0].text.toStdString();
    // A folder without the data files is told how a data directory is made.
    EXPECT_TRUE(rec.dialogs()[0].text.contains(u"mizorel-newdata"_s));
    EXPECT_EQ(s.mainWindow, nullptr);
    EXPECT_TRUE(s.printouts.empty());
}

TEST_F(MainWindowTest, ADamagedTableStopsStartUpWithoutTheHintForAnEmptyFolder) {
    QFile file(dir.file(u"Moku.dbf"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a table");
    file.close();
    mz::platform::Recorder rec;
    mz::app::Startup s;
    EXPECT_FALSE(mz::app::startUp(s));
    ASSERT_EQ(rec.dialogs().size(), 1);
    EXPECT_FALSE(rec.dialogs()[0].text.contains(u"mizorel-newdata"_s))
        << rec.dialogs()[0].text.toStdString();
}

TEST_F(MainWindowTest, MenuCaptionsAreExactBlanksIncluded) {
    TMizorelMenuForm w;
    EXPECT_EQ(w.windowTitle(), u"Mizorel Ver. 10"_s);
    QStringList top;
    for (QAction* a : w.MainMenu1->actions()) top << a->text();
    EXPECT_EQ(top, (QStringList{u"収支管理 "_s, u"相手先設定 "_s, u"目的設定 "_s, u"家族設定 "_s,
                                u"贈答 "_s, u"ツール "_s, u"ヘルプ "_s, u"終 了"_s}));
    auto items = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions()) out << a->objectName() + u'=' + a->text();
        return out;
    };
    EXPECT_EQ(items(w.N6), (QStringList{u"S2=収入情報"_s, u"N11=支出情報"_s}));
    EXPECT_EQ(items(w.N1), (QStringList{u"N2=登 　録"_s, u"N3=修　 正"_s, u"N4=削 　除"_s,
                                        u"N5=検　 索"_s, u"N9=全印刷"_s}));
    EXPECT_EQ(items(w.N10),
              (QStringList{u"R4=登  録"_s, u"E4=修　正"_s, u"D3=削  除"_s, u"P2=印　刷"_s}));
    EXPECT_EQ(items(w.N8), (QStringList{u"R3=登　録"_s, u"E3=修　正"_s, u"P1=印　刷"_s}));
    EXPECT_EQ(items(w.Tool1), (QStringList{u"B1=バックアップ"_s, u"CsvOut1=CSV書き出し(&E)..."_s,
                                           u"CsvIn1=CSV取り込み(&I)..."_s}));
    EXPECT_EQ(items(w.Help1), (QStringList{u"M1=目次と検索"_s, u"V1=ﾊﾞｰｼﾞｮﾝ情報"_s}));
    EXPECT_EQ(w.Q1->menu(), nullptr) << "終 了 is a command on the bar itself";
    EXPECT_EQ(items(w.Gift1), (QStringList{u"N12=相手先別の贈答"_s, u"Return1=お返し管理"_s,
                                           u"Uketsuke1=受付モード"_s}));
}

// The ツール menu opens CSV書き出し for whole tables, and CSV取り込み.
TEST_F(MainWindowTest, ToolMenuOpensTheCsvWindows) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    TMizorelMenuForm w;
    int out = 0, in = 0;
    driver.onOpen<TCSVoutForm>([&](TCSVoutForm& f) {
        ++out;
        EXPECT_EQ(mz::state().CsvExportMode, mz::mode::kCsvExportTables);
        EXPECT_TRUE(f.ComboBox1->isEnabled());
    });
    driver.onOpen<TCSVinForm>([&](TCSVinForm&) { ++in; });
    w.CsvOut1->trigger();
    w.CsvIn1->trigger();
    EXPECT_EQ(out, 1);
    EXPECT_EQ(in, 1);
}

TEST_F(MainWindowTest, ButtonsKeepTheirPlaceAndTabOrder) {
    TMizorelMenuForm w;
    EXPECT_EQ(w.ColorButton1->geometry(), QRect(136, 334, 193, 75));
    EXPECT_EQ(w.ColorButton2->geometry(), QRect(376, 334, 193, 75));
    EXPECT_EQ(w.ColorButton3->geometry(), QRect(640, 454, 97, 51));
    EXPECT_EQ(w.ColorButton1->color(), QColor(149, 255, 149));
    EXPECT_EQ(w.ColorButton2->color(), QColor(255, 151, 255));
    EXPECT_EQ(w.ColorButton3->color(), QColor(0, 255, 255));
    EXPECT_EQ(w.ColorButton1->nextInFocusChain(), w.ColorButton2);
    EXPECT_EQ(w.ColorButton2->nextInFocusChain(), w.ColorButton3);
    EXPECT_EQ(w.Image2->geometry(), QRect(0, 8, 801, 577));
    // The picture at its natural size from the corner, clipped to the control: only the corner
    // that shows is decoded, and it is the picture's own.
    const QImage full(u":/mizorel/background.jpg"_s);
    ASSERT_EQ(full.size(), QSize(1920, 1024));
    const QImage shown = w.Image2->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(801, 577));
    for (const QPoint p : {QPoint(0, 0), QPoint(400, 300), QPoint(800, 576)})
        EXPECT_EQ(shown.pixel(p), full.pixel(p)) << p.x() << "," << p.y();
}

TEST_F(MainWindowTest, ResizeKeepsEachButtonCentreAtItsFractionOfTheHeight) {
    // new top = centre x new height / 527 - half the height
    EXPECT_EQ(TMizorelMenuForm::anchoredTop(334, 75, 527), 334);
    EXPECT_EQ(TMizorelMenuForm::anchoredTop(334, 75, 1054), 706);  // 371.5 * 2 - 37.5 = 705.5
    EXPECT_EQ(TMizorelMenuForm::anchoredTop(454, 51, 300), 247);  // 479.5 * 300 / 527 - 25.5 = 247.46
    TMizorelMenuForm w;
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.ClientArea->height(), 527);
    w.resize(w.width() + 100, w.height() + 527);
    QApplication::processEvents();
    const int h = w.ClientArea->height();
    EXPECT_EQ(h, 1054);
    EXPECT_EQ(w.ColorButton1->geometry(), QRect(136, 706, 193, 75)) << "left edge stays";
    EXPECT_EQ(w.ColorButton3->y(), TMizorelMenuForm::anchoredTop(454, 51, h));
    EXPECT_EQ(w.Image2->pos(), QPoint(0, 8)) << "the picture keeps its place";
    w.close();
}

TEST_F(MainWindowTest, AboutBoxOpensFreshEachTimeAndOkCloses) {
    TMizorelMenuForm w;
    mz::platform::ModalDriver driver;
    QList<TMizorel_verForm*> seen;
    driver.onOpen<TMizorel_verForm>([&](TMizorel_verForm& box) {
        seen << &box;
        EXPECT_EQ(box.windowTitle(), u"Mizorel - バージョン情報"_s);
        EXPECT_EQ(box.ProductName->text(), u"Mizorel"_s);
        EXPECT_EQ(box.Version->text(), u"Version  10"_s);
        EXPECT_EQ(box.Comments->text(), u"for Windows 10/ 8/ 7/XP"_s);
        EXPECT_TRUE(box.OKButton->isDefault());
        EXPECT_EQ(box.size(), QSize(312, 208));
        QTest::keyClick(&box, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible()) << "Enter closes the box";
        EXPECT_EQ(box.result(), QDialog::Accepted);
    });
    w.V1Click();
    w.V1Click();
    EXPECT_EQ(driver.openCount(u"TMizorel_verForm"_s), 2);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(mz::state().Mizorel_verForm.isNull()) << "the box is destroyed after it closes";
}

TEST_F(MainWindowTest, PictureClickMenuAndButtonEndTheProgramWithoutAQuestion) {
    mz::platform::Recorder rec;
    for (int way = 0; way < 3; ++way) {
        TMizorelMenuForm w;
        w.show();
        QApplication::processEvents();
        if (way == 0) QTest::mouseClick(w.Image2, Qt::LeftButton, {}, QPoint(400, 200));
        if (way == 1) w.Q1->trigger();
        if (way == 2) QTest::mouseClick(w.ColorButton3, Qt::LeftButton);
        EXPECT_FALSE(w.isVisible()) << "way " << way;
    }
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(MainWindowTest, AddressBookRegistrationRunsInTheAddFamilyMode) {
    TMizorelMenuForm w;
    mz::platform::ModalDriver driver;
    qint32 mode = -1;
    driver.onOpen<TNAMEkubunForm>([&](TNAMEkubunForm&) { mode = mz::state().NameSelectMode; });
    w.N2Click();
    EXPECT_EQ(mode, mz::mode::kNameAddFamily);
    EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle) << "reset once the window is gone";
    EXPECT_EQ(driver.openCount(u"TNAMEkubunForm"_s), 1);
}

TEST_F(MainWindowTest, AnErrorInTheOpenedAddressBookWindowLeavesTheModeIdle) {
    TMizorelMenuForm w;
    mz::platform::ModalDriver driver;
    auto fail = [](auto&) { throw mz::data::EngineError(u"壊れた画面"_s); };
    driver.onOpen<TNAMEkubunForm>(fail);
    driver.onOpen<TNAMEsentakuForm>(fail);
    for (void (TMizorelMenuForm::*command)() :
         {&TMizorelMenuForm::N2Click, &TMizorelMenuForm::N3Click, &TMizorelMenuForm::N4Click,
          &TMizorelMenuForm::N5Click}) {
        EXPECT_THROW((w.*command)(), mz::data::EngineError);
        EXPECT_EQ(mz::state().NameSelectMode, mz::mode::kNameIdle);
    }
}

// Shows the window and lets the event loop run until the reminder line has been worked out.
static void showUntilReminderChecked(TMizorelMenuForm& w) {
    w.show();
    QElapsedTimer waited;
    waited.start();
    while (!w.reminderChecked() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(w.reminderChecked());
}

// Overdue returns are told by a quiet line on the main window, not by a box; a click on it
// opens お返し管理, and the line follows what is done there.
TEST_F(MainWindowTest, OverdueReturnsShowAQuietLineThatOpensReturnManagement) {
    namespace rt = mz::ledger::returns;
    {
        TMizorelMenuForm w;
        showUntilReminderChecked(w);
        EXPECT_TRUE(w.LabelReminder->isHidden());  // nothing owed
    }
    mz::test::addEntries(u"Indata.DBF"_s, {{1, QDate(2024, 1, 10), u"山田 太郎"_s, u"結婚祝"_s},
                                           {2, QDate(2024, 3, 1), u"佐藤 花子"_s, u"結婚祝"_s}});
    const auto table = rt::openReturnTable();
    for (qint32 n : {1, 2}) {
        rt::Record r;
        r.incomeNo = n;
        r.due = true;
        r.status = rt::Status::Unarranged;
        r.dueDate = QDate(2024, n, 10);
        rt::store(*table, r);
    }
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    TMizorelMenuForm w;
    // Worked out once the window has been painted, not while it is being made.
    EXPECT_FALSE(w.reminderChecked());
    EXPECT_TRUE(w.LabelReminder->isHidden());
    showUntilReminderChecked(w);
    ASSERT_FALSE(w.LabelReminder->isHidden());
    EXPECT_TRUE(w.LabelReminder->text().contains(u"2 件"_s))
        << w.LabelReminder->text().toStdString();
    EXPECT_TRUE(w.LabelReminder->text().contains(u"山田 太郎 様"_s));
    EXPECT_TRUE(w.LabelReminder->text().contains(u"2024/01/10"_s));
    driver.onOpen<TOKAEshiForm>([](TOKAEshiForm& m) {
        ASSERT_EQ(m.rows().size(), 2u);
        m.selectNumbers({1, 2});
        m.Edit5->setText(u"2024/12/01"_s);
        m.ColorButton7Click();
    });
    rec.answerOkCancel(true);
    emit w.LabelReminder->linkActivated(u"okaeshi"_s);
    EXPECT_EQ(driver.openCount(u"TOKAEshiForm"_s), 1);
    EXPECT_TRUE(w.LabelReminder->isHidden());  // all sent: the line goes
    // The menu opens it too, and 相手先別の贈答 stays beside it in the same menu.
    driver.onOpen<TOKAEshiForm>([](TOKAEshiForm& m) { EXPECT_TRUE(m.rows().empty()); });
    w.Return1->trigger();
    EXPECT_EQ(driver.openCount(u"TOKAEshiForm"_s), 2);
    driver.onOpen<TAITEbetuForm>([](TAITEbetuForm&) {});
    w.N12->trigger();
    EXPECT_EQ(driver.openCount(u"TAITEbetuForm"_s), 1);
    EXPECT_TRUE(rec.errors().isEmpty());
}
