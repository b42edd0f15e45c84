// System errors reach the user as Japanese sentences that keep the file's name: the phrases
// themselves, and the engine's file layer failing for real (a full device, a missing file, a
// folder where a file should be).
#include "data/binaryfile.h"
#include "data/syserror.h"
#include "data/types.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

#include <sys/resource.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

// Latin letters in a message that should be Japanese: the C library's English shows here.
bool hasLatinWord(const QString& text) {
    return text.contains(QRegularExpression(u"[A-Za-z]{2,}"_s));
}

QString thrownBy(const std::function<void()>& f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e.message();
    }
    return u"<nothing thrown>"_s;
}

}  // namespace

TEST(SystemErrorText, EveryNumberReadsAsJapaneseAndTheCommonOnesHaveTheirOwnSentence) {
    const QString general = systemErrorText(100000);
    EXPECT_TRUE(general.contains(u"100000"_s)) << general.toStdString();
    for (int code = 0; code < 200; ++code) {
        const QString text = systemErrorText(code);
        EXPECT_FALSE(text.isEmpty()) << code;
        EXPECT_FALSE(hasLatinWord(text)) << code << " " << text.toStdString();
    }
    // The failures a user meets when saving or copying are told, not numbered.
    QStringList seen;
    for (int code : {ENOSPC, EROFS, EACCES, EDQUOT, EIO, ENOENT, EEXIST, ENAMETOOLONG}) {
        const QString text = systemErrorText(code);
        EXPECT_FALSE(text.contains(QString::number(code))) << std::strerror(code);
        EXPECT_FALSE(seen.contains(text)) << std::strerror(code);
        seen << text;
    }
    EXPECT_EQ(systemErrorMessage(u"ファイル 'a.dbf' に書き込めません"_s, ENOSPC),
              u"ファイル 'a.dbf' に書き込めません（ディスクの空き容量が足りません）"_s);
}

TEST(SystemErrorText, TheEnginesFileFailuresNameTheFileAndTheReasonInJapanese) {
    QTemporaryDir dir;
    // A missing file.
    const QString missing =
        thrownBy([&] { BinaryFile(dir.filePath(u"Indata.DBT"_s), false); });
    EXPECT_EQ(missing.toStdString(),
              systemErrorMessage(u"ファイル 'Indata.DBT' を開けません"_s, ENOENT).toStdString());

    // A folder where the file should be created.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"Moku.MDX"_s));
    const QString folder = thrownBy([&] { BinaryFile::create(dir.filePath(u"Moku.MDX"_s)); });
    EXPECT_EQ(folder.toStdString(),
              systemErrorMessage(u"ファイル 'Moku.MDX' を作成できません"_s, EISDIR).toStdString());

    // A write beyond the largest file this process may make fails in the system (EFBIG), as a
    // write to a full disk does (ENOSPC): the system's reason, in Japanese.
    auto file = BinaryFile::create(dir.filePath(u"Outdata.DBT"_s));
    struct rlimit before;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString write = thrownBy([&] { file->write(8192, "x"); });
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(write.toStdString(),
              systemErrorMessage(u"ファイル 'Outdata.DBT' に書き込めません"_s, EFBIG).toStdString());

    // A failure Qt finds without asking the system (a seek on a device) does not pass on a
    // stale number from an earlier call.
    if (!QFile::exists(u"/dev/full"_s)) GTEST_SKIP() << "no /dev/full";
    BinaryFile full(u"/dev/full"_s, true);
    errno = ENOENT;
    const QString seek = thrownBy([&] { full.write(0, "x"); });
    EXPECT_FALSE(seek.contains(systemErrorText(ENOENT))) << seek.toStdString();
    EXPECT_TRUE(seek.startsWith(u"ファイル 'full' に書き込めません（"_s)) << seek.toStdString();
}
