// Laying reports out over a cursor: pages, bands, elements, texts, pictures. Layouts are
// compared as text dumps (one line per item: page, kind, x y w h in mm, font, text).
#include "incomelayout.h"

#include "data/cursor.h"
#include "report/report.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace mz::report;
using mz::test::addIncome;
using mz::test::incomeListReport;

namespace {

// Text for comparing: the golden file holds the dump of this layout.
QString golden(const QString& name, const QString& actual) {
    const QString path = mz::test::sourcePath(u"tests/data/report/"_s + name);
    QFile file(path);
    if (qEnvironmentVariableIsSet("MIZOREL_UPDATE_GOLDEN")) {
        if (file.open(QIODevice::WriteOnly)) file.write(actual.toUtf8());
        return actual;
    }
    if (!file.open(QIODevice::ReadOnly)) return u"(missing golden file %1)"_s.arg(path);
    return QString::fromUtf8(file.readAll());
}

std::vector<const PageItem*> itemsOf(const Page& page, PageItem::Kind kind) {
    std::vector<const PageItem*> out;
    for (const PageItem& item : page.items)
        if (item.kind == kind) out.push_back(&item);
    return out;
}

QStringList textsOf(const Page& page, PageItem::Kind kind) {
    QStringList out;
    for (const PageItem* item : itemsOf(page, kind)) out << item->text;
    return out;
}

class ReportLayout : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        income_.open(u"Indata.DBF"_s);
    }
    void TearDown() override {
        income_.close();
        QDir::setCurrent(previous_);
    }

    mz::test::DataDir dir_;
    QString previous_;
    mz::data::Cursor income_;
};

// A report of one band kind at a time: a detail band of the given height with a number field.
Report detailReport(double detailHeight) {
    Report r;
    r.margins = {10, 10, 10, 10};
    Band detail{BandKind::Detail, detailHeight, {mz::test::field(0, 0, u"収入番号"_s)}, {}};
    r.bands.push_back(detail);
    Element page;
    page.kind = ElementKind::PageNumber;
    page.text = u"Page"_s;
    r.bands.push_back({BandKind::PageFooter, 5, {page}, {}});
    return r;
}

}  // namespace

TEST_F(ReportLayout, ThreeRecordsMatchTheGoldenLayout) {
    addIncome(income_, 1, 3);
    const std::vector<Page> pages = run(incomeListReport(), income_);
    ASSERT_EQ(pages.size(), 1u);
    const QString text = dump(pages);
    EXPECT_EQ(text, golden(u"income3.txt"_s, text));
    // Title once, three blocks of 1.32 + 48.95 mm below title and header, page number.
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::ReportTitle),
              QStringList{u"収入の検索結果 一覧表　"_s});
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::PageNumber), QStringList{u"Page 1"_s});
    const QStringList amounts = [&] {
        QStringList out;
        for (const PageItem* item : itemsOf(pages[0], PageItem::Kind::Field))
            if (item->text.startsWith(u"￥"_s)) out << item->text;
        return out;
    }();
    EXPECT_EQ(amounts, (QStringList{u"￥20,000"_s, u"￥30,000"_s, u"￥40,000"_s}));
    const auto numbers = [&] {
        std::vector<double> ys;
        for (const PageItem* item : itemsOf(pages[0], PageItem::Kind::Label))
            if (item->text == u"【収入番号】"_s) ys.push_back(item->y);
        return ys;
    }();
    ASSERT_EQ(numbers.size(), 3u);
    const double first = 12.7 + 16.0 + 5.29 + 1.32 + 2.12;
    EXPECT_NEAR(numbers[0], first, 1e-9);
    EXPECT_NEAR(numbers[1], first + 50.27, 1e-9);
    EXPECT_NEAR(numbers[2], first + 2 * 50.27, 1e-9);
}

