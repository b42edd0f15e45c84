#include "data/table.h"

#include "data/cp932.h"
#include "data/fieldcodec.h"
#include "data/mdx.h"
#include "data/tabledefs.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <map>

namespace mz::data {

namespace {

std::map<QString, std::weak_ptr<Table>>& registry() {
    static std::map<QString, std::weak_ptr<Table>> tables;
    return tables;
}

}  // namespace

Table::Table(const QString& dir, const TableDef& def) : dir_(dir), def_(&def) {}

Table::~Table() = default;

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
        if (auto existing = it->second.lock()) return existing;
    t->load();
    reg[key] = t;
    return t;
}

QString Table::fileName() const { return QFileInfo(dbfPath_).fileName(); }

void Table::load() {
    const QString base = QFileInfo(dbfPath_).completeBaseName();
    if (def_->hasMemo()) dbtPath_ = findFile(base + QStringLiteral(".DBT"), true);
    mdxPath_ = findFile(base + QStringLiteral(".MDX"), true);

    dbf_ = std::make_unique<BinaryFile>(dbfPath_, true);
    layout_ = readDbfHeader(*dbf_, *def_);
    count_ = layout_.recordCount;
    data_ = count_ ? dbf_->read(layout_.headerSize, qint64(count_) * layout_.recordSize) : QByteArray();
    live_ = 0;
    for (quint32 r = 1; r <= count_; ++r)
        if (!isDeleted(r)) ++live_;
    if (def_->hasMemo()) dbt_ = std::make_unique<DbtFile>(dbtPath_, true);
    mdx_ = std::make_unique<MdxFile>(mdxPath_, *def_);
    for (const TagDef& t : def_->tags) orders_.push_back({t.name, def_->fieldIndex(t.field), false, {}, {}, {}});
}

bool Table::isDeleted(quint32 recno) const { return record(recno)[0] == '*'; }

QByteArrayView Table::record(quint32 recno) const {
    Q_ASSERT(recno >= 1 && recno <= count_);
    return QByteArrayView(data_).sliced(qsizetype(recno - 1) * layout_.recordSize, layout_.recordSize);
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

const std::vector<quint32>& Table::order(const QString& tagName) {
    TagOrder& o = tagOrder(tagName);
    if (o.built) {
        applyPending(o);
        return o.recnos;
    }

    // Take the order from the index file when it agrees with the records; otherwise (a crash
    // between a record and its index entry, an index written by another program) rebuild it.
    bool consistent = true;
    std::vector<quint32> recnos;
    try {
        const std::vector<MdxEntry> entries = mdx_->read(o.tag);
        if (entries.size() != live_) consistent = false;
        recnos.reserve(entries.size());
        for (size_t i = 0; consistent && i < entries.size(); ++i) {
            const MdxEntry& e = entries[i];
            if (e.recno < 1 || e.recno > count_ || isDeleted(e.recno) || !(keyOf(e.recno, o.field) == e.key)) {
                consistent = false;
                break;
            }
            if (i > 0) {
                const auto c = entries[i - 1].key <=> e.key;
                if (c > 0 || (c == 0 && entries[i - 1].recno >= e.recno)) consistent = false;
            }
            recnos.push_back(e.recno);
        }
    } catch (const EngineError&) {
        consistent = false;
    }
    if (!consistent) {
        std::vector<MdxEntry> entries;
        entries.reserve(live_);
        for (quint32 r = 1; r <= count_; ++r)
            if (!isDeleted(r)) entries.push_back({keyOf(r, o.field), r});
        std::stable_sort(entries.begin(), entries.end(),
                         [](const MdxEntry& a, const MdxEntry& b) { return a.key < b.key; });
        recnos.clear();
        for (const MdxEntry& e : entries) recnos.push_back(e.recno);
        mdx_->rebuild(o.tag, std::move(entries));
        mdx_->flush();
    }
    o.recnos = std::move(recnos);
    o.built = true;
    return o.recnos;
}

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

void Table::writeHeaderCount() {
    dbf_->write(1, dbfCountAndDate(count_, QDate::currentDate()));
}

void Table::noteInsert(TagOrder& o, quint32 recno) {
    if (o.built) o.pendingInserts.push_back(recno);
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
            const auto c = keyOf(a, o.field) <=> keyOf(b, o.field);
            return c < 0 || (c == 0 && a < b);
        };
        std::sort(o.pendingInserts.begin(), o.pendingInserts.end(), less);
        const size_t mid = o.recnos.size();
        o.recnos.insert(o.recnos.end(), o.pendingInserts.begin(), o.pendingInserts.end());
        std::inplace_merge(o.recnos.begin(), o.recnos.begin() + static_cast<std::ptrdiff_t>(mid), o.recnos.end(), less);
        o.pendingInserts.clear();
    }
}

