// Copying the data files into a backup folder: every table file under its backup name, replacing
// an earlier backup, refusing the data directory however it is spelt, and every way a backup can
// fail without harming an earlier one.
#include "backup/backupcopier.h"
#include "backup/volumes.h"
#include "data/tabledefs.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using mz::backup::BackupOutcome;
using mz::backup::BackupResult;
using mz::backup::FileOperations;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

// Everything in a folder, hidden files included (a temporary copy left behind would show).
QStringList entriesOf(const QString& dir) {
    QStringList e = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    return e;
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

// A file operation that fails for one destination name, as a full disk or a broken stick
// would; or that writes a copy with a wrong byte, which only the comparison can notice.
class FailingOps : public FileOperations {
public:
    enum class Fault { CopyFails, CopyCorrupt, ReplaceFails, DamagedAfterReplace };
    FailingOps(Fault fault, QString name) : fault_(fault), name_(std::move(name)) {}

    bool copyToNewFile(const QString& source, const QString& target, QString& error) override {
        ++copies;
        const bool hit = target.contains(u'.' + name_ + u'.');
        if (hit && fault_ == Fault::CopyFails) {
            // Half a file written, then the disk is full.
            QFile out(target);
            if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) out.write("half");
            error = u"disk full"_s;
            return false;
        }
        if (!FileOperations::copyToNewFile(source, target, error)) return false;
        if (hit && fault_ == Fault::CopyCorrupt) {
            QFile out(target);
            if (out.open(QIODevice::ReadWrite)) {
                out.seek(0);
                out.write("#");
            }
        }
        return true;
    }

    bool replace(const QString& from, const QString& to, QString& error) override {
        if (fault_ == Fault::ReplaceFails && to.endsWith(u'/' + name_)) {
            error = u"rename refused"_s;
            return false;
        }
        if (!FileOperations::replace(from, to, error)) return false;
        if (fault_ == Fault::DamagedAfterReplace && to.endsWith(u'/' + name_)) {
            // The copy in its place no longer reads back as written (a failing stick).
            QFile out(to);
            if (out.open(QIODevice::ReadWrite)) out.write("#");
        }
        return true;
    }

    int copies = 0;

private:
    Fault fault_;
    QString name_;
};

struct BackupCopierTest : ::testing::Test {
    mz::test::DataDir data;
    QTemporaryDir scratch;
    QString dest;
    // What a backup must hold: every file the table engine puts into a new data directory but
    // the placeholder picture, by its name there; in the backup its extension is upper case.
    QStringList sources;

    BackupCopierTest() {
        dest = scratch.filePath(u"backup"_s);
        QDir().mkpath(dest);
        sources = QDir(data.path()).entryList(QDir::Files, QDir::Name);
        sources.removeAll(QString::fromLatin1(mz::data::kPlaceholderPicture));
        // Give every data file bytes of its own, so that a copy of the wrong file shows.
        for (const QString& name : sources) {
            QFile file(data.file(name));
            if (file.open(QIODevice::Append)) file.write("data:" + name.toUtf8());
        }
    }

    static QString backupName(const QString& name) {
        const qsizetype dot = name.lastIndexOf(u'.');
        return name.left(dot) + name.mid(dot).toUpper();
    }

    // The backup names, sorted.
    QStringList destinationNames() const {
        QStringList names;
        for (const QString& name : sources) names << backupName(name);
        return sorted(names);
    }

    QString source(const QString& destinationName) const {
        for (const QString& name : sources)
            if (backupName(name) == destinationName) return data.file(name);
        return {};
    }

    // An earlier backup whose every file differs from the data now.
    void makeEarlierBackup() {
        for (const QString& name : destinationNames())
            writeFile(QDir(dest).filePath(name), "old " + name.toUtf8());
    }

    void expectEarlierBackupUntouched() {
        EXPECT_EQ(sorted(entriesOf(dest)), sorted(destinationNames()));
        for (const QString& name : destinationNames())
            EXPECT_EQ(readAll(QDir(dest).filePath(name)), "old " + name.toUtf8())
                << name.toStdString();
    }

