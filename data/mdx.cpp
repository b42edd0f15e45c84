#include "data/mdx.h"

#include "data/cp932.h"

#include <QDate>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>
#include <string>

// Layout of the file (all numbers little-endian):
//   pages 0-3   file header (48 bytes) and the tag table (48 entries of 32 bytes from byte 512;
//               the first entry is unused, so a file holds at most 47 tags)
//   then        1024-byte blocks addressed by their first 512-byte page: one tag header per
//               tag, then the B-tree blocks of every tag
// A tree block holds a key count, four unused bytes and key items of (pointer, key). In a leaf
// the pointer is a record number and the pointer after the last item is zero; in an interior
// block the pointers are child blocks, one more than there are keys, and each key is the
// highest key of the child before it.

namespace mz::data {

namespace {

constexpr qint64 kPageSize = 512;
constexpr int kBlockSize = 1024;
constexpr quint32 kPagesPerBlock = 2;
constexpr int kFileHeaderSize = 48;
constexpr int kTagTableOffset = 544;
constexpr int kTagEntrySize = 32;
constexpr int kTagTableEntries = 48;
constexpr int kMaxTags = kTagTableEntries - 1;
constexpr quint32 kFirstTagHeaderPage = 4;
constexpr int kNodeHeader = 8;
constexpr int kMaxDepth = 40;
constexpr int kMaxTextKey = 100;
constexpr int kBcdLength = 12;
constexpr int kBcdDigits = 20;
constexpr int kBcdBias = 0x34;
constexpr int kKeyExprOffset = 24;
constexpr int kKeyExprMax = 220;
constexpr char kMdxVersion = 0x02;          // file header byte 0
constexpr char kProductionIndex = 0x01;     // file header byte 24: opened with its table
constexpr char kKeyedOnField = 0x10;        // tag header byte 8 and tag table byte 15
constexpr char kTagTableByte19 = 0x02;      // tag table byte 19, as dBASE IV writes it
// The second byte of a number key: its digit count << 2, this constant bit, and the sign.
constexpr int kBcdInfoBit = 0x01;
constexpr int kBcdNegative = 0x80;
constexpr int kBcdCountMask = 0x1F;

// Kept out of line: inlined with a constant offset, GCC takes QByteArray's shared empty buffer
// for the one being read and warns about reads past its end that cannot happen.
#if defined(__GNUC__) && !defined(__clang__)
#define MZ_OUT_OF_LINE __attribute__((noinline, noclone))
#else
#define MZ_OUT_OF_LINE __attribute__((noinline))
#endif

MZ_OUT_OF_LINE quint32 get32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
MZ_OUT_OF_LINE quint16 get16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
MZ_OUT_OF_LINE void put32(QByteArray& b, qsizetype at, quint32 v) {
    qToLittleEndian<quint32>(v, b.data() + at);
}
MZ_OUT_OF_LINE void put16(QByteArray& b, qsizetype at, quint16 v) {
    qToLittleEndian<quint16>(v, b.data() + at);
}
MZ_OUT_OF_LINE uchar byteAt(const QByteArray& b, qsizetype at) {
    return static_cast<uchar>(b.at(at));
}

qint64 pageOffset(quint32 page) {
    return qint64(page) * kPageSize;
}

struct KeyShape {
    char type = 'C';
    int length = 0;
    int itemLength() const { return (length + 4 + 3) / 4 * 4; }
};

// --- keys on disk ---------------------------------------------------------------------------

// A number as dBASE IV keys it: a biased decimal exponent, the digit count and sign, then up to
// twenty packed decimal digits (value = 0.d1d2d3... x 10^(exponent - 0x34)).
QByteArray encodeBcd(double v) {
    QByteArray out(kBcdLength, '\0');
    out[0] = static_cast<char>(kBcdBias);
    out[1] = static_cast<char>(kBcdInfoBit);
    if (!std::isfinite(v) || v == 0) return out;
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
    const std::string s(buf, res.ptr);
    const size_t e = s.find('e');
    if (e == std::string::npos) return out;
    std::string digits;
    for (size_t i = 0; i < e; ++i)
        if (s[i] >= '0' && s[i] <= '9') digits += s[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exp10 = 0;
    size_t p = e + 1;
    const bool negExp = p < s.size() && s[p] == '-';
    if (p < s.size() && (s[p] == '-' || s[p] == '+')) ++p;
    std::from_chars(s.data() + p, s.data() + s.size(), exp10);
    if (negExp) exp10 = -exp10;
    int biased = kBcdBias + exp10 + 1;
    if (biased < 1) return out;  // too small to key: keyed as zero
    if (biased > 255) {          // too large to key: keyed as the largest number
        biased = 255;
        digits.assign(kBcdDigits, '9');
    }
    if (digits.size() > size_t(kBcdDigits)) digits.resize(kBcdDigits);
    out[0] = static_cast<char>(biased);
    out[1] = static_cast<char>((int(digits.size()) << 2) | kBcdInfoBit | (v < 0 ? kBcdNegative : 0));
    for (size_t i = 0; i < digits.size(); ++i) {
        const int d = digits[i] - '0';
        char& b = out[qsizetype(2 + i / 2)];
        b = static_cast<char>(static_cast<uchar>(b) | (i % 2 == 0 ? d << 4 : d));
    }
    return out;
}

std::optional<double> decodeBcd(const char* p) {
    const int biased = static_cast<uchar>(p[0]);
    const int info = static_cast<uchar>(p[1]);
    const int count = (info >> 2) & kBcdCountMask;
    if (count > kBcdDigits) return std::nullopt;
    if (count == 0) return 0.0;
    std::string s = "0.";
    for (int i = 0; i < count; ++i) {
        const int b = static_cast<uchar>(p[2 + i / 2]);
        const int d = i % 2 == 0 ? b >> 4 : b & 0x0F;
        if (d > 9) return std::nullopt;
        s += static_cast<char>('0' + d);
    }
    s += 'e';
    s += std::to_string(biased - kBcdBias);
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || !std::isfinite(v)) return std::nullopt;
    return (info & kBcdNegative) ? -v : v;
}

QByteArray encodeKey(const IndexKey& k, const KeyShape& shape) {
    switch (shape.type) {
        case 'C': {
            QByteArray t = k.text.left(shape.length);
            if (t.size() < shape.length) t.append(QByteArray(shape.length - t.size(), ' '));
            return t;
        }
        case 'N':
            return encodeBcd(k.number);
        default: {
            const double d = std::isfinite(k.number) ? k.number : 0.0;
            QByteArray out(8, '\0');
            qToLittleEndian<quint64>(std::bit_cast<quint64>(d), out.data());
            return out;
        }
    }
}

std::optional<IndexKey> decodeKey(const char* p, const KeyShape& shape) {
    IndexKey k;
    k.type = shape.type;
    switch (shape.type) {
        case 'C':
            k.text = QByteArray(p, shape.length);
            return k;
        case 'N': {
            const std::optional<double> v = decodeBcd(p);
            if (!v) return std::nullopt;
            k.number = *v;
            return k;
        }
        default: {
            const double d = std::bit_cast<double>(qFromLittleEndian<quint64>(p));
            if (!std::isfinite(d)) return std::nullopt;
            k.number = d;
            return k;
        }
    }
}

// The key exactly as it reads back from the file, so that keys compare alike before and after
// a round trip through the disk.
IndexKey canonical(const IndexKey& k, const KeyShape& shape) {
    const QByteArray raw = encodeKey(k, shape);
    std::optional<IndexKey> c = decodeKey(raw.constData(), shape);
    if (!c) {
        IndexKey zero;
        zero.type = shape.type;
        return zero;
    }
    return *c;
}

// Entries order by key, equal keys by record number.
bool entryLess(const IndexKey& a, quint32 ra, const IndexKey& b, quint32 rb) {
    const auto c = a <=> b;
    if (c != 0) return c < 0;
    return ra < rb;
}

std::optional<KeyShape> shapeOfField(const FieldDef& f) {
    switch (f.type) {
        case FieldType::Text:
            return KeyShape{'C', f.width};
        case FieldType::Date:
            return KeyShape{'D', 8};
        case FieldType::Number:
        case FieldType::SmallInt:
            return KeyShape{'N', kBcdLength};
        default:
            return std::nullopt;
    }
}

const FieldDef* fieldOfTag(const TableDef& def, const TagDef& tag) {
    const int fi = def.fieldIndex(tag.field);
    return fi < 0 ? nullptr : &def.fields[static_cast<size_t>(fi)];
}

// Tag and field names on disk: at most ten bytes of CP932, 相手先コード stored as 相手先ｺｰﾄﾞ.
QByteArray diskBytes(const QString& name, int maxBytes) {
    const QString disk = FieldDef{name, FieldType::Text, 0, 0}.diskName();
    const std::optional<QByteArray> bytes = cp932::encode(disk);
    if (!bytes) throw EngineError(QStringLiteral("名前 '%1' は索引ファイルに書けません").arg(name));
    return cp932::truncate(*bytes, maxBytes);
}

void putDate(QByteArray& b, qsizetype at) {
    const QDate today = QDate::currentDate();
    b[at] = static_cast<char>(std::clamp(today.year() - 1900, 0, 255));
    b[at + 1] = static_cast<char>(today.month());
    b[at + 2] = static_cast<char>(today.day());
}

// --- tree blocks ------------------------------------------------------------------------------

struct Node {
    quint32 page = 0;
    bool leaf = true;
    std::vector<IndexKey> keys;
    std::vector<quint32> ptrs;  // leaf: a record number per key; interior: one child more than keys
};

struct TagHeader {
    quint32 root = 0;
    KeyShape shape;
    int itemLength = 0;
    int readMax = 0;   // most keys a block may hold
    int writeMax = 0;  // most keys a block holds when written (room left for the last pointer)
};

QByteArray serializeNode(const Node& n, const TagHeader& h) {
    QByteArray b(kBlockSize, '\0');
    put32(b, 0, quint32(n.keys.size()));
    qsizetype at = kNodeHeader;
    for (size_t i = 0; i < n.keys.size(); ++i) {
        put32(b, at, n.ptrs[i]);
        const QByteArray k = encodeKey(n.keys[i], h.shape);
        std::memcpy(b.data() + at + 4, k.constData(), size_t(k.size()));
        at += h.itemLength;
    }
    if (!n.leaf) put32(b, at, n.ptrs.back());
    return b;
}

QByteArray tagHeaderBlock(quint32 root, quint32 filePages, const KeyShape& shape,
                          const QByteArray& expr) {
    QByteArray b(kBlockSize, '\0');
    put32(b, 0, root);
    put32(b, 4, filePages);
    b[8] = kKeyedOnField;
    b[9] = shape.type;
    put16(b, 12, quint16(shape.length));
    put16(b, 14, quint16((kBlockSize - kNodeHeader - 4) / shape.itemLength()));
    put16(b, 16, 0);  // dBASE IV key
    put16(b, 18, quint16(shape.itemLength()));
    std::memcpy(b.data() + kKeyExprOffset, expr.constData(),
                size_t(std::min<qsizetype>(expr.size(), kKeyExprMax - 1)));
    return b;
}

// Lays sorted entries out as a balanced tree in fresh blocks numbered from next on.
std::vector<Node> buildTree(const std::vector<MdxEntry>& entries, const TagHeader& h, quint32& next,
                            quint32& root) {
    std::vector<Node> nodes;
    struct Item {
        quint32 page;
        IndexKey max;
    };
    std::vector<Item> level;
    const size_t cap = size_t(h.writeMax);
    auto groups = [](size_t count, size_t per) {
        std::vector<size_t> sizes;
        const size_t m = (count + per - 1) / per;
        for (size_t i = 0; i < m; ++i) sizes.push_back(count / m + (i < count % m ? 1 : 0));
        return sizes;
    };
    if (entries.empty()) {
        Node n;
        n.page = next;
        next += kPagesPerBlock;
        root = n.page;
        nodes.push_back(std::move(n));
        return nodes;
    }
    size_t at = 0;
    for (size_t size : groups(entries.size(), cap)) {
        Node n;
        n.page = next;
        next += kPagesPerBlock;
        for (size_t i = 0; i < size; ++i, ++at) {
            n.keys.push_back(entries[at].key);
            n.ptrs.push_back(entries[at].recno);
        }
        level.push_back({n.page, n.keys.back()});
        nodes.push_back(std::move(n));
    }
    while (level.size() > 1) {
        std::vector<Item> up;
        at = 0;
        for (size_t size : groups(level.size(), cap + 1)) {
            Node n;
            n.leaf = false;
            n.page = next;
            next += kPagesPerBlock;
            for (size_t i = 0; i < size; ++i, ++at) {
                if (i + 1 < size) n.keys.push_back(level[at].max);
                n.ptrs.push_back(level[at].page);
            }
            up.push_back({n.page, level[at - 1].max});
            nodes.push_back(std::move(n));
        }
        level = std::move(up);
    }
    root = level.front().page;
    return nodes;
}

TagHeader headerFor(const KeyShape& shape, quint32 root) {
    TagHeader h;
    h.root = root;
    h.shape = shape;
    h.itemLength = shape.itemLength();
    h.readMax = (kBlockSize - kNodeHeader - 4) / h.itemLength;
    h.writeMax = h.readMax;
    return h;
}

void sortEntries(std::vector<MdxEntry>& entries, const KeyShape& shape) {
    for (MdxEntry& e : entries) e.key = canonical(e.key, shape);
    std::sort(entries.begin(), entries.end(), [](const MdxEntry& a, const MdxEntry& b) {
        return entryLess(a.key, a.recno, b.key, b.recno);
    });
}

struct TagSlot {
    QString name;  // as callers spell it
    quint32 headerPage = 0;
    int entry = 0;  // position in the tag table, 0-based
};

}  // namespace

// ------------------------------------------------------------------------------------------

struct MdxFile::Impl {
    TableDef def;
    std::unique_ptr<BinaryFile> file;
    std::vector<TagSlot> tags;

