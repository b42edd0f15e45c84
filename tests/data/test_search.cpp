// Searches and posts on ledgers large enough to cross the cursor's internal boundaries: a search
// in date order finds exactly the rows a plain reading of every record finds, in the same order,
// and rows that a cursor takes in at its own posts stay in key order however many there are.
#include "data/cursor.h"
#include "testdata.h"

#include <gtest/gtest.h>

#include <random>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

const QString kNames[] = {u"山田　太郎"_s, u"山田　花子"_s, u"山本　一郎"_s, u"佐藤　美咲"_s, u"ｻﾄｳ ﾀﾛｳ"_s, QString()};
const QString kPurposes[] = {u"結婚祝"_s, u"香典"_s, u"お中元"_s, QString()};

struct SearchTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    std::mt19937 rng{20261209};
    SearchTest() { QDir::setCurrent(dir.path()); }
    ~SearchTest() override { QDir::setCurrent(cwd); }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    QDate someDate() { return QDate(2000, 1, 1).addDays(pick(400)); }

    // An entry with random values; some fields left empty.
    void addRandom(Cursor& c, int no) {
        c.append();
        c.setValue(u"収入番号"_s, double(no));
        if (pick(20) != 0) c.setValue(u"収入日"_s, someDate());
        const QString& name = kNames[pick(6)];
        if (!name.isEmpty()) c.setValue(u"氏名"_s, name);
        const QString& purpose = kPurposes[pick(4)];
        if (!purpose.isEmpty()) c.setValue(u"目的"_s, purpose);
        c.post();
    }

    // Rows of a cursor as record numbers.
    static std::vector<quint32> rows(const Cursor& c) {
        std::vector<quint32> out;
        for (int r = 0; r < c.recordCount(); ++r) out.push_back(c.recnoAt(r));
        return out;
    }
};

// The criteria of a ledger search, and the same decided on decoded values.
struct Criteria {
    QString prefix, purpose;
    QDate from, to;

    QString filter() const {
        QStringList parts;
        if (!prefix.isNull()) parts << u"(氏名='%1*')"_s.arg(prefix);
        if (!purpose.isNull()) parts << u"(目的='%1')"_s.arg(purpose);
        if (from.isValid()) parts << u"(収入日>='%1')"_s.arg(from.toString(u"yyyy/MM/dd"_s));
        if (to.isValid()) parts << u"(収入日<='%1')"_s.arg(to.toString(u"yyyy/MM/dd"_s));
        return parts.join(u" and "_s);
    }
    bool matches(const Table& t, quint32 r) const {
        auto text = [&](const char16_t* f) {
            const Value v = t.value(r, t.def().fieldIndex(QString::fromUtf16(f)));
            return isNull(v) ? QString() : std::get<QString>(v);
        };
        const Value d = t.value(r, t.def().fieldIndex(u"収入日"_s));
        if (!prefix.isNull() && !text(u"氏名").startsWith(prefix)) return false;
        if (!purpose.isNull() && text(u"目的") != purpose) return false;
        if (from.isValid() && (isNull(d) || std::get<QDate>(d) < from)) return false;
        if (to.isValid() && (isNull(d) || std::get<QDate>(d) > to)) return false;
        return true;
    }
};

// Live records that pass, ordered by date (an empty date first) and then record number.
std::vector<quint32> plainSearch(const Table& t, const Criteria& c) {
    std::vector<std::pair<qint64, quint32>> hits;
    const int dateField = t.def().fieldIndex(u"収入日"_s);
    for (quint32 r = 1; r <= t.recordCount(); ++r) {
        if (t.isDeleted(r) || !c.matches(t, r)) continue;
        const Value d = t.value(r, dateField);
        hits.emplace_back(isNull(d) ? -1 : std::get<QDate>(d).toJulianDay(), r);
    }
    std::sort(hits.begin(), hits.end());
    std::vector<quint32> out;
    for (const auto& h : hits) out.push_back(h.second);
    return out;
}

}  // namespace

