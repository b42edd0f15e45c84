// The printouts of the address book (one person, everybody), the purposes and the family
// members. Layouts are compared with golden dumps; the cases below check page breaks, order,
// empty tables and that the lists always hold the whole table.
#include "printouttest.h"

#include "data/cursor.h"
#include "platform/modal.h"
#include "platform/recorder.h"
#include "printouts/printoutforms.h"
#include "report/TReportPreview.h"
#include "report/quickrep.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;
using mz::report::BandKind;
using mz::report::Font;
using mz::report::Page;
using mz::report::PageItem;
using mz::test::expectGolden;
using mz::test::itemsOf;
using mz::test::pageTexts;
using mz::test::textsAt;
using mz::test::textsOf;

namespace {

struct Person {
    int code;
    QString name, kana, zip, address1, address2, home, mobile, fax, email;
    bool head;
    QString memo;
};

void addPerson(mz::data::Cursor& c, const Person& p) {
    c.append();
    c.setValue(u"相手先コード"_s, double(p.code));
    const std::pair<const char16_t*, const QString*> texts[] = {
        {u"氏名", &p.name},     {u"フリガナ", &p.kana},  {u"〒", &p.zip},       {u"住所1", &p.address1},
        {u"住所2", &p.address2}, {u"自宅電話", &p.home}, {u"携帯電話", &p.mobile}, {u"ＦＡＸ", &p.fax},
        {u"Email", &p.email},   {u"メモ", &p.memo}};
    for (const auto& [field, value] : texts)
        if (!value->isEmpty()) c.setValue(QString::fromUtf16(field), *value);
    c.setValue(u"世帯代表"_s, p.head);
    c.post();
}

// Seven people of four households, appended out of code order; 301 has nothing but a name.
void fillAddressBook() {
    mz::data::Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    addPerson(c, {201, u"鈴木 一郎"_s, u"ｽｽﾞｷ ｲﾁﾛｳ"_s, u"530-0001"_s, u"大阪府大阪市北区梅田 1-2-3"_s,
                  u"梅田ハイツ 502"_s, u"06-1234-5678"_s, u"090-1111-2222"_s, u"06-1234-5679"_s,
                  u"ichiro.suzuki@example.jp"_s, true,
                  u"妻 の 実家 は 京都。 年賀状 は 毎年 元旦 に 届く。 お中元 と お歳暮 は 欠かさない こと。"
                  u"\r\n子供 が 二人 (長男 は 来春 に 大学 を 卒業、 長女 は 高校 二年生)。"
                  u" 連絡 は 携帯 に。 記念日 一 記念日 二 記念日 三 記念日 四 記念日 五 記念日 六"
                  u" 記念日 七 記念日 八 記念日 九 記念日 十 記念日 十一 記念日 十二 記念日 十三"_s});
    addPerson(c, {101, u"山田 太郎"_s, u"ﾔﾏﾀﾞ ﾀﾛｳ"_s, u"100-0001"_s, u"東京都千代田区千代田 1-1"_s, {},
                  u"03-1234-5678"_s, {}, {}, u"taro@example.jp"_s, true, u"会社 の 上司"_s});
    addPerson(c, {301, u"高橋 由美"_s, u"ﾀｶﾊｼ ﾕﾐ"_s, {}, {}, {}, {}, {}, {}, {}, true, {}});
    addPerson(c, {102, u"山田 花子"_s, u"ﾔﾏﾀﾞ ﾊﾅｺ"_s, u"100-0001"_s, u"東京都千代田区千代田 1-1"_s, {},
                  u"03-1234-5678"_s, u"080-3333-4444"_s, {}, {}, false, {}});
    addPerson(c, {202, u"鈴木 次郎"_s, u"ｽｽﾞｷ ｼﾞﾛｳ"_s, {}, {}, {}, {}, {}, {}, {}, false, {}});
    addPerson(c, {401, u"Smith John"_s, u"ｽﾐｽ ｼﾞｮﾝ"_s, {}, u"1 Main Street"_s, u"Springfield"_s, {}, {}, {},
                  u"john@example.com"_s, true, u"英語 で 連絡"_s});
    addPerson(c, {103, u"山田 一郎"_s, u"ﾔﾏﾀﾞ ｲﾁﾛｳ"_s, {}, {}, {}, {}, {}, {}, {}, false, {}});
}

void addPurpose(mz::data::Cursor& c, int code, const QString& name, const QString& category,
                std::optional<int> number) {
    c.append();
    c.setValue(u"目的コード"_s, double(code));
    c.setValue(u"目的"_s, name);
    c.setValue(u"目的区分"_s, category);
    if (number) c.setValue(u"区分番号"_s, double(*number));
    c.post();
}

void addFamily(mz::data::Cursor& c, int code, const QString& name) {
    c.append();
    c.setValue(u"家族コード"_s, double(code));
    if (!name.isEmpty()) c.setValue(u"家族名"_s, name);
    c.post();
}

// The texts of the data fields at the left edge x of a page, in page order.
QStringList fieldsAt(const Page& page, double x) {
    QStringList out;
    for (const PageItem& item : page.items)
        if (item.kind == PageItem::Kind::Field && std::abs(item.x - x) < 0.005) out << item.text;
    return out;
}

// Checks the page set-up and bands of a report against the expected heights.
void expectBands(const mz::report::Report& r, const std::vector<std::pair<BandKind, double>>& bands) {
    ASSERT_EQ(r.bands.size(), bands.size());
    for (size_t b = 0; b < bands.size(); ++b) {
        EXPECT_EQ(r.bands[b].kind, bands[b].first) << b;
        EXPECT_DOUBLE_EQ(r.bands[b].height, bands[b].second) << b;
    }
    EXPECT_EQ(r.paper, QPageSize::A4);
    EXPECT_EQ(r.orientation, QPageLayout::Portrait);
    EXPECT_TRUE(r.printIfEmpty);
    EXPECT_TRUE(r.footerOnLastPage);
    EXPECT_TRUE(r.title.isEmpty());
}

constexpr double kLeft = 15.7;  // left margin of all but the purpose list

class AddressBookPrintouts : public mz::test::PrintoutTest {};
class PurposeAndFamilyPrintouts : public mz::test::PrintoutTest {};

}  // namespace

