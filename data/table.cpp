#include "data/table.h"

#include "data/cp932.h"
#include "data/fieldcodec.h"
#include "data/mdx.h"
#include "data/syserror.h"
#include "data/tabledefs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <map>

// Several processes on one data directory
// ---------------------------------------
// Any number of processes, on this machine or on others sharing the folder over a network file
// system that passes POSIX byte-range locks on, may open the same table and change it. They
// agree through one advisory lock per table: byte kTableLockOffset of the record file (.DBF),
// far past the end of any table, taken with fcntl F_OFD_SETLKW on the process's own open file
// description. Nothing is written for it and nothing is left behind: a process that dies
// releases its locks with its files.
//
//   exclusive  every change (append, update, remove, and writing back an index put right from
//              the records) holds it from before its first read of the header until its last
//              write (and its fdatasync) is done. The .DBT and .MDX of the table are written only
//              under it.
//   shared     taking in what others wrote (refresh(), opening, building a tag's order from the
//              index file) holds it while reading, so that no change is seen half-written.
//
// What a process knows of the files, and how it catches up (syncLocked, under either lock):
//   record count   header bytes 4-7. More records than known: the new ones are read and joined
//                  to the orders in memory.
//   change counter header bytes 16-19 (dBASE IV keeps bytes 16-27 for multi-user use; zero in a
//                  new table). Every update and remove adds one to it before it touches a record;
//                  a counter that moved means records changed in place: every record is re-read
//                  and every order is taken from the index file again.
//   memo file      its next-free block (header bytes 0-3) is read again before every append to
//                  it, and when a record names a block past the one last seen.
//   index file     read only under a lock; every tree block a change touches is written under
//                  the exclusive lock, so the file always matches the records of the last change.
// When nothing changed, catching up is one 32-byte read. The records are read through the
// mapping of the record file: which records there are, and the orders, are what the last refresh
// (or the process's own change) took in, while the bytes of a record are the file's as they are
// now. A record another process rewrites in place can therefore show its new bytes (for a moment
// even half of them) before the refresh that the moved change counter brings; a refresh then
// reads the orders again. Memo blocks are never rewritten, so reading a memo needs no lock.
//
// All or nothing: while a change holds the lock, every write first saves the bytes it replaces
// (UndoLog). A write that fails restores them newest first and cuts the files back, and the view
// is re-read. Only when that fails as well and the change was already stored (the record counted,
// or rewritten in place) is it reported as stored (ChangeStoredError).