// Sizes around the 64 records of one word of the search's bit set and around the blocks of rows.
TEST_F(SearchTest, DateOrderSearchEqualsAPlainReadingAtEverySize) {
    Cursor writer, search;
    writer.open(u"Indata.DBF"_s);
    search.open(u"Indata.DBF"_s);
    search.setIndexFieldNames(u"収入日"_s);
    search.setFiltered(true);
    int added = 0;
    for (const int size : {0, 1, 63, 64, 65, 127, 128, 129, 700}) {
        while (added < size) addRandom(writer, ++added);
        // Deleted records are in the file and in no result.
        if (size == 129 || size == 700) {
            writer.moveToRow(pick(writer.recordCount()));
            writer.remove();
        }
        for (int i = 0; i < 12; ++i) {
            Criteria c;
            if (pick(2)) c.prefix = kNames[pick(5)].left(1 + pick(3));
            if (pick(2)) c.purpose = kPurposes[pick(3)];
            if (pick(2)) c.from = someDate();
            if (pick(2)) c.to = c.from.isValid() ? c.from.addDays(pick(200)) : someDate();
            search.setFilter(c.filter());
            EXPECT_EQ(rows(search), plainSearch(search.table(), c)) << size << " records, " << c.filter().toStdString();
        }
    }
    // A handful of rows out of many is put in date order by its keys, not by walking the order.
    const Table& t = search.table();
    const int number = t.def().fieldIndex(u"収入番号"_s), date = t.def().fieldIndex(u"収入日"_s);
    std::vector<std::pair<qint64, quint32>> expected;
    for (quint32 r = 1; r <= t.recordCount(); ++r) {
        const Value n = t.value(r, number), d = t.value(r, date);
        if (t.isDeleted(r) || std::get<double>(n) < 300 || std::get<double>(n) > 309) continue;
        expected.emplace_back(isNull(d) ? -1 : std::get<QDate>(d).toJulianDay(), r);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<quint32> inDateOrder;
    for (const auto& e : expected) inDateOrder.push_back(e.second);
    search.setFilter(u"収入番号>=300 and 収入番号<=309"_s);
    ASSERT_GE(inDateOrder.size(), 9u);
    EXPECT_EQ(rows(search), inDateOrder);

    // Filtering switched off: every live record in date order.
    search.setFiltered(false);
    EXPECT_EQ(rows(search), plainSearch(search.table(), Criteria{}));
}

TEST_F(SearchTest, CaseInsensitiveSearchGoesThroughTheSameScan) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    for (int i = 1; i <= 70; ++i) {
        c.append();
        c.setValue(u"収入番号"_s, double(i));
        c.setValue(u"収入日"_s, QDate(2024, 1, 1).addDays(70 - i));
        c.setValue(u"氏名"_s, i % 3 == 0 ? u"ａｂｃ商店"_s : (i % 3 == 1 ? u"ABC Shop"_s : u"xyz"_s));
        c.post();
    }
    c.setIndexFieldNames(u"収入日"_s);
    c.setFiltered(true);
    c.setCaseInsensitive(true);
    c.setFilter(u"氏名='ＡＢＣ*' or 氏名='abc*'"_s);
    ASSERT_EQ(c.recordCount(), 47);
    // By date, which runs against record order here.
    EXPECT_EQ(c.recnoAt(0), 70u);
    EXPECT_EQ(c.recnoAt(46), 1u);
}

// A cursor ordered by date takes each of its own posts in at its place. Enough posts to fill and
// split several blocks of rows, at dates all over the list, then compared with a fresh reading.
TEST_F(SearchTest, OwnPostsStayInKeyOrderAcrossManyBlocks) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    c.setIndexFieldNames(u"収入日"_s);
    for (int i = 1; i <= 9000; ++i) {
        addRandom(c, i);
        ASSERT_EQ(c.recnoAt(c.row()), c.recno()) << "the posted record is current, at its row";
        if (i % 3000 == 0 || i == 1) {
            const std::vector<quint32> expected = plainSearch(c.table(), Criteria{});
            ASSERT_EQ(rows(c), expected) << i;
            // Row by row, and every record's row found again by its bookmark.
            for (int r : {0, i / 2, i - 1}) {
                c.moveToRow(r);
                EXPECT_EQ(c.recno(), expected[size_t(r)]);
                EXPECT_TRUE(c.gotoBookmark(expected[size_t(r)]));
                EXPECT_EQ(c.row(), r);
            }
        }
    }
    // A filtered cursor takes in only its own posts that pass its filter.
    Cursor filtered;
    filtered.open(u"Indata.DBF"_s);
    filtered.setIndexFieldNames(u"収入日"_s);
    filtered.setFiltered(true);
    filtered.setFilter(u"目的='香典'"_s);
    for (int i = 9001; i <= 9300; ++i) addRandom(filtered, i);
    EXPECT_EQ(rows(filtered), plainSearch(c.table(), Criteria{QString(), u"香典"_s, {}, {}}));
    // c read its rows before those posts; it shows them after a refresh.
    EXPECT_EQ(c.recordCount(), 9000);
    c.refresh();
    EXPECT_EQ(rows(c), plainSearch(c.table(), Criteria{}));
}
