#pragma once
// A table, memo or index file opened for positioned reads and writes. Every write of the engine
// goes through here, so that tests can stop the engine after any number of writes and check what
// a crash at that moment leaves on disk.

#include "data/types.h"

#include <QFile>

#include <functional>
#include <memory>

namespace mz::data {

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

private:
    BinaryFile() = default;
    QString path_;
    mutable QFile file_;
};

}  // namespace mz::data