    QString callerName(const QString& name) const {
        const TagDef* t = def.tagByName(name);
        return t ? t->name : name;
    }

    const TagSlot& slot(const QString& name) const {
        const QString want = callerName(name);
        for (const TagSlot& s : tags)
            if (s.name.compare(want, Qt::CaseInsensitive) == 0) return s;
        throw EngineError(QStringLiteral("タグ '%1' が索引ファイル '%2' にありません")
                              .arg(name, file->fileName()));
    }

    [[noreturn]] void damaged(const TagSlot& s, const QString& what) const {
        throw EngineError(QStringLiteral("索引ファイル '%1' のタグ '%2' が壊れています: %3")
                              .arg(file->fileName(), s.name, what));
    }

    bool blockInFile(quint32 page) const {
        return page >= kFirstTagHeaderPage && pageOffset(page) + kBlockSize <= file->size();
    }

    std::optional<KeyShape> shapeFromDef(const TagSlot& s) const {
        const TagDef* t = def.tagByName(s.name);
        if (!t) return std::nullopt;
        const FieldDef* f = fieldOfTag(def, *t);
        return f ? shapeOfField(*f) : std::nullopt;
    }

    TagHeader header(const TagSlot& s) const {
        const QByteArray b = file->read(pageOffset(s.headerPage), kBlockSize);
        TagHeader h;
        h.root = get32(b, 0);
        h.shape.type = b.at(9);
        h.shape.length = get16(b, 12);
        const int maxKeys = get16(b, 14);
        h.itemLength = get16(b, 18);
        const char t = h.shape.type;
        if (t != 'C' && t != 'N' && t != 'D')
            damaged(s, QStringLiteral("タグ見出しのキーの型が正しくありません"));
        const int len = h.shape.length;
        if ((t == 'C' && (len < 1 || len > kMaxTextKey)) || (t == 'N' && len != kBcdLength) ||
            (t == 'D' && len != 8))
            damaged(s, QStringLiteral("タグ見出しのキー長 %1 が正しくありません").arg(len));
        if (h.itemLength < len + 4 || h.itemLength > (kBlockSize - kNodeHeader - 4) / 2)
            damaged(
                s,
                QStringLiteral("タグ見出しのキー項目長 %1 が正しくありません").arg(h.itemLength));
        h.readMax = std::min(maxKeys, (kBlockSize - kNodeHeader) / h.itemLength);
        h.writeMax = std::min(maxKeys, (kBlockSize - kNodeHeader - 4) / h.itemLength);
        if (h.writeMax < 2)
            damaged(s, QStringLiteral("タグ見出しのブロックあたりのキー数 %1 が正しくありません")
                           .arg(maxKeys));
        if (const std::optional<KeyShape> want = shapeFromDef(s);
            want && (want->type != t || want->length != len))
            damaged(s, QStringLiteral("キーの型または長さが項目と合いません"));
        if (!blockInFile(h.root))
            damaged(s, QStringLiteral("根のブロック %1 がファイルの範囲外です").arg(h.root));
        return h;
    }