    void expectCopiesOfTheData(const QStringList& names) {
        for (const QString& name : names)
            EXPECT_EQ(readAll(QDir(dest).filePath(name)), readAll(source(name)))
                << name.toStdString();
    }
};

}  // namespace

TEST_F(BackupCopierTest, FirstBackupWritesEveryTableFileUnderItsBackupName) {
    // The five tables' files and those of the tables beside them (Okaeshi, Henrei, Gyoji,
    // Uketsuke), whatever the backup code lists; a table the engine gains later is in `sources`
    // at once.
    ASSERT_EQ(sources.size(), 13 + 5 + 4);
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Succeeded) << r.problems.join(u'\n').toStdString();
    EXPECT_TRUE(r.problems.isEmpty());
    EXPECT_EQ(sorted(r.written), destinationNames());
    // Exactly those names, the master tables' record files in upper case, no temporary copies
    // left behind, and not the placeholder picture.
    EXPECT_EQ(sorted(entriesOf(dest)), destinationNames());
    EXPECT_TRUE(entriesOf(dest).contains(u"Kazoku.DBF"_s));
    EXPECT_TRUE(entriesOf(dest).contains(u"Moku.DBF"_s));
    expectCopiesOfTheData(destinationNames());
}

TEST_F(BackupCopierTest, SecondBackupIntoTheSameFolderReplacesTheEarlierCopies) {
    ASSERT_EQ(mz::backup::backUp(data.path(), dest).outcome, BackupOutcome::Succeeded);
    writeFile(data.file(u"Indata.DBT"_s), "changed since the first backup");
    makeEarlierBackup();
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Succeeded);
    EXPECT_EQ(sorted(entriesOf(dest)), sorted(destinationNames()));
    expectCopiesOfTheData(destinationNames());
    EXPECT_EQ(readAll(QDir(dest).filePath(u"Indata.DBT"_s)), "changed since the first backup");
}

TEST_F(BackupCopierTest, TheDataDirectoryIsRefusedHoweverItIsSpelt) {
    const QString link = scratch.filePath(u"link-to-data"_s);
    ASSERT_TRUE(QFile::link(data.path(), link));
    const QStringList spellings{
        data.path(), data.path() + u'/', data.path() + u"/./"_s, data.path() + u"/sub/.."_s,
        link,        link + u'/'};
    QDir(data.path()).mkdir(u"sub"_s);
    const QStringList before = sorted(entriesOf(data.path()));
    for (const QString& spelling : spellings) {
        const BackupResult r = mz::backup::backUp(data.path(), spelling);
        EXPECT_EQ(r.outcome, BackupOutcome::Refused) << spelling.toStdString();
        EXPECT_TRUE(r.written.isEmpty());
    }
    // The data directory recorded through the link is refused as the real folder, too.
    EXPECT_EQ(mz::backup::backUp(link, data.path()).outcome, BackupOutcome::Refused);
    EXPECT_EQ(sorted(entriesOf(data.path())), before);
}

TEST_F(BackupCopierTest, ASubfolderOfTheDataDirectoryIsAccepted) {
    const QString sub = data.file(u"backup"_s);
    ASSERT_TRUE(QDir().mkpath(sub));
    EXPECT_FALSE(mz::backup::isSameFolder(data.path(), sub));
    EXPECT_FALSE(mz::backup::isSameFolder(data.path(), data.path() + u"x"_s));
    EXPECT_FALSE(mz::backup::isSameFolder(QString(), QString()));
    const BackupResult r = mz::backup::backUp(data.path(), sub);
    EXPECT_EQ(r.outcome, BackupOutcome::Succeeded);
    EXPECT_EQ(sorted(entriesOf(sub)), sorted(destinationNames()));
}

TEST_F(BackupCopierTest, MissingDataFileIntoAnEmptyFolderFailsAndKeepsTheOthers) {
    ASSERT_TRUE(QFile::remove(data.file(u"Outdata.DBT"_s)));
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    ASSERT_EQ(r.problems.size(), 1);
    EXPECT_TRUE(r.problems[0].contains(u"Outdata.DBT"_s)) << r.problems[0].toStdString();
    QStringList twelve = destinationNames();
    twelve.removeAll(u"Outdata.DBT"_s);
    EXPECT_EQ(sorted(r.written), twelve);
    EXPECT_EQ(sorted(entriesOf(dest)), twelve);
    expectCopiesOfTheData(twelve);
}

