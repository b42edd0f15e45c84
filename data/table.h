#pragma once
// A table of the data directory as the whole process shares it: its record file, memo file and
// production index, opened once per file. Cursors (data/cursor.h) read and change it; a post is
// in the table at once, and every cursor on the file sees it when it next reads its rows.
//
// The record file is mapped into memory, not read: opening a table of a million entries reads
// its header only, and a record costs memory once something reads it (the system may drop such
// pages again, as they are the file's own). Passes over every record that need not be fast (a
// count, checking the index) read the file in pieces instead, and leave no trace in memory.

#include "data/dbf.h"
#include "data/indexkey.h"
#include "data/types.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mz::data {

class MdxFile;

// The fields a post changes, by field index. A null value empties the field.
using FieldChanges = std::vector<std::pair<int, Value>>;

// Sets field to value in changes, replacing an earlier change of the same field.
void setChange(FieldChanges& changes, int field, const Value& value);

// A change that failed at a write after it was already stored, and that could not be undone: the
// table holds it exactly once (an index left behind is put right from the records). The message
// says so, with the failure. A window must not store the same change again.
class ChangeStoredError : public EngineError {
public:
    using EngineError::EngineError;
};

// A change given up at the caller's request (appendAll's progress said stop): nothing of it is
// stored.
class ChangeCancelled : public EngineError {
public:
    using EngineError::EngineError;
};

class Table : public QObject, public std::enable_shared_from_this<Table> {
    Q_OBJECT
public:
    // The shared table for the record file named fileName: a bare name is looked up in the
    // current directory, letter case ignored ("AITESAKI.DBF" finds Aitesaki.DBF). Throws
    // EngineError when a file of the table is missing or damaged, or the name is no table of
    // the system.
    // An open table is shared by the whole process and brought up to date (refresh()).
    static std::shared_ptr<Table> open(const QString& fileName);
    ~Table() override;

    // Whether the files could only be opened for reading (a read-only data directory): every
    // change is then refused with an EngineError saying so, before anything is written.
    bool isReadOnly() const { return readOnly_; }

    // Takes in what other processes wrote since this one last looked: one header read when
    // nothing changed; appended records are read, in-place changes re-read every record. Emits
    // changed() when anything changed. A failed read keeps the view as it was.
    void refresh();

    const TableDef& def() const { return *def_; }
    QString fileName() const;  // the record file's name as found on disk
    QString directory() const { return dir_; }

    // Physical records, deleted ones included; record numbers run from 1 to this.
    quint32 recordCount() const { return count_; }
    // Records not deleted; counted on first use.
    quint32 liveCount() const;
    bool isDeleted(quint32 recno) const;
    // Bit r (word r / 64, bit r % 64) set: record r is deleted. Read once in pieces and kept up
    // to date by every change and refresh, so that walking the live records in record order
    // reads nothing of them.
    const std::vector<quint64>& deletedBits();
    // The raw bytes of a record (flag byte first), valid until the next change or refresh of the
    // table.
    QByteArrayView record(quint32 recno) const;
    // Calls visit for every record, deleted ones included, in record order, reading the record
    // file in pieces under the shared lock: for passes over a whole table that should not keep
    // it in memory. The view is valid during the call only. Throws EngineError when the file
    // cannot be read. visit must not change the table.
    using RecordVisitor = std::function<void(quint32 recno, QByteArrayView record)>;
    void scanRecords(const RecordVisitor& visit);
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
    //
    // Each change takes the table's lock, brings the view up to date, and writes all or nothing:
    // a write that fails restores what the change had written (ENOSPC, EIO, ...), and the error
    // is thrown as it came. When the change was already stored and undoing it failed too, the
    // EngineError thrown is a ChangeStoredError and lastChangeStored() is true.
    //
    // complete, when given, runs under the lock on the up-to-date table just before anything is
    // written, and may change or add fields (a number one higher than any stored, decided where
    // no other process can take the same). It may throw EngineError to refuse the post.
    using Completion = std::function<void(Table& table, FieldChanges& changes)>;
    quint32 append(const FieldChanges& changes, const Completion& complete = {});
    // Appends every row as one change: all are stored or none, a failure at any write undoing
    // every record written before it as for a single append. complete runs for each row in turn,
    // under the lock, on the table already holding the rows before it. progress, when given, is
    // told after each row how many are prepared; when it returns false, everything is undone and
    // ChangeCancelled is thrown. The header counts the new records in one write, after all of
    // them are in the file. Returns the record number of the first row (0 for no rows).
    using Progress = std::function<bool(qsizetype done)>;
    quint32 appendAll(const std::vector<FieldChanges>& rows, const Completion& complete = {},
                      const Progress& progress = {});
    void update(quint32 recno, const FieldChanges& changes);
    void remove(quint32 recno);
    // After a change threw: whether it is stored nonetheless (see ChangeStoredError).
    bool lastChangeStored() const { return lastChangeStored_; }