TEST_F(ReportLayout, NoRecordStillGivesOnePageWithTitleAndFooter) {
    const Report r = incomeListReport();
    const std::vector<Page> pages = run(r, income_);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::ReportTitle).size(), 1);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::PageNumber), QStringList{u"Page 1"_s});
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::Label),
              (QStringList{u"収入番号・日付・相手先"_s, u"写真"_s, u"収入の記録"_s}));
    EXPECT_TRUE(itemsOf(pages[0], PageItem::Kind::Field).empty());
    // The footer stands at the foot of the page, not below the header.
    EXPECT_NEAR(itemsOf(pages[0], PageItem::Kind::PageNumber)[0]->y, 297 - 12.7 - 5.82 + 1.06,
                1e-9);

    Report silent = r;
    silent.printIfEmpty = false;
    EXPECT_TRUE(run(silent, income_).empty());
}

TEST_F(ReportLayout, ManyRecordsSpillOverPagesWithHeaderAndFooterOnEach) {
    addIncome(income_, 1, 40);
    const std::vector<Page> pages = run(incomeListReport(), income_);
    // Four blocks fit under the title on page 1, five on each later page: 4 + 7 × 5 = 39.
    ASSERT_EQ(pages.size(), 9u);
    const double bodyBottom = 297 - 12.7 - 5.82;
    QStringList numbers;
    for (const Page& page : pages) {
        SCOPED_TRACE(page.number);
        EXPECT_EQ(textsOf(page, PageItem::Kind::ReportTitle).size(), page.number == 1 ? 1 : 0);
        EXPECT_EQ(textsOf(page, PageItem::Kind::Label).count(u"収入の記録"_s), 1);
        EXPECT_EQ(textsOf(page, PageItem::Kind::PageNumber),
                  QStringList{u"Page %1"_s.arg(page.number)});
        for (const PageItem& item : page.items) {
            if (item.kind == PageItem::Kind::PageNumber) continue;
            EXPECT_LE(item.y + item.h, bodyBottom + 1e-9) << item.text.toStdString();
        }
        int blocks = 0;
        for (const PageItem& item : page.items) {
            if (item.kind == PageItem::Kind::Label && item.text == u"【収入番号】"_s) ++blocks;
            // The number field is the item right after its label, at 27.52 mm into the band.
            if (item.kind == PageItem::Kind::Field && std::abs(item.x - (15.7 + 27.52)) < 1e-9 &&
                !item.text.contains(u'/') && !item.text.startsWith(u"￥"_s) &&
                item.text[0].isDigit())
                numbers << item.text;
        }
        EXPECT_EQ(blocks, page.number == 1 ? 4 : page.number == 9 ? 1 : 5);
        // The header opens every page after the first at the top margin.
        if (page.number > 1) {
            const auto labels = itemsOf(page, PageItem::Kind::Label);
            ASSERT_FALSE(labels.empty());
            EXPECT_EQ(labels[0]->text, u"収入の記録"_s);
            EXPECT_NEAR(labels[0]->y, 12.7 + 0.5, 1e-9);
        }
    }
    QStringList expected;
    for (int i = 1; i <= 40; ++i) expected << QString::number(i);
    EXPECT_EQ(numbers, expected);  // every record once, in stored order
}

TEST_F(ReportLayout, FollowsTheCursorsFilterAndLeavesItWhereItWas) {
    addIncome(income_, 1, 12);
    income_.setFiltered(true);
    income_.setFilter(u"氏名 = '佐藤 花子'"_s);
    ASSERT_EQ(income_.recordCount(), 3);
    income_.last();
    const quint32 before = income_.recno();
    const std::vector<Page> pages = run(incomeListReport(), income_);
    EXPECT_EQ(income_.recno(), before);
    QStringList names;
    for (const Page& page : pages)
        for (const PageItem* item : itemsOf(page, PageItem::Kind::Field))
            if (item->text.contains(u' ') && !item->text.contains(u"タオル"_s)) names << item->text;
    EXPECT_EQ(names, (QStringList{u"佐藤 花子"_s, u"佐藤 花子"_s, u"佐藤 花子"_s}));
}

TEST_F(ReportLayout, AFieldTheTableLacksIsAnEngineError) {
    Report r = detailReport(10);
    r.bands[0].elements.push_back(mz::test::field(0, 5, u"電話"_s));
    addIncome(income_, 1, 1);
    EXPECT_THROW(run(r, income_), mz::data::EngineError);
}