TEST_F(BackupCopierTest, MissingDataFileLeavesAnEarlierBackupAsItWas) {
    ASSERT_TRUE(QFile::remove(data.file(u"Outdata.DBT"_s)));
    makeEarlierBackup();
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    EXPECT_TRUE(r.written.isEmpty());
    expectEarlierBackupUntouched();
}

TEST_F(BackupCopierTest, OneFileOfAnEarlierBackupIsEnoughToKeepAFailedBackupOut) {
    // A folder with a single file of an earlier backup: putting the other copies beside it
    // would make a set of two generations.
    ASSERT_TRUE(QFile::remove(data.file(u"Indata.DBF"_s)));
    writeFile(QDir(dest).filePath(u"Outdata.DBT"_s), "old Outdata.DBT");
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    EXPECT_TRUE(r.written.isEmpty());
    EXPECT_EQ(entriesOf(dest), QStringList{u"Outdata.DBT"_s});
    EXPECT_EQ(readAll(QDir(dest).filePath(u"Outdata.DBT"_s)), "old Outdata.DBT");
}

TEST_F(BackupCopierTest, AFailingCopyIsReportedAsFailureEvenWhenAllNamesExist) {
    makeEarlierBackup();
    FailingOps ops(FailingOps::Fault::CopyFails, u"Indata.MDX"_s);
    const BackupResult r = mz::backup::backUp(data.path(), dest, ops);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    // The copy that failed does not stop the others from being tried.
    EXPECT_EQ(ops.copies, sources.size());
    expectEarlierBackupUntouched();
}

TEST_F(BackupCopierTest, ACopyThatDiffersFromItsSourceIsAFailure) {
    makeEarlierBackup();
    FailingOps ops(FailingOps::Fault::CopyCorrupt, u"Moku.DBF"_s);
    const BackupResult r = mz::backup::backUp(data.path(), dest, ops);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    ASSERT_EQ(r.problems.size(), 1);
    EXPECT_TRUE(r.problems[0].contains(u"Moku.DBF"_s));
    expectEarlierBackupUntouched();
}

TEST_F(BackupCopierTest, AFailingCopyIntoAnEmptyFolderKeepsOnlyCompleteCopies) {
    FailingOps ops(FailingOps::Fault::CopyFails, u"Aitesaki.DBT"_s);
    const BackupResult r = mz::backup::backUp(data.path(), dest, ops);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    QStringList twelve = destinationNames();
    twelve.removeAll(u"Aitesaki.DBT"_s);
    // The half-written file is gone; the others are whole copies.
    EXPECT_EQ(sorted(entriesOf(dest)), sorted(twelve));
    expectCopiesOfTheData(twelve);
}

TEST_F(BackupCopierTest, AFailedRenameIsNeverReportedAsSuccess) {
    FailingOps ops(FailingOps::Fault::ReplaceFails, u"Outdata.MDX"_s);
    const BackupResult r = mz::backup::backUp(data.path(), dest, ops);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    EXPECT_FALSE(r.written.contains(u"Outdata.MDX"_s));
    EXPECT_EQ(r.written.size(), sources.size() - 1);
    EXPECT_FALSE(entriesOf(dest).contains(u"Outdata.MDX"_s));
    EXPECT_EQ(entriesOf(dest).size(), sources.size() - 1);  // no temporary left behind
}

TEST_F(BackupCopierTest, ACopyThatNoLongerReadsBackInItsPlaceIsAFailure) {
    FailingOps ops(FailingOps::Fault::DamagedAfterReplace, u"Indata.DBT"_s);
    const BackupResult r = mz::backup::backUp(data.path(), dest, ops);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    ASSERT_EQ(r.problems.size(), 1);
    EXPECT_TRUE(r.problems[0].contains(u"Indata.DBT"_s)) << r.problems[0].toStdString();
}

