#include "data/dbf.h"

#include "data/cp932.h"

#include <QtEndian>

#include <cstring>

namespace mz::data {

namespace {

constexpr unsigned char kVersionWithMemo = 0x8B;
constexpr unsigned char kVersionPlain = 0x03;
constexpr unsigned char kVersionDbase3Memo = 0x83;  // read as well: same records, dBASE III memo flag
constexpr char kHasProductionIndex = 0x01;          // header byte 28
constexpr char kFieldIndexed = 0x01;                // descriptor byte 31: a tag is keyed on the field
// Every memo block chain starts with FF FF 08 00, then its length including these 8 bytes.
constexpr unsigned char kMemoSignature[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr int kMemoBlockHeader = 8;
// Bytes 16..19 of the memo file's header as dBASE IV writes them.
constexpr char kDbtHeaderBytes16[4] = {0x00, 0x00, 0x02, 0x01};

// Little-endian fields of the headers, read and written byte by byte.
void putU16(QByteArray& b, int at, quint16 v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
void putU32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
quint16 getU16(const QByteArray& b, int at) {
    return static_cast<quint16>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
quint32 getU32(const QByteArray& b, int at) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

QString damaged(const BinaryFile& f, const QString& what) {
    return QStringLiteral("ファイル '%1' は正しいテーブルではありません: %2").arg(f.fileName(), what);
}

}  // namespace

QByteArray dbfCountAndDate(quint32 recordCount, const QDate& d) {
    QByteArray b(7, '\0');
    b[0] = static_cast<char>(std::clamp(d.year() - 1900, 0, 255));
    b[1] = static_cast<char>(d.month());
    b[2] = static_cast<char>(d.day());
    putU32(b, 3, recordCount);
    return b;  // bytes 1..7 of the header
}

QByteArray makeDbfHeader(const TableDef& def, quint32 recordCount, const QDate& lastUpdate) {
    const int n = static_cast<int>(def.fields.size());
    const int headerSize = kDbfHeaderSize + n * kDbfDescriptorSize + 1;
    int recordSize = 1;
    for (const FieldDef& f : def.fields) recordSize += f.width;

    QByteArray h(headerSize, '\0');
    h[0] = static_cast<char>(def.hasMemo() ? kVersionWithMemo : kVersionPlain);
    h.replace(1, 7, dbfCountAndDate(recordCount, lastUpdate));
    putU16(h, 8, static_cast<quint16>(headerSize));
    putU16(h, 10, static_cast<quint16>(recordSize));
    h[28] = kHasProductionIndex;  // a production index (.MDX) belongs to this table
    h[29] = static_cast<char>(kLanguageDriverJapanese);

    for (int i = 0; i < n; ++i) {
        const FieldDef& f = def.fields[static_cast<size_t>(i)];
        const int at = kDbfHeaderSize + i * kDbfDescriptorSize;
        const QByteArray name = cp932::encode(f.diskName()).value_or(QByteArray());
        Q_ASSERT(name.size() <= 10);
        h.replace(at, static_cast<int>(name.size()), name);
        h[at + 11] = f.typeChar();
        h[at + 16] = static_cast<char>(f.width);
        h[at + 17] = static_cast<char>(f.decimals);
        h[at + 31] = def.tagForField(f.name) ? kFieldIndexed : '\0';
    }
    h[headerSize - 1] = kDbfTerminator;
    return h;
}

DbfLayout readDbfHeader(const BinaryFile& file, const TableDef& def) {
    if (file.size() < kDbfHeaderSize)
        throw EngineError(damaged(file, QStringLiteral("ヘッダーが短すぎます")));
    const QByteArray h = file.read(0, kDbfHeaderSize);
    const auto version = static_cast<unsigned char>(h[0]);
    if (version != kVersionWithMemo && version != kVersionPlain && version != kVersionDbase3Memo)
        throw EngineError(damaged(file, QStringLiteral("dBASE の版が不明です (0x%1)")
                                            .arg(version, 2, 16, QLatin1Char('0'))));
    DbfLayout l;
    l.recordCount = getU32(h, 4);
    l.headerSize = getU16(h, 8);
    l.recordSize = getU16(h, 10);

    const int n = static_cast<int>(def.fields.size());
    const int expectedHeader = kDbfHeaderSize + n * kDbfDescriptorSize + 1;
    if (l.headerSize != expectedHeader)
        throw EngineError(damaged(file, QStringLiteral("ヘッダーの大きさ %1 が表の定義 (%2) と違います")
                                            .arg(l.headerSize)
                                            .arg(expectedHeader)));
    if (file.size() < l.headerSize)
        throw EngineError(damaged(file, QStringLiteral("フィールド定義の途中で切れています")));
    const QByteArray desc = file.read(0, l.headerSize);
    if (desc[l.headerSize - 1] != kDbfTerminator)
        throw EngineError(damaged(file, QStringLiteral("フィールド定義の終わりがありません")));

    int offset = 1;
    for (int i = 0; i < n; ++i) {
        const FieldDef& f = def.fields[static_cast<size_t>(i)];
        const int at = kDbfHeaderSize + i * kDbfDescriptorSize;
        QByteArray rawName = desc.mid(at, 11);
        const qsizetype nul = rawName.indexOf('\0');
        if (nul >= 0) rawName.truncate(nul);
        const QString name = cp932::decode(rawName);
        const char type = desc[at + 11];
        const int width = static_cast<unsigned char>(desc[at + 16]);
        if (def.fieldIndex(name) != i || type != f.typeChar() || width != f.width)
            throw EngineError(damaged(
                file, QStringLiteral("%1 番目のフィールド '%2' (%3, %4) が表の定義 '%5' (%6, %7) と違います")
                          .arg(i + 1)
                          .arg(name)
                          .arg(QLatin1Char(type))
                          .arg(width)
                          .arg(f.name)
                          .arg(QLatin1Char(f.typeChar()))
                          .arg(f.width)));
        l.offsets.push_back(offset);
        offset += width;
    }
    if (offset != l.recordSize)
        throw EngineError(damaged(file, QStringLiteral("レコード長 %1 がフィールドの合計 %2 と違います")
                                            .arg(l.recordSize)
                                            .arg(offset)));
    const qint64 needed = qint64(l.headerSize) + qint64(l.recordCount) * l.recordSize;
    if (file.size() < needed)
        throw EngineError(damaged(file, QStringLiteral("%1 件のレコードがあるはずですが、ファイルが途中で切れています")
                                            .arg(l.recordCount)));
    return l;
}

// ---------------------------------------------------------------------------------------------

DbtFile::DbtFile(const QString& path, bool writable)
    : file_(writable ? BinaryFile::openForWriteOrRead(path) : std::make_unique<BinaryFile>(path, false)) {
    if (file_->size() < kMemoBlockSize)
        throw EngineError(QStringLiteral("メモファイル '%1' が壊れています: ヘッダーが短すぎます")
                              .arg(file_->fileName()));
    const QByteArray h = file_->read(0, kMemoBlockSize);
    nextFree_ = getU32(h, 0);
    const quint16 blockLength = getU16(h, 20);
    if (blockLength != kMemoBlockSize)
        throw EngineError(QStringLiteral("メモファイル '%1' のブロック長 %2 には対応していません")
                              .arg(file_->fileName())
                              .arg(blockLength));
    const qint64 blocksOnDisk = (file_->size() + kMemoBlockSize - 1) / kMemoBlockSize;
    if (nextFree_ < 1 || nextFree_ > blocksOnDisk)
        throw EngineError(QStringLiteral("メモファイル '%1' が壊れています: 次の空きブロック %2 がファイルの外です")
                              .arg(file_->fileName())
                              .arg(nextFree_));
}

void DbtFile::create(const QString& path, const QString& dbfBaseName) {
    QByteArray h(kMemoBlockSize, '\0');
    putU32(h, 0, 1);
    const QByteArray name = cp932::encode(dbfBaseName).value_or(QByteArray()).left(8);
    h.replace(8, static_cast<int>(name.size()), name);
    std::memcpy(h.data() + 16, kDbtHeaderBytes16, sizeof kDbtHeaderBytes16);
    putU16(h, 20, kMemoBlockSize);
    auto f = BinaryFile::create(path);
    f->write(0, h);
    f->flush();
}

void DbtFile::reloadHeader() const {
    const QByteArray h = file_->read(0, 4);
    const quint32 next = getU32(h, 0);
    const qint64 blocksOnDisk = (file_->size() + kMemoBlockSize - 1) / kMemoBlockSize;
    if (next < 1 || next > blocksOnDisk)
        throw EngineError(QStringLiteral("メモファイル '%1' が壊れています: 次の空きブロック %2 がファイルの外です")
                              .arg(file_->fileName())
                              .arg(next));
    nextFree_ = next;
}

QByteArray DbtFile::read(quint32 block) const {
    const QString name = file_->fileName();
    // A memo appended by another process lies past the next-free block this one last saw.
    if (block >= nextFree_) reloadHeader();
    if (block < 1 || block >= nextFree_ || qint64(block) * kMemoBlockSize + kMemoBlockHeader > file_->size())
        throw EngineError(QStringLiteral("メモファイル '%1' が壊れています: ブロック %2 がファイルの外です")
                              .arg(name)
                              .arg(block));
    const qint64 at = qint64(block) * kMemoBlockSize;
    const QByteArray head = file_->read(at, kMemoBlockHeader);
    if (std::memcmp(head.constData(), kMemoSignature, sizeof kMemoSignature) != 0)
        throw EngineError(QStringLiteral("メモファイル '%1' が壊れています: ブロック %2 がメモの始まりではありません")
                              .arg(name)
                              .arg(block));
    const quint32 length = getU32(head, 4);
    if (length < kMemoBlockHeader || qint64(length) > file_->size() - at)
        throw EngineError(QStringLiteral("メモファイル '%1' が壊れています: ブロック %2 の長さ %3 が正しくありません")
                              .arg(name)
                              .arg(block)
                              .arg(length));
    return file_->read(at + kMemoBlockHeader, length - kMemoBlockHeader);
}

quint32 DbtFile::append(QByteArrayView data) {
    const quint32 first = nextFree_;
    const qint64 total = qint64(data.size()) + kMemoBlockHeader;
    const quint32 blocks = static_cast<quint32>((total + kMemoBlockSize - 1) / kMemoBlockSize);
    QByteArray chunk(qsizetype(blocks) * kMemoBlockSize, '\0');
    std::memcpy(chunk.data(), kMemoSignature, sizeof kMemoSignature);
    putU32(chunk, 4, static_cast<quint32>(total));
    if (!data.isEmpty()) std::memcpy(chunk.data() + kMemoBlockHeader, data.data(), static_cast<size_t>(data.size()));
    file_->write(qint64(first) * kMemoBlockSize, chunk);
    QByteArray next(4, '\0');
    putU32(next, 0, first + blocks);
    file_->write(0, next);
    nextFree_ = first + blocks;
    return first;
}

}  // namespace mz::data