TEST_F(AddressBookPrintouts, FormsHoldTheirTablesAndPageSetUp) {
    TRepAite1Form one;
    TRepAite2Form all;
    EXPECT_EQ(one.windowTitle(), u"相手先情報の印刷"_s);
    EXPECT_EQ(all.windowTitle(), u"相手先情報の全印刷"_s);
    EXPECT_TRUE(one.MasterTable->filtered());
    EXPECT_TRUE(one.MasterTable->indexName().isEmpty());
    EXPECT_TRUE(all.MasterTable->filtered());
    EXPECT_TRUE(all.MasterTable->filter().isEmpty());
    EXPECT_EQ(all.MasterTable->indexName(), u"相手先コード"_s);
    for (const mz::printouts::PrintoutForm* f : {static_cast<mz::printouts::PrintoutForm*>(&one),
                                                 static_cast<mz::printouts::PrintoutForm*>(&all)}) {
        const mz::report::Report& r = f->QuickRep1->Report;
        EXPECT_EQ(f->QuickRep1->DataSet.data(), f->cursor());
        EXPECT_EQ(f->cursor()->objectName(), u"MasterTable"_s);
        EXPECT_DOUBLE_EQ(r.margins.top, 12.7);
        EXPECT_DOUBLE_EQ(r.margins.bottom, 12.7);
        EXPECT_DOUBLE_EQ(r.margins.left, 15.7);
        EXPECT_DOUBLE_EQ(r.margins.right, 12.7);
        EXPECT_DOUBLE_EQ(r.effectiveBandWidth(), 181.77);
        EXPECT_EQ(r.font, (Font{u"ＭＳ ゴシック"_s, 10}));
    }
    expectBands(one.QuickRep1->Report, {{BandKind::Title, 10.58}, {BandKind::ColumnHeader, 2.38},
                                        {BandKind::Detail, 251.35}, {BandKind::PageFooter, 6.35}});
    expectBands(all.QuickRep1->Report, {{BandKind::Title, 8.73}, {BandKind::ColumnHeader, 1.32},
                                        {BandKind::Detail, 1.32}, {BandKind::Child, 48.95},
                                        {BandKind::PageFooter, 5.82}});
}

