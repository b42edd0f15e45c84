// TDBGrid over a ledger of a hundred thousand entries: the cells it shows, the row count, the
// currency and date texts, and how grid and cursor follow each other.
#include "widgets/dbgrid.h"

#include "data/cursor.h"
#include "platform/recorder.h"
#include "testdata.h"
#include "widgets/format.h"

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::Cursor;

namespace {

constexpr int kRows = 100000;

// Entry i (0-based) is number i+1, dated 1990/01/01 + i/10 days, of 氏名 "名前<i>", with an
// amount of (i % 50) * 1000 yen; every seventh entry has no amount.
QDate dateOf(int i) {
    return QDate(1990, 1, 1).addDays(i / 10);
}

class GridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new mz::test::DataDir;
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 0; i < kRows; ++i) {
            c.append();
            c.setValue(u"収入番号"_s, double(i + 1));
            c.setValue(u"収入日"_s, dateOf(i));
            c.setValue(u"氏名"_s, u"名前%1"_s.arg(i));
            c.setValue(u"目的"_s, i % 2 ? u"結婚祝"_s : u"香典"_s);
            if (i % 7 != 0) c.setValue(u"金額"_s, double((i % 50) * 1000));
            c.post();
        }
        c.close();
        QDir::setCurrent(keep);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override {
        keep_ = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        table_.open(u"Indata.DBF"_s);
        table_.setFiltered(true);
        table_.setIndexFieldNames(u"収入日"_s);
        source_.setDataSet(&table_);
        grid_.resize(486, 208);
        grid_.setColumns({
            {u"氏名"_s, u"氏  名"_s, -1, {}, false, Qt::AlignLeft},
            {u"収入日"_s, u"収入日"_s, 65, Qt::AlignLeft, false, Qt::AlignLeft},
            {u"目的"_s, u"目  的"_s, -1, {}, false, Qt::AlignLeft},
            {u"金額"_s, u"金  額"_s, 78, Qt::AlignRight, false, Qt::AlignLeft},
            {u"収入番号"_s, u"番号"_s, 60, Qt::AlignHCenter, false, Qt::AlignLeft},
        });
        grid_.setDataSource(&source_);
    }
    void TearDown() override {
        grid_.setDataSource(nullptr);
        table_.close();
        QDir::setCurrent(keep_);
    }

    static mz::test::DataDir* dir_;
    QString keep_;
    Cursor table_;
    TDataSource source_;
    TDBGrid grid_;
};

mz::test::DataDir* GridTest::dir_ = nullptr;

TEST_F(GridTest, ShowsEveryRowWithTheRightCells) {
    ASSERT_EQ(grid_.model()->rowCount(), kRows);
    EXPECT_EQ(grid_.model()->columnCount(), 5);
    EXPECT_EQ(grid_.cellText(0, 0), u"名前0"_s);
    EXPECT_EQ(grid_.cellText(0, 1), u"1990/01/01"_s);
    EXPECT_EQ(grid_.cellText(0, 3), QString());  // entry 0 has no amount
    EXPECT_EQ(grid_.cellText(1, 3), u"￥1,000"_s);
    EXPECT_EQ(grid_.cellText(1, 4), u"2"_s);  // plain digits
    const int last = kRows - 1;
    EXPECT_EQ(grid_.cellText(last, 0), u"名前%1"_s.arg(last));
    EXPECT_EQ(grid_.cellText(last, 1), dateOf(last).toString(u"yyyy/MM/dd"_s));
    EXPECT_EQ(grid_.cellText(last, 3), u"￥%1,000"_s.arg(last % 50));
    EXPECT_EQ(grid_.cellText(13, 3), u"￥13,000"_s);
    // Asking beyond the rows is harmless.
    EXPECT_EQ(grid_.cellText(kRows, 0), QString());
    EXPECT_EQ(grid_.cellText(-1, 0), QString());
}