    // Whether each change waits for its record file to reach the disk (fdatasync) before it
    // returns, with a barrier that keeps a record from being counted (and a memo from being
    // named) before it is on the disk. On by default (MIZOREL_SYNC_WRITES=0 in the environment
    // turns it off); tools that fill scratch folders turn it off.
    static void setSyncWrites(bool on);
    static bool syncWrites();

    // The index key of a record's field, as the tags sort it. The key of a number or date tag
    // whose order is in memory is kept there, so that placing a record in an order reads no
    // other record.
    IndexKey indexKey(quint32 recno, int field) const;
    // Field index of the tag's key field.
    int tagField(const QString& tagName) const;
    // Throws EngineError when the index file does not hold the tag (by its name or field);
    // nothing of the tag is read for it.
    void requireTag(const QString& tagName) { (void)tagOrder(tagName); }

    // Counts every change; cursors compare it to know when to re-read.
    quint64 version() const { return version_; }

Q_SIGNALS:
    void changed();

private:
    Table(const QString& dir, const TableDef& def);
    void load();

    // Sharing between processes (see the top of table.cpp).
    enum class LockKind { Shared, Exclusive };
    class Lock;
    void acquire(LockKind kind);
    void release() noexcept;
    bool syncLocked();
    void reloadRecords(quint32 count);
    // Takes count records as the table, read afresh: orders, live count and deleted records
    // are read again when next needed. The mapping must already hold them.
    void forgetView(quint32 count) noexcept;
    void mapRecords(quint32 count);
    void unmapRecords() noexcept;
    void scanLocked(const RecordVisitor& visit);
    void signalIfChanged();
    enum class Change { Append, Update, Remove };
    void requireWritable(Change change) const;
    void runChange(Change change, const std::function<void()>& body, const std::function<bool()>& stored);
    void barrier(bool memo, bool records);
    void writeHeader(quint32 count, quint32 generation);
    void syncChangedFiles();
    void writeUnwrittenOrders();
    void tryWriteRepairs();
    QString findFile(const QString& name, bool required) const;
    QByteArray encodeRecord(QByteArray base, const FieldChanges& changes,
                            std::vector<std::pair<int, QByteArray>>& memos) const;
    void storeMemos(QByteArray& raw, const std::vector<std::pair<int, QByteArray>>& memos);
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
    // The record file mapped read-only from its start (header included); at least the header
    // and count_ records long, and longer so that appends seldom move it.
    const char* map_ = nullptr;
    size_t mapLength_ = 0;
    quint32 count_ = 0;
    mutable std::optional<quint32> live_;  // unknown until first asked for
    std::vector<quint64> deleted_;         // deletedBits(), when deletedKnown_
    bool deletedKnown_ = false;
    void noteDeleted(quint32 recno, bool deleted);
    quint64 version_ = 0;
    bool readOnly_ = false;
    // The header as last read under the lock; generation_ is its change counter (bytes 16-19).
    QByteArray header_;
    quint32 generation_ = 0;
    bool stale_ = false;        // a failed change: re-read everything at the next look
    bool unsignalled_ = false;  // a sync took in changes that changed() has not announced yet
    bool lastChangeStored_ = false;
    bool writing_ = false;
    int lockDepth_ = 0;
    LockKind lockKind_ = LockKind::Shared;
    bool locked_ = false;  // false when the file system keeps no locks
    UndoLog* undo_ = nullptr;
    // A tag's order in memory. Posts note their changes in the pending lists, which the next
    // reader merges in, so that a post does not move the whole order.
    struct TagOrder {
        QString tag;
        int field = -1;
        bool built = false;
        std::vector<quint32> recnos;
        std::vector<quint32> pendingInserts;
        std::vector<quint32> pendingRemoves;
        // The order was put right from the records and the index file does not hold it yet
        // (a damaged index on a full disk or a read-only folder); written at the next change.
        bool unwritten = false;
        // For a number or date tag while built: the key of every live record by its number.
        std::vector<double> numbers;
    };
    static bool isNumberTag(const TagOrder& o, const TableDef& def);
    void noteKey(TagOrder& o, quint32 recno);
    IndexKey orderKey(const TagOrder& o, quint32 recno) const;
    void buildFromRecords(TagOrder& o);
    void buildOrder(TagOrder& o);
    void noteInsert(TagOrder& o, quint32 recno);
    void noteRemove(TagOrder& o, quint32 recno);
    void applyPending(TagOrder& o);
    std::vector<TagOrder> orders_;
};

// Creates the files of every table (empty tables, memo and index files: the five and the extra
// ones) and the placeholder picture in dir. Refuses, with EngineError, a directory that already
// holds any of them; nothing is overwritten.
void createDataDirectory(const QString& dir);

// Brings a data directory made before an extra table existed up to date: creates, empty, every
// extra table (tableDefs.h) whose record file is missing, and returns their record file names in
// the order of extraTableDefs(). The five tables are never touched. Throws EngineError when a
// table cannot be created (a read-only folder), or when its memo or index file is there without
// its record file (nothing is overwritten); the tables created before that stay.
QStringList createMissingTables(const QString& dir);

// A plain gray Windows bitmap (the placeholder picture for a removed photograph).
QByteArray grayBitmap(int width, int height);

}  // namespace mz::data
