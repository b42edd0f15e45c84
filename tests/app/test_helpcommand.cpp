// The help command: the help file is found from a data folder (the program's current directory)
// through the build tree's and an installed program's share directory, F1 opens the page of the
// window that has the focus, and the viewer takes input while another window is modal.
#include "app/TMizorelMenuForm.h"
#include "app/TMizorel_verForm.h"
#include "app/helpcommand.h"
#include "app/helpviewer.h"
#include "platform/modal.h"
#include "platform/sharedstate.h"
#include "testdata.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::app::HelpViewer;

namespace {

const QString kBuiltHelp = QStringLiteral(MIZOREL_BINARY_DIR "/share/mizorel/Mizorel_Help.chm");

QString shownPath(const HelpViewer& v) {
    return v.browser()->source().path();
}

// The help viewer on the screen, if any.
HelpViewer* shownViewer() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<HelpViewer*>(w); h && h->isVisible()) return h;
    return nullptr;
}

// A run's state: a fresh data folder as the current directory, as the program is started.
struct HelpCommand : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    HelpCommand() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
        mz::app::installHelpKey();
    }
    ~HelpCommand() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<HelpViewer*>(w)) w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(cwd);
        mz::state().reset();
    }

    // Types one letter into a window as the window system delivers it: a window blocked by a
    // modal window never receives it.
    static void typeInto(QLineEdit* edit, char letter) {
        edit->setFocus();
        QTest::keyClick(edit->window()->windowHandle(), letter);
    }
};