namespace mz::data {

namespace {

constexpr qint64 kTableLockOffset = 0x7FFFFFFE;
constexpr int kChangeCounterOffset = 16;

std::map<QString, std::weak_ptr<Table>>& registry() {
    static std::map<QString, std::weak_ptr<Table>> tables;
    return tables;
}

bool& syncWritesFlag() {
    // MIZOREL_SYNC_WRITES=0 turns the waiting off for scratch data (the test runs set it).
    static bool on = qEnvironmentVariable("MIZOREL_SYNC_WRITES") != QStringLiteral("0");
    return on;
}

// A code of an index key for comparing the index file with the records: the exact value of a
// number or date, a 64-bit hash of a text.
quint64 keyCode(const IndexKey& k) {
    if (k.type == 'C')
        return qHashBits(k.text.constData(), static_cast<size_t>(k.text.size()), 0x6d697a6fU);
    const double d = k.number == 0 ? 0.0 : k.number;  // -0 and 0 sort as one
    return std::bit_cast<quint64>(d);
}

// Kept out of line: inlined with a constant offset, GCC (with the sanitizers) takes QByteArray's
// shared empty buffer for the header and warns about reads past its end that cannot happen.
__attribute__((noinline)) quint32 headerU32(const QByteArray& h, int at) {
    return qFromLittleEndian<quint32>(h.constData() + at);
}

__attribute__((noinline)) void putHeaderU32(QByteArray& h, int at, quint32 v) {
    qToLittleEndian<quint32>(v, h.data() + at);
}

}  // namespace

void setChange(FieldChanges& changes, int field, const Value& value) {
    auto it = std::find_if(changes.begin(), changes.end(), [&](const auto& c) { return c.first == field; });
    if (it != changes.end())
        it->second = value;
    else
        changes.emplace_back(field, value);
}

void Table::setSyncWrites(bool on) { syncWritesFlag() = on; }
bool Table::syncWrites() { return syncWritesFlag(); }

// Holds the table's lock for a scope; nested scopes of one process share the outer lock.
class Table::Lock {
public:
    Lock(Table& t, LockKind kind) : t_(t) { t_.acquire(kind); }
    ~Lock() { t_.release(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    Table& t_;
};

void Table::acquire(LockKind kind) {
    if (lockDepth_ > 0) {
        // A shared read inside a change uses the change's lock. The other way round cannot be
        // converted without risking two processes waiting for each other, and never happens.
        if (kind == LockKind::Exclusive && lockKind_ != LockKind::Exclusive)
            throw EngineError(QStringLiteral("テーブル '%1' のロックを強められません").arg(fileName()));
        ++lockDepth_;
        return;
    }
    locked_ = dbf_->lock(kTableLockOffset, 1,
                         kind == LockKind::Exclusive ? BinaryFile::LockKind::Exclusive : BinaryFile::LockKind::Shared);
    lockKind_ = kind;
    lockDepth_ = 1;
}

void Table::release() noexcept {
    if (--lockDepth_ > 0) return;
    if (locked_) dbf_->unlock(kTableLockOffset, 1);
    locked_ = false;
}

Table::Table(const QString& dir, const TableDef& def) : dir_(dir), def_(&def) {}

Table::~Table() {
    unmapRecords();
}

void Table::mapRecords(quint32 count) {
    const size_t need = size_t(layout_.headerSize) + size_t(count) * layout_.recordSize;
    if (map_ && need <= mapLength_) return;
    // A quarter more than needed, so that appends move the mapping only now and then. Pages past
    // the end of the file are never read: only records up to the count are.
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t length = (need + need / 4 + (size_t(1) << 20) + page - 1) / page * page;
    void* p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, dbf_->handle(), 0);
    if (p == MAP_FAILED) {
        const int code = errno;
        throw EngineError(systemErrorMessage(
            QStringLiteral("ファイル '%1' を読み込めません").arg(fileName()), code));
    }
    unmapRecords();
    map_ = static_cast<const char*>(p);
    mapLength_ = length;
}

void Table::unmapRecords() noexcept {
    if (map_) ::munmap(const_cast<char*>(map_), mapLength_);
    map_ = nullptr;
    mapLength_ = 0;
}

QString Table::findFile(const QString& name, bool required) const {
    const QDir d(dir_);
    if (QFileInfo::exists(d.filePath(name))) return d.filePath(name);
    const QStringList entries = d.entryList(QDir::Files);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0) return d.filePath(e);
    if (required)
        throw EngineError(QStringLiteral("ファイル '%1' がデータフォルダ '%2' にありません")
                              .arg(name, QDir::toNativeSeparators(dir_)));
    return QString();
}

std::shared_ptr<Table> Table::open(const QString& fileName) {
    const QFileInfo info(fileName);
    const TableDef* def = tableDefForFile(info.fileName());
    if (!def)
        throw EngineError(QStringLiteral("'%1' はこのシステムのテーブルではありません").arg(fileName));
    const QString dir = info.isAbsolute() ? info.absolutePath() : QDir::current().absoluteFilePath(info.path());
    std::shared_ptr<Table> t(new Table(QDir::cleanPath(dir), *def));
    t->dbfPath_ = t->findFile(info.fileName(), true);
    const QString key = QFileInfo(t->dbfPath_).canonicalFilePath();
    auto& reg = registry();
    if (auto it = reg.find(key); it != reg.end())
        if (auto existing = it->second.lock()) {
            existing->refresh();
            return existing;
        }
    t->load();
    reg[key] = t;
    return t;
}

QString Table::fileName() const { return QFileInfo(dbfPath_).fileName(); }

void Table::load() {
    const QString base = QFileInfo(dbfPath_).completeBaseName();
    if (def_->hasMemo()) dbtPath_ = findFile(base + QStringLiteral(".DBT"), true);
    mdxPath_ = findFile(base + QStringLiteral(".MDX"), true);

    dbf_ = BinaryFile::openForWriteOrRead(dbfPath_);
    Lock lock(*this, LockKind::Shared);
    layout_ = readDbfHeader(*dbf_, *def_);
    header_ = dbf_->read(0, kDbfHeaderSize);
    generation_ = headerU32(header_, kChangeCounterOffset);
    count_ = layout_.recordCount;
    if (dbf_->size() < qint64(layout_.headerSize) + qint64(count_) * layout_.recordSize)
        throw EngineError(
            QStringLiteral(
                "ファイル '%1' が壊れています: レコード数 %2 に対してファイルが短すぎます")
                .arg(fileName())
                .arg(count_));
    mapRecords(count_);
    if (def_->hasMemo()) dbt_ = std::make_unique<DbtFile>(dbtPath_, dbf_->isWritable());
    mdx_ = std::make_unique<MdxFile>(mdxPath_, *def_);
    readOnly_ = !dbf_->isWritable() || (dbt_ && !dbt_->file().isWritable()) || !mdx_->isWritable();
    for (const TagDef& t : def_->tags)
        orders_.push_back({t.name, def_->fieldIndex(t.field), false, {}, {}, {}, false, {}});
}

// --- catching up with other processes ---------------------------------------------------------

bool Table::syncLocked() {
    const QByteArray h = dbf_->read(0, kDbfHeaderSize);
    const quint32 count = headerU32(h, 4);
    const quint32 generation = headerU32(h, kChangeCounterOffset);
    if (!stale_ && count == count_ && generation == generation_) {
        header_ = h;
        return false;
    }
    if (stale_ || generation != generation_ || count < count_) {
        reloadRecords(count);
    } else {
        if (dbf_->size() < qint64(layout_.headerSize) + qint64(count) * layout_.recordSize)
            throw EngineError(QStringLiteral("ファイル '%1' を読み込めません: レコードが足りません")
                                  .arg(fileName()));
        mapRecords(count);
        const quint32 from = count_ + 1;
        count_ = count;
        for (quint32 r = from; r <= count; ++r) {
            const bool deleted = record(r)[0] == '*';
            noteDeleted(r, deleted);
            if (deleted) continue;
            if (live_) ++*live_;
            for (TagOrder& o : orders_) noteInsert(o, r);
        }
    }
    header_ = h;
    generation_ = generation;
    stale_ = false;
    ++version_;
    unsignalled_ = true;
    return true;
}

void Table::reloadRecords(quint32 count) {
    if (dbf_->size() < qint64(layout_.headerSize) + qint64(count) * layout_.recordSize)
        throw EngineError(
            QStringLiteral("ファイル '%1' を読み込めません: レコードが足りません").arg(fileName()));
    mapRecords(count);
    forgetView(count);
}

void Table::forgetView(quint32 count) noexcept {
    count_ = count;
    live_.reset();
    deletedKnown_ = false;
    deleted_.clear();
    for (TagOrder& o : orders_) {
        o.built = false;
        o.unwritten = false;
        o.recnos.clear();
        o.numbers.clear();
        o.pendingInserts.clear();
        o.pendingRemoves.clear();
    }
}

void Table::signalIfChanged() {
    if (!unsignalled_) return;
    unsignalled_ = false;
    Q_EMIT changed();
}

void Table::refresh() {
    try {
        Lock lock(*this, LockKind::Shared);
        syncLocked();
    } catch (const EngineError&) {
        // The folder cannot be read just now: what was read before stays in view.
    }
    signalIfChanged();
}

// --- reading ------------------------------------------------------------------------------------

bool Table::isDeleted(quint32 recno) const {
    if (deletedKnown_) return ((deleted_[recno >> 6] >> (recno & 63)) & 1u) != 0;
    return record(recno)[0] == '*';
}

const std::vector<quint64>& Table::deletedBits() {
    if (!deletedKnown_) {
        std::vector<quint64> bits(size_t(count_) / 64 + 1, 0);
        quint32 live = 0;
        scanRecords([&](quint32 r, QByteArrayView rec) {
            if (rec[0] == '*')
                bits[r >> 6] |= quint64(1) << (r & 63);
            else
                ++live;
        });
        deleted_ = std::move(bits);
        deletedKnown_ = true;
        live_ = live;
    }
    return deleted_;
}

void Table::noteDeleted(quint32 recno, bool deleted) {
    if (!deletedKnown_) return;
    if (deleted_.size() <= recno >> 6) deleted_.resize((recno >> 6) + 1, 0);
    const quint64 bit = quint64(1) << (recno & 63);
    if (deleted)
        deleted_[recno >> 6] |= bit;
    else
        deleted_[recno >> 6] &= ~bit;
}

QByteArrayView Table::record(quint32 recno) const {
    Q_ASSERT(recno >= 1 && recno <= count_);
    return QByteArrayView(map_ + layout_.headerSize + size_t(recno - 1) * layout_.recordSize,
                          layout_.recordSize);
}

quint32 Table::liveCount() const {
    if (!live_) {
        quint32 n = 0;
        for (quint32 r = 1; r <= count_; ++r)
            if (!isDeleted(r)) ++n;
        live_ = n;
    }
    return *live_;
}

void Table::scanRecords(const RecordVisitor& visit) {
    Lock lock(*this, LockKind::Shared);
    scanLocked(visit);
}

void Table::scanLocked(const RecordVisitor& visit) {
    const quint32 rs = layout_.recordSize;
    const quint32 perPiece = std::max<quint32>(1, (quint32(1) << 20) / rs);  // about a megabyte
    for (quint32 first = 1; first <= count_; first += perPiece) {
        const quint32 n = std::min(perPiece, count_ - first + 1);
        const QByteArray piece =
            dbf_->read(layout_.headerSize + qint64(first - 1) * rs, qint64(n) * rs);
        for (quint32 i = 0; i < n; ++i)
            visit(first + i, QByteArrayView(piece).sliced(qsizetype(i) * rs, rs));
    }
}

QByteArrayView Table::rawField(quint32 recno, int field) const {
    return record(recno).sliced(fieldOffset(field), def_->fields[static_cast<size_t>(field)].width);
}

Value Table::value(quint32 recno, int field) const {
    const FieldDef& f = def_->fields[static_cast<size_t>(field)];
    const QByteArrayView raw = rawField(recno, field);
    if (!f.isMemoLike()) return decodeField(f, raw);
    const quint32 block = decodeMemoBlock(raw);
    if (block == 0 || !dbt_) return {};
    const QByteArray bytes = dbt_->read(block);
    if (f.type == FieldType::Picture) return bytes.isEmpty() ? Value{} : Value{bytes};
    // Some writers end a memo with 0x1A; it is no part of the text.
    QByteArrayView text(bytes);
    while (!text.isEmpty() && (text.back() == 0x1A || text.back() == '\0')) text.chop(1);
    if (text.isEmpty()) return {};
    return cp932::decode(text);
}

IndexKey Table::keyOf(quint32 recno, int field) const {
    return makeIndexKey(def_->fields[static_cast<size_t>(field)], rawField(recno, field));
}

Table::TagOrder& Table::tagOrder(const QString& tagName) {
    const TagDef* tag = def_->tagByName(tagName);
    if (!tag || !mdx_->hasTag(tag->name))
        throw EngineError(QStringLiteral("タグ '%1' が索引ファイル '%2' にありません")
                              .arg(tagName, QFileInfo(mdxPath_).fileName()));
    for (TagOrder& o : orders_)
        if (o.tag == tag->name) return o;
    throw EngineError(QStringLiteral("タグ '%1' が索引ファイル '%2' にありません")
                          .arg(tagName, QFileInfo(mdxPath_).fileName()));
}

int Table::tagField(const QString& tagName) const {
    const TagDef* tag = def_->tagByName(tagName);
    return tag ? def_->fieldIndex(tag->field) : -1;
}

bool Table::isNumberTag(const TagOrder& o, const TableDef& def) {
    const FieldType type = def.fields[static_cast<size_t>(o.field)].type;
    return type == FieldType::Number || type == FieldType::Date;
}

void Table::noteKey(TagOrder& o, quint32 recno) {
    if (!o.built || !isNumberTag(o, *def_)) return;
    if (o.numbers.size() <= recno) o.numbers.resize(size_t(recno) + 1 + o.numbers.size() / 8, 0.0);
    o.numbers[recno] = keyOf(recno, o.field).number;
}

IndexKey Table::orderKey(const TagOrder& o, quint32 recno) const {
    if (recno < o.numbers.size()) {
        IndexKey k;
        k.type = def_->fields[static_cast<size_t>(o.field)].type == FieldType::Date ? 'D' : 'N';
        k.number = o.numbers[recno];
        return k;
    }
    return keyOf(recno, o.field);
}

IndexKey Table::indexKey(quint32 recno, int field) const {
    for (const TagOrder& o : orders_)
        if (o.field == field && o.built && !o.numbers.empty()) return orderKey(o, recno);
    return keyOf(recno, field);
}

void Table::buildFromRecords(TagOrder& o) {
    std::vector<MdxEntry> entries;
    entries.reserve(count_);
    for (quint32 r = 1; r <= count_; ++r)
        if (!isDeleted(r)) entries.push_back({keyOf(r, o.field), r});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MdxEntry& a, const MdxEntry& b) { return a.key < b.key; });
    o.recnos.clear();
    o.recnos.reserve(entries.size());
    for (const MdxEntry& e : entries) o.recnos.push_back(e.recno);
    o.numbers.clear();
    if (isNumberTag(o, *def_)) {
        o.numbers.assign(size_t(count_) + 1, 0.0);
        for (const MdxEntry& e : entries) o.numbers[e.recno] = e.key.number;
    }
    o.pendingInserts.clear();
    o.pendingRemoves.clear();
    o.built = true;
}

