// Cursors as the windows use them: navigation and end of table, orders, filters, bookmarks,
// append/edit/post/cancel/delete, two cursors on one shared table, and numbering by "last + 1".
#include "data/cursor.h"
#include "testdata.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

struct CursorTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    CursorTest() { QDir::setCurrent(dir.path()); }
    ~CursorTest() override { QDir::setCurrent(cwd); }

    static void addIncome(Cursor& c, double no, QDate d, const QString& name, const QString& purpose = {}) {
        c.append();
        c.setValue(u"収入番号"_s, no);
        c.setValue(u"収入日"_s, d);
        c.setValue(u"氏名"_s, name);
        if (!purpose.isEmpty()) c.setValue(u"目的"_s, purpose);
        c.post();
    }
    // The next entry number as the registration windows derive it: last record plus one.
    static double nextNumber(Cursor& c, const QString& field) {
        if (c.isEmpty()) return 1;
        c.last();
        return c.number(field) + 1;
    }
    static std::vector<QString> names(Cursor& c) {
        std::vector<QString> out;
        for (c.first(); !c.eof(); c.next()) out.push_back(c.text(u"氏名"_s));
        return out;
    }
};

}  // namespace

TEST_F(CursorTest, EmptyTableIsAtEndAndGivesFirstNumbers) {
    Cursor in, name;
    in.open(u"Indata.DBF"_s);
    EXPECT_EQ(in.recordCount(), 0);
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(in.bof());
    in.first();
    EXPECT_TRUE(in.eof());
    in.next();
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(nextNumber(in, u"収入番号"_s), 1);
    EXPECT_TRUE(isNull(in.value(u"氏名"_s)));
    EXPECT_THROW(in.edit(), EngineError);
    EXPECT_THROW(in.remove(), EngineError);

    // A new household's first code: block after the highest code, 101 in an empty book.
    name.open(u"AITESAKI.DBF"_s);
    name.setIndexFieldNames(u"相手先コード"_s);
    const double code = name.isEmpty() ? 101 : (std::trunc(name.number(u"相手先コード"_s) / 100) + 1) * 100 + 1;
    EXPECT_EQ(code, 101);
}

TEST_F(CursorTest, NavigationReadsThenMovesUntilEof) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    for (int i = 1; i <= 3; ++i) addIncome(c, i, QDate(2024, 1, i), u"人"_s + QString::number(i));
    EXPECT_EQ(names(c), (std::vector<QString>{u"人1"_s, u"人2"_s, u"人3"_s}));
    c.last();
    EXPECT_TRUE(c.eof()) << "last puts the cursor at the end, as loops expect";
    EXPECT_EQ(c.text(u"氏名"_s), u"人3"_s);
    c.prior();
    EXPECT_EQ(c.text(u"氏名"_s), u"人2"_s);
    EXPECT_FALSE(c.eof());
    c.first();
    c.prior();
    EXPECT_TRUE(c.bof());
    EXPECT_EQ(c.text(u"氏名"_s), u"人1"_s);
}

TEST_F(CursorTest, DeletingTheLastEntryLetsItsNumberBeGivenAgain) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    for (int i = 1; i <= 3; ++i) addIncome(c, i, QDate(2024, 1, i), u"人"_s);
    EXPECT_EQ(nextNumber(c, u"収入番号"_s), 4);
    c.last();
    c.remove();
    EXPECT_EQ(c.recordCount(), 2);
    EXPECT_EQ(nextNumber(c, u"収入番号"_s), 3);
    Cursor reopened;
    reopened.open(u"Indata.DBF"_s);
    EXPECT_EQ(nextNumber(reopened, u"収入番号"_s), 3);
}

TEST_F(CursorTest, DeleteMovesToTheNextRecordOrTheNewLast) {
    Cursor c;
    c.open(u"Kazoku.dbf"_s);
    for (const QString& n : {u"太郎"_s, u"花子"_s, u"一郎"_s}) {
        c.append();
        c.setValue(u"家族名"_s, n);
        c.post();
    }
    c.first();
    c.remove();
    EXPECT_EQ(c.text(u"家族名"_s), u"花子"_s);
    c.last();
    c.remove();
    EXPECT_EQ(c.text(u"家族名"_s), u"花子"_s);
    EXPECT_EQ(c.recordCount(), 1);
}