    Node load(const TagSlot& s, const TagHeader& h, quint32 page) const {
        if (page < kFirstTagHeaderPage)
            damaged(s, QStringLiteral("ブロック %1 がファイルの範囲外です").arg(page));
        QByteArray b;
        try {
            b = file->read(pageOffset(page), kBlockSize);
        } catch (const EngineError&) {
            // Past the end of the file: damage; anything else is a failure of the file itself.
            if (!blockInFile(page))
                damaged(s, QStringLiteral("ブロック %1 がファイルの範囲外です").arg(page));
            throw;
        }
        const quint32 count = get32(b, 0);
        if (count > quint32(h.readMax))
            damaged(s, QStringLiteral("ブロック %1 のキー数 %2 が範囲外です").arg(page).arg(count));
        Node n;
        n.page = page;
        const qsizetype end = kNodeHeader + qsizetype(count) * h.itemLength;
        const quint32 last = end + 4 <= kBlockSize ? get32(b, end) : 0;
        n.leaf = last == 0;
        n.keys.reserve(count);
        n.ptrs.reserve(count + 1);
        for (quint32 i = 0; i < count; ++i) {
            const qsizetype at = kNodeHeader + qsizetype(i) * h.itemLength;
            std::optional<IndexKey> k = decodeKey(b.constData() + at + 4, h.shape);
            if (!k)
                damaged(s,
                        QStringLiteral("ブロック %1 のキー %2 が読めません").arg(page).arg(i + 1));
            const quint32 ptr = get32(b, at);
            if (n.leaf && ptr == 0)
                damaged(s, QStringLiteral("ブロック %1 のレコード番号が 0 です").arg(page));
            n.keys.push_back(std::move(*k));
            n.ptrs.push_back(ptr);
        }
        if (!n.leaf) n.ptrs.push_back(last);
        return n;
    }

