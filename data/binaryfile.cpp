#include "data/binaryfile.h"

#include "data/syserror.h"

#include <QFileInfo>

#include <cerrno>

namespace mz::data {

namespace {
BinaryFile::WriteHook& writeHook() {
    static BinaryFile::WriteHook hook;
    return hook;
}
}  // namespace

void BinaryFile::setWriteHook(WriteHook hook) { writeHook() = std::move(hook); }

BinaryFile::BinaryFile(const QString& path, bool writable) : path_(path), file_(path) {
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
    if (offset < 0 || len < 0 || offset > size() || len > size() - offset)
        throw EngineError(QStringLiteral("ファイル '%1' が途中で切れています (位置 %2 から %3 バイトを読めません)")
                              .arg(fileName())
                              .arg(offset)
                              .arg(len));
    if (!file_.seek(offset)) {
        const int code = errno;
        throw EngineError(fileErrorMessage(QStringLiteral("ファイル '%1' を読めません").arg(fileName()), file_, code));
    }
    QByteArray data = file_.read(len);
    if (data.size() != len) {
        const int code = errno;
        throw EngineError(fileErrorMessage(QStringLiteral("ファイル '%1' を読めません").arg(fileName()), file_, code));
    }
    return data;
}

QByteArray BinaryFile::readAll() const {
    const qint64 n = size();
    return n > 0 ? read(0, n) : QByteArray();
}

void BinaryFile::write(qint64 offset, QByteArrayView data) {
    if (const WriteHook& hook = writeHook()) hook(path_, offset, data.size());
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
