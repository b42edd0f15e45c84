// The production index: round trips of every key type, tree maintenance against a reference
// model, damaged files, crashes in the middle of a write, and a dump by another dBASE reader.

#include "data/cp932.h"
#include "data/mdx.h"
#include "data/tabledefs.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <set>

using namespace mz::data;

namespace {

const QString kCode = QStringLiteral("相手先コード");
const QString kKana = QStringLiteral("フリガナ");
const QString kDate = QStringLiteral("収入日");
const QString kLong = QStringLiteral("備考");

// A table with one tag of every key type, and a wide text tag whose small blocks make deep trees
// out of few keys.
TableDef testDef() {
    TableDef d;
    d.dbfName = QStringLiteral("Test.DBF");
    d.mdxName = QStringLiteral("Test.MDX");
    d.fields = {{kCode, FieldType::Number, 20, 4},
                {kKana, FieldType::Text, 16, 0},
                {kDate, FieldType::Date, 8, 0},
                {kLong, FieldType::Text, 100, 0}};
    d.tags = {{kCode, kCode}, {kKana, kKana}, {kDate, kDate}, {kLong, kLong}};
    return d;
}

IndexKey textKey(const QString& s, int width = 16) {
    IndexKey k;
    k.type = 'C';
    k.text = cp932::encode(s).value().leftJustified(width, ' ', true);
    return k;
}
IndexKey numKey(double v) {
    IndexKey k;
    k.type = 'N';
    k.number = v;
    return k;
}
IndexKey dateKey(double julianDay) {
    IndexKey k;
    k.type = 'D';
    k.number = julianDay;
    return k;
}

struct EntryLess {
    bool operator()(const MdxEntry& a, const MdxEntry& b) const {
        const auto c = a.key <=> b.key;
        return c != 0 ? c < 0 : a.recno < b.recno;
    }
};
using Model = std::set<MdxEntry, EntryLess>;

std::vector<MdxEntry> sorted(const Model& m) {
    return {m.begin(), m.end()};
}

::testing::AssertionResult sameEntries(const std::vector<MdxEntry>& got,
                                       const std::vector<MdxEntry>& want) {
    if (got.size() != want.size())
        return ::testing::AssertionFailure()
               << "got " << got.size() << " entries, want " << want.size();
    for (size_t i = 0; i < got.size(); ++i)
        if (!(got[i].key == want[i].key) || got[i].recno != want[i].recno)
            return ::testing::AssertionFailure()
                   << "entry " << i << ": got recno " << got[i].recno << " key '"
                   << got[i].key.text.toHex().constData() << "'/" << got[i].key.number
                   << ", want recno " << want[i].recno << " key '"
                   << want[i].key.text.toHex().constData() << "'/" << want[i].key.number;
    return ::testing::AssertionSuccess();
}

// Resets the write hook whatever way a test ends.
struct HookGuard {
    ~HookGuard() { BinaryFile::setWriteHook({}); }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Out of line so that GCC does not mistake the file's bytes for QByteArray's empty buffer.
#if defined(__GNUC__) && !defined(__clang__)
#define OUT_OF_LINE __attribute__((noinline, noclone))
#else
#define OUT_OF_LINE __attribute__((noinline))
#endif
OUT_OF_LINE quint32 le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
OUT_OF_LINE quint16 le16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
OUT_OF_LINE quint64 le64(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint64>(b.constData() + at);
}
OUT_OF_LINE void setLe32(QByteArray& b, qsizetype at, quint32 v) {
    qToLittleEndian<quint32>(v, b.data() + at);
}

// Positions in a file as dBASE IV lays it out: the tag table at 544, 32 bytes an entry;
// pages of 512 bytes; tree blocks of 1024.
qsizetype tagHeaderOffset(const QByteArray& file, int tag) {
    return qsizetype(le32(file, 544 + 32 * tag)) * 512;
}
qsizetype rootOffset(const QByteArray& file, int tag) {
    return qsizetype(le32(file, tagHeaderOffset(file, tag))) * 512;
}
int itemLength(const QByteArray& file, int tag) {
    return le16(file, tagHeaderOffset(file, tag) + 18);
}
bool isLeaf(const QByteArray& file, qsizetype block, int item) {
    const quint32 n = le32(file, block);
    return le32(file, block + 8 + qsizetype(n) * item) == 0;
}

class MdxTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TableDef def = testDef();
    QString path = dir.filePath(QStringLiteral("Test.MDX"));