TEST_F(CursorTest, OrderByTagOrFieldAndRecordOrder) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    addIncome(c, 1, QDate(2024, 5, 1), u"五月"_s);
    addIncome(c, 2, QDate(2023, 1, 1), u"去年"_s);
    addIncome(c, 3, QDate(2024, 5, 1), u"五月二"_s);  // equal keys stay in record order
    c.setIndexFieldNames(u"収入日"_s);
    EXPECT_EQ(c.indexName(), u"収入日"_s);
    EXPECT_EQ(names(c), (std::vector<QString>{u"去年"_s, u"五月"_s, u"五月二"_s}));
    addIncome(c, 4, QDate(2000, 1, 1), u"昔"_s);
    EXPECT_EQ(c.text(u"氏名"_s), u"昔"_s) << "a posted record becomes current";
    EXPECT_EQ(c.row(), 0);
    EXPECT_EQ(names(c).front(), u"昔"_s);
    c.setIndexName(QString());
    EXPECT_EQ(names(c), (std::vector<QString>{u"五月"_s, u"去年"_s, u"五月二"_s, u"昔"_s}));

    // Edits move a record within the order.
    c.setIndexName(u"収入日"_s);
    c.first();
    c.edit();
    c.setValue(u"収入日"_s, QDate(2030, 1, 1));
    c.post();
    EXPECT_EQ(names(c).back(), u"昔"_s);
    // Reopening reads the same order back from the index file.
    Cursor other;
    other.open(u"Indata.DBF"_s);
    other.setIndexName(u"収入日"_s);
    EXPECT_EQ(names(other), names(c));
}

TEST_F(CursorTest, CounterpartOrdersByReadingAndByCode) {
    Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    const std::pair<double, QString> people[] = {{201, u"ﾔﾏﾀﾞ"_s}, {101, u"ｻﾄｳ"_s}, {102, u"ｱｵｷ"_s}, {301, u"ﾊﾟｸ"_s}};
    for (const auto& [code, kana] : people) {
        c.append();
        c.setValue(u"相手先コード"_s, code);
        c.setValue(u"フリガナ"_s, kana);
        c.setValue(u"氏名"_s, kana);
        c.post();
    }
    c.setIndexName(u"相手先コード"_s);
    std::vector<double> codes;
    for (c.first(); !c.eof(); c.next()) codes.push_back(c.number(u"相手先コード"_s));
    EXPECT_EQ(codes, (std::vector<double>{101, 102, 201, 301}));
    c.setIndexName(u"フリガナ"_s);
    // Half-width katakana sorts in CP932 byte order: ｱ (B1) < ｻ (BB) < ﾊ (CA) < ﾔ (D4).
    EXPECT_EQ(names(c), (std::vector<QString>{u"ｱｵｷ"_s, u"ｻﾄｳ"_s, u"ﾊﾟｸ"_s, u"ﾔﾏﾀﾞ"_s}));
}

TEST_F(CursorTest, TwoCursorsShareTheTableButNotFilterOrderOrPosition) {
    Cursor a, b;
    a.open(u"Indata.DBF"_s);
    b.open(u"indata.dbf"_s);
    EXPECT_EQ(&a.table(), &b.table());
    addIncome(a, 1, QDate(2024, 1, 2), u"山田"_s);
    addIncome(a, 2, QDate(2024, 1, 1), u"佐藤"_s);
    b.setFiltered(true);
    b.setFilter(u"氏名='山田'"_s);
    a.setIndexName(u"収入日"_s);
    a.first();
    EXPECT_EQ(a.text(u"氏名"_s), u"佐藤"_s);
    EXPECT_EQ(b.recordCount(), 1);
    addIncome(a, 3, QDate(2024, 1, 3), u"山田"_s);
    b.refresh();
    EXPECT_EQ(b.recordCount(), 2) << "a post through one cursor is counted by the other";
    EXPECT_EQ(b.text(u"氏名"_s), u"山田"_s);
    EXPECT_EQ(a.filter(), QString());
    EXPECT_EQ(b.filter(), u"氏名='山田'"_s) << "read back exactly as set";
    EXPECT_EQ(b.indexName(), QString());
}