TEST_F(AddressBookPrintouts, OnePersonOnItsPage) {
    fillAddressBook();
    TRepAite1Form form;
    form.MasterTable->setFiltered(true);
    form.MasterTable->setFilter(u"相手先コード= 201"_s);
    const std::vector<Page> pages = expectGolden(*form.QuickRep1, u"counterpart"_s);
    ASSERT_EQ(pages.size(), 1u);
    const Page& page = pages[0];
    const auto titles = itemsOf(page, PageItem::Kind::ReportTitle);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->text, u"相手先詳細情報　"_s);
    EXPECT_NEAR(titles[0]->x + titles[0]->w / 2, kLeft + 181.77 / 2, 0.005);
    EXPECT_EQ(titles[0]->font, (Font{u"ＭＳ Ｐゴシック"_s, 18, true}));
    const double detail = 12.7 + 10.58 + 2.38;
    EXPECT_EQ(textsAt(page, kLeft + 2.12),
              (QStringList{u"【相手先コード】"_s, u"【氏　　名】"_s, u"【フリガナ】"_s, u"【住　　所】"_s,
                           u"【自宅電話】"_s, u"【携帯電話】"_s, u"【ＦＡＸ】"_s, u"【E-mail】"_s, u"【メ　モ】"_s}));
    EXPECT_EQ(fieldsAt(page, kLeft + 33.87),
              (QStringList{u"201"_s, u"鈴木 一郎"_s, u"ｽｽﾞｷ ｲﾁﾛｳ"_s, u"大阪府大阪市北区梅田 1-2-3"_s,
                           u"梅田ハイツ 502"_s, u"06-1234-5678"_s, u"090-1111-2222"_s, u"06-1234-5679"_s,
                           u"ichiro.suzuki@example.jp"_s}));
    EXPECT_EQ(fieldsAt(page, kLeft + 38.10), QStringList{u"530-0001"_s});
    // The memo is wrapped in its 79.38 mm box.
    const auto memo = itemsOf(page, PageItem::Kind::Memo);
    ASSERT_GE(memo.size(), 3u);
    EXPECT_NEAR(memo.front()->y, detail + 67.73, 0.005);
    for (const PageItem* line : memo) {
        EXPECT_NEAR(line->x, kLeft + 33.87, 0.005);
        EXPECT_LE(line->x + line->w, kLeft + 181.77 + 0.005);
        EXPECT_LE(line->y + line->h, detail + 67.73 + 79.38 + 0.005);
    }
    const auto numbers = itemsOf(page, PageItem::Kind::PageNumber);
    ASSERT_EQ(numbers.size(), 1u);
    EXPECT_EQ(numbers[0]->text, u"Page 1"_s);
    EXPECT_NEAR(numbers[0]->x, kLeft + 88.90, 0.005);
    EXPECT_NEAR(numbers[0]->y, 297 - 12.7 - 6.35 + 1.06, 0.005);
}

TEST_F(AddressBookPrintouts, EmptyFieldsPrintOnlyTheirLabels) {
    fillAddressBook();
    TRepAite1Form form;
    form.MasterTable->setFiltered(true);
    form.MasterTable->setFilter(u"相手先コード= 301"_s);
    const std::vector<Page> pages = form.QuickRep1->Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(textsAt(pages[0], kLeft + 2.12).size(), 9);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::Field), (QStringList{u"301"_s, u"高橋 由美"_s, u"ﾀｶﾊｼ ﾕﾐ"_s}));
    EXPECT_TRUE(textsOf(pages[0], PageItem::Kind::Label).contains(u"〒"_s));
    EXPECT_TRUE(itemsOf(pages[0], PageItem::Kind::Memo).empty());
}