TEST_F(GridTest, TitlesWidthsAndAlignments) {
    const QAbstractItemModel* m = grid_.model();
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), u"氏  名"_s);
    EXPECT_EQ(m->headerData(3, Qt::Horizontal).toString(), u"金  額"_s);
    EXPECT_EQ(grid_.horizontalHeader()->sectionSize(1), 65);
    EXPECT_EQ(grid_.horizontalHeader()->sectionSize(3), 78);
    // Field default: 16 characters of 氏名 are wider than 12 of 目的.
    EXPECT_GT(grid_.horizontalHeader()->sectionSize(0), grid_.horizontalHeader()->sectionSize(2));
    auto align = [&](int col) {
        return m->index(0, col).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignLeft);
    EXPECT_EQ(align(3), Qt::AlignRight);
    EXPECT_EQ(align(4), Qt::AlignHCenter);
    // Nothing in the grid is editable.
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid_.editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(GridTest, CursorMovesSelectTheRowAndScrollToIt) {
    EXPECT_EQ(grid_.selectedRow(), 0);
    table_.last();
    EXPECT_EQ(grid_.selectedRow(), kRows - 1);
    EXPECT_EQ(grid_.currentIndex().row(), kRows - 1);
    table_.moveToRow(50000);
    EXPECT_EQ(grid_.selectedRow(), 50000);
    grid_.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(
        grid_.viewport()->rect().intersects(grid_.visualRect(grid_.model()->index(50000, 0))));
    grid_.hide();
}