const std::vector<quint32>& Table::order(const QString& tagName) {
    TagOrder& o = tagOrder(tagName);
    // Another process's change seen while the repair is written drops the order: read it again.
    for (int attempt = 0; attempt < 3 && !o.built; ++attempt) buildOrder(o);
    if (!o.built) buildFromRecords(o);
    applyPending(o);
    return o.recnos;
}

void Table::buildOrder(TagOrder& o) {

    // Take the order from the index file when it agrees with the records; otherwise (a crash
    // between a record and its index entry, an index written by another program) put it right
    // from the records. The records are brought up to date first, under the same lock, so that
    // entries another process added are not taken for damage.
    bool consistent = true;
    std::vector<quint32> recnos;
    std::vector<quint64> codes;  // by record number: the code of its key in the index
    {
        Lock lock(*this, LockKind::Shared);
        syncLocked();  // announced at the next refresh or change, never in the middle of a read
        try {
            // What the index holds for each record: whether it lists it, and a code of its key.
            // (The index file refuses entries out of order itself.)
            std::vector<quint64> listed(size_t(count_) / 64 + 1, 0);
            codes.assign(size_t(count_) + 1, 0);
            auto isListed = [&](quint32 r) { return ((listed[r >> 6] >> (r & 63)) & 1u) != 0; };
            mdx_->forEach(o.tag, [&](const MdxEntry& e) {
                if (!consistent) return;
                if (e.recno < 1 || e.recno > count_ || isListed(e.recno)) {
                    consistent = false;  // a record past the end, or listed twice
                    return;
                }
                listed[e.recno >> 6] |= quint64(1) << (e.recno & 63);
                codes[e.recno] = keyCode(e.key);
                recnos.push_back(e.recno);
            });
            // Then the records in file order, read in pieces rather than kept: every live one
            // listed with its key, no deleted one listed. A pass in key order through the
            // records would wait on the disk or on memory at nearly every record.
            const FieldDef& f = def_->fields[static_cast<size_t>(o.field)];
            const int offset = fieldOffset(o.field);
            quint32 live = 0;
            if (consistent)
                scanLocked([&](quint32 r, QByteArrayView rec) {
                    if (rec[0] == '*') {
                        if (isListed(r)) consistent = false;
                        return;
                    }
                    ++live;
                    if (consistent &&
                        (!isListed(r) ||
                         keyCode(makeIndexKey(f, rec.sliced(offset, f.width))) != codes[r]))
                        consistent = false;
                });
            if (consistent) live_ = live;
        } catch (const EngineError&) {
            consistent = false;
        }
    }
    if (consistent) {
        o.recnos = std::move(recnos);
        o.numbers.clear();
        if (isNumberTag(o, *def_)) {
            // The codes of number and date keys are their exact values.
            o.numbers.resize(codes.size());
            for (size_t r = 0; r < codes.size(); ++r)
                o.numbers[r] = std::bit_cast<double>(codes[r]);
        }
        o.pendingInserts.clear();
        o.pendingRemoves.clear();
        o.built = true;
        return;
    }
    // Reading goes on from memory even when the repair cannot be written now (a full disk, a
    // read-only folder); it is written with the next change.
    buildFromRecords(o);
    o.unwritten = true;
    tryWriteRepairs();
}

