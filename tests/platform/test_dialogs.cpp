// The desktop seam: message boxes and questions through the test recorder (and once for real),
// the file filter, and the file-system operations the windows use.
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include "expectfailures.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
namespace pf = mz::platform;
using pf::DialogKind;
using pf::Recorder;
using pf::TestFailure;

namespace {

std::string str(const QString& s) {
    return s.toStdString();
}
std::string str(const QStringList& list) {
    return list.join(u" | "_s).toStdString();
}

TEST(Recorder, RecordsNoticesAndErrorsAsShown) {
    Recorder rec;
    pf::notice(nullptr, pf::padded(u"収入データが登録されました。"_s));
    pf::errorBox(nullptr, u"アプリケーションエラー"_s, u"テーブルを開けません"_s);

    ASSERT_EQ(rec.dialogs().size(), 2);
    EXPECT_EQ(str(rec.notices()), "  収入データが登録されました。  ");
    EXPECT_EQ(str(rec.dialogs()[0].caption), str(pf::applicationTitle()));
    EXPECT_EQ(rec.dialogs()[1].kind, DialogKind::Error);
    EXPECT_EQ(str(rec.dialogs()[1].caption), "アプリケーションエラー");
    EXPECT_EQ(str(rec.errors()), "テーブルを開けません");
    // The title is the program's name, not the name of the running file.
    EXPECT_EQ(str(pf::applicationTitle()), "Mizorel");
}

TEST(Recorder, AnswersQuestionsAndPickersInScriptOrder) {
    Recorder rec;
    rec.answerOkCancel(false)
        .answerOkCancel(true)
        .answerYesNo(true)
        .answerOpenFile(u"/p/a.bmp"_s)
        .answerOpenFile(QString())
        .answerSaveFile(u"/backup/a.pdf"_s);
    EXPECT_EQ(rec.pendingAnswers(), 6);

    EXPECT_FALSE(pf::askOkCancel(nullptr, u"確認メッセージ"_s, u"現在表示の画像を削除しますか?"_s));
    EXPECT_TRUE(pf::askOkCancel(nullptr, u"確認メッセージ"_s, u"現在表示の画像を削除しますか?"_s));
    EXPECT_TRUE(pf::askYesNo(nullptr, u"ドライブ a: の選択"_s, u"再試行しますか？"_s));
    EXPECT_EQ(str(pf::openFileName(nullptr, u"ビットマップ (*.bmp)|*.bmp"_s, u"/home"_s)),
              "/p/a.bmp");
    EXPECT_TRUE(pf::openFileName(nullptr, u"ビットマップ (*.bmp)|*.bmp"_s, u"/home"_s).isEmpty());
    EXPECT_EQ(str(pf::saveFileName(nullptr, u"PDF (*.pdf)|*.pdf"_s, u"/"_s)), "/backup/a.pdf");

    EXPECT_EQ(rec.pendingAnswers(), 0);
    const QList<pf::RecordedDialog>& d = rec.dialogs();
    ASSERT_EQ(d.size(), 6);
    EXPECT_EQ(str(d[0].caption), "確認メッセージ");
    EXPECT_EQ(str(d[0].answer), "Cancel");
    EXPECT_EQ(str(d[1].answer), "OK");
    EXPECT_EQ(d[2].kind, DialogKind::YesNo);
    EXPECT_EQ(str(d[2].answer), "Yes");
    EXPECT_EQ(str(d[3].text), "ビットマップ (*.bmp)|*.bmp");
    EXPECT_EQ(str(d[3].detail), "/home");
    EXPECT_EQ(str(d[5].detail), "/");
    EXPECT_TRUE(rec.failures().isEmpty());
}

TEST(Recorder, UnscriptedOrMismatchedQuestionFailsLoudlyAndIsStillListed) {
    mz::test::ExpectTestFailures expected;
    Recorder rec;
    EXPECT_THROW(pf::askYesNo(nullptr, u"c"_s, u"再試行しますか？"_s), TestFailure);
    ASSERT_EQ(rec.dialogs().size(), 1);
    EXPECT_EQ(str(rec.dialogs()[0].text), "再試行しますか？");

    rec.answerYesNo(true);
    EXPECT_THROW(pf::askOkCancel(nullptr, u"t"_s, u"削除しますか?"_s), TestFailure);
    EXPECT_EQ(rec.pendingAnswers(), 1) << "a mismatched answer is not used up";
    EXPECT_THROW(pf::openFileName(nullptr, {}, {}), TestFailure);
    EXPECT_TRUE(pf::askYesNo(nullptr, u"c"_s, u"q"_s));

    ASSERT_EQ(rec.failures().size(), 3);
    EXPECT_TRUE(rec.failures()[1].contains(u"削除しますか?"_s)) << str(rec.failures()[1]);
}

TEST(Recorder, NestsAndReportsAnswersNobodyAskedFor) {
    QStringList hooked;
    const pf::FailureHook previous =
        pf::setFailureHook([&hooked](const QString& message) { hooked << message; });
    EXPECT_EQ(Recorder::active(), nullptr);
    {
        Recorder outer;
        {
            Recorder inner;
            EXPECT_EQ(Recorder::active(), &inner);
            inner.answerOkCancel(true);
            pf::notice(nullptr, u"inner"_s);
        }
        EXPECT_EQ(Recorder::active(), &outer);
        EXPECT_TRUE(outer.dialogs().isEmpty());
        ASSERT_EQ(hooked.size(), 1) << "the left-over answer is reported";
        EXPECT_TRUE(hooked[0].contains(u"OK/Cancel"_s)) << str(hooked[0]);
    }
    EXPECT_EQ(Recorder::active(), nullptr);
    pf::setFailureHook(previous);
}

TEST(Recorder, BoxInADrivenTestWithoutARecorderFailsInsteadOfShowing) {
    mz::test::ExpectTestFailures expected;
    pf::ModalDriver driver;
    EXPECT_THROW(pf::notice(nullptr, u"  登録されました。  "_s), TestFailure);
    EXPECT_THROW(pf::askOkCancel(nullptr, u"t"_s, u"q"_s), TestFailure);
    Recorder rec;
    pf::notice(nullptr, u"recorded"_s);
    EXPECT_EQ(str(rec.notices()), "recorded");
}

// The only real box in the tests: shown in the event loop of QMessageBox::exec and answered by
// a timer from inside it. A far-off fail-safe closes it if the timer never finds it.
TEST(RealDialogs, YesNoQuestionHasQuestionIconAndJapaneseButtons) {
    mz::test::AllowRealWindows real;
    QTranslator translator;
    const bool japanese =
        translator.load(u"qtbase_ja"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (japanese) QCoreApplication::installTranslator(&translator);

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption, yesText, noText, defaultText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        caption = box->windowTitle();
        yesText = box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->text() : QString();
        noText = box->button(QMessageBox::No) ? box->button(QMessageBox::No)->text() : QString();
        defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (QAbstractButton* no = box->button(QMessageBox::No)) no->click();
    });
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [] {
        ADD_FAILURE() << "the question was never answered";
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    failsafe.start(30000);

    const bool yes = pf::askYesNo(nullptr, u"ドライブ a: の選択"_s,
                                  u"ドライブの準備ができていません。再試行しますか？"_s);
    if (japanese) QCoreApplication::removeTranslator(&translator);

    EXPECT_FALSE(yes);
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(str(caption), "ドライブ a: の選択");
    EXPECT_EQ(defaultText, yesText);
    if (japanese) {  // the translation adds the keyboard accelerator: "はい(&Y)"
        EXPECT_TRUE(yesText.startsWith(u"はい"_s)) << str(yesText);
        EXPECT_TRUE(noText.startsWith(u"いいえ"_s)) << str(noText);
    }
}

TEST(FileFilter, DescriptionPatternPairsBecomeQtFilters) {
    const struct {
        const char* given;
        const char* expected;
    } cases[] = {
        {"ビットマップ (*.bmp)|*.bmp", "ビットマップ (*.bmp)"},
        {"画像 (*.bmp;*.png)|*.bmp;*.png|PNG (*.png)|*.png", "画像 (*.bmp *.png);;PNG (*.png)"},
        {"ビットマップ|*.bmp", "ビットマップ (*.bmp)"},
        {"画像|*.bmp;*.jpg|すべて|*.*", "画像 (*.bmp *.jpg);;すべて (*.*)"},
        {"*.bmp", "*.bmp"},
        {"|*.bmp", "*.bmp"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(str(pf::qtFileFilter(QString::fromUtf8(c.given))), c.expected) << c.given;
}

class FileSystem : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        saved_ = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(saved_); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir_;
    QString saved_;
};

TEST_F(FileSystem, CurrentDirectoryMovesAndAFailedMoveLeavesItAndNamesThePath) {
    pf::setCurrentDir(dir_.path());
    EXPECT_EQ(QDir(pf::currentDir()).canonicalPath(), QDir(dir_.path()).canonicalPath());

    write(path(u"file.txt"_s), "x");
    const QString before = pf::currentDir();
    for (const QString& bad : {path(u"missing"_s), path(u"file.txt"_s), QString()}) {
        try {
            pf::setCurrentDir(bad);
            ADD_FAILURE() << "moved to " << str(bad);
        } catch (const pf::IoError& e) {
            EXPECT_NE(e.code(), 0);
            EXPECT_TRUE(e.message().contains(bad)) << str(e.message());
            EXPECT_EQ(QString::fromUtf8(e.what()), e.message());
        }
        EXPECT_EQ(pf::currentDir(), before);
    }
}

TEST_F(FileSystem, FileExistsLooksInTheCurrentDirectoryAndIgnoresFolders) {
    write(path(u"Aitesaki.DBF"_s), "x");
    QDir(dir_.path()).mkdir(u"sub"_s);
    pf::setCurrentDir(dir_.path());
    EXPECT_TRUE(pf::fileExists(u"Aitesaki.DBF"_s));
    EXPECT_TRUE(pf::fileExists(path(u"Aitesaki.DBF"_s)));
    EXPECT_FALSE(pf::fileExists(u"Aitesaki.DBT"_s));
    EXPECT_FALSE(pf::fileExists(u"sub"_s));
    EXPECT_FALSE(pf::fileExists(QString()));
}

TEST(SystemErrorText, IsJapaneseForCommonCodesAndNamesOthers) {
    EXPECT_EQ(str(pf::systemErrorText(ENOENT)), "ファイルまたはフォルダが見つかりません");
    EXPECT_EQ(str(pf::systemErrorText(99999)), "エラー番号 99999 のシステムエラーが発生しました");
}

}  // namespace