TEST_F(HelpCommand, FoundFromAFreshDataFolderThenTheDataFoldersOwnCopyComesFirst) {
    const QStringList candidates = mz::app::helpFileCandidates();
    ASSERT_GE(candidates.size(), 3);
    EXPECT_EQ(candidates.first(), QDir(dir.path()).filePath(u"Mizorel_Help.chm"_s));
    EXPECT_EQ(QFileInfo(candidates.last()).canonicalFilePath(),
              QFileInfo(kBuiltHelp).canonicalFilePath());

    QWidget owner;
    HelpViewer* v = mz::app::openHelp(&owner);
    ASSERT_TRUE(v->isLoaded()) << v->browser()->toPlainText().toStdString();
    EXPECT_EQ(QFileInfo(v->fileName()).canonicalFilePath(), QFileInfo(kBuiltHelp).canonicalFilePath());
    EXPECT_EQ(shownPath(*v), u"/index.html"_s);
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(v->parentWidget(), &owner);

    // A help file in the data folder is what the next help command opens, in the same viewer.
    ASSERT_TRUE(QFile::copy(kBuiltHelp, dir.file(u"Mizorel_Help.chm"_s)));
    EXPECT_EQ(mz::app::openHelp(&owner), v);
    EXPECT_EQ(v->fileName(), QFileInfo(dir.file(u"Mizorel_Help.chm"_s)).absoluteFilePath());
    EXPECT_EQ(shownPath(*v), u"/index.html"_s);

    const QPointer<HelpViewer> guard(v);
    v->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(HelpCommand, F1OpensThePageOfTheFocusedWindowElseTheDefaultTopic) {
    TMizorelMenuForm main;
    main.show();
    QTest::keyClick(&main, Qt::Key_F1);
    const QPointer<HelpViewer> viewer = shownViewer();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(shownPath(*viewer), u"/start.html"_s);
    EXPECT_EQ(viewer->parentWidget(), &main);

    // A message box or picker has no page of its own: its owner's page is shown.
    QDialog box(&main);
    box.show();
    viewer->showTopic(u"index.html"_s);
    QTest::keyClick(&box, Qt::Key_F1);
    EXPECT_EQ(shownPath(*viewer), u"/start.html"_s);

    // F1 in the viewer leaves the page it shows; with a modifier it is not the help key.
    viewer->showTopic(u"backup.html"_s);
    QTest::keyClick(viewer.data(), Qt::Key_F1);
    EXPECT_EQ(shownPath(*viewer), u"/backup.html"_s);
    QTest::keyClick(&main, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(shownPath(*viewer), u"/backup.html"_s);
    box.close();

    // A window the help does not describe, with no known owner: the default topic.
    QWidget plain;
    plain.show();
    QTest::keyClick(&plain, Qt::Key_F1);
    EXPECT_EQ(shownPath(*viewer), u"/index.html"_s);
    plain.close();
    main.close();
}

TEST_F(HelpCommand, EveryWindowOfTheProgramHasAPageOfTheHelpFile) {
    QWidget owner;
    HelpViewer* v = mz::app::openHelp(&owner);
    ASSERT_TRUE(v->isLoaded());
    for (const char* cls :
         {"TMizorelMenuForm", "TMizorel_verForm", "TINsrSrForm", "TOUTsrSrForm", "TINregiForm",
          "TOUTregiForm", "TINsrchForm", "TOUTsrchForm", "TINeditForm", "TOUTeditForm", "TINdelForm",
          "TOUTdelForm", "TNAMEsentakuForm", "TNAMEkubunForm", "TNAMEregi1Form", "TNAMEregi2Form",
          "TNAMEeditForm", "TNAMEdelForm", "TNAMEsrchForm", "TMOKUregiForm", "TMOKUeditForm",
          "TMOKUdelForm", "TMOKUsentakuForm", "TKAZOregiForm", "TKAZOeditForm", "TBackupForm",
          "TReportPreview", "mz::report::TReportPreview", "TOKAEshiForm", "TOKAEeditForm",
          "TOKAErulesForm", "TGYOJIsentakuForm",
          "TUKEregiForm", "TUKEsimeForm"}) {
        SCOPED_TRACE(cls);
        const QString page = mz::app::helpTopicForClass(QLatin1StringView(cls));
        ASSERT_FALSE(page.isEmpty());
        v->showTopic(page);
        EXPECT_EQ(shownPath(*v), u"/"_s + page);
        EXPECT_FALSE(v->browser()->toPlainText().contains(u"ページが見つかりません"_s));
    }
    EXPECT_TRUE(mz::app::helpTopicForClass(QLatin1StringView("QMessageBox")).isEmpty());
    v->close();
}

TEST_F(HelpCommand, ViewerTakesInputWhileAModalWindowIsOpen) {
    TMizorelMenuForm main;
    main.show();
    QPointer<HelpViewer> viewer;
    mz::platform::ModalDriver driver;
    driver.onOpen<TMizorel_verForm>([&viewer](TMizorel_verForm& about) {
        ASSERT_EQ(QApplication::activeModalWidget(), &about);
        QTest::keyClick(&about, Qt::Key_F1);
        viewer = shownViewer();
        ASSERT_TRUE(viewer);
        EXPECT_EQ(shownPath(*viewer), u"/start.html"_s);
        auto* edit = viewer->findChild<QLineEdit*>(u"IndexEdit"_s);
        typeInto(edit, 'a');
        EXPECT_EQ(edit->text(), u"a"_s);
        // The main window below the modal window stays blocked.
        EXPECT_EQ(QApplication::activeModalWidget(), &about);
    });
    main.V1Click();
    ASSERT_EQ(driver.openCount(u"TMizorel_verForm"_s), 1);
    // The viewer outlives the window from which it was opened.
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    typeInto(viewer->findChild<QLineEdit*>(u"IndexEdit"_s), 'b');
    EXPECT_EQ(viewer->findChild<QLineEdit*>(u"IndexEdit"_s)->text(), u"ab"_s);
    main.close();
}

TEST_F(HelpCommand, ViewerOpenedBeforeAModalWindowFollowsIt) {
    TMizorelMenuForm main;
    main.show();
    main.M1Click();
    const QPointer<HelpViewer> viewer = shownViewer();
    ASSERT_TRUE(viewer);
    auto* edit = viewer->findChild<QLineEdit*>(u"IndexEdit"_s);
    mz::platform::ModalDriver driver;
    driver.onOpen<TMizorel_verForm>([&](TMizorel_verForm&) {
        // The modal window blocked the viewer; the viewer follows it once the block is delivered.
        QCoreApplication::processEvents();
        typeInto(edit, 'c');
        EXPECT_EQ(edit->text(), u"c"_s);
    });
    main.V1Click();
    main.close();
}

}  // namespace
