#pragma once
// The record file (.DBF, dBASE IV) and the memo file (.DBT, dBASE IV, 512-byte blocks).

#include "data/binaryfile.h"

#include <memory>

namespace mz::data {

inline constexpr int kDbfHeaderSize = 32;
inline constexpr int kDbfDescriptorSize = 32;
inline constexpr char kDbfTerminator = 0x0D;
inline constexpr char kDbfEof = 0x1A;
inline constexpr unsigned char kLanguageDriverJapanese = 0x13;
inline constexpr int kMemoBlockSize = 512;

// The layout of a record file as its header describes it.
struct DbfLayout {
    quint32 recordCount = 0;
    quint16 headerSize = 0;
    quint16 recordSize = 0;
    std::vector<int> offsets;  // byte offset of each field inside a record (after the flag byte)
};

// The header and field descriptors of an empty record file for def.
QByteArray makeDbfHeader(const TableDef& def, quint32 recordCount, const QDate& lastUpdate);

// Reads and checks the header of a record file against def: version, sizes, and every field's
// name, type and width. Throws EngineError naming the file and the problem.
DbfLayout readDbfHeader(const BinaryFile& file, const TableDef& def);

// The 7 bytes at offset 1 of the header that change with every post: the date of the last update
// (year - 1900, month, day) and the 32-bit record count.
QByteArray dbfCountAndDate(quint32 recordCount, const QDate& lastUpdate);

// The memo file: memo texts (CP932) and pictures (raw bytes) in chains of 512-byte blocks, each
// starting with FF FF 08 00 and the length including those 8 bytes.
class DbtFile {
public:
    // Opened for writing when writable is true and the file can be written to; for reading
    // otherwise (see BinaryFile::openForWriteOrRead).
    DbtFile(const QString& path, bool writable);
    static void create(const QString& path, const QString& dbfBaseName);

    const BinaryFile& file() const { return *file_; }
    BinaryFile& file() { return *file_; }
    // Takes the next-free block from the header again: another process may have appended.
    void reloadHeader() const;
    // The bytes stored at block; throws EngineError when the block is past the end or damaged.
    QByteArray read(quint32 block) const;
    // Appends data after the last used block and returns its first block. The data blocks are
    // written before the header's next-free pointer, so a crash in between loses nothing stored.
    quint32 append(QByteArrayView data);

private:
    std::unique_ptr<BinaryFile> file_;
    mutable quint32 nextFree_ = 1;  // as the header said when last read
};

}  // namespace mz::data