TEST_F(ReportLayout, ABandThatDoesNotFitStartsTheNextPage) {
    addIncome(income_, 1, 5);
    // 297 - 20 margins - 5 footer = 272 mm: two bands of 120 mm per page.
    std::vector<Page> pages = run(detailReport(120), income_);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::Field), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(textsOf(pages[1], PageItem::Kind::Field), (QStringList{u"3"_s, u"4"_s}));
    EXPECT_EQ(textsOf(pages[2], PageItem::Kind::Field), QStringList{u"5"_s});
    EXPECT_NEAR(itemsOf(pages[1], PageItem::Kind::Field)[0]->y, 10, 1e-9);
    EXPECT_EQ(textsOf(pages[2], PageItem::Kind::PageNumber), QStringList{u"Page3"_s});

    // A band taller than a whole page gets a page of its own and is cut at the footer; the
    // layout still ends.
    Report tall = detailReport(400);
    tall.bands[0].elements.push_back(mz::test::field(0, 300, u"氏名"_s));
    pages = run(tall, income_);
    ASSERT_EQ(pages.size(), 5u);
    for (const Page& page : pages) EXPECT_EQ(textsOf(page, PageItem::Kind::Field).size(), 2);

    // A detail band and its child stay together when the child would not fit.
    Report group = detailReport(100);
    group.bands.insert(group.bands.begin() + 1,
                       Band{BandKind::Child, 100, {mz::test::field(0, 0, u"氏名"_s)}, {}});
    pages = run(group, income_);
    ASSERT_EQ(pages.size(), 5u);
    for (const Page& page : pages)
        EXPECT_EQ(textsOf(page, PageItem::Kind::Field).size(), 2) << page.number;

    // Without a footer on the last page, the last page has none.
    Report noLastFooter = detailReport(120);
    noLastFooter.footerOnLastPage = false;
    pages = run(noLastFooter, income_);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(textsOf(pages[1], PageItem::Kind::PageNumber), QStringList{u"Page2"_s});
    EXPECT_TRUE(textsOf(pages[2], PageItem::Kind::PageNumber).isEmpty());
}

