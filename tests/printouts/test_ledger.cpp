// The four ledger printouts: list and single entry of each side. Layouts are compared with
// golden dumps; the cases below check what a dump alone would not make plain.
#include "printouttest.h"

#include "data/cursor.h"
#include "data/table.h"
#include "data/tabledefs.h"
#include "platform/recorder.h"
#include "printouts/printoutforms.h"
#include "report/quickrep.h"

#include <QDate>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::report::BandKind;
using mz::report::Page;
using mz::report::PageItem;
using mz::test::expectGolden;
using mz::test::itemsOf;
using mz::test::textsAt;
using mz::test::textsOf;

namespace {

// Paper positions of the income list's first entry block: margins 15.7 (left) and 12.7 (top),
// title band 8.73, column header 1.32, detail band 1.32; an entry takes 1.32 + 48.95.
constexpr double kLeft = 15.7;
constexpr double kFirstBlock = 12.7 + 8.73 + 1.32 + 1.32;
constexpr double kIncomeStep = 1.32 + 48.95;
constexpr double kCaptionX = kLeft + 4.23;
constexpr double kDataX = kLeft + 27.52;

struct Entry {
    int number;
    QDate date;
    QString name;
    QString purpose;
    QString family;  // income only
    double amount;
    QString goods;
    QByteArray picture;
};

void addEntry(mz::data::Cursor& c, bool income, const Entry& e) {
    c.append();
    c.setValue(income ? u"収入番号"_s : u"支出番号"_s, double(e.number));
    c.setValue(income ? u"収入日"_s : u"支出日"_s, e.date);
    c.setValue(u"氏名"_s, e.name);
    c.setValue(u"目的"_s, e.purpose);
    if (income && !e.family.isEmpty()) c.setValue(u"家族名"_s, e.family);
    c.setValue(u"金額"_s, e.amount);
    if (!e.goods.isEmpty()) {
        c.setValue(u"物品"_s, e.goods);
        c.setValue(u"物品／備考"_s, u"有り"_s);
    }
    if (!e.picture.isEmpty()) c.setValue(u"写真"_s, e.picture);
    c.post();
}

QByteArray placeholderPicture(const mz::test::DataDir& dir) {
    QFile file(dir.file(QString::fromLatin1(mz::data::kPlaceholderPicture)));
    if (file.open(QIODevice::ReadOnly)) return file.readAll();
    return mz::data::grayBitmap(64, 48);
}

// The page count of a PDF file as pdfinfo reads it, or -1 when pdfinfo is not installed.
int pdfPages(const QString& path) {
    const QString pdfinfo = QStandardPaths::findExecutable(u"pdfinfo"_s);
    if (pdfinfo.isEmpty()) return -1;
    QProcess p;
    p.start(pdfinfo, {path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return 0;
    const QRegularExpressionMatch m =
        QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

class LedgerPrintouts : public mz::test::PrintoutTest {
protected:
    // Three income entries in stored order 17, 3, 25 (date order would be 3, 25, 17): one with
    // the placeholder picture and goods, one without picture or goods and with a Latin name,
    // one with goods too long for the block.
    void fillIncome() {
        mz::data::Cursor c;
        c.open(u"Indata.DBF"_s);
        addEntry(c, true,
                 {17, QDate(2024, 5, 3), u"山田 太郎"_s, u"結婚祝い"_s, u"花子"_s, 30000,
                  u"タオルセット 2 箱"_s, placeholderPicture(dir_)});
        addEntry(c, true, {3, QDate(2023, 11, 20), u"Yamada Ken"_s, u"出産祝い"_s, u"一郎"_s, 10000, {}, {}});
        addEntry(c, true,
                 {25, QDate(2024, 1, 15), u"佐藤 花子"_s, u"香典"_s, {}, 1234567,
                  u"木箱入りの 日本茶 ギフトセット 一式 と 手書きの お礼状 を 添えて 頂きました。"
                  u"\r\n来年の 法要 の 際 に お返し を 忘れない こと。 追記 一 追記 二 追記 三 "
                  u"追記 四 追記 五 追記 六 追記 七 追記 八 追記 九 追記 十 追記 十一 追記 十二"_s,
                  {}});
    }
    void fillExpenditure() {
        mz::data::Cursor c;
        c.open(u"Outdata.DBF"_s);
        addEntry(c, false,
                 {4, QDate(2024, 2, 10), u"鈴木 一郎"_s, u"お見舞い"_s, {}, 8000, u"果物 かご"_s,
                  placeholderPicture(dir_)});
        addEntry(c, false, {9, QDate(2023, 12, 1), u"高橋 由美"_s, u"お返し"_s, {}, 5000, {}, {}});
    }
};

// The tops of the entry blocks on a page: the tops of their number captions.
std::vector<double> blockTops(const Page& page, const QString& numberCaption) {
    std::vector<double> tops;
    for (const PageItem& item : page.items)
        if (item.text == numberCaption) tops.push_back(item.y);
    return tops;
}

}  // namespace

TEST_F(LedgerPrintouts, FormsHoldTheirTablesAndPageSetUp) {
    TRepIn1Form in1;
    TRepIn2Form in2;
    TRepOut1Form out1;
    TRepOut2Form out2;
    struct Expected {
        mz::printouts::PrintoutForm* form;
        mz::data::Cursor* table;
        QString caption, title;
        double detail, block;
    };
    const Expected all[] = {
        {&in1, in1.MasterTable, u"収入の検索結果一覧表印刷　"_s, u"収入の検索結果 一覧表　"_s, 1.32, 48.95},
        {&in2, in2.MasterTable, u"収入の検索結果(個別情報)印刷　"_s, u"収入の検索結果 (個別情報)　"_s, 13.23, 149.75},
        {&out1, out1.MasterTable, u"支出の検索結果一覧表印刷　"_s, u"支出の検索結果 一覧表　"_s, 1.32, 49.74},
        {&out2, out2.MasterTable, u"支出の検索結果(個別情報)印刷　"_s, u"支出の検索結果 (個別情報)　"_s, 13.23, 149.75},
    };
    for (const Expected& e : all) {
        SCOPED_TRACE(e.caption.toStdString());
        EXPECT_EQ(e.form->windowTitle(), e.caption);
        EXPECT_FALSE(e.form->isVisible());
        EXPECT_EQ(e.table->objectName(), u"MasterTable"_s);
        EXPECT_EQ(e.form->QuickRep1->objectName(), u"QuickRep1"_s);
        EXPECT_EQ(e.form->QuickRep1->DataSet.data(), e.table);
        // Stored order, filtering on, empty filter, case-sensitive comparison.
        EXPECT_TRUE(e.table->filtered());
        EXPECT_TRUE(e.table->filter().isEmpty());
        EXPECT_FALSE(e.table->caseInsensitive());
        EXPECT_TRUE(e.table->indexName().isEmpty());

        const mz::report::Report& r = e.form->QuickRep1->Report;
        EXPECT_EQ(r.paper, QPageSize::A4);
        EXPECT_EQ(r.orientation, QPageLayout::Portrait);
        EXPECT_DOUBLE_EQ(r.margins.top, 12.7);
        EXPECT_DOUBLE_EQ(r.margins.bottom, 12.7);
        EXPECT_DOUBLE_EQ(r.margins.left, 15.7);
        EXPECT_DOUBLE_EQ(r.margins.right, 12.7);
        EXPECT_DOUBLE_EQ(r.effectiveBandWidth(), 181.77);
        EXPECT_EQ(r.font, (mz::report::Font{u"ＭＳ ゴシック"_s, 10}));
        EXPECT_TRUE(r.printIfEmpty);
        EXPECT_TRUE(r.footerOnLastPage);
        EXPECT_TRUE(r.title.isEmpty());
        ASSERT_EQ(r.bands.size(), 5u);
        const BandKind kinds[] = {BandKind::Title, BandKind::ColumnHeader, BandKind::Detail, BandKind::Child,
                                  BandKind::PageFooter};
        const double heights[] = {8.73, 1.32, e.detail, e.block, 5.82};
        for (size_t b = 0; b < 5; ++b) {
            EXPECT_EQ(r.bands[b].kind, kinds[b]) << b;
            EXPECT_DOUBLE_EQ(r.bands[b].height, heights[b]) << b;
        }
        EXPECT_TRUE(r.bands[1].elements.empty());
        EXPECT_TRUE(r.bands[2].elements.empty());
        ASSERT_EQ(r.bands[0].elements.size(), 1u);
        EXPECT_EQ(r.bands[0].elements[0].text, e.title);
    }
}

TEST_F(LedgerPrintouts, IncomeListOfThreeEntries) {
    fillIncome();
    TRepIn1Form form;
    const std::vector<Page> pages = expectGolden(*form.QuickRep1, u"income_list"_s);
    ASSERT_EQ(pages.size(), 1u);
    const Page& page = pages[0];

    // The title once, three blocks each after its empty detail band, the page number.
    const auto titles = itemsOf(page, PageItem::Kind::ReportTitle);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->text, u"収入の検索結果 一覧表　"_s);
    EXPECT_NEAR(titles[0]->y, 12.7 + 1.06, 0.005);
    EXPECT_NEAR(titles[0]->x + titles[0]->w / 2, kLeft + 181.77 / 2, 0.005) << "centred across the band";
    EXPECT_EQ(titles[0]->font, (mz::report::Font{u"ＭＳ Ｐゴシック"_s, 18, true}));
    const std::vector<double> tops = blockTops(page, u"【収入番号】"_s);
    ASSERT_EQ(tops.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(tops[i], kFirstBlock + 2.12 + i * kIncomeStep, 0.005) << i;
    const auto numbers = itemsOf(page, PageItem::Kind::PageNumber);
    ASSERT_EQ(numbers.size(), 1u);
    EXPECT_EQ(numbers[0]->text, u"Page 1"_s);
    EXPECT_NEAR(numbers[0]->x, kLeft + 88.90, 0.005);
    EXPECT_NEAR(numbers[0]->y, 297 - 12.7 - 5.82 + 1.06, 0.005);
    EXPECT_EQ(numbers[0]->font, (mz::report::Font{u"ＭＳ Ｐゴシック"_s, 10}));

    // Stored order, not date order; the data texts beside their captions.
    QStringList beside;
    for (const PageItem& item : page.items)
        if (std::abs(item.x - kDataX) < 0.005 && item.kind == PageItem::Kind::Field) beside << item.text;
    EXPECT_EQ(beside, (QStringList{u"17"_s, u"2024/05/03"_s, u"山田 太郎"_s, u"結婚祝い"_s, u"花子"_s,
                                   u"￥30,000"_s, u"3"_s, u"2023/11/20"_s, u"Yamada Ken"_s, u"出産祝い"_s,
                                   u"一郎"_s, u"￥10,000"_s, u"25"_s, u"2024/01/15"_s, u"佐藤 花子"_s,
                                   u"香典"_s, u"￥1,234,567"_s}));
    // An empty 家族名 prints nothing beside its caption.
    EXPECT_EQ(textsAt(page, kCaptionX).count(u"【家族名】"_s), 3);
    EXPECT_EQ(textsOf(page, PageItem::Kind::Label).count(u"(円)"_s), 3);

    // Pictures: the placeholder for the first entry, an empty box for the others.
    const auto images = itemsOf(page, PageItem::Kind::Image);
    ASSERT_EQ(images.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(images[i]->x, kLeft + 110.07, 0.005);
        EXPECT_NEAR(images[i]->y, kFirstBlock + 7.14 + i * kIncomeStep, 0.005);
        EXPECT_NEAR(images[i]->w, 57.41, 0.005);
        EXPECT_NEAR(images[i]->h, 40.48, 0.005);
    }
    EXPECT_EQ(images[0]->recno, 1u);
    EXPECT_EQ(images[1]->recno, 0u) << "no picture: an empty box";
    EXPECT_EQ(images[2]->recno, 0u);
    const QImage gray = QImage::fromData(mz::report::picturesOf(*form.MasterTable)(images[0]->recno, images[0]->field));
    ASSERT_FALSE(gray.isNull());
    EXPECT_EQ(QColor(gray.pixel(gray.width() / 2, gray.height() / 2)).saturation(), 0) << "a neutral gray";

    // Goods: the empty memo of the second entry prints nothing; the long one is wrapped inside
    // its box and cut at the foot of its block.
    const auto memos = itemsOf(page, PageItem::Kind::Memo);
    ASSERT_GE(memos.size(), 3u);
    EXPECT_EQ(memos[0]->text, u"タオルセット 2 箱"_s);
    EXPECT_NEAR(memos[0]->y, kFirstBlock + 32.28, 0.005);
    for (size_t i = 1; i < memos.size(); ++i) {
        EXPECT_GE(memos[i]->y, kFirstBlock + 2 * kIncomeStep + 32.28 - 0.005) << "nothing for the empty memo";
        EXPECT_NEAR(memos[i]->x, kDataX, 0.005);
        EXPECT_LE(memos[i]->x + memos[i]->w, kLeft + 110.07) << "the goods stay left of the picture";
        EXPECT_LE(memos[i]->y + memos[i]->h, kFirstBlock + 2 * kIncomeStep + 48.95 + 0.005);
    }
    EXPECT_GE(memos.size(), 4u) << "the long text wraps";
    EXPECT_EQ(textsAt(page, kLeft + 7.41), (QStringList{u"(備考)"_s, u"(備考)"_s, u"(備考)"_s}));
}

TEST_F(LedgerPrintouts, ExpenditureListHasNoFamilyRow) {
    fillExpenditure();
    TRepOut1Form form;
    const std::vector<Page> pages = expectGolden(*form.QuickRep1, u"expenditure_list"_s);
    ASSERT_EQ(pages.size(), 1u);
    const Page& page = pages[0];
    EXPECT_EQ(textsOf(page, PageItem::Kind::ReportTitle), QStringList{u"支出の検索結果 一覧表　"_s});
    EXPECT_FALSE(textsOf(page, PageItem::Kind::Label).contains(u"【家族名】"_s));
    // Rows of the second block, which starts one detail band and one 49.74 mm block lower.
    const double block2 = kFirstBlock + 1.32 + 49.74;
    QStringList captions;
    for (const PageItem& item : page.items)
        if (std::abs(item.x - kCaptionX) < 0.005 && item.y > block2) captions << u"%1@%2"_s.arg(item.text).arg(item.y - block2, 0, 'f', 2);
    EXPECT_EQ(captions, (QStringList{u"【支出番号】@2.12"_s, u"【支出日】@7.41"_s, u"【相手先】@12.70"_s,
                                     u"【目　的】@17.99"_s, u"【金　額】@23.28"_s, u"【物　品】@28.57"_s}));
    EXPECT_EQ(textsOf(page, PageItem::Kind::PageNumber), QStringList{u"Page 1"_s});
}

TEST_F(LedgerPrintouts, SingleEntryPrintsExactlyTheOneEntry) {
    fillIncome();
    fillExpenditure();
    TRepIn2Form in2;
    in2.MasterTable->setFiltered(true);
    in2.MasterTable->setFilter(u"収入番号= 17"_s);
    std::vector<Page> pages = expectGolden(*in2.QuickRep1, u"income_entry"_s);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::ReportTitle), QStringList{u"収入の検索結果 (個別情報)　"_s});
    EXPECT_EQ(blockTops(pages[0], u"【収入番号】"_s), std::vector<double>{12.7 + 8.73 + 1.32 + 13.23 + 2.12});
    EXPECT_TRUE(textsOf(pages[0], PageItem::Kind::Field).contains(u"山田 太郎"_s));
    EXPECT_FALSE(textsOf(pages[0], PageItem::Kind::Field).contains(u"佐藤 花子"_s));
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::PageNumber), QStringList{u"Page 1"_s});

    TRepOut2Form out2;
    out2.MasterTable->setFiltered(true);
    out2.MasterTable->setFilter(u"支出番号= 9"_s);
    pages = expectGolden(*out2.QuickRep1, u"expenditure_entry"_s);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::ReportTitle), QStringList{u"支出の検索結果 (個別情報)　"_s});
    EXPECT_EQ(blockTops(pages[0], u"【支出番号】"_s).size(), 1u);
    EXPECT_TRUE(textsOf(pages[0], PageItem::Kind::Field).contains(u"高橋 由美"_s));
    EXPECT_EQ(itemsOf(pages[0], PageItem::Kind::Image).front()->recno, 0u);

    // The filter stays until the next caller replaces it; an entry that is gone gives a page
    // with title and page number only.
    out2.MasterTable->setFilter(u"支出番号= 99999999"_s);
    pages = out2.QuickRep1->Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(mz::test::pageTexts(pages)[0], (QStringList{u"支出の検索結果 (個別情報)　"_s, u"Page 1"_s}));
}

