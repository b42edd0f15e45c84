// Started from the desktop menu, the program works in ~/Mizorel: created with an empty data
// directory on first start, left as it is afterwards, and a clear Japanese error when it cannot
// be prepared.
#include "app/desktopstart.h"
#include "platform/recorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct DesktopStart : ::testing::Test {
    QTemporaryDir home;
    QString cwd = QDir::currentPath();
    ~DesktopStart() override { QDir::setCurrent(cwd); }
    QString folder() const { return home.filePath(u"Mizorel"_s); }
};

TEST_F(DesktopStart, FirstStartCreatesTheFolderWithEmptyDataLaterStartsLeaveItAlone) {
    mz::platform::Recorder rec;
    ASSERT_TRUE(mz::app::enterDesktopDataFolder(folder()));
    EXPECT_EQ(QDir::currentPath(), QDir(folder()).canonicalPath());
    for (const char* f : {"Aitesaki.DBF", "Indata.DBF", "Outdata.DBF", "Kazoku.dbf", "Moku.dbf", "Gray.bmp"})
        EXPECT_TRUE(QFile::exists(QDir(folder()).filePath(QString::fromLatin1(f)))) << f;

    // The data of a later start are what the user left there.
    QFile indata(QDir(folder()).filePath(u"Indata.DBF"_s));
    ASSERT_TRUE(indata.open(QIODevice::Append));
    indata.write("user data");
    indata.close();
    const qint64 size = QFileInfo(indata).size();
    QDir::setCurrent(cwd);
    ASSERT_TRUE(mz::app::enterDesktopDataFolder(folder()));
    EXPECT_EQ(QFileInfo(indata.fileName()).size(), size);
    EXPECT_EQ(QDir::currentPath(), QDir(folder()).canonicalPath());
    EXPECT_TRUE(rec.errors().isEmpty());
}

TEST_F(DesktopStart, AFolderThatCannotBeMadeIsReportedInJapaneseAndNothingStarts) {
    // A file where the folder should be (permissions alone do not stop a test run as root).
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    mz::platform::Recorder rec;
    EXPECT_FALSE(mz::app::enterDesktopDataFolder(folder()));
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains(u"データフォルダ"_s));
    EXPECT_TRUE(rec.errors()[0].contains(QDir::toNativeSeparators(folder())));
    EXPECT_EQ(QDir::currentPath(), cwd);

    // Below a file, mkpath fails too.
    EXPECT_FALSE(mz::app::enterDesktopDataFolder(folder() + u"/データ"_s));
    EXPECT_EQ(rec.errors().size(), 2);
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST_F(DesktopStart, AFolderWithSomeDataFilesButNoLedgerIsNotOverwritten) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    QFile moku(QDir(folder()).filePath(u"Moku.dbf"_s));
    ASSERT_TRUE(moku.open(QIODevice::WriteOnly));
    moku.write("keep me");
    moku.close();
    mz::platform::Recorder rec;
    EXPECT_FALSE(mz::app::enterDesktopDataFolder(folder()));
    EXPECT_EQ(rec.errors().size(), 1);
    ASSERT_TRUE(moku.open(QIODevice::ReadOnly));
    EXPECT_EQ(moku.readAll(), QByteArray("keep me"));
    EXPECT_FALSE(QFile::exists(QDir(folder()).filePath(u"Indata.DBF"_s)));
}

TEST(DesktopStartSwitch, OnlyTheMenuEntrysVariableMovesTheProgram) {
    qunsetenv(mz::app::kDesktopStartVariable);
    EXPECT_FALSE(mz::app::startedFromDesktop());
    qputenv(mz::app::kDesktopStartVariable, "0");
    EXPECT_FALSE(mz::app::startedFromDesktop());
    qputenv(mz::app::kDesktopStartVariable, "1");
    EXPECT_TRUE(mz::app::startedFromDesktop());
    qunsetenv(mz::app::kDesktopStartVariable);
    EXPECT_TRUE(mz::app::desktopDataFolder().endsWith(u"/Mizorel"_s));
}

}  // namespace