// A window's rows stay as it read them while other windows store entries: they change at the
// cursor's own refresh, search or order change, when it moves to its first or last record, and
// at a post or delete through the cursor itself.
TEST_F(CursorTest, RowsChangeOnlyWhenTheCursorReadsThemOrChangesTheTableItself) {
    Cursor grid, other;
    grid.open(u"Indata.DBF"_s);
    other.open(u"Indata.DBF"_s);
    addIncome(other, 1, QDate(2024, 1, 2), u"甲"_s);
    grid.setIndexName(u"収入日"_s);
    ASSERT_EQ(grid.recordCount(), 1);

    // Another cursor registers an entry that sorts first: the grid's rows are the same ones.
    addIncome(other, 2, QDate(2024, 1, 1), u"乙"_s);
    EXPECT_EQ(grid.recordCount(), 1);
    EXPECT_EQ(grid.row(), 0);
    EXPECT_EQ(grid.text(u"氏名"_s), u"甲"_s);
    EXPECT_EQ(other.recordCount(), 2);
    // ... until it searches again.
    grid.setFilter(QString());
    EXPECT_EQ(grid.recordCount(), 2);
    EXPECT_EQ(grid.text(u"氏名"_s), u"乙"_s);

    // The value of a listed row changed elsewhere reads as stored now; the row stays put.
    other.first();
    other.edit();
    other.setValue(u"氏名"_s, u"甲田"_s);
    other.post();
    EXPECT_EQ(grid.recordCount(), 2);
    grid.moveToRow(1);
    EXPECT_EQ(grid.text(u"氏名"_s), u"甲田"_s);

    // A post through the cursor itself shows in its rows at once, and brings the rest up to
    // date with it.
    addIncome(other, 3, QDate(2024, 1, 3), u"丙"_s);
    EXPECT_EQ(grid.recordCount(), 2);
    addIncome(grid, 4, QDate(2024, 1, 4), u"丁"_s);
    EXPECT_EQ(grid.recordCount(), 4);

    // Refresh, and a move to the first or the last record, read the rows afresh: the number
    // of the next entry is never taken from rows read before another window stored one.
    addIncome(other, 5, QDate(2024, 1, 5), u"戊"_s);
    EXPECT_EQ(grid.recordCount(), 4);
    grid.last();
    EXPECT_EQ(grid.recordCount(), 5);
    EXPECT_EQ(grid.number(u"収入番号"_s), 5);
    addIncome(other, 6, QDate(2023, 12, 31), u"己"_s);
    grid.first();
    EXPECT_EQ(grid.text(u"氏名"_s), u"己"_s);
    addIncome(other, 7, QDate(2024, 1, 7), u"庚"_s);
    grid.refresh();
    EXPECT_EQ(grid.recordCount(), 7);

    // A delete through the cursor itself takes the row away at once; one elsewhere waits.
    grid.last();
    grid.remove();
    EXPECT_EQ(grid.recordCount(), 6);
    other.first();  // record order: 甲田
    other.remove();
    EXPECT_EQ(grid.recordCount(), 6);
    grid.refresh();
    EXPECT_EQ(grid.recordCount(), 5);
}

TEST_F(CursorTest, RefreshKeepsFilterOrderAndCurrentRecord) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    for (int i = 1; i <= 5; ++i) addIncome(c, i, QDate(2024, 1, 6 - i), u"人"_s + QString::number(i));
    c.setIndexName(u"収入日"_s);
    c.setFiltered(true);
    c.setFilter(u"収入番号>=2"_s);
    c.moveToRow(2);
    const QString at = c.text(u"氏名"_s);
    c.refresh();
    EXPECT_EQ(c.text(u"氏名"_s), at);
    EXPECT_EQ(c.recordCount(), 4);
    EXPECT_EQ(c.filter(), u"収入番号>=2"_s);
    EXPECT_EQ(c.indexName(), u"収入日"_s);
}