TEST_F(LedgerPrintouts, FilterComparesLettersWithCaseUnlikeTheGrid) {
    fillIncome();
    const QString filter = u"氏名= 'yamada*'"_s;
    // The management window's grid compares without regard to case and finds the entry.
    mz::data::Cursor grid;
    grid.open(u"Indata.DBF"_s);
    grid.setIndexFieldNames(u"収入日"_s);
    grid.setCaseInsensitive(true);
    grid.setFiltered(true);
    grid.setFilter(filter);
    EXPECT_EQ(grid.recordCount(), 1);

    // The printout keeps the engine's default, case-sensitive comparison: no entry.
    TRepIn1Form form;
    form.MasterTable->setFiltered(true);
    form.MasterTable->setFilter(filter);
    std::vector<Page> pages = form.QuickRep1->Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(mz::test::pageTexts(pages)[0], (QStringList{u"収入の検索結果 一覧表　"_s, u"Page 1"_s}));

    // With the letters as stored it lists the entry.
    form.MasterTable->setFilter(u"氏名= 'Yamada*'"_s);
    pages = form.QuickRep1->Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(blockTops(pages[0], u"【収入番号】"_s).size(), 1u);
    EXPECT_TRUE(textsOf(pages[0], PageItem::Kind::Field).contains(u"Yamada Ken"_s));
}