    void createWith(const std::map<QString, std::vector<MdxEntry>>& byTag) {
        MdxFile::create(path, def, [&](const TagDef& t) {
            auto it = byTag.find(t.name);
            return it == byTag.end() ? std::vector<MdxEntry>{} : it->second;
        });
    }
};

// --- round trips --------------------------------------------------------------------------------

TEST_F(MdxTest, CreateAndReadEveryKeyTypeWithEmptyKeysAndDuplicates) {
    const double jd = double(QDate(2024, 3, 15).toJulianDay());
    std::vector<MdxEntry> codes = {{numKey(12), 1},
                                   {numKey(0), 2},
                                   {numKey(-3.25), 3},
                                   {numKey(12), 4},
                                   {numKey(1234567890123.0), 5},
                                   {numKey(0.0001), 6},
                                   {numKey(20.5), 7}};
    std::vector<MdxEntry> kana = {{textKey(QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ")), 3},
                                  {textKey(QString()), 1},
                                  {textKey(QStringLiteral("ｱｵｷ")), 2},
                                  {textKey(QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ")), 1}};
    std::vector<MdxEntry> dates = {{dateKey(jd), 2}, {dateKey(0), 1}, {dateKey(jd - 400), 3}};
    createWith({{kCode, codes}, {kKana, kana}, {kDate, dates}});

    MdxFile mdx(path, def);
    EXPECT_EQ(mdx.tagNames(), (QStringList{kCode, kKana, kDate, kLong}));
    EXPECT_TRUE(mdx.hasTag(QStringLiteral("相手先ｺｰﾄﾞ")));  // the on-disk spelling is accepted too
    EXPECT_FALSE(mdx.hasTag(QStringLiteral("氏名")));

    auto want = [](std::vector<MdxEntry> v) {
        std::sort(v.begin(), v.end(), EntryLess());
        return v;
    };
    EXPECT_TRUE(sameEntries(mdx.read(kCode), want(codes)));
    EXPECT_TRUE(sameEntries(mdx.read(QStringLiteral("相手先ｺｰﾄﾞ")), want(codes)));
    EXPECT_TRUE(sameEntries(mdx.read(kKana), want(kana)));
    EXPECT_TRUE(sameEntries(mdx.read(kDate), want(dates)));
    EXPECT_TRUE(mdx.read(kLong).empty());
}

TEST_F(MdxTest, EveryTableOfTheDataDirectoryGetsItsTags) {
    for (const TableDef* table : allTableDefs()) {  // the five and the tables beside them
        const TableDef& t = *table;
        const QString file = dir.filePath(t.mdxName);
        MdxFile::create(file, t, [](const TagDef&) { return std::vector<MdxEntry>{}; });
        MdxFile mdx(file, t);
        QStringList names;
        for (const TagDef& tag : t.tags) names << tag.name;
        EXPECT_EQ(mdx.tagNames(), names) << t.mdxName.toStdString();
        for (const TagDef& tag : t.tags) EXPECT_TRUE(mdx.read(tag.name).empty());
    }
}

TEST_F(MdxTest, TextKeysSortInCp932ByteOrder) {
    // Latin < hiragana (82xx) < katakana (83xx) < kanji (88xx..) < half-width katakana (Bx)
    const QStringList inOrder = {QStringLiteral("A"),  QStringLiteral("あ"), QStringLiteral("ア"),
                                 QStringLiteral("亜"), QStringLiteral("ｱ"),  QStringLiteral("ﾝ"),
                                 QStringLiteral("髙")};  // 髙 is FBFC
    std::vector<MdxEntry> entries;
    for (int i = int(inOrder.size()) - 1; i >= 0; --i)
        entries.push_back({textKey(inOrder[i]), quint32(10 + i)});
    createWith({{kKana, entries}});
    MdxFile mdx(path, def);
    mdx.insert(kKana, textKey(QStringLiteral("ｲ")), 99);  // lands between ｱ and ﾝ
    const std::vector<MdxEntry> got = mdx.read(kKana);
    ASSERT_EQ(got.size(), size_t(inOrder.size()) + 1);
    QStringList names;
    for (const MdxEntry& e : got) names << cp932::decode(e.key.text).trimmed();
    EXPECT_EQ(names, (QStringList{QStringLiteral("A"), QStringLiteral("あ"), QStringLiteral("ア"),
                                  QStringLiteral("亜"), QStringLiteral("ｱ"), QStringLiteral("ｲ"),
                                  QStringLiteral("ﾝ"), QStringLiteral("髙")}));
}

TEST_F(MdxTest, LayoutIsDbaseFour) {
    createWith({{kCode,
                 {{numKey(20.5), 1},
                  {numKey(0), 2},
                  {numKey(-3), 3},
                  {numKey(0.05), 4},
                  {numKey(1234), 5}}},
                {kDate, {{dateKey(2460385), 7}}}});
    const QByteArray f = readFile(path);
    ASSERT_GE(f.size(), 2048 + 4 * 1024);
    EXPECT_EQ(f.at(0), 0x02);
    EXPECT_EQ(f.mid(4, 16), QByteArray("Test").leftJustified(16, '\0'));
    EXPECT_EQ(le16(f, 20), 2);     // pages a block
    EXPECT_EQ(le16(f, 22), 1024);  // bytes a block
    EXPECT_EQ(f.at(24), 1);        // production index
    EXPECT_EQ(f.at(25), 48);
    EXPECT_EQ(f.at(26), 32);
    EXPECT_EQ(le16(f, 28), 4);
    EXPECT_EQ(le32(f, 32) * 512, quint32(f.size()));
    // Tag names of at most ten bytes: 相手先コード is stored as 相手先ｺｰﾄﾞ.
    EXPECT_EQ(f.mid(544 + 4, 11),
              cp932::encode(QStringLiteral("相手先ｺｰﾄﾞ")).value().leftJustified(11, '\0'));
    EXPECT_EQ(f.at(544 + 20), 'N');
    EXPECT_EQ(f.at(544 + 32 + 20), 'C');
    EXPECT_EQ(f.at(544 + 64 + 20), 'D');
    // Tag header: key type and length, item length; the key expression is the stored field name.
    const qsizetype th = tagHeaderOffset(f, 0);
    EXPECT_EQ(f.at(th + 9), 'N');
    EXPECT_EQ(le16(f, th + 12), 12);
    EXPECT_EQ(itemLength(f, 0), 16);
    EXPECT_EQ(f.mid(th + 24, 11), cp932::encode(QStringLiteral("相手先ｺｰﾄﾞ")).value() + '\0');
    EXPECT_EQ(itemLength(f, 1), 20);
    EXPECT_EQ(itemLength(f, 2), 12);

    // Numbers as 12-byte BCD: exponent 0x34 + digits before the point, digit count << 2 | 1
    // (0x80 when negative), packed digits; in key order -3, 0, 0.05, 20.5, 1234.
    const qsizetype root = rootOffset(f, 0);
    ASSERT_TRUE(isLeaf(f, root, 16));
    ASSERT_EQ(le32(f, root), 5u);
    auto item = [&](int i) { return f.mid(root + 8 + 16 * i, 16); };
    EXPECT_EQ(item(0).toHex(), QByteArray("03000000358530000000000000000000"));
    EXPECT_EQ(item(1).toHex(), QByteArray("02000000340100000000000000000000"));
    EXPECT_EQ(item(2).toHex(), QByteArray("04000000330550000000000000000000"));
    EXPECT_EQ(item(3).toHex(), QByteArray("01000000360d20500000000000000000"));
    EXPECT_EQ(item(4).toHex(), QByteArray("05000000381112340000000000000000"));
    // Dates as the little-endian double of the Julian day.
    const qsizetype droot = rootOffset(f, 2);
    double jd = 0;
    quint64 bits = le64(f, droot + 12);
    std::memcpy(&jd, &bits, 8);
    EXPECT_EQ(jd, 2460385.0);
    EXPECT_EQ(le32(f, droot + 8), 7u);
}

// --- tree maintenance ---------------------------------------------------------------------------

TEST_F(MdxTest, ManyKeysMakeADeepTreeThatStaysInStep) {
    std::mt19937 rng(7);
    Model model;
    std::vector<MdxEntry> initial;
    for (quint32 r = 1; r <= 20000; ++r) {
        MdxEntry e{numKey(double(rng() % 5000) + (r % 4) * 0.25), r};
        initial.push_back(e);
        model.insert(e);
    }
    std::shuffle(initial.begin(), initial.end(), rng);
    createWith({{kCode, initial}});
    const QByteArray f = readFile(path);
    const qsizetype root = rootOffset(f, 0);
    ASSERT_FALSE(isLeaf(f, root, 16));
    const qsizetype child = qsizetype(le32(f, root + 8)) * 512;
    EXPECT_FALSE(isLeaf(f, child, 16)) << "20,000 keys need three levels";

    MdxFile mdx(path, def);
    ASSERT_TRUE(sameEntries(mdx.read(kCode), sorted(model)));

    // Each post touches a handful of blocks, however large the index.
    HookGuard guard;
    int writes = 0, maxWrites = 0;
    qint64 bytes = 0, maxBytes = 0;
    BinaryFile::setWriteHook([&](const QString&, qint64, qint64 size) {
        ++writes;
        bytes += size;
    });
    for (quint32 r = 20001; r <= 22000; ++r) {
        writes = 0;
        bytes = 0;
        MdxEntry e{numKey(double(rng() % 6000)), r};
        mdx.insert(kCode, e.key, e.recno);
        model.insert(e);
        if (r % 2 == 0) {
            auto it = model.begin();
            std::advance(it, rng() % model.size());
            mdx.remove(kCode, it->key, it->recno);
            model.erase(it);
        }
        maxWrites = std::max(maxWrites, writes);
        maxBytes = std::max(maxBytes, bytes);
    }
    BinaryFile::setWriteHook({});
    EXPECT_LE(maxWrites, 8);
    EXPECT_LE(maxBytes, 8 * 1024);
    EXPECT_TRUE(sameEntries(mdx.read(kCode), sorted(model)));
    EXPECT_TRUE(sameEntries(MdxFile(path, def).read(kCode), sorted(model)));
}

TEST_F(MdxTest, InterleavedInsertAndRemoveMatchAReferenceModel) {
    createWith({});
    MdxFile mdx(path, def);
    std::mt19937 rng(12345);
    const QStringList syllables = {QStringLiteral("ｱ"),  QStringLiteral("ｶ"),  QStringLiteral("ｻ"),
                                   QStringLiteral("ﾀ"),  QStringLiteral("あ"), QStringLiteral("漢"),
                                   QStringLiteral("髙"), QStringLiteral("①")};
    struct TagModel {
        QString tag;
        Model model;
        std::function<IndexKey()> make;
    };
    std::vector<TagModel> tags;
    tags.push_back({kLong, {}, [&] {
                        QString s;
                        for (int i = 0, n = int(rng() % 3); i < n; ++i)
                            s += syllables[int(rng() % syllables.size())];
                        return textKey(s, 100);
                    }});
    tags.push_back({kCode, {}, [&] { return numKey(double(int(rng() % 400) - 100) / 4); }});
    tags.push_back(
        {kDate, {}, [&] { return dateKey(rng() % 5 == 0 ? 0 : 2450000 + double(rng() % 300)); }});

    quint32 nextRecno = 1;
    for (int round = 0; round < 3; ++round) {
        // Grow, shrink to nothing, grow again: splits, emptied leaves, an emptied root.
        const int grow = round == 1 ? 300 : 1500;
        for (int op = 0; op < grow; ++op) {
            for (TagModel& t : tags) {
                if (!t.model.empty() && rng() % 3 == 0) {
                    auto it = t.model.begin();
                    std::advance(it, rng() % t.model.size());
                    mdx.remove(t.tag, it->key, it->recno);
                    t.model.erase(it);
                } else {
                    const MdxEntry e{t.make(),
                                     rng() % 4 == 0 ? quint32(rng() % nextRecno + 1) : nextRecno};
                    if (t.model.count(e)) continue;
                    mdx.insert(t.tag, e.key, e.recno);
                    t.model.insert(e);
                }
            }
            ++nextRecno;
            if (op % 500 == 0) {
                for (TagModel& t : tags) {
                    ASSERT_TRUE(sameEntries(mdx.read(t.tag), sorted(t.model)))
                        << t.tag.toStdString();
                }
            }
        }
        for (TagModel& t : tags)
            ASSERT_TRUE(sameEntries(mdx.read(t.tag), sorted(t.model))) << t.tag.toStdString();
        if (round == 0) {
            for (TagModel& t : tags) {
                std::vector<MdxEntry> all(t.model.begin(), t.model.end());
                std::shuffle(all.begin(), all.end(), rng);
                for (const MdxEntry& e : all) mdx.remove(t.tag, e.key, e.recno);
                t.model.clear();
                ASSERT_TRUE(mdx.read(t.tag).empty());
            }
        }
    }
    // Removing what is not there changes nothing.
    mdx.remove(kCode, numKey(123456), 1);
    mdx.flush();
    MdxFile reopened(path, def);
    for (TagModel& t : tags) EXPECT_TRUE(sameEntries(reopened.read(t.tag), sorted(t.model)));
}

TEST_F(MdxTest, EqualKeysSpreadOverManyBlocksStayInRecordOrder) {
    createWith({});
    MdxFile mdx(path, def);
    std::mt19937 rng(3);
    std::vector<quint32> recnos(600);
    std::iota(recnos.begin(), recnos.end(), 1u);
    std::shuffle(recnos.begin(), recnos.end(), rng);
    Model model;
    const IndexKey same = textKey(QStringLiteral("同じ"), 100);
    for (quint32 r : recnos) {
        mdx.insert(kLong, same, r);
        model.insert({same, r});
        if (r % 7 == 0) {  // a neighbouring key on both sides
            mdx.insert(kLong, textKey(QStringLiteral("同"), 100), r);
            model.insert({textKey(QStringLiteral("同"), 100), r});
            mdx.insert(kLong, textKey(QStringLiteral("同じ!"), 100), r);
            model.insert({textKey(QStringLiteral("同じ!"), 100), r});
        }
    }
    ASSERT_TRUE(sameEntries(mdx.read(kLong), sorted(model)));
    for (quint32 r = 1; r <= 600; r += 3) {
        mdx.remove(kLong, same, r);
        model.erase({same, r});
    }
    EXPECT_TRUE(sameEntries(mdx.read(kLong), sorted(model)));
}

// The highest key below a block, counting on the way the interior keys that differ from the
// highest key of the child before them.
QByteArray highestKey(const QByteArray& f, quint32 page, int item, int keyLen, int& mismatches) {
    const qsizetype b = qsizetype(page) * 512;
    const quint32 n = le32(f, b);
    auto key = [&](quint32 i) { return f.mid(b + 8 + qsizetype(i) * item + 4, keyLen); };
    if (isLeaf(f, b, item)) return n ? key(n - 1) : QByteArray();
    for (quint32 i = 0; i < n; ++i)
        if (highestKey(f, le32(f, b + 8 + qsizetype(i) * item), item, keyLen, mismatches) != key(i))
            ++mismatches;
    return highestKey(f, le32(f, b + 8 + qsizetype(n) * item), item, keyLen, mismatches);
}

TEST_F(MdxTest, InteriorKeysStayTheHighestKeyOfTheirChild) {
    // Other readers descend by these keys, so they must stay exact when the highest key of a
    // block goes or a whole block empties.
    std::vector<MdxEntry> entries;
    for (quint32 r = 1; r <= 400; ++r)
        entries.push_back({textKey(QString::number(r).rightJustified(5, u'0'), 100), r});
    createWith({{kLong, entries}});
    Model model(entries.begin(), entries.end());
    {
        MdxFile mdx(path, def);
        std::mt19937 rng(8);
        for (quint32 r = 1; r <= 400; ++r) {
            if ((r >= 100 && r < 190) || r > 390 || rng() % 3 == 0) {
                mdx.remove(kLong, entries[r - 1].key, r);
                model.erase(entries[r - 1]);
            }
        }
        mdx.insert(kLong, textKey(QStringLiteral("00150"), 100), 1000);
        model.insert({textKey(QStringLiteral("00150"), 100), 1000});
        ASSERT_TRUE(sameEntries(mdx.read(kLong), sorted(model)));
    }
    const QByteArray f = readFile(path);
    const qsizetype root = rootOffset(f, 3);
    ASSERT_FALSE(isLeaf(f, root, 104));
    int mismatches = 0;
    EXPECT_EQ(highestKey(f, quint32(root / 512), 104, 100, mismatches),
              std::prev(model.end())->key.text);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(MdxTest, RebuildReplacesADamagedTree) {
    std::vector<MdxEntry> kana, codes;
    for (quint32 r = 1; r <= 500; ++r) {
        kana.push_back({textKey(QString::number(r % 37)), r});
        codes.push_back({numKey(r), r});
    }
    createWith({{kKana, kana}, {kCode, codes}});
    QByteArray f = readFile(path);
    const qsizetype root = rootOffset(f, 1);
    setLe32(f, root + 8, 0xFFFFFF);  // first child far past the end
    writeFile(path, f);

    MdxFile mdx(path, def);
    EXPECT_THROW(mdx.read(kKana), EngineError);
    mdx.rebuild(kKana, kana);
    std::sort(kana.begin(), kana.end(), EntryLess());
    EXPECT_TRUE(sameEntries(mdx.read(kKana), kana));
    mdx.insert(kKana, textKey(QStringLiteral("ｱ")), 501);
    EXPECT_EQ(mdx.read(kKana).back().recno, 501u);
    EXPECT_TRUE(sameEntries(mdx.read(kCode), codes));  // the other tags are untouched

    // A tag header that no longer fits its field is rewritten too.
    f = readFile(path);
    f[tagHeaderOffset(f, 1) + 9] = 'N';
    writeFile(path, f);
    MdxFile again(path, def);
    EXPECT_THROW(again.read(kKana), EngineError);
    again.rebuild(kKana, {});
    EXPECT_TRUE(again.read(kKana).empty());
}

// --- damaged files ------------------------------------------------------------------------------

void expectErrorNamingFile(const std::function<void()>& f, const char* also = nullptr) {
    try {
        f();
        ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Test.MDX"))) << e.what();
        if (also) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(also))) << e.what();
        }
    }
}

TEST_F(MdxTest, FilesThatAreNoIndexAreRefusedByName) {
    createWith({{kCode, {{numKey(1), 1}}}});
    const QByteArray good = readFile(path);

    writeFile(path, {});
    expectErrorNamingFile([&] { MdxFile m(path, def); });
    writeFile(path, good.left(2000));
    expectErrorNamingFile([&] { MdxFile m(path, def); });
    QByteArray bad = good;
    bad[0] = 0x03;
    writeFile(path, bad);
    expectErrorNamingFile([&] { MdxFile m(path, def); });
    bad = good;
    bad[23] = 0x02;  // 512-byte blocks
    writeFile(path, bad);
    expectErrorNamingFile([&] { MdxFile m(path, def); });
    bad = good;
    setLe32(bad, 544 + 32, 100000);  // tag table pointing past the end
    writeFile(path, bad);
    expectErrorNamingFile([&] { MdxFile m(path, def); }, "フリガナ");
    bad = good;
    bad[28] = 60;  // more tags than the table holds
    writeFile(path, bad);
    expectErrorNamingFile([&] { MdxFile m(path, def); });
    EXPECT_THROW(MdxFile(dir.filePath(QStringLiteral("None.MDX")), def), EngineError);
}

TEST_F(MdxTest, DamagedTreesAreReportedNotFollowed) {
    std::vector<MdxEntry> codes;
    for (quint32 r = 1; r <= 400; ++r) codes.push_back({numKey(r), r});
    createWith({{kCode, codes}});
    const QByteArray good = readFile(path);
    const qsizetype root = rootOffset(good, 0);
    ASSERT_FALSE(isLeaf(good, root, 16));
    const quint32 rootPage = le32(good, tagHeaderOffset(good, 0));
    const qsizetype leaf = qsizetype(le32(good, root + 8)) * 512;

    auto expectDamage = [&](const QByteArray& bytes, const char* what) {
        SCOPED_TRACE(what);
        writeFile(path, bytes);
        MdxFile m(path, def);
        expectErrorNamingFile([&] { m.read(kCode); }, what);
        // Posts on a damaged tree end in an error or succeed, never crash or hang.
        try {
            m.insert(kCode, numKey(7.5), 999);
            m.remove(kCode, numKey(8), 8);
        } catch (const EngineError&) {
        }
    };
    QByteArray b = good;
    setLe32(b, root + 8 + 16, rootPage);  // a child that is the root again
    expectDamage(b, "循環");
    b = good;
    setLe32(b, root + 8 + 16, 2);  // a child inside the tag table
    expectDamage(b, "範囲外");
    b = good;
    setLe32(b, leaf, 5000);  // key count
    expectDamage(b, "キー数");
    b = good;
    std::swap(b.data()[leaf + 8 + 4 + 2], b.data()[leaf + 8 + 16 + 4 + 2]);  // two keys swapped
    expectDamage(b, "順序");
    b = good;
    b[leaf + 8 + 4 + 2] = static_cast<char>(0xFA);  // a BCD digit that is no digit
    expectDamage(b, "読めません");
    b = good;
    b[tagHeaderOffset(good, 0) + 9] = 'X';
    expectDamage(b, "型");
    b = good;
    setLe32(b, tagHeaderOffset(good, 0), 0x7FFFFFFF);
    expectDamage(b, "根");
    writeFile(path, good.left(root + 512));  // cut in the middle of the root block
    MdxFile cut(path, def);
    expectErrorNamingFile([&] { cut.read(kCode); });
}

TEST_F(MdxTest, ArbitraryBytesNeverCrashTheReader) {
    std::vector<MdxEntry> kana, dates;
    for (quint32 r = 1; r <= 700; ++r) {
        kana.push_back({textKey(QString::number(r * 7919 % 1000)), r});
        dates.push_back({dateKey(2450000 + r % 50), r});
    }
    createWith({{kKana, kana}, {kDate, dates}});
    const QByteArray good = readFile(path);
    std::mt19937 rng(99);
    auto tryAll = [&] {
        try {
            MdxFile m(path, def);
            for (const QString& t : m.tagNames()) {
                try {
                    m.read(t);
                    m.insert(t, t == kDate ? dateKey(2450010) : textKey(QStringLiteral("5")), 5000);
                    m.remove(t, t == kDate ? dateKey(2450010) : textKey(QStringLiteral("5")), 5000);
                } catch (const EngineError&) {
                }
            }
        } catch (const EngineError&) {
        }
    };
    for (int i = 0; i < 150; ++i) {  // a few bytes changed anywhere
        QByteArray b = good;
        for (int j = 0, n = 1 + int(rng() % 4); j < n; ++j)
            b[qsizetype(rng() % b.size())] = char(rng());
        writeFile(path, b);
        tryAll();
    }
    for (int i = 0; i < 40; ++i) {  // truncated anywhere
        writeFile(path, good.left(qsizetype(rng() % good.size())));
        tryAll();
    }
    for (int i = 0; i < 40; ++i) {  // random bytes behind a valid-looking header
        QByteArray b(qsizetype(2048 + rng() % 8192), '\0');
        for (char& c : b) c = char(rng());
        if (i % 2) b.replace(0, 2048, good.left(2048));
        writeFile(path, b);
        tryAll();
    }
}

TEST_F(MdxTest, MissingTagIsAnError) {
    createWith({});
    MdxFile mdx(path, def);
    const char* want = "タグ '氏名' が索引ファイル 'Test.MDX' にありません";
    expectErrorNamingFile([&] { mdx.read(QStringLiteral("氏名")); }, want);
    expectErrorNamingFile(
        [&] { mdx.insert(QStringLiteral("氏名"), textKey(QStringLiteral("x")), 1); }, want);
    expectErrorNamingFile(
        [&] { mdx.remove(QStringLiteral("氏名"), textKey(QStringLiteral("x")), 1); }, want);
    expectErrorNamingFile([&] { mdx.rebuild(QStringLiteral("氏名"), {}); }, want);
    // A file made for fewer tags than the table has.
    TableDef fewer = def;
    fewer.tags.resize(1);
    MdxFile::create(path, fewer, [](const TagDef&) { return std::vector<MdxEntry>{}; });
    MdxFile small(path, def);
    EXPECT_FALSE(small.hasTag(kKana));
    expectErrorNamingFile([&] { small.read(kKana); }, "フリガナ");
}

// --- crashes ------------------------------------------------------------------------------------

struct Crash {};

TEST_F(MdxTest, ACrashMidPostLeavesTheOldTreeTheNewTreeOrAnError) {
    // Wide keys: nine to a block, so these posts split leaves, interior blocks and the root.
    std::mt19937 rng(5);
    std::vector<MdxEntry> posts;
    for (quint32 r = 1; r <= 90; ++r)
        posts.push_back({textKey(QString::number(rng() % 60), 100), r});
    std::vector<MdxEntry> initial;
    for (quint32 r = 100; r < 120; ++r)
        initial.push_back({textKey(QString::number(r % 60), 100), r});
    createWith({{kLong, initial}});
    const QByteArray pristine = readFile(path);

    // Expected contents after each number of completed posts; every fourth post is a delete.
    std::vector<Model> states(1, Model(initial.begin(), initial.end()));
    for (size_t i = 0; i < posts.size(); ++i) {
        Model m = states.back();
        if (i % 4 == 3)
            m.erase(posts[i - 1]);
        else
            m.insert(posts[i]);
        states.push_back(std::move(m));
    }
    auto run = [&](MdxFile& mdx, size_t i) {
        if (i % 4 == 3)
            mdx.remove(kLong, posts[i - 1].key, posts[i - 1].recno);
        else
            mdx.insert(kLong, posts[i].key, posts[i].recno);
    };

    HookGuard guard;
    int totalWrites = 0;
    BinaryFile::setWriteHook([&](const QString&, qint64, qint64) { ++totalWrites; });
    {
        MdxFile mdx(path, def);
        for (size_t i = 0; i < posts.size(); ++i) run(mdx, i);
    }
    BinaryFile::setWriteHook({});
    ASSERT_TRUE(sameEntries(MdxFile(path, def).read(kLong), sorted(states.back())));

    int damagedCount = 0;
    for (int crashAt = 0; crashAt < totalWrites; ++crashAt) {
        writeFile(path, pristine);
        int writes = 0;
        BinaryFile::setWriteHook([&](const QString&, qint64, qint64) {
            if (writes++ == crashAt) throw Crash{};
        });
        size_t done = 0;
        try {
            MdxFile mdx(path, def);
            for (; done < posts.size(); ++done) run(mdx, done);
            FAIL() << "no crash at write " << crashAt;
        } catch (const Crash&) {
        }
        BinaryFile::setWriteHook({});
        try {
            const std::vector<MdxEntry> got = MdxFile(path, def).read(kLong);
            EXPECT_TRUE(sameEntries(got, sorted(states[done])) ||
                        sameEntries(got, sorted(states[done + 1])))
                << "crash at write " << crashAt << " during post " << done;
        } catch (const EngineError&) {
            ++damagedCount;  // the engine rebuilds the tag from the records
        }
    }
    // Most crash points leave a readable tree.
    EXPECT_LT(damagedCount, totalWrites / 2);
}

// --- other readers ------------------------------------------------------------------------------

// The BCD key of a whole number, worked out digit by digit.
QByteArray bcdOfWhole(long long v) {
    QByteArray out(12, '\0');
    out[0] = 0x34;
    out[1] = 0x01;
    if (v == 0) return out;
    QByteArray digits = QByteArray::number(v < 0 ? -v : v);
    const int whole = int(digits.size());
    while (digits.endsWith('0')) digits.chop(1);
    out[0] = char(0x34 + whole);
    out[1] = char((digits.size() << 2) | 1 | (v < 0 ? 0x80 : 0));
    for (int i = 0; i < digits.size(); ++i)
        out[2 + i / 2] = char(uchar(out[2 + i / 2]) | ((digits[i] - '0') << (i % 2 ? 0 : 4)));
    return out;
}

QByteArray runCommand(const QByteArray& cmd) {
    QByteArray out;
    if (FILE* p = popen(cmd.constData(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, qsizetype(n));
        pclose(p);
    }
    return out;
}

TEST_F(MdxTest, IndexDumpReadsEveryTag) {
    const char* tool = "/usr/bin/index_dump";
    if (!QFile::exists(QString::fromLatin1(tool))) GTEST_SKIP() << "index_dump is not installed";

    std::mt19937 rng(2024);
    const QStringList names = {QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"), QStringLiteral("ｽｽﾞｷ ﾊﾅｺ"),
                               QStringLiteral("ｻﾄｳ"),      QStringLiteral("やまだ"),
                               QStringLiteral("髙橋"),     QStringLiteral("表示"),
                               QStringLiteral("ソフト"),   QString()};
    Model codes, kana, dates;
    std::vector<MdxEntry> c0, k0, d0;
    for (quint32 r = 1; r <= 400; ++r) {
        const MdxEntry c{numKey(double(int(rng() % 3000) - 500)), r};
        const MdxEntry k{textKey(names[int(rng() % names.size())] + QString::number(rng() % 40)),
                         r};
        const MdxEntry d{dateKey(rng() % 9 == 0 ? 0 : 2459000 + double(rng() % 700)), r};
        c0.push_back(c), k0.push_back(k), d0.push_back(d);
        codes.insert(c), kana.insert(k), dates.insert(d);
    }
    createWith({{kCode, c0}, {kKana, k0}, {kDate, d0}});
    {
        MdxFile mdx(path, def);
        for (quint32 r = 401; r <= 600; ++r) {
            const MdxEntry c{numKey(double(rng() % 100000)), r};
            const MdxEntry k{textKey(names[int(rng() % names.size())]), r};
            const MdxEntry d{dateKey(2459000 + double(rng() % 30)), r};
            mdx.insert(kCode, c.key, r), mdx.insert(kKana, k.key, r), mdx.insert(kDate, d.key, r);
            codes.insert(c), kana.insert(k), dates.insert(d);
        }
        for (quint32 r = 1; r <= 600; r += 5) {
            const std::pair<QString, Model*> tagModels[] = {
                {kCode, &codes}, {kKana, &kana}, {kDate, &dates}};
            for (auto [tag, model] : tagModels) {
                auto it = std::find_if(model->begin(), model->end(),
                                       [&](const MdxEntry& e) { return e.recno == r; });
                ASSERT_NE(it, model->end());
                mdx.remove(tag, it->key, r);
                model->erase(it);
            }
        }
        mdx.flush();
    }
    const QByteArray file = QFile::encodeName(path);

    // The tag list, in the stored spelling.
    const QByteArray list = runCommand(QByteArray(tool) + " '" + file + "' 2>/dev/null");
    std::set<QByteArray> listed;
    for (const QByteArray& line : list.split('\n'))
        if (!line.isEmpty()) listed.insert(line);
    std::set<QByteArray> want;
    for (const QString& n : {QStringLiteral("相手先ｺｰﾄﾞ"), kKana, kDate, kLong})
        want.insert(cp932::encode(n).value());
    EXPECT_EQ(listed, want);

    // Each tag: "<key bytes> <record number>" a line, in key order.
    auto check = [&](const QString& diskName, const Model& model,
                     const std::function<QByteArray(const IndexKey&)>& bytes,
                     const QByteArray& options = {}) {
        const QByteArray out = runCommand(QByteArray(tool) + options + " '" + file + "' '" +
                                          cp932::encode(diskName).value() + "' 2>/dev/null");
        qsizetype pos = 0;
        size_t n = 0;
        for (const MdxEntry& e : model) {
            const QByteArray k = bytes(e.key);
            const QByteArray line = k + ' ' + QByteArray::number(e.recno) + '\n';
            if (out.mid(pos, line.size()) != line) {
                ADD_FAILURE() << diskName.toStdString() << ": entry " << n << " (recno " << e.recno
                              << ") differs; dump there: "
                              << out.mid(pos, line.size()).toHex().constData() << " want "
                              << line.toHex().constData();
                return;
            }
            pos += line.size();
            ++n;
        }
        EXPECT_EQ(pos, out.size()) << diskName.toStdString() << ": extra output";
    };
    check(QStringLiteral("相手先ｺｰﾄﾞ"), codes,
          [](const IndexKey& k) { return bcdOfWhole(static_cast<long long>(k.number)); });
    check(kKana, kana, [](const IndexKey& k) { return k.text; });
    // A search descends by the interior keys: starting at a key finds its first entry.
    for (const QString& from :
         {QStringLiteral("ｻﾄｳ2"), QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"), QStringLiteral("やまだ3")}) {
        const QByteArray start = cp932::encode(from).value();
        Model tail;
        for (const MdxEntry& e : kana)
            if (!(e.key.text < start)) tail.insert(e);
        ASSERT_FALSE(tail.empty());
        ASSERT_LT(tail.size(), kana.size());
        check(
            kKana, tail, [](const IndexKey& k) { return k.text; }, " --start='" + start + "'");
    }
    check(kDate, dates, [](const IndexKey& k) {
        QByteArray b(8, '\0');
        qToLittleEndian<quint64>(std::bit_cast<quint64>(k.number), b.data());
        return b;
    });
}

}  // namespace