TEST_F(CursorTest, BookmarkReturnsToRecordAfterFilterSwitchedOff) {
    Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    c.setIndexFieldNames(u"相手先コード"_s);
    for (double code : {101.0, 102.0, 201.0, 202.0}) {
        c.append();
        c.setValue(u"相手先コード"_s, code);
        c.post();
    }
    c.setFiltered(true);
    c.setFilter(u"相手先コード= 201"_s);
    ASSERT_EQ(c.recordCount(), 1);
    auto mark = c.bookmark();
    c.setFiltered(false);
    EXPECT_EQ(c.recordCount(), 4);
    EXPECT_TRUE(c.gotoBookmark(mark));
    c.freeBookmark(mark);
    EXPECT_EQ(c.number(u"相手先コード"_s), 201);
    c.next();
    EXPECT_EQ(c.number(u"相手先コード"_s), 202) << "navigation goes on over the whole book";
}

TEST_F(CursorTest, CancelAndCloseDiscardUnpostedRecords) {
    {
        Cursor c;
        c.open(u"Kazoku.dbf"_s);
        c.append();
        c.setValue(u"家族名"_s, u"花子"_s);
        c.post();
        c.append();
        c.setValue(u"家族名"_s, u"捨てる"_s);
        c.cancel();
        EXPECT_EQ(c.text(u"家族名"_s), u"花子"_s);
        c.edit();
        c.setValue(u"家族名"_s, u"変更"_s);
        EXPECT_EQ(c.text(u"家族名"_s), u"変更"_s) << "the edit buffer is what the cursor shows";
        c.cancel();
        EXPECT_EQ(c.text(u"家族名"_s), u"花子"_s);
        c.append();
        c.setValue(u"家族名"_s, u"閉じて消える"_s);
        c.edit();  // no effect while inserting
        EXPECT_EQ(c.state(), Cursor::State::Insert);
    }
    Cursor c;
    c.open(u"Kazoku.dbf"_s);
    EXPECT_EQ(c.recordCount(), 1);
    EXPECT_EQ(c.text(u"家族名"_s), u"花子"_s);
    EXPECT_THROW(c.setValue(u"家族名"_s, u"x"_s), EngineError) << "only while editing";
}

TEST_F(CursorTest, RenamedCounterpartLeavesLedgerEntriesUnchanged) {
    Cursor book, in;
    book.open(u"Aitesaki.DBF"_s);
    in.open(u"Indata.DBF"_s);
    book.append();
    book.setValue(u"相手先コード"_s, 101.0);
    book.setValue(u"氏名"_s, u"山田　花子"_s);
    book.post();
    addIncome(in, 1, QDate(2024, 1, 1), book.text(u"氏名"_s));
    book.edit();
    book.setValue(u"氏名"_s, u"佐藤　花子"_s);
    book.post();
    in.refresh();
    EXPECT_EQ(in.text(u"氏名"_s), u"山田　花子"_s);
    EXPECT_TRUE(isNull(in.value(u"相手先コード"_s)));
    in.setFiltered(true);
    in.setFilter(u"((氏名='佐藤　花子'))"_s);
    EXPECT_EQ(in.recordCount(), 0);
}

TEST_F(CursorTest, SignalsTellObserversWhatChanged) {
    Cursor c;
    c.open(u"Kazoku.dbf"_s);
    QSignalSpy current(&c, &Cursor::currentChanged), state(&c, &Cursor::stateChanged),
        contents(&c, &Cursor::contentsChanged);
    c.append();
    EXPECT_EQ(state.count(), 1);
    c.setValue(u"家族名"_s, u"太郎"_s);
    c.post();
    EXPECT_EQ(state.count(), 2);
    EXPECT_GE(contents.count(), 1);
    EXPECT_GE(current.count(), 1);
    Cursor other;
    other.open(u"Kazoku.dbf"_s);
    QSignalSpy otherContents(&other, &Cursor::contentsChanged);
    c.append();
    c.setValue(u"家族名"_s, u"花子"_s);
    c.post();
    // A post elsewhere tells every cursor on the table, so that shown values are shown again;
    // their rows stay as they were read.
    EXPECT_GE(otherContents.count(), 1);
}