TEST_F(ReportLayout, MemoWrapsAtBlanksAndIsCutAtItsBox) {
    Report r;
    r.margins = {10, 10, 10, 10};
    Element memo;
    memo.kind = ElementKind::Memo;
    memo.x = 5;
    memo.y = 0;
    memo.w = 40;  // about 11 full-width or 22 half-width characters at 10 pt
    memo.h = 12;  // three lines of 10 pt
    memo.field = u"物品"_s;
    r.bands.push_back({BandKind::Detail, 30, {memo}, {}});

    const auto memoLines = [&](const QString& text) {
        income_.append();
        income_.setValue(u"物品"_s, text);
        income_.post();
        const std::vector<Page> pages = run(r, income_);
        QStringList lines;
        for (const Page& page : pages)
            for (const PageItem* item : itemsOf(page, PageItem::Kind::Memo)) {
                EXPECT_NEAR(item->x, 15, 1e-9);
                EXPECT_NEAR(item->w, 40, 1e-9);
                EXPECT_LE(item->y + item->h, 10 + 12 + 1e-9);
                lines << item->text;
            }
        income_.last();
        income_.remove();
        return lines;
    };

    // Words move to the next line whole; the blanks at a break are dropped.
    EXPECT_EQ(memoLines(u"alpha beta gamma delta epsilon"_s),
              (QStringList{u"alpha beta gamma delta"_s, u"epsilon"_s}));
    // Full-width blanks break lines too.
    EXPECT_EQ(memoLines(u"タオルセット　お菓子詰め合わせ"_s),
              (QStringList{u"タオルセット"_s, u"お菓子詰め合わせ"_s}));
    // A word wider than the box is broken between characters.
    const QStringList broken = memoLines(u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮ"_s);
    ASSERT_EQ(broken.size(), 2);
    EXPECT_EQ(broken.join(QString()), u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮ"_s);
    // Line breaks are kept; lines below the box are left out.
    EXPECT_EQ(memoLines(u"one\r\ntwo\r\nthree\r\nfour\r\nfive"_s),
              (QStringList{u"one"_s, u"two"_s, u"three"_s}));
    // An empty memo draws nothing.
    EXPECT_TRUE(memoLines(QString()).isEmpty());

    // Characters outside the basic plane (in labels; the tables cannot hold them) are never
    // split in two.
    {
        Report labels = r;
        const QString rare = QString(u"𠮷"_s).repeated(14);
        Element wide = mz::test::label(5, 0, rare);
        wide.w = 40;
        labels.bands[0].elements = {wide};
        income_.append();
        income_.post();
        const std::vector<Page> pages = run(labels, income_);
        const QStringList lines = textsOf(pages.at(0), PageItem::Kind::Label);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines.join(QString()), rare);
        EXPECT_EQ(lines[0].size() % 2, 0);
        income_.remove();
    }
    // A box reaching below its band is cut at the band: the next record's block stays clean.
    r.bands[0].height = 8;
    EXPECT_EQ(memoLines(u"one\ntwo\nthree"_s), (QStringList{u"one"_s, u"two"_s}));
}

TEST_F(ReportLayout, PicturesAreReferencedAndDrawnStretchedIntoTheirBox) {
    addIncome(income_, 3, 2);  // number 3 without a picture, number 4 with a red one
    Report r;
    r.margins = {0, 0, 0, 0};
    Element image;
    image.kind = ElementKind::Image;
    image.x = 10;
    image.y = 10;
    image.w = 50;
    image.h = 30;
    image.field = u"写真"_s;
    r.bands.push_back({BandKind::Detail, 148, {image}, {}});
    const std::vector<Page> pages = run(r, income_);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(dump(pages),
              u"1 image 10.00 10.00 50.00 30.00 [-] (none)\n"
              u"1 image 10.00 158.00 50.00 30.00 [-] picture of record 2\n"_s);

    // Drawn at 1 px/mm: the empty box stays white, the picture fills its whole box.
    QImage page(210, 297, QImage::Format_RGB32);
    page.setDotsPerMeterX(1000);
    page.setDotsPerMeterY(1000);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        paint(pages[0], painter, picturesOf(income_));
    }
    EXPECT_EQ(page.pixel(35, 25), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(11, 159), qRgb(200, 40, 40));
    EXPECT_EQ(page.pixel(58, 186), qRgb(200, 40, 40));
    EXPECT_EQ(page.pixel(62, 173), qRgb(255, 255, 255));

    // Damaged picture bytes are left out without harm.
    const PictureLoader broken = [](quint32, int) { return QByteArray("BMnot a picture"); };
    QPainter painter(&page);
    paint(pages[0], painter, broken);
}

TEST(ReportDisplayText, NumbersDatesAndCurrencyDoNotDependOnTheLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(displayText(30000.0, Format::Currency), u"￥30,000"_s);
    EXPECT_EQ(displayText(1234567.6, Format::Currency), u"￥1,234,568"_s);
    EXPECT_EQ(displayText(999.0, Format::Currency), u"￥999"_s);
    EXPECT_EQ(displayText(0.0, Format::Currency), u"￥0"_s);
    EXPECT_EQ(displayText(-1500.0, Format::Currency), u"-￥1,500"_s);
    EXPECT_EQ(displayText(-0.2, Format::Currency), u"￥0"_s);
    EXPECT_EQ(displayText(1e15, Format::Currency), u"￥1,000,000,000,000,000"_s);
    EXPECT_EQ(displayText(3.0), u"3"_s);
    EXPECT_EQ(displayText(401.0), u"401"_s);
    EXPECT_EQ(displayText(30000.0), u"30000"_s);
    EXPECT_EQ(displayText(12.5), u"12.5"_s);
    EXPECT_EQ(displayText(-0.0), u"0"_s);
    EXPECT_EQ(displayText(1e15), u"1000000000000000"_s);
    EXPECT_EQ(displayText(std::numeric_limits<double>::quiet_NaN()), QString());
    EXPECT_EQ(displayText(std::numeric_limits<double>::infinity(), Format::Currency), QString());
    EXPECT_EQ(displayText(QDate(2024, 3, 5)), u"2024/03/05"_s);
    EXPECT_EQ(displayText(QDate(987, 12, 31)), u"0987/12/31"_s);
    EXPECT_EQ(displayText(QDate()), QString());
    EXPECT_EQ(displayText(u"山田 太郎"_s, Format::Currency), u"山田 太郎"_s);
    EXPECT_EQ(displayText(mz::data::Value{}), QString());
    EXPECT_EQ(displayText(QByteArray("BM")), QString());
    QLocale::setDefault(previous);
}