TEST_F(AddressBookPrintouts, OnePersonFilterThatMatchesNobodyStillGivesAPage) {
    fillAddressBook();
    TRepAite1Form form;
    form.MasterTable->setFiltered(true);
    form.MasterTable->setFilter(u"相手先コード= 999"_s);
    const std::vector<Page> pages = form.QuickRep1->Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pageTexts(pages)[0], (QStringList{u"相手先詳細情報　"_s, u"Page 1"_s}));

    // Without a filter each person has a page of their own, in stored order.
    form.MasterTable->setFilter(QString());
    const std::vector<Page> everybody = form.QuickRep1->Prepare();
    ASSERT_EQ(everybody.size(), 7u);
    QStringList codes;
    for (const Page& p : everybody) codes << fieldsAt(p, kLeft + 33.87).value(0);
    EXPECT_EQ(codes, (QStringList{u"201"_s, u"101"_s, u"301"_s, u"102"_s, u"202"_s, u"401"_s, u"103"_s}));
    EXPECT_EQ(textsOf(everybody[6], PageItem::Kind::PageNumber), QStringList{u"Page 7"_s});
    EXPECT_TRUE(itemsOf(everybody[1], PageItem::Kind::ReportTitle).empty());
}

TEST_F(AddressBookPrintouts, EverybodyInCodeOrderFivePerPage) {
    fillAddressBook();
    TRepAite2Form form;
    const std::vector<Page> pages = expectGolden(*form.QuickRep1, u"counterpart_list"_s);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::ReportTitle), QStringList{u"相 手 先 一 覧 表　"_s});
    EXPECT_TRUE(textsOf(pages[1], PageItem::Kind::ReportTitle).isEmpty());
    // Family members follow their household's representative.
    EXPECT_EQ(fieldsAt(pages[0], kLeft + 31.75).filter(QRegularExpression(u"^\\d+$"_s)),
              (QStringList{u"101"_s, u"102"_s, u"103"_s, u"201"_s, u"202"_s}));
    EXPECT_EQ(fieldsAt(pages[1], kLeft + 31.75).filter(QRegularExpression(u"^\\d+$"_s)),
              (QStringList{u"301"_s, u"401"_s}));
    EXPECT_EQ(textsOf(pages[0], PageItem::Kind::PageNumber), QStringList{u"Page 1"_s});
    EXPECT_EQ(textsOf(pages[1], PageItem::Kind::PageNumber), QStringList{u"Page 2"_s});

    // Blocks of 1.32 + 48.95 mm; the second column at 91.02 / 114.30.
    const double first = 12.7 + 8.73 + 1.32 + 1.32;
    std::vector<double> tops;
    for (const PageItem& item : pages[0].items)
        if (item.text == u"【相手先コード】"_s) tops.push_back(item.y - first - 2.12);
    ASSERT_EQ(tops.size(), 5u);
    for (size_t i = 0; i < tops.size(); ++i) EXPECT_NEAR(tops[i], i * (1.32 + 48.95), 0.005) << i;
    EXPECT_EQ(textsAt(pages[0], kLeft + 91.02).mid(0, 4),
              (QStringList{u"【自宅電話】"_s, u"【携帯電話】"_s, u"【ＦＡＸ】"_s, u"【E-mail】"_s}));
    EXPECT_EQ(fieldsAt(pages[0], kLeft + 114.30).mid(0, 2),
              (QStringList{u"03-1234-5678"_s, u"taro@example.jp"_s}));

    // The memo box reaches below its band, which does not stretch: no line of a memo is drawn
    // below the block it belongs to, so it never runs into the next person.
    for (const Page& page : pages) {
        for (const PageItem* line : itemsOf(page, PageItem::Kind::Memo)) {
            const double top = page.number == 1 ? first : 12.7 + 1.32 + 1.32;
            const double within = std::fmod(line->y - top, 1.32 + 48.95);
            EXPECT_LE(within + line->h, 48.95 + 0.005) << line->text.toStdString();
        }
    }
}

