#include "backup/backupcopier.h"

#include "data/syserror.h"
#include "data/tabledefs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace mz::backup {

namespace {

constexpr qsizetype kChunk = 1 << 20;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString reason(int code) {
    return mz::data::systemErrorText(code);
}

// The permission bits a copy takes over from its source: read, write and execute for owner,
// group and others, never the set-user-ID, set-group-ID or sticky bits.
constexpr mode_t kCopiedPermissions = S_IRWXU | S_IRWXG | S_IRWXO;
// A new file is readable and writable by its owner alone until it has its source's permissions.
constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

// A file descriptor that is closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports whether the close succeeded (errno set when not).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

int openFile(const QString& path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(native(path).constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads up to `size` bytes; fewer only at the end of the file. -1 on an error.
qint64 readFully(int fd, char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

bool writeFully(int fd, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Whether something of this name is there, a dangling symbolic link included.
bool entryExists(const QString& path) {
    struct stat st;
    return ::lstat(native(path).constData(), &st) == 0;
}

bool isFolder(const QString& path) {
    struct stat st;
    return ::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString tempNameFor(const QString& destination, const QString& name, const QString& token) {
    return QDir(destination).filePath(u"."_s + name + u"."_s + token + u".tmp"_s);
}

}  // namespace

QList<BackupFile> backupFiles() {
    QList<BackupFile> files;
    const auto add = [&files](const QString& name, const QString& optionalWith) {
        const qsizetype dot = name.lastIndexOf(u'.');
        files.append(
            {name, dot < 0 ? name : name.left(dot) + name.mid(dot).toUpper(), optionalWith});
    };
    for (const mz::data::TableDef& def : mz::data::tableDefs())
        for (const QString& name : mz::data::tableFileNames(def)) add(name, QString());
    for (const mz::data::TableDef& def : mz::data::extraTableDefs())
        for (const QString& name : mz::data::tableFileNames(def)) add(name, def.dbfName);
    return files;
}

FileOperations::~FileOperations() = default;

bool FileOperations::copyToNewFile(const QString& source, const QString& target, QString& error) {
    const auto fail = [&](const QString& what, int code) {
        error = u"%1（%2）"_s.arg(what, reason(code));
        return false;
    };
    Fd in(openFile(source, O_RDONLY));
    if (!in.valid()) return fail(u"「%1」を開けません"_s.arg(source), errno);
    struct stat sourceStat;
    if (::fstat(in.get(), &sourceStat) != 0)
        return fail(u"「%1」の属性を調べられません"_s.arg(source), errno);
    // Owner-only from the moment it exists, so that no one else can open the copy while it is
    // written; it gets its source's permissions (owner-only stays owner-only) before it is kept.
    Fd out(openFile(target, O_WRONLY | O_CREAT | O_EXCL, kOwnerOnly));
    if (!out.valid()) return fail(u"「%1」を作成できません"_s.arg(target), errno);
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 n = readFully(in.get(), buffer.data(), buffer.size());
        if (n < 0) return fail(u"「%1」を読み込めません"_s.arg(source), errno);
        if (n == 0) break;
        if (!writeFully(out.get(), buffer.constData(), n))
            return fail(u"「%1」に書き込めません"_s.arg(target), errno);
    }
    // A file system that keeps no permissions of its own (a FAT memory stick) refuses this;
    // there the copy has what the file system gives every file, and the backup goes on.
    (void)::fchmod(out.get(), sourceStat.st_mode & kCopiedPermissions);
    if (::fsync(out.get()) != 0)
        return fail(u"「%1」をディスクに書き込めません"_s.arg(target), errno);
    if (!out.close()) return fail(u"「%1」を閉じられません"_s.arg(target), errno);
    return true;
}

bool FileOperations::sameContents(const QString& a, const QString& b, QString& error) {
    Fd fa(openFile(a, O_RDONLY));
    if (!fa.valid()) {
        error = u"「%1」を開けません（%2）"_s.arg(a, reason(errno));
        return false;
    }
    Fd fb(openFile(b, O_RDONLY));
    if (!fb.valid()) {
        error = u"「%1」を開けません（%2）"_s.arg(b, reason(errno));
        return false;
    }
    struct stat sa, sb;
    if (::fstat(fa.get(), &sa) != 0 || ::fstat(fb.get(), &sb) != 0) {
        error = u"「%1」の大きさを調べられません（%2）"_s.arg(b, reason(errno));
        return false;
    }
    if (sa.st_size != sb.st_size) {
        error = u"「%1」の大きさが元のファイルと違います"_s.arg(b);
        return false;
    }
    QByteArray ba(kChunk, Qt::Uninitialized), bb(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 na = readFully(fa.get(), ba.data(), ba.size());
        const qint64 nb = readFully(fb.get(), bb.data(), bb.size());
        if (na < 0 || nb < 0) {
            error = u"「%1」を読み込めません（%2）"_s.arg(na < 0 ? a : b, reason(errno));
            return false;
        }
        if (na != nb || std::memcmp(ba.constData(), bb.constData(), static_cast<size_t>(na)) != 0) {
            error = u"「%1」の内容が元のファイルと違います"_s.arg(b);
            return false;
        }
        if (na == 0) return true;
    }
}

bool FileOperations::replace(const QString& from, const QString& to, QString& error) {
    if (::rename(native(from).constData(), native(to).constData()) == 0) return true;
    error = u"「%1」を「%2」に置き換えられません（%3）"_s.arg(from, to, reason(errno));
    return false;
}

void FileOperations::remove(const QString& path) {
    ::unlink(native(path).constData());
}

void FileOperations::syncFolder(const QString& path) {
    Fd dir(openFile(path, O_RDONLY | O_DIRECTORY));
    if (dir.valid()) ::fsync(dir.get());
}

bool isSameFolder(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && ca == cb) return true;
    struct stat sa, sb;
    if (::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // One of them cannot be reached: compare the names as far as they can be cleaned.
    return QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath());
}

QString findDataFile(const QString& dataDir, const QString& name) {
    if (dataDir.isEmpty()) return {};
    const QDir dir(dataDir);
    const QFileInfo exact(dir.filePath(name));
    if (exact.isFile()) return exact.filePath();
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return {};
}

BackupResult backUp(const QString& dataDir, const QString& destination, FileOperations& ops) {
    BackupResult result;
    if (isSameFolder(dataDir, destination)) {
        result.outcome = BackupOutcome::Refused;
        return result;
    }

    struct Staged {
        QString source;
        QString temp;
        QString target;
        QString name;
    };
    std::vector<Staged> staged;
    QList<BackupFile> files = backupFiles();
    // A table beside the five that the data directory does not hold yet is no part of its data;
    // one that it holds is backed up whole, and a file missing from it fails the backup.
    files.removeIf([&dataDir](const BackupFile& f) {
        return !f.optionalWith.isEmpty() && findDataFile(dataDir, f.optionalWith).isEmpty();
    });
    const QDir dest(destination);
    // A token of this run in the temporary names, so that no file already in the folder is
    // taken for (or removed as) one of our temporary copies.
    QString token;
    for (bool clash = true; clash;) {
        token = QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, u'0');
        clash = false;
        for (const BackupFile& file : files)
            if (entryExists(tempNameFor(destination, file.destination, token))) clash = true;
    }

    // 1. Every file to a temporary name beside its final one, flushed and compared.
    for (const BackupFile& file : files) {
        const QString& sourceName = file.source;
        const QString& name = file.destination;
        const QString source = findDataFile(dataDir, sourceName);
        if (source.isEmpty()) {
            result.problems << u"データファイル「%1」がありません"_s.arg(sourceName);
            continue;
        }
        const QString temp = tempNameFor(destination, name, token);
        QString error;
        if (!ops.copyToNewFile(source, temp, error) || !ops.sameContents(source, temp, error)) {
            result.problems << error;
            ops.remove(temp);
            continue;
        }
        staged.push_back({source, temp, dest.filePath(name), name});
    }

    bool complete = result.problems.isEmpty() && staged.size() == static_cast<size_t>(files.size());

    // A folder in the way of a file name would stop its rename half-way through the set.
    for (const Staged& s : staged) {
        if (isFolder(s.target)) {
            result.problems << u"「%1」はフォルダです"_s.arg(s.target);
            complete = false;
        }
    }

    // 2. Put the copies in place: all of them when the backup is complete; after a failure only
    //    into a folder that holds no earlier backup, so that no earlier copy is replaced.
    bool holdsEarlierBackup = false;
    for (const BackupFile& file : files)
        if (entryExists(dest.filePath(file.destination))) holdsEarlierBackup = true;
    const bool publish = complete || !holdsEarlierBackup;

    for (const Staged& s : staged) {
        if (!publish) {
            ops.remove(s.temp);
            continue;
        }
        QString error;
        if (!ops.replace(s.temp, s.target, error)) {
            result.problems << error;
            ops.remove(s.temp);
            complete = false;
            continue;
        }
        result.written << s.name;
    }
    ops.syncFolder(destination);

    // 3. What is now in the folder under each name is what was compared; read it back once more
    //    so that success is only reported for copies that are there.
    if (complete) {
        for (const Staged& s : staged) {
            QString error;
            if (!ops.sameContents(s.source, s.target, error)) {
                result.problems << error;
                complete = false;
            }
        }
    }

    result.outcome = complete ? BackupOutcome::Succeeded : BackupOutcome::Failed;
    return result;
}

BackupResult backUp(const QString& dataDir, const QString& destination) {
    FileOperations ops;
    return backUp(dataDir, destination, ops);
}

}  // namespace mz::backup
