#include "data/binaryfile.h"

#include "data/syserror.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mz::data {

namespace {
BinaryFile::WriteHook& writeHook() {
    static BinaryFile::WriteHook hook;
    return hook;
}
}  // namespace

void BinaryFile::setWriteHook(WriteHook hook) { writeHook() = std::move(hook); }

BinaryFile::BinaryFile(const QString& path, bool writable) : path_(path), file_(path), writable_(writable) {
    // Unbuffered: every write reaches the operating system when it is made, in the order it is
    // made, so a process that dies between two writes leaves exactly the earlier ones on disk.
    if (!file_.open((writable ? QIODevice::ReadWrite : QIODevice::ReadOnly) | QIODevice::Unbuffered)) {
        const int code = errno;  // QFile's own error text is English
        throw EngineError(fileErrorMessage(
            QStringLiteral("ファイル '%1' を開けません").arg(QFileInfo(path).fileName()), file_, code));
    }
}

std::unique_ptr<BinaryFile> BinaryFile::create(const QString& path) {
    std::unique_ptr<BinaryFile> f(new BinaryFile);
    f->path_ = path;
    f->file_.setFileName(path);
    if (!f->file_.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const int code = errno;
        throw EngineError(fileErrorMessage(
            QStringLiteral("ファイル '%1' を作成できません").arg(QFileInfo(path).fileName()), f->file_, code));
    }
    return f;
}

QString BinaryFile::fileName() const { return QFileInfo(path_).fileName(); }

qint64 BinaryFile::size() const { return file_.size(); }

QByteArray BinaryFile::read(qint64 offset, qint64 len) const {
    auto cutShort = [&] {
        return EngineError(
            QStringLiteral(
                "ファイル '%1' が途中で切れています (位置 %2 から %3 バイトを読めません)")
                .arg(fileName())
                .arg(offset)
                .arg(len));
    };
    if (offset < 0 || len < 0) throw cutShort();
    // One positioned read (the file is unbuffered); the end of the file shows as a short read,
    // so no size is asked for first.
    QByteArray data(len, Qt::Uninitialized);
    qint64 done = 0;
    while (done < len) {
        const ssize_t n =
            ::pread(file_.handle(), data.data() + done, static_cast<size_t>(len - done),
                    static_cast<off_t>(offset + done));
        if (n < 0) {
            const int code = errno;
            if (code == EINTR) continue;
            throw EngineError(systemErrorMessage(
                QStringLiteral("ファイル '%1' を読めません").arg(fileName()), code));
        }
        if (n == 0) throw cutShort();
        done += n;
    }
    return data;
}

QByteArray BinaryFile::readAll() const {
    const qint64 n = size();
    return n > 0 ? read(0, n) : QByteArray();
}

void BinaryFile::write(qint64 offset, QByteArrayView data) {
    if (const WriteHook& hook = writeHook()) hook(path_, offset, data.size());
    if (undo_) undo_->record(*this, offset, data.size());
    if (!file_.seek(offset) || file_.write(data.data(), data.size()) != data.size()) {
        const int code = errno;
        throw EngineError(
            fileErrorMessage(QStringLiteral("ファイル '%1' に書き込めません").arg(fileName()), file_, code));
    }
}

void BinaryFile::flush() {
    if (!file_.flush()) {
        const int code = errno;
        throw EngineError(
            fileErrorMessage(QStringLiteral("ファイル '%1' に書き込めません").arg(fileName()), file_, code));
    }
}

}  // namespace mz::data

// ---------------------------------------------------------------------------------------------

namespace mz::data {

std::unique_ptr<BinaryFile> BinaryFile::openForWriteOrRead(const QString& path) {
    try {
        return std::make_unique<BinaryFile>(path, true);
    } catch (const EngineError&) {
        // Not writable here (a read-only folder or medium, no permission): reading still works.
        // A file that cannot even be read reports why from the second attempt.
        return std::make_unique<BinaryFile>(path, false);
    }
}

bool BinaryFile::lock(qint64 offset, qint64 len, LockKind kind) {
    struct flock fl {};
    fl.l_type = static_cast<short>(kind == LockKind::Exclusive ? F_WRLCK : F_RDLCK);
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(len);
    fl.l_pid = 0;  // required for open file description locks
    for (;;) {
        if (::fcntl(file_.handle(), F_OFD_SETLKW, &fl) == 0) return true;
        const int error = errno;
        if (error == EINTR) continue;
        if (error == ENOLCK || error == EINVAL || error == EOPNOTSUPP || error == ENOSYS) return false;
        throw EngineError(systemErrorMessage(
            QStringLiteral("ファイル '%1' を共有のためにロックできません").arg(fileName()), error));
    }
}

void BinaryFile::unlock(qint64 offset, qint64 len) noexcept {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(len);
    fl.l_pid = 0;
    while (::fcntl(file_.handle(), F_OFD_SETLK, &fl) != 0 && errno == EINTR) {
    }
}

void BinaryFile::truncate(qint64 size) {
    if (const WriteHook& hook = writeHook()) hook(path_, size, 0);
    if (!file_.resize(size)) {
        const int code = errno;
        throw EngineError(
            fileErrorMessage(QStringLiteral("ファイル '%1' に書き込めません").arg(fileName()), file_, code));
    }
}

void BinaryFile::syncToDisk() {
    int rc = 0;
    do {
        rc = ::fdatasync(file_.handle());
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int code = errno;
        throw EngineError(
            systemErrorMessage(QStringLiteral("ファイル '%1' に書き込めません").arg(fileName()), code));
    }
}

void BinaryFile::writeRaw(qint64 offset, QByteArrayView data) {
    UndoLog* const keep = undo_;
    undo_ = nullptr;
    struct Restore {
        BinaryFile* f;
        UndoLog* log;
        ~Restore() { f->undo_ = log; }
    } restore{this, keep};
    write(offset, data);
}

// ---------------------------------------------------------------------------------------------

void UndoLog::record(BinaryFile& file, qint64 offset, qint64 len) {
    const qint64 size = file.size();
    if (std::none_of(sizes_.begin(), sizes_.end(), [&](const auto& s) { return s.first == &file; }))
        sizes_.emplace_back(&file, size);
    const qint64 end = std::min(offset + len, size);
    entries_.push_back({&file, offset, end > offset ? file.read(offset, end - offset) : QByteArray()});
}

bool UndoLog::rollback() noexcept {
    bool complete = true;
    try {
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
            if (!it->old.isEmpty()) it->file->writeRaw(it->offset, it->old);
    } catch (...) {
        complete = false;  // this file cannot be written to now: leave the rest as it is
    }
    if (complete) {
        for (const auto& [file, size] : sizes_) {
            try {
                if (file->size() != size) file->truncate(size);
            } catch (...) {
                // Bytes past the old end are no part of the table; only the space stays taken.
            }
        }
    }
    entries_.clear();
    sizes_.clear();
    return complete;
}

}  // namespace mz::data