TEST_F(AddressBookPrintouts, EmptyAddressBookStillGivesAPage) {
    TRepAite2Form form;
    const std::vector<Page> pages = form.QuickRep1->Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pageTexts(pages)[0], (QStringList{u"相 手 先 一 覧 表　"_s, u"Page 1"_s}));
}

TEST_F(AddressBookPrintouts, WholeListWhateverOtherWindowsFiltered) {
    fillAddressBook();
    TRepAite1Form one;
    TRepAite2Form all;
    // The search window's one-person filter, a selection window's kana filter without regard
    // to case: each on its own cursor.
    one.MasterTable->setFiltered(true);
    one.MasterTable->setFilter(u"相手先コード= 201"_s);
    mz::data::Cursor selection;
    selection.open(u"AITESAKI.DBF"_s);
    selection.setIndexName(u"フリガナ"_s);
    selection.setCaseInsensitive(true);
    selection.setFiltered(true);
    selection.setFilter(u"フリガナ= 'ﾔ*'"_s);
    ASSERT_EQ(selection.recordCount(), 3);

    // A person registered after start-up is listed too, and one deleted is not.
    selection.setFilter(u"相手先コード= 202"_s);
    selection.remove();
    addPerson(selection, {501, u"伊藤 健"_s, u"ｲﾄｳ ｹﾝ"_s, {}, {}, {}, {}, {}, {}, {}, true, {}});

    // What the main menu's 全印刷 previews.
    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    int previewPages = 0;
    driver.onOpen<TReportPreview>([&](TReportPreview& w) {
        previewPages = w.pageCount();
        w.ButtonCloseClick();
    });
    all.QuickRep1->Preview();
    EXPECT_EQ(previewPages, 2);
    const std::vector<Page> pages = all.QuickRep1->Prepare();
    QStringList codes;
    for (const Page& p : pages) codes << fieldsAt(p, kLeft + 31.75).filter(QRegularExpression(u"^\\d+$"_s));
    EXPECT_EQ(codes, (QStringList{u"101"_s, u"102"_s, u"103"_s, u"201"_s, u"301"_s, u"401"_s, u"501"_s}));
    EXPECT_EQ(one.MasterTable->recordCount(), 1) << "the search window's filter stays on its printout";
}

TEST_F(PurposeAndFamilyPrintouts, FormsHoldTheirTablesAndPageSetUp) {
    TRepMoku1Form moku;
    TRepKazo1Form kazo;
    EXPECT_EQ(moku.Table1->objectName(), u"Table1"_s);
    EXPECT_EQ(moku.QuickRep1->DataSet.data(), moku.Table1);
    EXPECT_EQ(moku.Table1->indexName(), u"区分番号"_s);
    EXPECT_FALSE(moku.Table1->filtered());
    EXPECT_EQ(kazo.MasterTable->objectName(), u"MasterTable"_s);
    EXPECT_EQ(kazo.QuickRep1->DataSet.data(), kazo.MasterTable);
    EXPECT_TRUE(kazo.MasterTable->indexName().isEmpty());
    EXPECT_TRUE(kazo.MasterTable->filtered());
    EXPECT_TRUE(kazo.MasterTable->filter().isEmpty());

    const mz::report::Report& m = moku.QuickRep1->Report;
    EXPECT_DOUBLE_EQ(m.margins.top, 10.0);
    EXPECT_DOUBLE_EQ(m.margins.bottom, 10.0);
    EXPECT_DOUBLE_EQ(m.margins.left, 10.0);
    EXPECT_DOUBLE_EQ(m.margins.right, 10.0);
    EXPECT_DOUBLE_EQ(m.effectiveBandWidth(), 189.97);
    EXPECT_EQ(m.font, (Font{u"ＭＳ Ｐゴシック"_s, 9}));
    expectBands(m, {{BandKind::Title, 21.43}, {BandKind::ColumnHeader, 1.32}, {BandKind::Detail, 1.32},
                    {BandKind::Child, 5.82}, {BandKind::PageFooter, 6.35}});
    const mz::report::Report& k = kazo.QuickRep1->Report;
    EXPECT_DOUBLE_EQ(k.margins.top, 12.7);
    EXPECT_DOUBLE_EQ(k.margins.bottom, 12.7);
    EXPECT_DOUBLE_EQ(k.margins.left, 15.7);
    EXPECT_DOUBLE_EQ(k.margins.right, 12.7);
    EXPECT_DOUBLE_EQ(k.effectiveBandWidth(), 181.77);
    EXPECT_EQ(k.font, (Font{u"ＭＳ ゴシック"_s, 10}));
    expectBands(k, {{BandKind::Title, 21.43}, {BandKind::ColumnHeader, 1.32}, {BandKind::Detail, 1.32},
                    {BandKind::Child, 5.82}, {BandKind::PageFooter, 6.35}});
    // Element names as the layouts know them.
    QStringList names;
    for (const auto& band : m.bands)
        for (const auto& e : band.elements) names << e.name;
    EXPECT_EQ(names, (QStringList{u"QRSysData1"_s, u"QRLabel1"_s, u"QRLabel2"_s, u"QRLabel3"_s, u"QRDBText1"_s,
                                  u"QRDBText2"_s, u"QRDBText3"_s, u"QRSysData2"_s}));
}

