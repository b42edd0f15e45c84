#pragma once
// A table of the data directory as the whole process shares it: its record file, memo file and
// production index, opened once per file. Cursors (data/cursor.h) read and change it; a post is
// in the table at once, and every cursor on the file sees it when it next reads its rows.

#include "data/dbf.h"
#include "data/indexkey.h"
#include "data/types.h"

#include <QObject>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mz::data {

class MdxFile;

// The fields a post changes, by field index. A null value empties the field.
using FieldChanges = std::vector<std::pair<int, Value>>;

class Table : public QObject, public std::enable_shared_from_this<Table> {
    Q_OBJECT
public:
    // The shared table for the record file named fileName: a bare name is looked up in the
    // current directory, letter case ignored ("AITESAKI.DBF" finds Aitesaki.DBF). Throws
    // EngineError when a file of the table is missing or damaged, or the name is no table of
    // the system.
    static std::shared_ptr<Table> open(const QString& fileName);
    ~Table() override;

    const TableDef& def() const { return *def_; }
    QString fileName() const;  // the record file's name as found on disk
    QString directory() const { return dir_; }

    // Physical records, deleted ones included; record numbers run from 1 to this.
    quint32 recordCount() const { return count_; }
    quint32 liveCount() const { return live_; }
    bool isDeleted(quint32 recno) const;
    // The raw bytes of a record (flag byte first), valid until the next change of the table.
    QByteArrayView record(quint32 recno) const;
    QByteArrayView rawField(quint32 recno, int field) const;
    int fieldOffset(int field) const { return layout_.offsets[static_cast<size_t>(field)]; }
    Value value(quint32 recno, int field) const;  // memo text and pictures from the memo file

    // Live record numbers in the order of a tag (key, then record number). Built on first use
    // from the index file; a tag whose index does not match the records is rebuilt.
    const std::vector<quint32>& order(const QString& tagName);

    // Writes. Every value is converted before anything is written, so a value that cannot be
    // stored (a character CP932 cannot hold, a number too wide) throws EngineError naming the
    // field and leaves the files untouched. The write order keeps earlier records intact if the
    // process dies at any point: memo blocks, then the record, then the header's count, then
    // the index.
    quint32 append(const FieldChanges& changes);
    void update(quint32 recno, const FieldChanges& changes);
    void remove(quint32 recno);

    // The index key of a record's field, as the tags sort it.
    IndexKey indexKey(quint32 recno, int field) const { return keyOf(recno, field); }
    // Field index of the tag's key field.
    int tagField(const QString& tagName) const;

    // Counts every change; cursors compare it to know when to re-read.
    quint64 version() const { return version_; }

Q_SIGNALS:
    void changed();

private:
    Table(const QString& dir, const TableDef& def);
    void load();
    QString findFile(const QString& name, bool required) const;
    QByteArray encodeRecord(QByteArray base, const FieldChanges& changes,
                            std::vector<std::pair<int, QByteArray>>& memos) const;
    void storeMemos(QByteArray& raw, const std::vector<std::pair<int, QByteArray>>& memos);
    void writeHeaderCount();
    IndexKey keyOf(quint32 recno, int field) const;
    void indexInsert(quint32 recno);
    void indexRemove(quint32 recno);
    struct TagOrder;
    TagOrder& tagOrder(const QString& tagName);

    QString dir_;
    const TableDef* def_;
    QString dbfPath_, dbtPath_, mdxPath_;
    std::unique_ptr<BinaryFile> dbf_;
    std::unique_ptr<DbtFile> dbt_;
    std::unique_ptr<MdxFile> mdx_;
    DbfLayout layout_;
    QByteArray data_;  // every record, recordSize bytes each
    quint32 count_ = 0;
    quint32 live_ = 0;
    quint64 version_ = 0;
    // A tag's order in memory. Posts note their changes in the pending lists, which the next
    // reader merges in, so that a post does not move the whole order.
    struct TagOrder {
        QString tag;
        int field = -1;
        bool built = false;
        std::vector<quint32> recnos;
        std::vector<quint32> pendingInserts;
        std::vector<quint32> pendingRemoves;
    };
    void noteInsert(TagOrder& o, quint32 recno);
    void noteRemove(TagOrder& o, quint32 recno);
    void applyPending(TagOrder& o);
    std::vector<TagOrder> orders_;
};

// Creates the thirteen table files (empty tables, memo and index files) and the placeholder
// picture in dir. Refuses, with EngineError, a directory that already holds any of them; nothing
// is overwritten.
void createDataDirectory(const QString& dir);

// A plain gray Windows bitmap (the placeholder picture for a removed photograph).
QByteArray grayBitmap(int width, int height);

}  // namespace mz::data