void Table::indexInsert(quint32 recno) {
    for (TagOrder& o : orders_) {
        mdx_->insert(o.tag, keyOf(recno, o.field), recno);
        noteInsert(o, recno);
    }
}

void Table::indexRemove(quint32 recno) {
    for (TagOrder& o : orders_) {
        mdx_->remove(o.tag, keyOf(recno, o.field), recno);
        noteRemove(o, recno);
    }
}

quint32 Table::append(const FieldChanges& changes) {
    std::vector<std::pair<int, QByteArray>> memos;
    QByteArray raw = encodeRecord(QByteArray(layout_.recordSize, ' '), changes, memos);
    storeMemos(raw, memos);
    const quint32 recno = count_ + 1;
    const qint64 at = layout_.headerSize + qint64(count_) * layout_.recordSize;
    dbf_->write(at, raw + QByteArray(1, kDbfEof));
    data_.append(raw);
    count_ = recno;
    ++live_;
    writeHeaderCount();
    indexInsert(recno);
    mdx_->flush();
    dbf_->flush();
    ++version_;
    Q_EMIT changed();
    return recno;
}

void Table::update(quint32 recno, const FieldChanges& changes) {
    if (recno < 1 || recno > count_ || isDeleted(recno))
        throw EngineError(QStringLiteral("テーブル '%1' のレコード %2 はありません").arg(fileName()).arg(recno));
    std::vector<std::pair<int, QByteArray>> memos;
    QByteArray raw = encodeRecord(record(recno).toByteArray(), changes, memos);
    storeMemos(raw, memos);
    // Only the tags whose key changes are touched in the index.
    std::vector<std::pair<TagOrder*, IndexKey>> moved;
    for (TagOrder& o : orders_) {
        const FieldDef& f = def_->fields[static_cast<size_t>(o.field)];
        const IndexKey oldKey = keyOf(recno, o.field);
        const IndexKey newKey = makeIndexKey(f, QByteArrayView(raw).sliced(fieldOffset(o.field), f.width));
        if (!(oldKey == newKey)) moved.emplace_back(&o, oldKey);
    }
    dbf_->write(layout_.headerSize + qint64(recno - 1) * layout_.recordSize, raw);
    for (auto& [o, oldKey] : moved) {
        mdx_->remove(o->tag, oldKey, recno);
        noteRemove(*o, recno);
    }
    data_.replace(qsizetype(recno - 1) * layout_.recordSize, layout_.recordSize, raw);
    writeHeaderCount();
    for (auto& [o, oldKey] : moved) {
        mdx_->insert(o->tag, keyOf(recno, o->field), recno);
        noteInsert(*o, recno);
    }
    mdx_->flush();
    dbf_->flush();
    ++version_;
    Q_EMIT changed();
}

void Table::remove(quint32 recno) {
    if (recno < 1 || recno > count_ || isDeleted(recno))
        throw EngineError(QStringLiteral("テーブル '%1' のレコード %2 はありません").arg(fileName()).arg(recno));
    dbf_->write(layout_.headerSize + qint64(recno - 1) * layout_.recordSize, QByteArrayView("*", 1));
    indexRemove(recno);  // keys are computed from the record, which is unchanged apart from its flag
    data_[qsizetype(recno - 1) * layout_.recordSize] = '*';
    --live_;
    writeHeaderCount();
    mdx_->flush();
    dbf_->flush();
    ++version_;
    Q_EMIT changed();
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

void createDataDirectory(const QString& dirPath) {
    QDir dir(dirPath);
    if (!dir.exists() && !QDir().mkpath(dirPath))
        throw EngineError(QStringLiteral("フォルダ '%1' を作成できません").arg(QDir::toNativeSeparators(dirPath)));
    const QStringList present = dir.entryList(QDir::Files);
    for (const QString& name : dataFileNames())
        for (const QString& p : present)
            if (p.compare(name, Qt::CaseInsensitive) == 0)
                throw EngineError(QStringLiteral("フォルダ '%1' には既にデータファイル '%2' があります。何も変更しませんでした")
                                      .arg(QDir::toNativeSeparators(dirPath), p));
    for (const TableDef& def : tableDefs()) {
        auto dbf = BinaryFile::create(dir.filePath(def.dbfName));
        dbf->write(0, makeDbfHeader(def, 0, QDate::currentDate()) + QByteArray(1, kDbfEof));
        dbf->flush();
        if (def.hasMemo()) DbtFile::create(dir.filePath(def.dbtName), QFileInfo(def.dbfName).completeBaseName());
        MdxFile::create(dir.filePath(def.mdxName), def, [](const TagDef&) { return std::vector<MdxEntry>{}; });
    }
    auto gray = BinaryFile::create(dir.filePath(QString::fromLatin1(kPlaceholderPicture)));
    gray->write(0, grayBitmap(64, 48));
    gray->flush();
}

}  // namespace mz::data