TEST_F(ReportLayout, CentredTextsAndFieldsOfEveryKind) {
    addIncome(income_, 1, 1);
    Report r;
    r.margins = {10, 10, 20, 10};
    r.bandWidth = 170;
    r.title = u"（全件）"_s;
    Element title;
    title.kind = ElementKind::ReportTitle;
    title.text = u"家 族 一 覧 表     "_s;
    title.y = 1.06;
    title.align = Align::Centre;
    title.font = mz::test::pGothic(18, true);
    Element boxed = mz::test::field(10, 12, u"収入日"_s);
    boxed.w = 60;
    boxed.align = Align::Centre;
    boxed.frame = true;
    Element empty = mz::test::field(10, 18, u"物品"_s);  // empty: nothing at all
    r.bands.push_back({BandKind::Title, 25, {title, boxed, empty}, {}});
    const std::vector<Page> pages = run(r, income_);
    ASSERT_EQ(pages.size(), 1u);
    const auto titles = itemsOf(pages[0], PageItem::Kind::ReportTitle);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->text, u"家 族 一 覧 表     （全件）"_s);
    EXPECT_GT(titles[0]->w, 20);
    EXPECT_NEAR(titles[0]->x - 20, 170 - (titles[0]->x - 20 + titles[0]->w), 1e-9);
    EXPECT_EQ(titles[0]->align, Align::Centre);
    EXPECT_TRUE(titles[0]->font.bold);

    const auto fields = itemsOf(pages[0], PageItem::Kind::Field);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0]->text, u"2024/01/08"_s);
    EXPECT_NEAR(fields[0]->x, 30, 1e-9);
    EXPECT_NEAR(fields[0]->w, 60, 1e-9);
    const auto frames = itemsOf(pages[0], PageItem::Kind::Frame);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_NEAR(frames[0]->w, 60, 1e-9);
    EXPECT_TRUE(dump(pages).contains(u"field:centre 30.00 "_s));
}

TEST_F(ReportLayout, AutoSizedTextWrapsAtTheBandsRightEdge) {
    income_.append();
    income_.setValue(u"物品"_s, u"ひとつめの品物 ふたつめの品物 みっつめの品物"_s);
    income_.post();
    Report r;
    r.margins = {10, 10, 10, 10};
    r.bandWidth = 100;
    r.bands.push_back({BandKind::Detail, 30, {mz::test::field(60, 0, u"物品"_s)}, {}});
    const std::vector<Page> pages = run(r, income_);
    const QStringList lines = textsOf(pages.at(0), PageItem::Kind::Field);
    EXPECT_EQ(lines, (QStringList{u"ひとつめの品物"_s, u"ふたつめの品物"_s, u"みっつめの品物"_s}));
    for (const PageItem* item : itemsOf(pages[0], PageItem::Kind::Field))
        EXPECT_LE(item->x + item->w, 10 + 100 + 1e-9);
}

TEST_F(ReportLayout, NonsenseMeasuresDoNotBreakTheLayout) {
    addIncome(income_, 1, 3);
    Report r = detailReport(std::numeric_limits<double>::quiet_NaN());
    r.margins.top = -50;
    r.bands[0].elements[0].x = std::numeric_limits<double>::infinity();
    r.bands.push_back({BandKind::Child, -10, {}, {}});
    const std::vector<Page> pages = run(r, income_);
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_FALSE(dump(pages).contains(u"nan"_s));
}