// --- changing -----------------------------------------------------------------------------------

QByteArray Table::encodeRecord(QByteArray base, const FieldChanges& changes,
                               std::vector<std::pair<int, QByteArray>>& memos) const {
    for (const auto& [field, value] : changes) {
        const FieldDef& f = def_->fields.at(static_cast<size_t>(field));
        if (!f.isMemoLike()) {
            base.replace(fieldOffset(field), f.width, encodeField(f, value));
            continue;
        }
        QByteArray bytes;
        if (const QString* s = std::get_if<QString>(&value)) {
            auto enc = cp932::encode(*s);
            if (!enc)
                throw EngineError(QStringLiteral("フィールド '%1' に値を格納できません: 文字 '%2' はシフトJISで表せません")
                                      .arg(f.name, cp932::firstUnencodable(*s)));
            bytes = *enc;
        } else if (const QByteArray* b = std::get_if<QByteArray>(&value)) {
            bytes = *b;
        } else if (!isNull(value)) {
            throw EngineError(QStringLiteral("フィールド '%1' に値を格納できません: メモには文字列か画像が必要です").arg(f.name));
        }
        memos.emplace_back(field, bytes);
    }
    return base;
}

void Table::storeMemos(QByteArray& raw, const std::vector<std::pair<int, QByteArray>>& memos) {
    for (const auto& [field, bytes] : memos) {
        const FieldDef& f = def_->fields[static_cast<size_t>(field)];
        quint32 block = 0;
        if (!bytes.isEmpty()) {
            if (!dbt_) throw EngineError(QStringLiteral("テーブル '%1' にはメモファイルがありません").arg(fileName()));
            block = dbt_->append(bytes);
        }
        raw.replace(fieldOffset(field), f.width, encodeMemoBlock(block, f.width));
    }
}