TEST_F(PurposeAndFamilyPrintouts, PurposesGroupedByCategoryNumber) {
    {
        mz::data::Cursor c;
        c.open(u"Moku.dbf"_s);
        addPurpose(c, 1, u"香典"_s, u"弔事全般"_s, 4);
        addPurpose(c, 2, u"結婚祝い"_s, u"お祝い"_s, 0);
        addPurpose(c, 3, u"快気祝い"_s, u"お返し"_s, 2);
        addPurpose(c, 4, u"入院見舞い"_s, u"お見舞い"_s, 3);
        addPurpose(c, 5, u"お中元"_s, u"一般行事"_s, 1);
        addPurpose(c, 6, u"出産祝い"_s, u"お祝い"_s, 0);
        addPurpose(c, 7, u"法要"_s, u"弔事全般"_s, 4);
        addPurpose(c, 8, u"お歳暮"_s, u"一般行事"_s, 1);
        addPurpose(c, 10, u"内祝い"_s, u"お返し"_s, 2);
        addPurpose(c, 11, u"誕生日"_s, u"家族行事"_s, std::nullopt);  // a category typed by hand
    }
    TRepMoku1Form form;
    const std::vector<Page> pages = expectGolden(*form.QuickRep1, u"purpose_list"_s);
    ASSERT_EQ(pages.size(), 1u);
    const Page& page = pages[0];
    const auto titles = itemsOf(page, PageItem::Kind::ReportTitle);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->text, u"目的名称 一覧表"_s);
    EXPECT_NEAR(titles[0]->x, 10 + 68.26, 0.005);
    EXPECT_NEAR(titles[0]->y, 10 + 4.23, 0.005);
    EXPECT_EQ(titles[0]->font, (Font{u"ＭＳ Ｐゴシック"_s, 18, true}));
    EXPECT_EQ(textsAt(page, 10 + 52.92), QStringList{u"目的コード"_s});
    EXPECT_EQ(textsAt(page, 10 + 85.99), QStringList{u"目的名称"_s});
    EXPECT_EQ(textsAt(page, 10 + 119.06), QStringList{u"目的区分"_s});
    // The purpose of the typed category has no category number; it is listed where the index
    // puts it, and the five categories keep their order.
    QStringList categories = fieldsAt(page, 10 + 119.86);
    EXPECT_EQ(categories.removeAll(u"家族行事"_s), 1);
    EXPECT_EQ(categories,
              (QStringList{u"お祝い"_s, u"お祝い"_s, u"一般行事"_s, u"一般行事"_s, u"お返し"_s, u"お返し"_s,
                           u"お見舞い"_s, u"弔事全般"_s, u"弔事全般"_s}));
    const QStringList codes = fieldsAt(page, 10 + 59.27);
    EXPECT_EQ(codes.size(), 10);
    EXPECT_TRUE(codes.contains(u"10"_s)) << "codes as plain digits";
    for (const PageItem* f : itemsOf(page, PageItem::Kind::Field)) EXPECT_EQ(f->font, (Font{u"ＭＳ ゴシック"_s, 9}));
    const auto numbers = itemsOf(page, PageItem::Kind::PageNumber);
    ASSERT_EQ(numbers.size(), 1u);
    EXPECT_EQ(numbers[0]->text, u"Page1"_s);
    EXPECT_NEAR(numbers[0]->x, 10 + 88.90, 0.005);
    EXPECT_NEAR(numbers[0]->y, 297 - 10 - 6.35 + 2.12, 0.005);
    EXPECT_EQ(numbers[0]->font, (Font{u"ＭＳ Ｐゴシック"_s, 9}));
}