TEST_F(CursorTest, RefusedPostKeepsRecordAsTypedAndWritesNothing) {
    Cursor c;
    c.open(u"Kazoku.dbf"_s);
    c.append();
    c.setValue(u"家族名"_s, u"😀"_s);
    EXPECT_THROW(c.post(), EngineError);
    EXPECT_EQ(c.state(), Cursor::State::Insert);
    EXPECT_EQ(c.text(u"家族名"_s), u"😀"_s);
    c.setValue(u"家族名"_s, u"直した"_s);
    c.post();
    EXPECT_EQ(c.recordCount(), 1);
}

// The records a tag must list: every live record, by key and then record number, worked out
// from the records themselves.
static std::vector<quint32> expectedOrder(Table& t, const QString& tag) {
    const int field = t.tagField(tag);
    std::vector<quint32> recnos;
    for (quint32 r = 1; r <= t.recordCount(); ++r)
        if (!t.isDeleted(r)) recnos.push_back(r);
    std::stable_sort(recnos.begin(), recnos.end(),
                     [&](quint32 a, quint32 b) { return t.indexKey(a, field) < t.indexKey(b, field); });
    return recnos;
}

static std::vector<quint32> rowsOf(const Cursor& c) {
    std::vector<quint32> out;
    for (int r = 0; r < c.recordCount(); ++r) out.push_back(c.recnoAt(r));
    return out;
}

// A sorted view keeps no deleted record and shows a moved one once, whichever cursor made the
// change and whether or not the view was read in between: at once when the change went through
// the view itself, at the view's next refresh (a grid's next search) when it went through
// another cursor.
TEST_F(CursorTest, SortedViewsDropDeletedRecordsAndShowEditedOnesOnce) {
    Cursor writer, byCode, byReading;
    writer.open(u"Aitesaki.DBF"_s);
    byCode.open(u"Aitesaki.DBF"_s);
    byReading.open(u"Aitesaki.DBF"_s);
    auto add = [&](double code, const QString& kana) {
        writer.append();
        writer.setValue(u"相手先コード"_s, code);
        writer.setValue(u"フリガナ"_s, kana);
        writer.post();
    };
    for (int i = 0; i < 12; ++i) add(101 + i * 100, QString(QChar(0xFF71 + (i * 5) % 12)));
    byCode.setIndexName(u"相手先コード"_s);
    byReading.setIndexName(u"フリガナ"_s);
    Table& t = writer.table();
    auto check = [&](const char* step, Cursor* self = nullptr) {
        SCOPED_TRACE(step);
        for (Cursor* view : {&byCode, &byReading})
            if (view != self) view->refresh();
        EXPECT_EQ(rowsOf(byCode), expectedOrder(t, u"相手先コード"_s));
        EXPECT_EQ(rowsOf(byReading), expectedOrder(t, u"フリガナ"_s));
        EXPECT_EQ(byCode.recordCount(), static_cast<int>(t.liveCount()));
    };
    check("built");

    // Deleted through another cursor after the views were read.
    writer.moveToRow(3);
    writer.remove();
    check("deleted elsewhere");

    // Deleted through the sorted view itself.
    byReading.moveToRow(0);
    byReading.remove();
    check("deleted in the view", &byReading);

    // Several changes before anybody reads the views: a delete, a post deleted again at once,
    // an edit that moves a record in both orders and is then deleted. The writer reads first
    // what the view deleted.
    writer.refresh();
    writer.moveToRow(0);
    writer.remove();
    add(5001, u"ﾝ"_s);
    writer.last();
    writer.remove();
    writer.moveToRow(2);
    writer.edit();
    writer.setValue(u"相手先コード"_s, 1.0);
    writer.setValue(u"フリガナ"_s, u"ｰ"_s);
    writer.post();
    check("edited, unread");
    writer.remove();
    check("edited, then deleted");

    // A second table whose two tags are both kept in step.
    Cursor purposes, byCategory, byNumber;
    purposes.open(u"Moku.dbf"_s);
    byCategory.open(u"Moku.dbf"_s);
    byNumber.open(u"Moku.dbf"_s);
    for (int i = 1; i <= 6; ++i) {
        purposes.append();
        purposes.setValue(u"目的コード"_s, double(i));
        purposes.setValue(u"目的区分"_s, i % 2 ? u"慶事"_s : u"弔事"_s);
        purposes.setValue(u"区分番号"_s, double(7 - i));
        purposes.post();
    }
    byCategory.setIndexName(u"目的区分"_s);
    byNumber.setIndexName(u"区分番号"_s);
    (void)byCategory.recordCount();
    (void)byNumber.recordCount();
    purposes.moveToRow(4);
    purposes.remove();
    byCategory.refresh();
    byNumber.refresh();
    Table& m = purposes.table();
    EXPECT_EQ(rowsOf(byCategory), expectedOrder(m, u"目的区分"_s));
    EXPECT_EQ(rowsOf(byNumber), expectedOrder(m, u"区分番号"_s));
    EXPECT_EQ(byNumber.recordCount(), 5);
}