void Table::writeHeader(quint32 count, quint32 generation) {
    // Bytes 1-19 in one write: date and count, the sizes as they are, the change counter.
    QByteArray h = header_;
    h.replace(1, 7, dbfCountAndDate(count, QDate::currentDate()));
    putHeaderU32(h, kChangeCounterOffset, generation);
    dbf_->write(1, QByteArrayView(h).sliced(1, kChangeCounterOffset + 4 - 1));
    header_ = h;
    generation_ = generation;
}

void Table::noteInsert(TagOrder& o, quint32 recno) {
    if (!o.built) return;
    o.pendingInserts.push_back(recno);
    noteKey(o, recno);
}

void Table::noteRemove(TagOrder& o, quint32 recno) {
    if (!o.built) return;
    auto it = std::find(o.pendingInserts.begin(), o.pendingInserts.end(), recno);
    if (it != o.pendingInserts.end())
        o.pendingInserts.erase(it);  // inserted and removed again before anybody read the order
    else
        o.pendingRemoves.push_back(recno);
}

void Table::applyPending(TagOrder& o) {
    if (!o.pendingRemoves.empty()) {
        std::sort(o.pendingRemoves.begin(), o.pendingRemoves.end());
        std::erase_if(o.recnos, [&](quint32 r) {
            return std::binary_search(o.pendingRemoves.begin(), o.pendingRemoves.end(), r);
        });
        o.pendingRemoves.clear();
    }
    if (!o.pendingInserts.empty()) {
        auto less = [&](quint32 a, quint32 b) {
            const auto c = orderKey(o, a) <=> orderKey(o, b);
            return c < 0 || (c == 0 && a < b);
        };
        std::sort(o.pendingInserts.begin(), o.pendingInserts.end(), less);
        const size_t mid = o.recnos.size();
        o.recnos.insert(o.recnos.end(), o.pendingInserts.begin(), o.pendingInserts.end());
        std::inplace_merge(o.recnos.begin(), o.recnos.begin() + static_cast<std::ptrdiff_t>(mid), o.recnos.end(), less);
        o.pendingInserts.clear();
    }
}

// The index side of a change. A tag whose tree refuses the change (damaged in a way only an
// insert shows) is rewritten whole from the records instead; a failure of that write fails the
// change.
void Table::indexInsert(quint32 recno) {
    for (TagOrder& o : orders_) {
        if (!o.unwritten) {
            try {
                mdx_->insert(o.tag, keyOf(recno, o.field), recno);
            } catch (const EngineError&) {
                o.unwritten = true;
            }
        }
        noteInsert(o, recno);
    }
}