    void writeNode(const Node& n, const TagHeader& h) {
        // Splits keep every block within its size; a damaged tree that slipped past the checks
        // must still never make a write run past the block.
        if (kNodeHeader + qsizetype(n.keys.size()) * h.itemLength + 4 > kBlockSize ||
            n.ptrs.size() != n.keys.size() + (n.leaf ? 0 : 1))
            throw EngineError(
                QStringLiteral("索引ファイル '%1' のブロック %2 に書けません (キーが多すぎます)")
                    .arg(file->fileName())
                    .arg(n.page));
        file->write(pageOffset(n.page), serializeNode(n, h));
    }

    // Where the next new block goes: past everything the file holds, so that a block written
    // before a crash is never taken for a free one.
    quint32 nextFreePage() const {
        const qint64 pages = (file->size() + kPageSize - 1) / kPageSize;
        quint32 next = quint32(std::max<qint64>(pages, kFirstTagHeaderPage));
        if (next % kPagesPerBlock) ++next;
        return next;
    }

    void writeFileHeader(quint32 pages) {
        QByteArray b = file->read(0, kFileHeaderSize);
        put32(b, 32, pages);
        putDate(b, 44);
        file->write(0, b);
    }

    // The highest entry below a child, found along its rightmost edge.
    std::pair<IndexKey, quint32> maxEntry(const TagSlot& s, const TagHeader& h, quint32 page,
                                          int depth) const {
        for (;; ++depth) {
            if (depth > kMaxDepth) damaged(s, QStringLiteral("木が深すぎます (循環しています)"));
            const Node n = load(s, h, page);
            if (n.leaf) {
                if (n.keys.empty()) damaged(s, QStringLiteral("ブロック %1 が空です").arg(page));
                return {n.keys.back(), n.ptrs.back()};
            }
            page = n.ptrs.back();
        }
    }