TEST_F(GridTest, SelectingARowMovesTheCursor) {
    QSignalSpy moved(&table_, &Cursor::currentChanged);
    grid_.selectRow(1234);
    EXPECT_EQ(table_.row(), 1234);
    EXPECT_EQ(table_.number(u"収入番号"_s), 1235);
    EXPECT_EQ(moved.count(), 1);
    // Keys move the cursor too.
    grid_.setFocus();
    QTest::keyClick(&grid_, Qt::Key_Down);
    EXPECT_EQ(table_.row(), 1235);
    QTest::keyClick(&grid_, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(table_.row(), kRows - 1);
}

TEST_F(GridTest, ARowChoiceWhosePostIsRefusedIsShownAndUndone) {
    // A pending edit that cannot be stored: picking another row posts it first, the post is
    // refused, the error display shows why and the grid goes back to the record being edited.
    const int hook = table_.addBeforePost(
        [] { throw mz::data::EngineError(u"'-' は正しい数値ではありません"_s); });
    table_.moveToRow(10);
    table_.edit();
    mz::platform::Recorder rec;
    grid_.selectRow(20);
    QCoreApplication::processEvents();
    EXPECT_EQ(rec.errors(), QStringList{u"'-' は正しい数値ではありません."_s});
    EXPECT_EQ(table_.row(), 10);
    EXPECT_EQ(table_.state(), Cursor::State::Edit);
    EXPECT_EQ(grid_.selectedRow(), 10);
    table_.removeBeforePost(hook);
    table_.cancel();
}

TEST_F(GridTest, ClickDoubleClickEnterAndFocusSignals) {
    grid_.show();
    QCoreApplication::processEvents();
    QSignalSpy cells(&grid_, &TDBGrid::cellClick);
    QSignalSpy doubles(&grid_, &TDBGrid::dblClick);
    QSignalSpy enters(&grid_, &TDBGrid::returnPressed);
    const QRect r = grid_.visualRect(grid_.model()->index(2, 2));
    // The click moves the cursor first, then reports the cell.
    QObject::connect(&grid_, &TDBGrid::cellClick, &grid_, [&] { EXPECT_EQ(table_.row(), 2); });
    QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_EQ(cells.count(), 1);
    EXPECT_EQ(cells.at(0).at(0).toInt(), 2);
    QTest::mouseDClick(grid_.viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(doubles.count(), 1);
    QTest::keyClick(&grid_, Qt::Key_Return);
    EXPECT_EQ(enters.count(), 1);
    grid_.hide();
}

TEST_F(GridTest, FilterAndOrderChangesReReadTheRowsAndKeepColumnWidths) {
    grid_.horizontalHeader()->resizeSection(0, 140);  // the user widened a column
    table_.setFilter(u"(目的='香典')"_s);
    EXPECT_EQ(grid_.model()->rowCount(), kRows / 2);
    EXPECT_EQ(grid_.cellText(0, 2), u"香典"_s);
    EXPECT_EQ(grid_.selectedRow(), 0);
    EXPECT_EQ(grid_.horizontalHeader()->sectionSize(0), 140);
    table_.setFilter(u"収入番号=99999999"_s);
    EXPECT_EQ(grid_.model()->rowCount(), 0);
    EXPECT_EQ(grid_.selectedRow(), -1);
    table_.setFilter(QString());
    EXPECT_EQ(grid_.model()->rowCount(), kRows);
}

TEST_F(GridTest, APostThroughAnotherCursorShowsAtTheGridsNextRefresh) {
    Cursor other;
    other.open(u"Indata.DBF"_s);
    other.append();
    other.setValue(u"収入番号"_s, double(kRows + 1));
    other.setValue(u"収入日"_s, QDate(1989, 12, 31));  // sorts first by date
    other.setValue(u"氏名"_s, u"新しい人"_s);
    other.setValue(u"金額"_s, 5000.0);
    other.post();
    // The grid keeps the rows it read (a window searches or refreshes to see more).
    EXPECT_EQ(grid_.model()->rowCount(), kRows);
    EXPECT_EQ(grid_.cellText(0, 0), u"名前0"_s);
    table_.refresh();
    EXPECT_EQ(grid_.model()->rowCount(), kRows + 1);
    EXPECT_EQ(grid_.cellText(0, 0), u"新しい人"_s);
    EXPECT_EQ(grid_.cellText(0, 3), u"￥5,000"_s);
    other.last();
    other.remove();
    EXPECT_EQ(grid_.model()->rowCount(), kRows + 1);
    table_.refresh();
    EXPECT_EQ(grid_.model()->rowCount(), kRows);
    EXPECT_EQ(grid_.cellText(0, 0), u"名前0"_s);
}

TEST_F(GridTest, ClosedCursorAndNoDataSourceShowNothing) {
    table_.close();
    EXPECT_EQ(grid_.model()->rowCount(), 0);
    EXPECT_EQ(grid_.selectedRow(), -1);
    table_.open(u"Indata.DBF"_s);
    EXPECT_EQ(grid_.model()->rowCount(), kRows);
    grid_.setDataSource(nullptr);
    EXPECT_EQ(grid_.model()->rowCount(), 0);
    {
        // A data source that goes away first leaves an empty grid, not a dangling one.
        TDBGrid g;
        auto* s = new TDataSource;
        s->setDataSet(&table_);
        g.setDataSource(s);
        EXPECT_EQ(g.model()->rowCount(), kRows);
        delete s;
        EXPECT_EQ(g.model()->rowCount(), 0);
        EXPECT_EQ(g.dataSource(), nullptr);
    }
}

TEST_F(GridTest, WithoutColumnsEveryFieldIsShown) {
    TDBGrid g;
    g.setDataSource(&source_);
    EXPECT_EQ(g.model()->columnCount(), static_cast<int>(table_.def().fields.size()));
    EXPECT_EQ(g.model()->headerData(0, Qt::Horizontal).toString(), u"収入番号"_s);
    EXPECT_EQ(g.cellText(0, 9), u"(MEMO)"_s);  // memos are not read per cell
}

TEST_F(GridTest, FixedAreaColourAndIndicatorArePainted) {
    grid_.setFixedColor(QColor(0x00FF00));
    grid_.setColor(QColor(0xFFFFE1));
    grid_.show();
    QCoreApplication::processEvents();
    const QImage img = grid_.grab().toImage();
    // Right of the short title "収入日" in its 65-pixel column: the fixed colour, not the body's.
    const QHeaderView* h = grid_.horizontalHeader();
    const int x = h->geometry().left() + h->sectionViewportPosition(1) + 58;
    const int y = h->geometry().top() + h->height() / 2;
    EXPECT_EQ(img.pixel(x, y) & 0xFFFFFF, 0x00FF00u);
    const QRect cell = grid_.visualRect(grid_.model()->index(3, 1));  // an unselected row
    const QPoint body = grid_.viewport()->mapTo(&grid_, cell.topRight() + QPoint(-3, 3));
    EXPECT_EQ(img.pixel(body) & 0xFFFFFF, 0xFFFFE1u);
    grid_.hide();
}

}  // namespace

// Amounts in the 78-pixel 金額 column of the income grid: from ￥100,000,000 up the text with
// its full-width yen sign is wider than the cell. A number cut at the cell's edge reads as
// another number, so it is drawn whole: narrower where needed, never clipped.
TEST(GridAmounts, LargeAmountsAreDrawnWholeInTheirColumn) {
    mz::test::DataDir dir;
    const QString keep = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const std::vector<double> amounts = {5000, 123456789, -123456789, 999999999, 1e14};
    Cursor table;
    table.open(u"Indata.DBF"_s);
    for (size_t i = 0; i < amounts.size(); ++i) {
        table.append();
        table.setValue(u"収入番号"_s, double(i + 1));
        table.setValue(u"金額"_s, amounts[i]);
        table.post();
    }
    table.first();  // the selected row, drawn in other colours, is left out below
    TDataSource source;
    source.setDataSet(&table);
    TDBGrid grid;
    QFont font(u"IPAGothic"_s);  // what "ＭＳ ゴシック" stands for in the program
    font.setPixelSize(12);
    grid.setFont(font);
    grid.setColumns({{u"金額"_s, u"金  額"_s, 78, Qt::AlignRight, true, Qt::AlignLeft},
                     {u"収入番号"_s, u"番号"_s, 30, Qt::AlignRight, false, Qt::AlignLeft}});
    grid.setDataSource(&source);
    grid.resize(200, 160);
    grid.show();
    const QFontMetricsF metrics(grid.font());
    const QImage shot = grid.viewport()->grab().toImage();
    const QColor paper = shot.pixelColor(0, shot.height() - 1);  // below the rows
    // Whether any pixel of the columns [x0, x1] within the cell's height is drawn on (text,
    // anti-aliased edges of text included).
    const auto inkIn = [&](const QRect& cell, int x0, int x1) {
        for (int x = x0; x <= x1; ++x)
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                const QColor c = shot.pixelColor(x, y);
                if (qAbs(c.red() - paper.red()) + qAbs(c.green() - paper.green()) +
                        qAbs(c.blue() - paper.blue()) > 90)
                    return true;
            }
        return false;
    };
    for (int row = 1; row < static_cast<int>(amounts.size()); ++row) {
        SCOPED_TRACE(grid.cellText(row, 0).toStdString());
        const QRect cell = grid.visualRect(grid.model()->index(row, 0));
        ASSERT_GT(cell.width(), 70);
        const mz::widgets::CellText drawn = grid.drawnCellText(row, 0);
        EXPECT_LE(metrics.horizontalAdvance(drawn.text) * drawn.squeeze, cell.width() - 4);
        // The digits are all there, in the grid's own text as well.
        QString digits = grid.cellText(row, 0);
        digits.remove(QChar(mz::format::kYenSign));
        EXPECT_TRUE(drawn.text.endsWith(digits.mid(digits.startsWith(u'-') ? 1 : 0)));
        // Text is drawn two pixels in from the cell's edge and cut there: a glyph cut off shows
        // as ink in the text's first column. A text that fits starts further in; a squeezed
        // one fills the text's width exactly, so only the margin is checked for it.
        EXPECT_TRUE(inkIn(cell, cell.left() + 4, cell.right()));
        EXPECT_FALSE(inkIn(cell, cell.left(), cell.left() + (drawn.squeeze < 1 ? 1 : 2)));
    }
    // An amount that fits keeps its full-width yen sign; nine digits give up that sign (for a
    // narrower one, or none, as the font allows) but keep their size; a fifteen-digit amount is
    // squeezed rather than cut.
    EXPECT_EQ(grid.drawnCellText(0, 0).text, u"￥5,000"_s);
    EXPECT_EQ(grid.drawnCellText(0, 0).squeeze, 1);
    EXPECT_FALSE(grid.drawnCellText(1, 0).text.contains(QChar(mz::format::kYenSign)));
    EXPECT_EQ(grid.drawnCellText(1, 0).squeeze, 1);
    EXPECT_LT(grid.drawnCellText(4, 0).squeeze, 1);
    // Text that is no number is drawn as it is.
    EXPECT_EQ(mz::widgets::fitCellText(u"とても長い名前です"_s, metrics, 20, false, false).text,
              u"とても長い名前です"_s);
    grid.close();
    grid.setDataSource(nullptr);
    table.close();
    QDir::setCurrent(keep);
}