void Table::indexRemove(quint32 recno) {
    for (TagOrder& o : orders_) {
        if (!o.unwritten) {
            try {
                mdx_->remove(o.tag, keyOf(recno, o.field), recno);
            } catch (const EngineError&) {
                o.unwritten = true;
            }
        }
        noteRemove(o, recno);
    }
}

void Table::writeUnwrittenOrders() {
    for (TagOrder& o : orders_) {
        if (!o.unwritten) continue;
        if (o.built)
            applyPending(o);
        else
            buildFromRecords(o);
        std::vector<MdxEntry> entries;
        entries.reserve(o.recnos.size());
        for (quint32 r : o.recnos) entries.push_back({keyOf(r, o.field), r});
        mdx_->rebuild(o.tag, std::move(entries));
        o.unwritten = false;
    }
}

void Table::tryWriteRepairs() {
    if (readOnly_ || writing_) return;  // a change in progress writes them itself
    std::vector<TagOrder*> pending;
    for (TagOrder& o : orders_)
        if (o.unwritten) pending.push_back(&o);
    if (pending.empty()) return;
    UndoLog undo;
    writing_ = true;
    try {
        Lock lock(*this, LockKind::Exclusive);
        syncLocked();  // another process's change drops the repair: the order is read again
        mdx_->file().setUndoLog(&undo);
        writeUnwrittenOrders();
        mdx_->flush();
        mdx_->file().setUndoLog(nullptr);
    } catch (const EngineError&) {
        mdx_->file().setUndoLog(nullptr);
        undo.rollback();
        // The orders stay in memory; the next change writes them.
        for (TagOrder* o : pending)
            if (o->built) o->unwritten = true;
    }
    writing_ = false;
}

void Table::requireWritable(Change change) const {
    if (!readOnly_) return;
    const QString folder = QDir::toNativeSeparators(dir_);
    switch (change) {
        case Change::Append:
            throw EngineError(QStringLiteral("データフォルダ '%1' に書き込めないため、登録できません。").arg(folder));
        case Change::Update:
            throw EngineError(QStringLiteral("データフォルダ '%1' に書き込めないため、修正できません。").arg(folder));
        case Change::Remove:
            throw EngineError(QStringLiteral("データフォルダ '%1' に書き込めないため、削除できません。").arg(folder));
    }
}

// The record must be on the disk before the header counts it, and memo blocks before a record
// names them; otherwise a power cut can leave a count past the end of the file (a table that no
// longer opens) or a record naming memo blocks that never arrived.
void Table::barrier(bool memo, bool records) {
    if (!syncWrites()) return;
    if (memo && dbt_) dbt_->file().syncToDisk();
    if (records) dbf_->syncToDisk();
}

// A change is on the disk once the record file is: the index is checked against the records
// whenever it is read and put right from them, so it is not waited for.
void Table::syncChangedFiles() {
    dbf_->flush();
    mdx_->flush();
    if (syncWrites()) dbf_->syncToDisk();
}

void Table::runChange(Change change, const std::function<void()>& body, const std::function<bool()>& stored) {
    UndoLog undo;
    auto attach = [&](UndoLog* log) {
        dbf_->setUndoLog(log);
        if (dbt_) dbt_->file().setUndoLog(log);
        mdx_->file().setUndoLog(log);
    };
    writing_ = true;
    attach(&undo);
    const quint32 countBefore = count_;
    try {
        body();
        writeUnwrittenOrders();
        syncChangedFiles();
    } catch (...) {
        attach(nullptr);
        writing_ = false;
        const bool restored = undo.rollback();
        // What is on the disk now decides what the process shows.
        stale_ = true;
        if (restored && count_ > countBefore) {
            // The new records are cut off the file again: until the view is read afresh, none
            // of them may be read through the mapping (past the end of the file).
            forgetView(countBefore);
        }
        bool isStored = !restored;
        try {
            syncLocked();
            isStored = stored();
        } catch (...) {
            // Unreadable now: read again at the next look. Without a full rollback the change
            // may be stored; it is reported as such so that it is not stored twice.
        }
        lastChangeStored_ = isStored;
        ++version_;
        unsignalled_ = true;
        try {
            signalIfChanged();  // the other cursors of this process re-read what is on the disk
        } catch (...) {
        }
        if (isStored) {
            try {
                throw;
            } catch (const EngineError& e) {
                const QString what = change == Change::Append   ? QStringLiteral("登録")
                                     : change == Change::Update ? QStringLiteral("修正")
                                                                : QStringLiteral("削除");
                throw ChangeStoredError(QStringLiteral("%1は保存されましたが、その後の書き込みに失敗しました。"
                                                       "もう一度%1しないでください。索引は次に書き込めるときに直します。\n%2")
                                            .arg(what, e.message()));
            }
        }
        throw;
    }
    attach(nullptr);
    writing_ = false;
    ++version_;
    unsignalled_ = true;
}

