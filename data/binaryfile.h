#pragma once
// A table, memo or index file opened for positioned reads and writes. Every write of the engine
// goes through here, so that tests can stop the engine after any number of writes and check what
// a crash at that moment leaves on disk.

#include "data/types.h"

#include <QFile>

#include <functional>
#include <memory>
#include <vector>

namespace mz::data {

class BinaryFile;

// What a change overwrote, so that a change that fails half-way can be undone: every write made
// through a file the log is attached to first saves the bytes it replaces (and the file's size
// before the first write). Rolling back restores them newest first, then cuts each file back to
// its old size.
class UndoLog {
public:
    void record(BinaryFile& file, qint64 offset, qint64 len);
    // Restores what was saved; stops at the first write that fails (a file that cannot be
    // written to now) and returns whether everything was restored. Never throws.
    bool rollback() noexcept;
    bool empty() const { return entries_.empty() && sizes_.empty(); }

private:
    struct Entry {
        BinaryFile* file;
        qint64 offset;
        QByteArray old;
    };
    std::vector<Entry> entries_;
    std::vector<std::pair<BinaryFile*, qint64>> sizes_;
};

class BinaryFile {
public:
    // Opens an existing file. Throws EngineError naming the file when it cannot be opened.
    BinaryFile(const QString& path, bool writable);
    // Creates (or empties) a file for writing.
    static std::unique_ptr<BinaryFile> create(const QString& path);

    const QString& path() const { return path_; }
    QString fileName() const;  // without directory, for messages
    qint64 size() const;

    // Exactly len bytes from offset; throws EngineError when the file is shorter.
    QByteArray read(qint64 offset, qint64 len) const;
    // The whole file.
    QByteArray readAll() const;
    void write(qint64 offset, QByteArrayView data);
    void flush();

    // Test hook, called before every write with the file and the write's position; it may throw
    // to simulate a process that dies at that moment. Pass an empty function to remove it.
    using WriteHook = std::function<void(const QString& path, qint64 offset, qint64 size)>;
    static void setWriteHook(WriteHook hook);

    // --- what sharing a table between processes needs -------------------------------------

    // Opens for reading and writing, or for reading only when the file or its folder cannot be
    // written to (a read-only folder, medium or permission). Throws EngineError when it cannot be
    // opened at all.
    static std::unique_ptr<BinaryFile> openForWriteOrRead(const QString& path);
    bool isWritable() const { return writable_; }

    // Advisory byte-range locks of the open file description (fcntl F_OFD_SETLKW): they exclude
    // every other open of the file, in this process or another, on this machine or over a
    // network file system that passes POSIX locks on, and vanish when the file is closed or the
    // process dies. Waits until the lock is granted. Returns false, having locked nothing, when
    // the file system keeps no locks; throws EngineError on any other failure.
    enum class LockKind { Shared, Exclusive };
    bool lock(qint64 offset, qint64 len, LockKind kind);
    void unlock(qint64 offset, qint64 len) noexcept;

    // Cuts the file to size bytes (a write for the write hook: offset size, length 0).
    void truncate(qint64 size);
    // Waits until what was written has reached the disk (fdatasync).
    void syncToDisk();

    // The open file's descriptor, for mapping it into memory.
    int handle() const { return file_.handle(); }

    // While a log is attached, every write saves what it overwrites there first.
    void setUndoLog(UndoLog* log) { undo_ = log; }

private:
    friend class UndoLog;
    BinaryFile() = default;
    void writeRaw(qint64 offset, QByteArrayView data);
    QString path_;
    mutable QFile file_;
    bool writable_ = true;
    UndoLog* undo_ = nullptr;
};

}  // namespace mz::data