TEST_F(PurposeAndFamilyPrintouts, FamilyMembersInRecordOrder) {
    {
        mz::data::Cursor c;
        c.open(u"Kazoku.dbf"_s);
        addFamily(c, 2, u"花子"_s);
        addFamily(c, 1, u"太郎"_s);
        addFamily(c, 3, {});
        addFamily(c, 12, u"一郎"_s);
    }
    TRepKazo1Form form;
    const std::vector<Page> pages = expectGolden(*form.QuickRep1, u"family_list"_s);
    ASSERT_EQ(pages.size(), 1u);
    const Page& page = pages[0];
    const auto titles = itemsOf(page, PageItem::Kind::ReportTitle);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->text, u"家 族 一 覧 表     "_s);
    EXPECT_NEAR(titles[0]->x + titles[0]->w / 2, kLeft + 181.77 / 2, 0.005);
    EXPECT_EQ(textsAt(page, kLeft + 59.27), QStringList{u"【家族コード】"_s});
    EXPECT_EQ(textsAt(page, kLeft + 93.13), QStringList{u"【名　　前】"_s});
    EXPECT_EQ(fieldsAt(page, kLeft + 69.59), (QStringList{u"2"_s, u"1"_s, u"3"_s, u"12"_s}));
    EXPECT_EQ(fieldsAt(page, kLeft + 97.10), (QStringList{u"花子"_s, u"太郎"_s, u"一郎"_s}));
    // The first row sits directly at the top of its child band.
    const auto fields = itemsOf(page, PageItem::Kind::Field);
    ASSERT_FALSE(fields.empty());
    EXPECT_NEAR(fields[0]->y, 12.7 + 21.43 + 1.32 + 1.32, 0.005);
    EXPECT_EQ(fields[0]->font, (Font{u"ＭＳ ゴシック"_s, 10}));
    EXPECT_EQ(textsOf(page, PageItem::Kind::PageNumber), QStringList{u"Page 1"_s});
}