TEST_F(BackupCopierTest, AFolderThatCannotBeWrittenFailsWithoutCreatingAnything) {
    // Tests run as root, where a read-only folder is still writable; a destination below a plain
    // file cannot be written by anyone.
    const QString file = scratch.filePath(u"plain-file"_s);
    writeFile(file, "not a folder");
    const BackupResult r = mz::backup::backUp(data.path(), file + u"/backup"_s);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    EXPECT_EQ(r.problems.size(), sources.size());
    EXPECT_TRUE(r.written.isEmpty());
    EXPECT_EQ(readAll(file), "not a folder");
}

TEST_F(BackupCopierTest, AFolderInTheWayOfABackupNameFailsBeforeAnythingIsReplaced) {
    makeEarlierBackup();
    ASSERT_TRUE(QFile::remove(QDir(dest).filePath(u"Indata.MDX"_s)));
    ASSERT_TRUE(QDir(dest).mkdir(u"Indata.MDX"_s));
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    EXPECT_TRUE(r.written.isEmpty());
    for (const QString& name : destinationNames()) {
        if (name == u"Indata.MDX"_s) continue;
        EXPECT_EQ(readAll(QDir(dest).filePath(name)), "old " + name.toUtf8()) << name.toStdString();
    }
    EXPECT_EQ(sorted(entriesOf(dest)), sorted(destinationNames()));
}

TEST_F(BackupCopierTest, DataFilesAreFoundWhateverTheCaseOfTheirNames) {
    ASSERT_TRUE(QFile::rename(data.file(u"Kazoku.dbf"_s), data.file(u"KAZOKU.DBF"_s)));
    ASSERT_TRUE(QFile::rename(data.file(u"Indata.MDX"_s), data.file(u"indata.mdx"_s)));
    EXPECT_EQ(mz::backup::findDataFile(data.path(), u"Kazoku.dbf"_s), data.file(u"KAZOKU.DBF"_s));
    EXPECT_EQ(mz::backup::findDataFile(data.path(), u"Nothing.dbf"_s), QString());
    EXPECT_EQ(mz::backup::findDataFile(QString(), u"Kazoku.dbf"_s), QString());
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Succeeded);
    EXPECT_EQ(readAll(QDir(dest).filePath(u"Kazoku.DBF"_s)), readAll(data.file(u"KAZOKU.DBF"_s)));
    EXPECT_EQ(readAll(QDir(dest).filePath(u"Indata.MDX"_s)), readAll(data.file(u"indata.mdx"_s)));
}

TEST_F(BackupCopierTest, LargeFilesAreCopiedWhole) {
    // More than one copy buffer, with a tail that is not a whole buffer.
    QByteArray big;
    for (int i = 0; i < (3 << 20) + 123; ++i) big.append(static_cast<char>(i * 7 % 251));
    writeFile(data.file(u"Indata.DBT"_s), big);
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Succeeded);
    EXPECT_EQ(readAll(QDir(dest).filePath(u"Indata.DBT"_s)), big);
}

TEST_F(BackupCopierTest, CopiesKeepThePermissionsOfTheirDataFiles) {
    // An earlier backup readable by everyone; data files that are the owner's alone, and one
    // that the group may read.
    makeEarlierBackup();
    for (const QString& name : destinationNames())
        ASSERT_EQ(::chmod(QFile::encodeName(QDir(dest).filePath(name)).constData(), 0644), 0);
    for (const QString& name : sources)
        ASSERT_EQ(::chmod(QFile::encodeName(data.file(name)).constData(), 0600), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(data.file(u"Moku.MDX"_s)).constData(), 0640), 0);

    const mode_t oldMask = ::umask(0);  // the copies' permissions must not depend on the umask
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    ::umask(oldMask);
    ASSERT_EQ(r.outcome, BackupOutcome::Succeeded);
    for (const QString& name : destinationNames()) {
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(QDir(dest).filePath(name)).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, name == u"Moku.MDX"_s ? 0640u : 0600u) << name.toStdString();
    }
}

// The tables beside the five (return gifts and their rules) belong to the data as soon as the
// data directory holds them; a data directory from before them is backed up without them.
TEST_F(BackupCopierTest, TheReturnTablesAreBackedUpAndVerifiedLikeTheFive) {
    for (const QString& name :
         {u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s, u"Henrei.DBF"_s, u"Henrei.MDX"_s})
        EXPECT_TRUE(destinationNames().contains(name)) << name.toStdString();
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    ASSERT_EQ(r.outcome, BackupOutcome::Succeeded) << r.problems.join(u'\n').toStdString();
    expectCopiesOfTheData(
        {u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s, u"Henrei.DBF"_s, u"Henrei.MDX"_s});
}