    // The child of an interior block below which the entry (key, recno) belongs.
    size_t chooseChild(const TagSlot& s, const TagHeader& h, const Node& n, const IndexKey& key,
                       quint32 recno, int depth) const {
        const size_t count = n.keys.size();
        size_t lo = 0;
        while (lo < count && n.keys[lo] < key) ++lo;
        if (lo == count || key < n.keys[lo]) return lo;
        // Equal keys may spread over several children; their record numbers decide.
        size_t hi = lo;
        while (hi < count && n.keys[hi] == key) ++hi;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            const auto [mk, mr] = maxEntry(s, h, n.ptrs[mid], depth + 1);
            if (entryLess(mk, mr, key, recno))
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    struct Step {
        Node node;
        size_t child;
    };

    Node descend(const TagSlot& s, const TagHeader& h, const IndexKey& key, quint32 recno,
                 std::vector<Step>& path) const {
        std::set<quint32> seen;
        Node n = load(s, h, h.root);
        for (;;) {
            if (!seen.insert(n.page).second)
                damaged(s, QStringLiteral("ブロック %1 が循環しています").arg(n.page));
            if (n.leaf) return n;
            if (int(path.size()) >= kMaxDepth) damaged(s, QStringLiteral("木が深すぎます"));
            const size_t c = chooseChild(s, h, n, key, recno, int(path.size()));
            const quint32 child = n.ptrs[c];
            path.push_back({std::move(n), c});
            n = load(s, h, child);
        }
    }

    // The highest key below path[level] (or the leaf when level == path.size()) became newMax:
    // bring the separating key above it up to date.
    void propagateMax(std::vector<Step>& path, size_t level, const IndexKey& newMax,
                      const TagHeader& h) {
        while (level > 0) {
            Step& up = path[level - 1];
            if (up.child < up.node.keys.size()) {
                if (!(up.node.keys[up.child] == newMax)) {
                    up.node.keys[up.child] = newMax;
                    writeNode(up.node, h);
                }
                return;
            }
            --level;
        }
    }

    // Walks a whole tree, checking every block and the order of every key.
    struct Walk {
        const Impl& m;
        const TagSlot& s;
        const TagHeader& h;
        const std::function<void(const MdxEntry&)>& each;
        std::optional<MdxEntry> last;
        std::set<quint32> seen;
        int leafDepth = -1;

        void visit(quint32 page, int depth, const IndexKey* lo, const IndexKey* hi) {
            if (depth > kMaxDepth) m.damaged(s, QStringLiteral("木が深すぎます"));
            if (!seen.insert(page).second)
                m.damaged(s, QStringLiteral("ブロック %1 が二度参照されています (循環)").arg(page));
            const Node n = m.load(s, h, page);
            auto inBounds = [&](const IndexKey& k) {
                return (!lo || !(k < *lo)) && (!hi || !(*hi < k));
            };
            if (n.leaf) {
                if (leafDepth < 0) leafDepth = depth;
                if (leafDepth != depth) m.damaged(s, QStringLiteral("葉の深さが揃っていません"));
                if (n.keys.empty() && depth > 0)
                    m.damaged(s, QStringLiteral("ブロック %1 が空です").arg(page));
                for (size_t i = 0; i < n.keys.size(); ++i) {
                    if (!inBounds(n.keys[i]) ||
                        (last && !entryLess(last->key, last->recno, n.keys[i], n.ptrs[i])))
                        m.damaged(
                            s,
                            QStringLiteral("ブロック %1 のキーの順序が正しくありません").arg(page));
                    last = MdxEntry{n.keys[i], n.ptrs[i]};
                    each(*last);
                }
                return;
            }
            for (size_t i = 0; i < n.keys.size(); ++i)
                if (!inBounds(n.keys[i]) || (i > 0 && n.keys[i] < n.keys[i - 1]))
                    m.damaged(
                        s, QStringLiteral("ブロック %1 のキーの順序が正しくありません").arg(page));
            for (size_t i = 0; i < n.ptrs.size(); ++i)
                visit(n.ptrs[i], depth + 1, i == 0 ? lo : &n.keys[i - 1],
                      i < n.keys.size() ? &n.keys[i] : hi);
        }
    };
};

// ------------------------------------------------------------------------------------------

void MdxFile::create(const QString& path, const TableDef& def,
                     const std::function<std::vector<MdxEntry>(const TagDef&)>& entriesOf) {
    if (def.tags.size() > size_t(kMaxTags))
        throw EngineError(QStringLiteral("索引ファイル '%1' にはタグを %2 個までしか置けません")
                              .arg(QFileInfo(path).fileName())
                              .arg(kMaxTags));
    struct Planned {
        QByteArray name;
        KeyShape shape;
        QByteArray expr;
    };
    std::vector<Planned> plan;
    for (const TagDef& t : def.tags) {
        const FieldDef* f = fieldOfTag(def, t);
        const std::optional<KeyShape> shape = f ? shapeOfField(*f) : std::nullopt;
        if (!shape)
            throw EngineError(
                QStringLiteral("タグ '%1' の項目 '%2' は索引にできません").arg(t.name, t.field));
        plan.push_back({diskBytes(t.name, 10), *shape, diskBytes(f->name, kKeyExprMax - 1)});
    }

    std::unique_ptr<BinaryFile> file = BinaryFile::create(path);
    const quint32 tagCount = quint32(plan.size());
    quint32 next = kFirstTagHeaderPage + tagCount * kPagesPerBlock;
    std::vector<quint32> roots;
    // Trees first, then the tag headers, then the file header: a file cut short on the way is
    // refused when it is opened rather than read wrong.
    for (size_t i = 0; i < plan.size(); ++i) {
        std::vector<MdxEntry> entries = entriesOf(def.tags[i]);
        sortEntries(entries, plan[i].shape);
        quint32 root = 0;
        const TagHeader h = headerFor(plan[i].shape, 0);
        for (const Node& n : buildTree(entries, h, next, root))
            file->write(pageOffset(n.page), serializeNode(n, h));
        roots.push_back(root);
    }
    for (size_t i = 0; i < plan.size(); ++i)
        file->write(pageOffset(kFirstTagHeaderPage + quint32(i) * kPagesPerBlock),
                    tagHeaderBlock(roots[i], next, plan[i].shape, plan[i].expr));

    QByteArray head(qsizetype(kFirstTagHeaderPage) * kPageSize, '\0');
    head[0] = kMdxVersion;
    putDate(head, 1);
    QByteArray dbfName =
        cp932::encode(QFileInfo(def.dbfName.isEmpty() ? path : def.dbfName).completeBaseName())
            .value_or(QByteArray());
    dbfName = cp932::truncate(dbfName, 16);
    std::memcpy(head.data() + 4, dbfName.constData(), size_t(dbfName.size()));
    put16(head, 20, quint16(kPagesPerBlock));
    put16(head, 22, quint16(kBlockSize));
    head[24] = kProductionIndex;
    head[25] = static_cast<char>(kTagTableEntries);
    head[26] = static_cast<char>(kTagEntrySize);
    put16(head, 28, quint16(tagCount));
    put32(head, 32, next);
    putDate(head, 44);
    // The tag table also threads the tags into a binary search tree by name (1-based entries).
    std::vector<int> left(plan.size(), 0), right(plan.size(), 0), parent(plan.size(), 0);
    for (size_t i = 1; i < plan.size(); ++i) {
        size_t at = 0;
        for (;;) {
            int& branch = plan[i].name < plan[at].name ? left[at] : right[at];
            if (branch == 0) {
                branch = int(i) + 1;
                parent[i] = int(at) + 1;
                break;
            }
            at = size_t(branch - 1);
        }
    }
    for (size_t i = 0; i < plan.size(); ++i) {
        const qsizetype at = kTagTableOffset + qsizetype(i) * kTagEntrySize;
        put32(head, at, kFirstTagHeaderPage + quint32(i) * kPagesPerBlock);
        std::memcpy(head.data() + at + 4, plan[i].name.constData(), size_t(plan[i].name.size()));
        head[at + 15] = kKeyedOnField;
        head[at + 16] = static_cast<char>(left[i]);
        head[at + 17] = static_cast<char>(right[i]);
        head[at + 18] = static_cast<char>(parent[i]);
        head[at + 19] = kTagTableByte19;
        head[at + 20] = plan[i].shape.type;
    }
    file->write(0, head);
    file->flush();
}

MdxFile::MdxFile(const QString& path, const TableDef& def) : d(std::make_unique<Impl>()) {
    d->def = def;
    try {
        d->file = std::make_unique<BinaryFile>(path, true);
    } catch (const EngineError&) {
        d->file =
            std::make_unique<BinaryFile>(path, false);  // read-only media: reading still works
    }
    const QString name = d->file->fileName();
    auto notMdx = [&](const QString& why) {
        return EngineError(
            QStringLiteral("'%1' は dBASE IV の索引ファイルではありません (%2)").arg(name, why));
    };
    const qint64 size = d->file->size();
    if (size < qint64(kFirstTagHeaderPage) * kPageSize)
        throw notMdx(QStringLiteral("%1 バイトしかありません").arg(size));
    const QByteArray head = d->file->read(0, kTagTableOffset + kMaxTags * kTagEntrySize);
    if (byteAt(head, 0) != static_cast<uchar>(kMdxVersion))
        throw notMdx(QStringLiteral("版番号が %1 です").arg(byteAt(head, 0)));
    if (get16(head, 20) != kPagesPerBlock || get16(head, 22) != kBlockSize)
        throw notMdx(QStringLiteral("ブロック長 %1 には対応していません").arg(get16(head, 22)));
    if (byteAt(head, 25) != kTagTableEntries || byteAt(head, 26) != kTagEntrySize)
        throw notMdx(QStringLiteral("タグ表の形式が正しくありません"));
    const int used = get16(head, 28);
    if (used > kMaxTags) throw notMdx(QStringLiteral("タグ数 %1 が多すぎます").arg(used));
    for (int i = 0; i < used; ++i) {
        const qsizetype at = kTagTableOffset + qsizetype(i) * kTagEntrySize;
        TagSlot s;
        s.entry = i;
        s.headerPage = get32(head, at);
        QByteArray raw = head.mid(at + 4, 11);
        if (const qsizetype nul = raw.indexOf('\0'); nul >= 0) raw.truncate(nul);
        while (raw.endsWith(' ')) raw.chop(1);
        s.name = d->callerName(cp932::decode(raw));
        if (!d->blockInFile(s.headerPage))
            throw EngineError(QStringLiteral("索引ファイル '%1' が壊れています: タグ '%2' の見出し "
                                             "(ブロック %3) がファイルの範囲外です")
                                  .arg(name, s.name)
                                  .arg(s.headerPage));
        d->tags.push_back(std::move(s));
    }
}

MdxFile::~MdxFile() = default;

QStringList MdxFile::tagNames() const {
    QStringList names;
    for (const TagSlot& s : d->tags) names << s.name;
    return names;
}

bool MdxFile::hasTag(const QString& tagName) const {
    const QString want = d->callerName(tagName);
    return std::any_of(d->tags.begin(), d->tags.end(), [&](const TagSlot& s) {
        return s.name.compare(want, Qt::CaseInsensitive) == 0;
    });
}

std::vector<MdxEntry> MdxFile::read(const QString& tagName) const {
    std::vector<MdxEntry> out;
    forEach(tagName, [&](const MdxEntry& e) { out.push_back(e); });
    return out;
}

void MdxFile::forEach(const QString& tagName,
                      const std::function<void(const MdxEntry&)>& each) const {
    const TagSlot& s = d->slot(tagName);
    const TagHeader h = d->header(s);
    Impl::Walk walk{*d, s, h, each, std::nullopt, {}, -1};
    walk.visit(h.root, 0, nullptr, nullptr);
}

void MdxFile::insert(const QString& tagName, const IndexKey& rawKey, quint32 recno) {
    const TagSlot& s = d->slot(tagName);
    const TagHeader h = d->header(s);
    const IndexKey key = canonical(rawKey, h.shape);
    std::vector<Impl::Step> path;
    Node cur = d->descend(s, h, key, recno, path);
    size_t pos = 0;
    while (pos < cur.keys.size() && !entryLess(key, recno, cur.keys[pos], cur.ptrs[pos])) ++pos;
    cur.keys.insert(cur.keys.begin() + qsizetype(pos), key);
    cur.ptrs.insert(cur.ptrs.begin() + qsizetype(pos), recno);

    // Splits go up the path. New blocks are written first, then the blocks that were already
    // linked, from the top down: a crash on the way leaves either the old tree or one that reads
    // as damaged (a block or an entry reached twice), never one that silently lost entries.
    const size_t cap = size_t(h.writeMax);
    quint32 next =
        cur.keys.size() > cap ? d->nextFreePage() : 0;  // asked for only when a block splits
    const quint32 firstNew = next;
    std::vector<Node> fresh;
    std::vector<Node> changed;  // bottom-up
    std::optional<quint32> newRoot;
    size_t level = path.size();
    for (;;) {
        if (cur.keys.size() <= cap) {
            changed.push_back(std::move(cur));
            break;
        }
        Node right;
        right.leaf = cur.leaf;
        right.page = next;
        next += kPagesPerBlock;
        IndexKey promoted;
        if (cur.leaf) {
            const size_t m = cur.keys.size() / 2;
            right.keys.assign(cur.keys.begin() + qsizetype(m), cur.keys.end());
            right.ptrs.assign(cur.ptrs.begin() + qsizetype(m), cur.ptrs.end());
            cur.keys.resize(m);
            cur.ptrs.resize(m);
            promoted = cur.keys.back();
        } else {
            const size_t m = cur.keys.size() / 2;
            promoted = cur.keys[m];
            right.keys.assign(cur.keys.begin() + qsizetype(m + 1), cur.keys.end());
            right.ptrs.assign(cur.ptrs.begin() + qsizetype(m + 1), cur.ptrs.end());
            cur.keys.resize(m);
            cur.ptrs.resize(m + 1);
        }
        fresh.push_back(std::move(right));
        if (level == 0) {
            Node root;
            root.leaf = false;
            root.page = next;
            next += kPagesPerBlock;
            root.keys = {promoted};
            root.ptrs = {cur.page, fresh.back().page};
            newRoot = root.page;
            fresh.push_back(std::move(root));
            changed.push_back(std::move(cur));
            break;
        }
        changed.push_back(std::move(cur));
        Impl::Step& up = path[--level];
        up.node.keys.insert(up.node.keys.begin() + qsizetype(up.child), promoted);
        up.node.ptrs.insert(up.node.ptrs.begin() + qsizetype(up.child + 1), fresh.back().page);
        cur = std::move(up.node);
    }
    for (const Node& n : fresh) d->writeNode(n, h);
    if (newRoot) {
        QByteArray root(4, '\0');
        put32(root, 0, *newRoot);
        d->file->write(pageOffset(s.headerPage), root);
    }
    for (auto it = changed.rbegin(); it != changed.rend(); ++it) d->writeNode(*it, h);
    if (next != firstNew) d->writeFileHeader(next);
}

void MdxFile::remove(const QString& tagName, const IndexKey& rawKey, quint32 recno) {
    const TagSlot& s = d->slot(tagName);
    const TagHeader h = d->header(s);
    const IndexKey key = canonical(rawKey, h.shape);
    std::vector<Impl::Step> path;
    Node leaf = d->descend(s, h, key, recno, path);
    size_t pos = 0;
    while (pos < leaf.keys.size() && entryLess(leaf.keys[pos], leaf.ptrs[pos], key, recno)) ++pos;
    if (pos == leaf.keys.size() || !(leaf.keys[pos] == key) || leaf.ptrs[pos] != recno) return;
    const bool wasLast = pos + 1 == leaf.keys.size();
    leaf.keys.erase(leaf.keys.begin() + qsizetype(pos));
    leaf.ptrs.erase(leaf.ptrs.begin() + qsizetype(pos));
    if (!leaf.keys.empty() || path.empty()) {
        d->writeNode(leaf, h);
        if (wasLast && !leaf.keys.empty()) d->propagateMax(path, path.size(), leaf.keys.back(), h);
        return;
    }
    // The leaf is empty: unlink it (and any ancestor it leaves without children) with one write
    // to the lowest ancestor that keeps children. The unlinked blocks are left unused.
    size_t level = path.size();
    for (;;) {
        Impl::Step& up = path[level - 1];
        Node& p = up.node;
        if (up.child < p.keys.size()) {
            p.keys.erase(p.keys.begin() + qsizetype(up.child));
            p.ptrs.erase(p.ptrs.begin() + qsizetype(up.child));
            d->writeNode(p, h);
            return;
        }
        if (!p.keys.empty()) {
            IndexKey newMax = p.keys.back();
            p.keys.pop_back();
            p.ptrs.pop_back();
            d->writeNode(p, h);
            d->propagateMax(path, level - 1, newMax, h);
            return;
        }
        if (level == 1) {  // the root loses its only child: the tree is empty
            p.leaf = true;
            p.ptrs.clear();
            d->writeNode(p, h);
            return;
        }
        --level;
    }
}

void MdxFile::rebuild(const QString& tagName, std::vector<MdxEntry> entries) {
    const TagSlot& s = d->slot(tagName);
    std::optional<KeyShape> shape = d->shapeFromDef(s);
    if (!shape) shape = d->header(s).shape;
    sortEntries(entries, *shape);
    quint32 next = d->nextFreePage();
    quint32 root = 0;
    const TagHeader h = headerFor(*shape, 0);
    // The new tree goes into fresh blocks; rewriting the tag header switches to it at once.
    for (const Node& n : buildTree(entries, h, next, root)) d->writeNode(n, h);
    QByteArray expr;
    if (const TagDef* t = d->def.tagByName(s.name))
        if (const FieldDef* f = fieldOfTag(d->def, *t)) expr = diskBytes(f->name, kKeyExprMax - 1);
    if (expr.isEmpty())
        expr = d->file->read(pageOffset(s.headerPage) + kKeyExprOffset, kKeyExprMax);
    if (const qsizetype nul = expr.indexOf('\0'); nul >= 0) expr.truncate(nul);
    d->file->write(pageOffset(s.headerPage), tagHeaderBlock(root, next, *shape, expr));
    const QByteArray type(1, shape->type);
    d->file->write(kTagTableOffset + qsizetype(s.entry) * kTagEntrySize + 20, type);
    d->writeFileHeader(next);
}

void MdxFile::flush() {
    d->file->flush();
}

BinaryFile& MdxFile::file() {
    return *d->file;
}

bool MdxFile::isWritable() const {
    return d->file->isWritable();
}

}  // namespace mz::data