TEST_F(PurposeAndFamilyPrintouts, ColumnTitlesOnTheFirstPageOnlyAndPageNumbers) {
    {
        mz::data::Cursor m, k;
        m.open(u"Moku.dbf"_s);
        k.open(u"Kazoku.dbf"_s);
        for (int i = 1; i <= 40; ++i) {
            addPurpose(m, i, u"目的%1"_s.arg(i), u"お祝い"_s, 0);
            addFamily(k, i, u"家族%1"_s.arg(i));
        }
    }
    TRepMoku1Form moku;
    TRepKazo1Form kazo;
    // 7.14 mm a record: 34 under the title on the purpose list's first page, 33 on the family
    // list's (larger margins), then a page each for the rest.
    struct Case {
        TQuickRep* rep;
        double top;
        QString column;
        QStringList footers;
        int firstPage;
    };
    const Case cases[] = {{moku.QuickRep1, 10, u"目的コード"_s, {u"Page1"_s, u"Page2"_s}, 34},
                          {kazo.QuickRep1, 12.7, u"【家族コード】"_s, {u"Page 1"_s, u"Page 2"_s}, 33}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rep->Report.name.toStdString());
        const std::vector<Page> pages = c.rep->Prepare();
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(int(itemsOf(pages[0], PageItem::Kind::Field).size()), c.firstPage * (c.rep == moku.QuickRep1 ? 3 : 2));
        EXPECT_TRUE(pageTexts(pages)[0].contains(c.column));
        EXPECT_FALSE(pageTexts(pages)[1].contains(c.column)) << "column titles belong to the title band";
        EXPECT_TRUE(itemsOf(pages[1], PageItem::Kind::ReportTitle).empty());
        EXPECT_EQ(textsOf(pages[0], PageItem::Kind::PageNumber), QStringList{c.footers[0]});
        EXPECT_EQ(textsOf(pages[1], PageItem::Kind::PageNumber), QStringList{c.footers[1]});
        // Later pages begin directly with records, after the column header and detail bands.
        const double childTop = c.top + 1.32 + 1.32;
        EXPECT_NEAR(itemsOf(pages[1], PageItem::Kind::Field).front()->y,
                    childTop + (c.rep == moku.QuickRep1 ? 2.12 : 0.0), 0.005);
    }
}

TEST_F(PurposeAndFamilyPrintouts, EmptyTablesStillGiveAPage) {
    TRepMoku1Form moku;
    TRepKazo1Form kazo;
    EXPECT_EQ(pageTexts(moku.QuickRep1->Prepare()),
              (std::vector<QStringList>{{u"目的名称 一覧表"_s, u"目的コード"_s, u"目的名称"_s, u"目的区分"_s, u"Page1"_s}}));
    EXPECT_EQ(pageTexts(kazo.QuickRep1->Prepare()),
              (std::vector<QStringList>{{u"家 族 一 覧 表     "_s, u"【家族コード】"_s, u"【名　　前】"_s, u"Page 1"_s}}));
}

TEST_F(PurposeAndFamilyPrintouts, WholeTableWhateverOtherWindowsFiltered) {
    TRepMoku1Form moku;
    TRepKazo1Form kazo;
    // The purpose windows list one category at a time; the family windows edit a member.
    mz::data::Cursor purposes, family;
    purposes.open(u"Moku.DBF"_s);
    purposes.setIndexName(u"目的区分"_s);
    purposes.setCaseInsensitive(true);
    purposes.setFiltered(true);
    purposes.setFilter(u"目的区分= 'お祝い'"_s);
    family.open(u"Kazoku.DBF"_s);
    // Registered after the printouts were created: each preview reads the table as it is now.
    addPurpose(purposes, 1, u"結婚祝い"_s, u"お祝い"_s, 0);
    addPurpose(purposes, 2, u"香典"_s, u"弔事全般"_s, 4);
    addFamily(family, 1, u"花子"_s);
    addFamily(family, 2, u"太郎"_s);
    family.first();
    family.edit();
    family.setValue(u"家族名"_s, u"華子"_s);
    family.post();
    ASSERT_EQ(purposes.recordCount(), 1);

    mz::platform::Recorder rec;
    mz::platform::ModalDriver driver;
    QStringList seen;
    driver.onOpen<TReportPreview>([&](TReportPreview& w) {
        seen << QString::number(w.pageCount());
        w.ButtonCloseClick();
    });
    moku.QuickRep1->Preview();  // 目的設定 → 印刷
    kazo.QuickRep1->Preview();  // 家族設定 → 印刷
    EXPECT_EQ(seen, (QStringList{u"1"_s, u"1"_s}));
    EXPECT_EQ(fieldsAt(moku.QuickRep1->Prepare()[0], 10 + 86.78), (QStringList{u"結婚祝い"_s, u"香典"_s}));
    EXPECT_EQ(fieldsAt(kazo.QuickRep1->Prepare()[0], kLeft + 97.10), (QStringList{u"華子"_s, u"太郎"_s}));
}