TEST_F(BackupCopierTest, ADataDirectoryWithoutTheReturnTablesIsBackedUpWithoutThem) {
    QStringList five = destinationNames();
    for (const QString& name :
         {u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s, u"Henrei.dbf"_s, u"Henrei.MDX"_s,
          u"Gyoji.DBF"_s, u"Gyoji.MDX"_s, u"Uketsuke.DBF"_s, u"Uketsuke.MDX"_s}) {
        ASSERT_TRUE(QFile::remove(data.file(name))) << name.toStdString();
        five.removeAll(backupName(name));
    }
    ASSERT_EQ(five.size(), 13);
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Succeeded) << r.problems.join(u'\n').toStdString();
    EXPECT_EQ(sorted(entriesOf(dest)), five);
}

TEST_F(BackupCopierTest, AReturnTableMissingOneOfItsFilesFailsTheBackup) {
    ASSERT_TRUE(QFile::remove(data.file(u"Okaeshi.MDX"_s)));
    makeEarlierBackup();
    const BackupResult r = mz::backup::backUp(data.path(), dest);
    EXPECT_EQ(r.outcome, BackupOutcome::Failed);
    ASSERT_EQ(r.problems.size(), 1);
    EXPECT_TRUE(r.problems[0].contains(u"Okaeshi.MDX"_s)) << r.problems[0].toStdString();
    EXPECT_TRUE(r.written.isEmpty());
}

TEST(BackupVolumes, TheFolderBelongsToTheVolumeWithTheLongestPath) {
    using mz::backup::Volume;
    const QList<Volume> v{
        {u"/"_s, {}}, {u"/home/u"_s, u"ホーム"_s}, {u"/media/u/STICK"_s, u"STICK"_s}};
    EXPECT_EQ(mz::backup::volumeIndexOf(v, u"/"_s), 0);
    EXPECT_EQ(mz::backup::volumeIndexOf(v, u"/tmp/x"_s), 0);
    EXPECT_EQ(mz::backup::volumeIndexOf(v, u"/home/u"_s), 1);
    EXPECT_EQ(mz::backup::volumeIndexOf(v, u"/home/u/docs/"_s), 1);
    EXPECT_EQ(mz::backup::volumeIndexOf(v, u"/home/user2"_s), 0);  // not inside /home/u
    EXPECT_EQ(mz::backup::volumeIndexOf(v, u"/media/u/STICK/backup"_s), 2);
    EXPECT_EQ(mz::backup::volumeIndexOf({}, u"/tmp"_s), -1);
    EXPECT_EQ(v[2].displayText(), u"/media/u/STICK [STICK]"_s);
    EXPECT_EQ(v[0].displayText(), u"/"_s);
}

TEST(BackupVolumes, RootComesFirstThenTheHomeFolder) {
    const QList<mz::backup::Volume> volumes = mz::backup::backupVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes[0].path, u"/"_s);
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != u"/"_s) {
        ASSERT_GE(volumes.size(), 2);
        EXPECT_EQ(volumes[1].path, home);
    }
    for (const auto& v : volumes.mid(2))
        EXPECT_TRUE(v.path.startsWith(u"/media/"_s) || v.path.startsWith(u"/mnt"_s) ||
                    v.path.startsWith(u"/run/media/"_s))
            << v.path.toStdString();
}

TEST(BackupVolumes, ReadFailuresOfAVolumeAskForARetryOtherErrorsDoNot) {
    for (int code : {EIO, ENOMEDIUM, ENOENT, EACCES, ENOTCONN, ESTALE, ENODEV, ENXIO})
        EXPECT_TRUE(mz::backup::isNotReady(code)) << code;
    for (int code : {0, ENOTDIR, ENAMETOOLONG, ELOOP, ENOMEM})
        EXPECT_FALSE(mz::backup::isNotReady(code)) << code;
}