quint32 Table::append(const FieldChanges& changes, const Completion& complete) {
    lastChangeStored_ = false;
    requireWritable(Change::Append);
    quint32 recno = 0;
    QByteArray raw;
    {
        Lock lock(*this, LockKind::Exclusive);
        syncLocked();
        FieldChanges all = changes;
        if (complete) complete(*this, all);
        std::vector<std::pair<int, QByteArray>> memos;
        raw = encodeRecord(QByteArray(layout_.recordSize, ' '), all, memos);  // refuses before writing
        recno = count_ + 1;
        runChange(
            Change::Append,
            [&] {
                if (dbt_ && !memos.empty()) dbt_->reloadHeader();
                storeMemos(raw, memos);
                const qint64 at = layout_.headerSize + qint64(count_) * layout_.recordSize;
                dbf_->write(at, raw + QByteArray(1, kDbfEof));
                mapRecords(recno);
                barrier(!memos.empty(), true);
                writeHeader(recno, generation_);  // the record counts from here on
                count_ = recno;
                noteDeleted(recno, false);
                if (live_) ++*live_;
                indexInsert(recno);
            },
            [&] { return count_ >= recno && record(recno) == QByteArrayView(raw); });
    }
    signalIfChanged();
    return recno;
}

quint32 Table::appendAll(const std::vector<FieldChanges>& rows, const Completion& complete, const Progress& progress) {
    lastChangeStored_ = false;
    requireWritable(Change::Append);
    if (rows.empty()) return 0;
    quint32 first = 0;
    QByteArray lastRaw;
    {
        Lock lock(*this, LockKind::Exclusive);
        syncLocked();
        first = count_ + 1;
        const quint32 last = count_ + quint32(rows.size());
        // Past a few rows, each tag is written once from the records instead of row by row.
        constexpr size_t kRebuildFrom = 32;
        runChange(
            Change::Append,
            [&] {
                if (dbt_) dbt_->reloadHeader();
                const qint64 at = layout_.headerSize + qint64(count_) * layout_.recordSize;
                bool anyMemo = false;
                for (size_t i = 0; i < rows.size(); ++i) {
                    FieldChanges all = rows[i];
                    if (complete) complete(*this, all);
                    std::vector<std::pair<int, QByteArray>> memos;
                    QByteArray raw = encodeRecord(QByteArray(layout_.recordSize, ' '), all, memos);
                    storeMemos(raw, memos);
                    anyMemo = anyMemo || !memos.empty();
                    // In the file and in view at once (not yet counted on disk), so that the
                    // next row's completion sees it; a failure cuts the file back and re-reads
                    // the view.
                    dbf_->write(at + qint64(i) * layout_.recordSize, raw);
                    mapRecords(count_ + 1);
                    ++count_;
                    noteDeleted(count_, false);
                    if (live_) ++*live_;
                    if (i + 1 == rows.size()) lastRaw = raw;
                    if (progress && !progress(qsizetype(i) + 1))
                        throw ChangeCancelled(QStringLiteral("中止しました。何も登録されていません。"));
                }
                dbf_->write(at + qint64(rows.size()) * layout_.recordSize, QByteArray(1, kDbfEof));
                barrier(anyMemo, true);
                writeHeader(count_, generation_);  // every new record counts from here on
                for (quint32 r = first; r <= last; ++r) {
                    if (rows.size() < kRebuildFrom) {
                        indexInsert(r);
                        continue;
                    }
                    for (TagOrder& o : orders_) noteInsert(o, r);
                }
                if (rows.size() >= kRebuildFrom)
                    for (TagOrder& o : orders_) o.unwritten = true;
            },
            [&] { return count_ >= last && record(last) == QByteArrayView(lastRaw); });
    }
    signalIfChanged();
    return first;
}

void Table::update(quint32 recno, const FieldChanges& changes) {
    lastChangeStored_ = false;
    requireWritable(Change::Update);
    {
        Lock lock(*this, LockKind::Exclusive);
        syncLocked();
        if (recno < 1 || recno > count_ || isDeleted(recno))
            throw EngineError(QStringLiteral("テーブル '%1' のレコード %2 はありません").arg(fileName()).arg(recno));
        std::vector<std::pair<int, QByteArray>> memos;
        QByteArray raw = encodeRecord(record(recno).toByteArray(), changes, memos);
        // Until its memos are in the memo file, the new record still names the old blocks and
        // may equal the stored one byte for byte: that is no sign of the change being stored.
        bool memosStored = memos.empty();
        runChange(
            Change::Update,
            [&] {
                if (dbt_ && !memos.empty()) dbt_->reloadHeader();
                storeMemos(raw, memos);
                memosStored = true;
                if (!memos.empty()) barrier(true, false);
                // Only the tags whose key changes are touched in the index.
                std::vector<std::pair<TagOrder*, IndexKey>> moved;
                for (TagOrder& o : orders_) {
                    const FieldDef& f = def_->fields[static_cast<size_t>(o.field)];
                    const IndexKey oldKey = keyOf(recno, o.field);
                    const IndexKey newKey = makeIndexKey(f, QByteArrayView(raw).sliced(fieldOffset(o.field), f.width));
                    if (!(oldKey == newKey)) moved.emplace_back(&o, oldKey);
                }
                // The counter moves before the record does, so that no other process keeps a
                // record that changed under it.
                writeHeader(count_, generation_ + 1);
                dbf_->write(layout_.headerSize + qint64(recno - 1) * layout_.recordSize, raw);
                for (auto& [o, oldKey] : moved) {
                    if (!o->unwritten) {
                        try {
                            mdx_->remove(o->tag, oldKey, recno);
                        } catch (const EngineError&) {
                            o->unwritten = true;
                        }
                    }
                    noteRemove(*o, recno);
                }
                for (auto& [o, oldKey] : moved) {
                    if (!o->unwritten) {
                        try {
                            mdx_->insert(o->tag, keyOf(recno, o->field), recno);
                        } catch (const EngineError&) {
                            o->unwritten = true;
                        }
                    }
                    noteInsert(*o, recno);
                }
            },
            [&] { return memosStored && recno <= count_ && record(recno) == QByteArrayView(raw); });
    }
    signalIfChanged();
}