// A cursor nobody watches reads no rows after opening or a new filter or order (the tables of
// the printouts at start); when asked, it stands where one that read them at once would: on the
// first row of its order, or at both ends of an empty view. A watched cursor keeps its record
// through a new order and tells its watchers when a new filter moves it.
TEST_F(CursorTest, AnUnwatchedCursorReadsItsRowsWhenAskedAndStandsOnTheFirst) {
    {
        Cursor w;
        w.open(u"Indata.DBF"_s);
        addIncome(w, 1, QDate(2024, 5, 1), u"五月"_s);
        addIncome(w, 2, QDate(2023, 1, 1), u"去年"_s);
        addIncome(w, 3, QDate(2024, 3, 1), u"三月"_s);
    }
    Cursor lazy;
    lazy.open(u"Indata.DBF"_s);
    lazy.setIndexName(u"収入日"_s);
    EXPECT_TRUE(lazy.bof());
    EXPECT_FALSE(lazy.eof());
    EXPECT_EQ(lazy.text(u"氏名"_s), u"去年"_s);
    lazy.next();
    EXPECT_EQ(lazy.text(u"氏名"_s), u"三月"_s);
    EXPECT_EQ(lazy.row(), 1);
    EXPECT_THROW(lazy.setIndexName(u"無い索引"_s), EngineError);
    EXPECT_EQ(lazy.text(u"氏名"_s), u"三月"_s) << "a refused order changes nothing";

    Cursor watched;
    watched.open(u"Indata.DBF"_s);
    QSignalSpy moved(&watched, &Cursor::currentChanged);
    watched.setIndexName(u"収入日"_s);
    EXPECT_EQ(watched.text(u"氏名"_s), u"五月"_s) << "the record current at opening stays current";
    EXPECT_EQ(watched.row(), 2);
    moved.clear();
    watched.setFilter(u"収入番号>=2"_s);
    watched.setFiltered(true);
    EXPECT_GE(moved.count(), 1);
    EXPECT_EQ(watched.text(u"氏名"_s), u"去年"_s);

    // Nothing passes: no record, both ends; a new record and its cancel return there.
    Cursor none;
    none.open(u"Indata.DBF"_s);
    none.setFilter(u"収入番号>=10"_s);
    none.setFiltered(true);
    none.append();
    none.cancel();
    EXPECT_TRUE(none.eof());
    EXPECT_TRUE(none.bof());
    EXPECT_EQ(none.recno(), 0u);
    EXPECT_TRUE(isNull(none.value(u"氏名"_s)));
}