TEST_F(LedgerPrintouts, ListsTakeFiveEntriesAPageWithTheFooterOnEach) {
    {
        mz::data::Cursor in, out;
        in.open(u"Indata.DBF"_s);
        out.open(u"Outdata.DBF"_s);
        for (int i = 1; i <= 12; ++i) {
            addEntry(in, true, {i, QDate(2024, 1, i), u"山田 太郎"_s, u"お祝い"_s, {}, 1000.0 * i, {}, {}});
            addEntry(out, false, {i, QDate(2024, 1, i), u"山田 太郎"_s, u"お返し"_s, {}, 500.0 * i, {}, {}});
        }
    }
    TRepIn1Form in1;
    TRepOut1Form out1;
    TRepIn2Form in2;
    struct Case {
        TQuickRep* rep;
        QString numberCaption;
        std::vector<size_t> perPage;
    };
    // Expenditure blocks are 0.79 mm taller; five of them still fit on the first page
    // (10.05 + 5 x 51.06 = 265.35 of 265.78 mm above the footer).
    const Case cases[] = {{in1.QuickRep1, u"【収入番号】"_s, {5, 5, 2}},
                          {out1.QuickRep1, u"【支出番号】"_s, {5, 5, 2}},
                          {in2.QuickRep1, u"【収入番号】"_s, std::vector<size_t>(12, 1)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rep->Report.name.toStdString());
        const std::vector<Page> pages = c.rep->Prepare();
        ASSERT_EQ(pages.size(), c.perPage.size());
        for (size_t p = 0; p < pages.size(); ++p) {
            EXPECT_EQ(blockTops(pages[p], c.numberCaption).size(), c.perPage[p]) << p;
            EXPECT_EQ(itemsOf(pages[p], PageItem::Kind::ReportTitle).size(), p == 0 ? 1u : 0u) << p;
            EXPECT_EQ(textsOf(pages[p], PageItem::Kind::PageNumber), QStringList{u"Page %1"_s.arg(p + 1)});
            for (const PageItem& item : pages[p].items)
                if (item.kind != PageItem::Kind::PageNumber) {
                    EXPECT_LE(item.y + item.h, 297 - 12.7 - 5.82 + 0.005);
                }
        }
        // Later pages begin with the column header: the first block sits 1.32 + detail lower.
        if (pages.size() > 1) {
            const double detail = c.rep->Report.bands[2].height;
            EXPECT_NEAR(blockTops(pages[1], c.numberCaption).front(), 12.7 + 1.32 + detail + 2.12, 0.005);
        }
    }
}

TEST_F(LedgerPrintouts, PrintingSendsEveryPageOnce) {
    {
        mz::data::Cursor in;
        in.open(u"Indata.DBF"_s);
        for (int i = 1; i <= 6; ++i)
            addEntry(in, true, {i, QDate(2024, 1, i), u"山田 太郎"_s, u"お祝い"_s, {}, 1000.0 * i, {}, {}});
    }
    QTemporaryDir out;
    const QString path = out.filePath(u"printer.pdf"_s);
    const mz::report::PrinterChooser previous = mz::report::setPrinterChooser([&](QPrinter& p) {
        p.setOutputFileName(path);  // the printer's output goes to a file
        p.setFromTo(1, 1);          // the range stored with the printout must not limit the job
        p.setCopyCount(2);
        p.setDuplex(QPrinter::DuplexLongSide);
        return true;
    });
    {
        mz::platform::Recorder rec;
        TRepIn1Form form;
        form.QuickRep1->Print();
        EXPECT_TRUE(rec.dialogs().isEmpty());
    }
    mz::report::setPrinterChooser(previous);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), "%PDF-");
    const int count = pdfPages(path);
    if (count >= 0) {
        EXPECT_EQ(count, 2);
    }
}