void Table::remove(quint32 recno) {
    lastChangeStored_ = false;
    requireWritable(Change::Remove);
    {
        Lock lock(*this, LockKind::Exclusive);
        syncLocked();
        if (recno < 1 || recno > count_ || isDeleted(recno))
            throw EngineError(QStringLiteral("テーブル '%1' のレコード %2 はありません").arg(fileName()).arg(recno));
        runChange(
            Change::Remove,
            [&] {
                writeHeader(count_, generation_ + 1);
                dbf_->write(layout_.headerSize + qint64(recno - 1) * layout_.recordSize, QByteArrayView("*", 1));
                indexRemove(recno);  // keys are computed from the record, which is unchanged apart from its flag
                noteDeleted(recno, true);
                if (live_) --*live_;
            },
            [&] { return recno <= count_ && isDeleted(recno); });
    }
    signalIfChanged();
}

// ---------------------------------------------------------------------------------------------

QByteArray grayBitmap(int width, int height) {
    // 24-bit BMP, rows padded to four bytes, bottom-up.
    const int rowSize = (width * 3 + 3) & ~3;
    const int pixels = rowSize * height;
    QByteArray b(54 + pixels, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, b.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, b.data() + at); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<quint32>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<quint32>(width));
    put32(22, static_cast<quint32>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<quint32>(pixels));
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < height; ++y)
        std::memset(b.data() + 54 + y * rowSize, 0xC0, static_cast<size_t>(width * 3));
    return b;
}

namespace {

// Creates one empty table (record, memo and index files) in dir.
void createTable(const QDir& dir, const TableDef& def) {
    auto dbf = BinaryFile::create(dir.filePath(def.dbfName));
    dbf->write(0, makeDbfHeader(def, 0, QDate::currentDate()) + QByteArray(1, kDbfEof));
    dbf->flush();
    if (def.hasMemo())
        DbtFile::create(dir.filePath(def.dbtName), QFileInfo(def.dbfName).completeBaseName());
    MdxFile::create(dir.filePath(def.mdxName), def,
                    [](const TagDef&) { return std::vector<MdxEntry>{}; });
}

// The name of the file in `present` that is `name` with letter case ignored, or an empty string.
QString presentAs(const QStringList& present, const QString& name) {
    for (const QString& p : present)
        if (p.compare(name, Qt::CaseInsensitive) == 0) return p;
    return {};
}

}  // namespace

void createDataDirectory(const QString& dirPath) {
    QDir dir(dirPath);
    if (!dir.exists() && !QDir().mkpath(dirPath))
        throw EngineError(QStringLiteral("フォルダ '%1' を作成できません").arg(QDir::toNativeSeparators(dirPath)));
    const QStringList present = dir.entryList(QDir::Files);
    for (const QString& name : dataFileNames())
        if (const QString p = presentAs(present, name); !p.isEmpty())
            throw EngineError(
                QStringLiteral(
                    "フォルダ '%1' には既にデータファイル '%2' があります。何も変更しませんでした")
                    .arg(QDir::toNativeSeparators(dirPath), p));
    for (const TableDef* def : allTableDefs()) createTable(dir, *def);
    auto gray = BinaryFile::create(dir.filePath(QString::fromLatin1(kPlaceholderPicture)));
    gray->write(0, grayBitmap(64, 48));
    gray->flush();
}

QStringList createMissingTables(const QString& dirPath) {
    const QDir dir(dirPath);
    const QStringList present = dir.entryList(QDir::Files);
    QStringList created;
    for (const TableDef& def : extraTableDefs()) {
        if (!presentAs(present, def.dbfName).isEmpty()) continue;
        // A memo or index file without its records is left for the user to look at.
        for (const QString& name : tableFileNames(def))
            if (const QString p = presentAs(present, name); !p.isEmpty())
                throw EngineError(
                    QStringLiteral(
                        "フォルダ '%1' にはテーブル '%2' がなく、そのファイル '%3' だけがあります。"
                        "テーブルを作成しませんでした")
                        .arg(QDir::toNativeSeparators(dirPath), def.dbfName, p));
        try {
            createTable(dir, def);
        } catch (const EngineError&) {
            // Half a table would stop the next start: take away what this step made.
            for (const QString& name : tableFileNames(def)) QFile::remove(dir.filePath(name));
            throw;
        }
        created << def.dbfName;
    }
    return created;
}

}  // namespace mz::data
