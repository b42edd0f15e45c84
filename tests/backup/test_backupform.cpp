// The backup window as the user sees it: its layout, the drive box and the folder list moving
// the current directory, the three outcomes of 実行, and the data directory being current again
// however the window closes.
#include "backup/TBackupForm.h"
#include "backup/backupcopier.h"
#include "backup/directorylistbox.h"
#include "data/cursor.h"
#include "data/tabledefs.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "testdata.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::platform::DialogKind;

namespace {

const QString kSucceeded = u"  バックアップは正常に終了しました。  "_s;
const QString kFailed = u"  バックアップに失敗しました。  "_s;
const QString kRefused =
    u"バックアップ先フォルダとして、本ソフトのインストールフォルダを指定することは出来ません。"_s;

// The names a backup of a new data directory holds, sorted: every file there but the placeholder
// picture, with an upper-case extension.
QStringList backupNames(const QString& dataDir) {
    QStringList names;
    for (const QString& name : QDir(dataDir).entryList(QDir::Files, QDir::Name)) {
        if (name == QString::fromLatin1(mz::data::kPlaceholderPicture)) continue;
        const qsizetype dot = name.lastIndexOf(u'.');
        names << name.left(dot) + name.mid(dot).toUpper();
    }
    names.sort();
    return names;
}

QStringList filesIn(const QString& dir) {
    QStringList e = QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    e.sort();
    return e;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

int rowOf(const mz::backup::DirectoryListBox* list, const QString& path) {
    for (int r = 0; r < list->count(); ++r)
        if (list->pathAt(r) == path) return r;
    return -1;
}

// Fails for one file, as a stick pulled out half-way would.
class BrokenStick : public mz::backup::FileOperations {
public:
    bool copyToNewFile(const QString& source, const QString& target, QString& error) override {
        if (target.contains(u".Outdata.DBF."_s)) {
            error = u"input/output error"_s;
            return false;
        }
        return FileOperations::copyToNewFile(source, target, error);
    }
};

struct BackupFormTest : ::testing::Test {
    mz::test::DataDir data;
    QTemporaryDir homeDir;
    QString home;
    QString dataDir;
    QString cwd = QDir::currentPath();
    QByteArray oldHome = qgetenv("HOME");

    BackupFormTest() {
        home = QFileInfo(homeDir.path()).canonicalFilePath();
        qputenv("HOME", QFile::encodeName(home));
        QDir(home).mkdir(u"backup"_s);
        QDir(home).mkdir(u"Another"_s);
        QDir(home).mkdir(u".hidden"_s);
        mz::state().reset();
        QDir::setCurrent(data.path());
        dataDir = mz::platform::currentDir();
        mz::state().DataDir = dataDir;
    }
    ~BackupFormTest() override {
        QDir::setCurrent(cwd);
        qputenv("HOME", oldHome);
        mz::state().reset();
    }

    QString dest() const { return home + u"/backup"_s; }

    static void open(TBackupForm& w, const QString& folder) {
        w.DirectoryListBox1->setDirectory(folder);
        ASSERT_EQ(mz::platform::currentDir(), QFileInfo(folder).canonicalFilePath());
    }
};

}  // namespace

TEST_F(BackupFormTest, LayoutCaptionsFontsAndTabOrderAreAsDesigned) {
    mz::platform::Recorder rec;
    TBackupForm w;
    EXPECT_EQ(w.windowTitle(), u"Mizorel - バックアップ"_s);
    EXPECT_EQ(w.size(), QSize(334, 348));
    EXPECT_EQ(w.font().pixelSize(), 12);

    struct LabelLayout {
        QLabel* label;
        const char16_t* text;
        QPoint pos;
    };
    const LabelLayout labels[] = {
        {w.Label1, u"データのバックアップを行います。", {34, 16}},
        {w.Label5, u"データの保存場所を指定してください。", {34, 40}},
        {w.Label2, u"指定した保存場所に、既にバックアップファイル", {34, 60}},
        {w.Label3, u"が存在する場合は、上書き保存されます。", {34, 80}},
        {w.Label4, u"保存先ドライブ", {34, 112}},
        {w.Label6, u"保存先フォルダ", {34, 152}},
    };
    for (const LabelLayout& l : labels) {
        EXPECT_EQ(l.label->text(), QString::fromUtf16(l.text));
        EXPECT_EQ(l.label->pos(), l.pos) << l.label->objectName().toStdString();
        EXPECT_EQ(l.label->font().pixelSize(), 12);
        EXPECT_EQ(l.label->font().family(), u"ＭＳ ゴシック"_s);
        // The whole text is visible.
        EXPECT_GE(l.label->width(), l.label->fontMetrics().horizontalAdvance(l.label->text()));
    }
    EXPECT_EQ(w.Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_NE(w.Label5->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    EXPECT_EQ(w.DriveComboBox1->geometry().topLeft(), QPoint(50, 128));
    EXPECT_EQ(w.DriveComboBox1->width(), 201);
    EXPECT_EQ(w.DirectoryListBox1->geometry(), QRect(50, 168, 201, 113));
    EXPECT_EQ(w.BitBtn1->geometry(), QRect(58, 304, 89, 33));
    EXPECT_EQ(w.BitBtn2->geometry(), QRect(173, 304, 89, 33));
    EXPECT_EQ(w.BitBtn1->text(), u"実　　行"_s);
    EXPECT_EQ(w.BitBtn2->text(), u"取　　消"_s);
    for (QPushButton* b : {w.BitBtn1, w.BitBtn2}) {
        EXPECT_STREQ(b->metaObject()->className(), "QPushButton");  // plain push buttons
        EXPECT_EQ(b->font().pixelSize(), 13);
        EXPECT_EQ(b->font().family(), u"ＭＳ Ｐゴシック"_s);
    }

    // Tab order 実行, 取消, folder list, drive box; 実行 has the focus.
    QList<QWidget*> order;
    QWidget* next = w.BitBtn1;
    do {
        if (next->focusPolicy() & Qt::TabFocus) order << next;
        next = next->nextInFocusChain();
    } while (next != w.BitBtn1 && order.size() < 10);
    EXPECT_EQ(order,
              (QList<QWidget*>{w.BitBtn1, w.BitBtn2, w.DirectoryListBox1, w.DriveComboBox1}));
    EXPECT_EQ(w.focusWidget(), w.BitBtn1);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(BackupFormTest, OpensOnTheHomeFolderWithThePathAndItsSubfolders) {
    mz::platform::Recorder rec;
    TBackupForm w;
    EXPECT_EQ(mz::platform::currentDir(), home);
    const auto* list = w.DirectoryListBox1;
    EXPECT_EQ(list->directory(), home);
    EXPECT_EQ(w.DriveComboBox1->currentData().toString(), home);
    EXPECT_EQ(w.DriveComboBox1->itemData(0).toString(), u"/"_s);

    // "/", each folder down to home, then home's visible subfolders in name order.
    const QStringList parts = home.split(u'/', Qt::SkipEmptyParts);
    QStringList expected{u"/"_s};
    expected << parts << u"Another"_s << u"backup"_s;
    QStringList shown;
    for (int r = 0; r < list->count(); ++r) shown << list->item(r)->text();
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(list->currentRow(), parts.size());
    EXPECT_EQ(list->item(list->currentRow())->data(mz::backup::DirectoryListBox::LevelRole).toInt(),
              parts.size());
    EXPECT_EQ(list->pathAt(list->count() - 1), dest());
    EXPECT_EQ(list->pathAt(1), u"/"_s + parts[0]);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(BackupFormTest, DoubleClickOrEnterOpensAFolderAndMakesItCurrent) {
    mz::platform::Recorder rec;
    TBackupForm w;
    w.show();
    auto* list = w.DirectoryListBox1;
    QDir(dest()).mkdir(u"inner"_s);

    const int row = rowOf(list, dest());
    ASSERT_GE(row, 0);
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(mz::platform::currentDir(), dest());
    EXPECT_EQ(list->directory(), dest());
    EXPECT_EQ(list->item(list->count() - 1)->text(), u"inner"_s);

    // Up to the root through the path rows, with the keyboard.
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(mz::platform::currentDir(), u"/"_s);
    EXPECT_EQ(list->count(), 1 + QDir(u"/"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    EXPECT_TRUE(w.isVisible());  // Enter in the list opens a folder, it does not run 実行

    w.close();
    EXPECT_EQ(mz::platform::currentDir(), dataDir);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(BackupFormTest, PickingAVolumeOpensIt) {
    mz::platform::Recorder rec;
    TBackupForm w;
    w.DriveComboBox1->setCurrentIndex(0);
    emit w.DriveComboBox1->activated(0);
    EXPECT_EQ(w.DirectoryListBox1->directory(), u"/"_s);
    EXPECT_EQ(mz::platform::currentDir(), u"/"_s);
    EXPECT_TRUE(rec.dialogs().isEmpty());
}

TEST_F(BackupFormTest, AnUnreadableVolumeAsksToRetryAndNoGoesBackToTheFolderListsVolume) {
    mz::platform::Recorder rec;
    TBackupForm w;
    const QString gone = home + u"/unplugged-stick"_s;  // a mount point that has gone away
    w.DriveComboBox1->addItem(gone, gone);
    w.DriveComboBox1->setCurrentIndex(w.DriveComboBox1->count() - 1);
    rec.answerYesNo(true).answerYesNo(false);
    w.DriveComboBox1Change();

    ASSERT_EQ(rec.dialogs().size(), 2);  // Yes tried again, No gave up
    for (const auto& d : rec.dialogs()) {
        EXPECT_EQ(d.kind, DialogKind::YesNo);
        EXPECT_EQ(d.text, u"ドライブの準備ができていません。再試行しますか？"_s);
        EXPECT_EQ(d.caption, u"ドライブ "_s + gone + u" の選択"_s);
    }
    EXPECT_EQ(w.DriveComboBox1->currentData().toString(), home);
    EXPECT_EQ(w.DirectoryListBox1->directory(), home);
    EXPECT_EQ(mz::platform::currentDir(), home);
}

TEST_F(BackupFormTest, AnotherErrorOfAVolumeGoesToTheErrorDisplay) {
    mz::platform::Recorder rec;
    TBackupForm w;
    const QString file = home + u"/not-a-folder"_s;
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    w.DriveComboBox1->addItem(file, file);
    w.DriveComboBox1->setCurrentIndex(w.DriveComboBox1->count() - 1);
    EXPECT_THROW(w.DriveComboBox1Change(), mz::platform::IoError);
    EXPECT_TRUE(rec.dialogs().isEmpty());
    EXPECT_EQ(mz::platform::currentDir(), home);

    // Through the drive box itself the error is shown and the window goes on.
    emit w.DriveComboBox1->activated(w.DriveComboBox1->count() - 1);
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains(file));
}

TEST_F(BackupFormTest, RunBacksUpIntoTheOpenFolderAndReturnsToTheDataDirectory) {
    mz::platform::Recorder rec;
    TBackupForm w;
    w.show();
    open(w, dest());
    QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(rec.notices(), QStringList{kSucceeded});
    EXPECT_EQ(filesIn(dest()), backupNames(data.path()));
    EXPECT_EQ(readAll(dest() + u"/Kazoku.DBF"_s), readAll(data.file(u"Kazoku.dbf"_s)));
    EXPECT_EQ(mz::platform::currentDir(), dataDir);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST_F(BackupFormTest, TheDataDirectoryIsRefusedAlsoThroughASymbolicLink) {
    const QString link = home + u"/data-link"_s;
    ASSERT_TRUE(QFile::link(dataDir, link));
    const QStringList before = filesIn(dataDir);
    mz::platform::Recorder rec;
    for (const QString& folder : {dataDir, link}) {
        TBackupForm w;
        w.DirectoryListBox1->setDirectory(folder);
        w.BitBtn1Click();
        EXPECT_EQ(mz::platform::currentDir(), dataDir);
    }
    EXPECT_EQ(rec.notices(), (QStringList{kRefused, kRefused}));
    EXPECT_EQ(filesIn(dataDir), before);
}

TEST_F(BackupFormTest, AFailingCopyOverAnEarlierBackupFailsAndKeepsTheEarlierCopies) {
    for (const QString& name : backupNames(data.path())) {
        QFile f(dest() + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }
    mz::platform::Recorder rec;
    TBackupForm w;
    w.setFileOperations(std::make_unique<BrokenStick>());
    open(w, dest());
    w.BitBtn1Click();
    EXPECT_EQ(rec.notices(), QStringList{kFailed});
    EXPECT_EQ(filesIn(dest()), backupNames(data.path()));
    for (const QString& name : backupNames(data.path()))
        EXPECT_EQ(readAll(dest() + u'/' + name), "earlier");
}

TEST_F(BackupFormTest, CancelCloseBoxAndEscapeAllReturnToTheDataDirectory) {
    mz::platform::Recorder rec;
    {
        TBackupForm w;
        w.show();
        open(w, dest());
        QTest::mouseClick(w.BitBtn2, Qt::LeftButton);  // 取消
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_EQ(mz::platform::currentDir(), dataDir);
    }
    {
        TBackupForm w;
        w.show();
        open(w, dest());
        w.close();  // the close box
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(mz::platform::currentDir(), dataDir);
    }
    {
        TBackupForm w;
        w.show();
        open(w, dest());
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(mz::platform::currentDir(), dataDir);
    }
    EXPECT_TRUE(rec.dialogs().isEmpty());
    EXPECT_TRUE(filesIn(dest()).isEmpty());
}

TEST_F(BackupFormTest, OpenedModallyAndClosedByItsCloseBoxTheDataDirectoryIsCurrentAgain) {
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    bool seen = false;
    driver.onOpen<TBackupForm>([&](TBackupForm& w) {
        seen = true;
        EXPECT_EQ(mz::state().BackupForm.data(), &w);
        open(w, dest());
    });  // the driver closes the window as its close box would
    mz::platform::openModal(nullptr, mz::state().BackupForm);
    EXPECT_TRUE(seen);
    EXPECT_EQ(mz::platform::currentDir(), dataDir);
    EXPECT_TRUE(mz::state().BackupForm.isNull());
}

TEST_F(BackupFormTest, TablesOpenedAfterABackupAreTheDataNotTheCopies) {
    mz::platform::Recorder rec;
    {
        TBackupForm w;
        open(w, dest());
        w.BitBtn1Click();
    }
    const QByteArray copied = readAll(dest() + u"/Indata.DBF"_s);
    mz::data::Cursor c;
    c.open(u"Indata.DBF"_s);
    c.append();
    c.setValue(u"収入番号"_s, 1.0);
    c.post();
    c.close();
    EXPECT_NE(readAll(data.file(u"Indata.DBF"_s)), copied);
    EXPECT_EQ(readAll(dest() + u"/Indata.DBF"_s), copied);
}

TEST_F(BackupFormTest, WhenTheDataDirectoryCannotBeEnteredTheWindowStaysOpen) {
    mz::platform::Recorder rec;
    TBackupForm w;
    w.show();
    open(w, dest());
    mz::state().DataDir = dataDir + u"/gone"_s;
    EXPECT_THROW(w.BitBtn2Click(), mz::platform::IoError);
    EXPECT_TRUE(w.isVisible());
    w.close();  // the close box: the error is shown, the window stays
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains(u"gone"_s));
    EXPECT_EQ(mz::platform::currentDir(), dest());

    mz::state().DataDir = dataDir;
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(mz::platform::currentDir(), dataDir);
}
