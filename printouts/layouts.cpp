#include "printouts/layouts.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace mz::printouts {

namespace {

using mz::report::Align;
using mz::report::Band;
using mz::report::BandKind;
using mz::report::Element;
using mz::report::ElementKind;
using mz::report::Font;
using mz::report::Format;
using mz::report::Report;

Font gothic(double pt) {
    return Font{QString::fromUtf16(mz::report::kGothic), pt};
}

Font pGothic(double pt, bool bold = false) {
    Font f{QString::fromUtf16(mz::report::kPGothic), pt};
    f.bold = bold;
    return f;
}

Element label(double x, double y, const QString& text, std::optional<Font> font = {}) {
    Element e;
    e.kind = ElementKind::Label;
    e.x = x;
    e.y = y;
    e.text = text;
    e.font = std::move(font);
    return e;
}

Element field(double x, double y, const QString& name, std::optional<Font> font = {}) {
    Element e;
    e.kind = ElementKind::Field;
    e.x = x;
    e.y = y;
    e.field = name;
    e.font = std::move(font);
    return e;
}

// A memo text wrapped at blanks inside a box; a width of 0 reaches the band's right edge.
Element memo(double x, double y, double w, double h, const QString& name) {
    Element e;
    e.kind = ElementKind::Memo;
    e.x = x;
    e.y = y;
    e.w = w;
    e.h = h;
    e.field = name;
    return e;
}

Element named(Element e, const QString& name) {
    e.name = name;
    return e;
}

// The report title: its prefix text (the report's own title is empty), centred across the band
// or from a left edge.
Element title(const QString& text, double y, std::optional<double> left = {}) {
    Element e;
    e.kind = ElementKind::ReportTitle;
    e.text = text;
    e.y = y;
    e.font = pGothic(18, true);
    if (left) {
        e.x = *left;
    } else {
        e.align = Align::Centre;
    }
    return e;
}

Element pageNumber(const QString& prefix, double y, std::optional<Font> font) {
    Element e;
    e.kind = ElementKind::PageNumber;
    e.text = prefix;
    e.x = 88.90;
    e.y = y;
    e.font = std::move(font);
    return e;
}

Band band(BandKind kind, double height, const QString& name, std::vector<Element> elements = {}) {
    return Band{kind, height, std::move(elements), name};
}

// A4 portrait with the margins of the ledger, address book and family printouts: 12.7 mm at the
// top and bottom, 15.7 mm on the left, 12.7 mm on the right; bands 181.77 mm wide; "ＭＳ ゴシック"
// 10 pt for elements without a font of their own.
Report standardPage(const QString& name) {
    Report r;
    r.name = name;
    r.paper = QPageSize::A4;
    r.orientation = QPageLayout::Portrait;
    r.margins = {12.7, 12.7, 15.7, 12.7};
    r.bandWidth = 181.77;
    r.font = gothic(10);
    r.printIfEmpty = true;
    r.footerOnLastPage = true;
    return r;
}

// The printouts differ in the captions of the number and date rows, in whether there is a family
// row, and in the tops of the rows of the entry block.
struct LedgerLayoutInfo {
    const char16_t* name;
    const char16_t* title;
    const char16_t* numberField;
    const char16_t* numberLabel;
    const char16_t* dateField;
    const char16_t* dateLabel;
    double detailHeight;
    double blockHeight;
    // Tops of the rows within the entry block; a family row below 0 is not printed.
    double date, person, purpose, family, amount, yen, goods, remarks;
};

const LedgerLayoutInfo& ledgerInfo(LedgerPrintout which) {
    static const LedgerLayoutInfo incomeList{
        u"収入の検索結果一覧表印刷　", u"収入の検索結果 一覧表　", u"収入番号", u"【収入番号】",
        u"収入日", u"【収入日】", 1.32, 48.95, 7.14, 12.17, 17.20, 22.23, 27.25, 27.52, 32.28, 35.98};
    static const LedgerLayoutInfo incomeEntry{
        u"収入の検索結果(個別情報)印刷　", u"収入の検索結果 (個別情報)　", u"収入番号", u"【収入番号】",
        u"収入日", u"【収入日】", 13.23, 149.75, 6.88, 11.64, 16.40, 21.17, 25.93, 26.19, 30.69, 34.40};
    static const LedgerLayoutInfo expenditureList{
        u"支出の検索結果一覧表印刷　", u"支出の検索結果 一覧表　", u"支出番号", u"【支出番号】",
        u"支出日", u"【支出日】", 1.32, 49.74, 7.41, 12.70, 17.99, -1, 23.28, 23.55, 28.57, 32.28};
    static const LedgerLayoutInfo expenditureEntry{
        u"支出の検索結果(個別情報)印刷　", u"支出の検索結果 (個別情報)　", u"支出番号", u"【支出番号】",
        u"支出日", u"【支出日】", 13.23, 149.75, 6.88, 11.64, 16.40, -1, 21.17, 21.43, 25.93, 29.63};
    switch (which) {
        case LedgerPrintout::IncomeList:
            return incomeList;
        case LedgerPrintout::IncomeEntry:
            return incomeEntry;
        case LedgerPrintout::ExpenditureList:
            return expenditureList;
        case LedgerPrintout::ExpenditureEntry:
            return expenditureEntry;
    }
    return incomeList;
}

QString str(const char16_t* s) {
    return QString::fromUtf16(s);
}

}  // namespace

Report ledgerLayout(LedgerPrintout which) {
    const LedgerLayoutInfo& info = ledgerInfo(which);
    Report r = standardPage(str(info.name));

    // The entry block: captions at 4.23, data at 27.52, the picture box on the right.
    constexpr double kCaption = 4.23;
    constexpr double kData = 27.52;
    std::vector<Element> block;
    block.push_back(label(kCaption, 2.12, str(info.numberLabel)));
    block.push_back(field(kData, 2.12, str(info.numberField)));
    block.push_back(label(107.95, 2.12, u"【写　真】"_s));
    block.push_back(label(kCaption, info.date, str(info.dateLabel)));
    block.push_back(field(kData, info.date, str(info.dateField)));
    Element picture;
    picture.kind = ElementKind::Image;
    picture.x = 110.07;
    picture.y = 7.14;
    picture.w = 57.41;
    picture.h = 40.48;
    picture.field = u"写真"_s;
    block.push_back(picture);
    block.push_back(label(kCaption, info.person, u"【相手先】"_s));
    block.push_back(field(kData, info.person, u"氏名"_s));
    block.push_back(label(kCaption, info.purpose, u"【目　的】"_s));
    block.push_back(field(kData, info.purpose, u"目的"_s));
    if (info.family >= 0) {
        block.push_back(label(kCaption, info.family, u"【家族名】"_s));
        block.push_back(field(kData, info.family, u"家族名"_s));
    }
    block.push_back(label(kCaption, info.amount, u"【金　額】"_s));
    Element amount = field(kData, info.amount, u"金額"_s);
    amount.format = Format::Currency;
    block.push_back(amount);
    block.push_back(label(50.27, info.yen, u"(円)"_s, gothic(9)));
    block.push_back(label(kCaption, info.goods, u"【物　品】"_s));
    // The goods end before the picture's column, so that a long text never runs under it.
    block.push_back(memo(kData, info.goods, 79.38, 79.38, u"物品"_s));
    block.push_back(label(7.41, info.remarks, u"(備考)"_s));

    r.bands.push_back(band(BandKind::Title, 8.73, u"TitleBand1"_s, {title(str(info.title), 1.06)}));
    r.bands.push_back(band(BandKind::ColumnHeader, 1.32, u"ColumnHeaderBand1"_s));
    r.bands.push_back(band(BandKind::Detail, info.detailHeight, u"DetailBand1"_s));
    r.bands.push_back(band(BandKind::Child, info.blockHeight, u"ChildBand1"_s, std::move(block)));
    r.bands.push_back(band(BandKind::PageFooter, 5.82, u"PageFooterBand1"_s,
                           {pageNumber(u"Page "_s, 1.06, pGothic(10))}));
    return r;
}

Report counterpartLayout() {
    Report r = standardPage(u"相手先情報の印刷"_s);
    constexpr double kCaption = 2.12;
    constexpr double kData = 33.87;
    std::vector<Element> detail{
        label(kCaption, 4.23, u"【相手先コード】"_s),
        field(kData, 4.23, u"相手先コード"_s),
        label(kCaption, 10.58, u"【氏　　名】"_s),
        field(kData, 10.58, u"氏名"_s),
        label(kCaption, 16.93, u"【フリガナ】"_s),
        field(kData, 16.93, u"フリガナ"_s),
        label(kCaption, 23.28, u"【住　　所】"_s),
        label(kData, 23.28, u"〒"_s),
        field(38.10, 23.28, u"〒"_s),
        field(kData, 28.57, u"住所1"_s),
        field(kData, 33.87, u"住所2"_s),
        label(kCaption, 40.22, u"【自宅電話】"_s),
        field(kData, 40.22, u"自宅電話"_s),
        label(kCaption, 46.57, u"【携帯電話】"_s),
        field(kData, 46.57, u"携帯電話"_s),
        label(kCaption, 52.92, u"【ＦＡＸ】"_s),
        field(kData, 52.92, u"ＦＡＸ"_s),
        label(kCaption, 59.27, u"【E-mail】"_s),
        field(kData, 59.27, u"Email"_s),
        label(kCaption, 67.73, u"【メ　モ】"_s),
        memo(kData, 67.73, 0, 79.38, u"メモ"_s),
    };
    r.bands.push_back(band(BandKind::Title, 10.58, u"TitleBand1"_s, {title(u"相手先詳細情報　"_s, 1.06)}));
    r.bands.push_back(band(BandKind::ColumnHeader, 2.38, u"ColumnHeaderBand1"_s));
    // As high as the page allows, so that one person fills a page.
    r.bands.push_back(band(BandKind::Detail, 251.35, u"DetailBand1"_s, std::move(detail)));
    r.bands.push_back(band(BandKind::PageFooter, 6.35, u"PageFooterBand1"_s,
                           {pageNumber(u"Page "_s, 1.06, pGothic(10))}));
    return r;
}

Report counterpartListLayout() {
    Report r = standardPage(u"相手先情報の全印刷"_s);
    constexpr double kCaption = 2.12;
    constexpr double kData = 31.75;
    constexpr double kCaption2 = 91.02;
    constexpr double kData2 = 114.30;
    std::vector<Element> block{
        label(kCaption, 2.12, u"【相手先コード】"_s),
        field(kData, 2.12, u"相手先コード"_s),
        label(kCaption2, 2.12, u"【自宅電話】"_s),
        field(kData2, 2.12, u"自宅電話"_s),
        label(kCaption, 6.88, u"【氏　　名】"_s),
        field(kData, 6.88, u"氏名"_s),
        label(kCaption2, 6.88, u"【携帯電話】"_s),
        field(kData2, 6.88, u"携帯電話"_s),
        label(kCaption, 11.64, u"【フリガナ】"_s),
        field(kData, 11.64, u"フリガナ"_s),
        label(kCaption2, 11.64, u"【ＦＡＸ】"_s),
        field(kData2, 11.64, u"ＦＡＸ"_s),
        label(kCaption, 16.40, u"【住　　所】"_s),
        label(kData, 16.40, u"〒"_s),
        field(35.98, 16.40, u"〒"_s),
        label(kCaption2, 16.40, u"【E-mail】"_s),
        field(kData2, 16.40, u"Email"_s),
        field(kData, 21.17, u"住所1"_s),
        field(kData, 25.93, u"住所2"_s),
        label(kCaption, 30.69, u"【メ　モ】"_s),
        // The box reaches below the band, which does not stretch: the engine shows the lines
        // that fit within the band.
        memo(kData, 30.69, 0, 79.38, u"メモ"_s),
    };
    r.bands.push_back(band(BandKind::Title, 8.73, u"TitleBand1"_s, {title(u"相 手 先 一 覧 表　"_s, 1.06)}));
    r.bands.push_back(band(BandKind::ColumnHeader, 1.32, u"ColumnHeaderBand1"_s));
    r.bands.push_back(band(BandKind::Detail, 1.32, u"DetailBand1"_s));
    r.bands.push_back(band(BandKind::Child, 48.95, u"ChildBand1"_s, std::move(block)));
    r.bands.push_back(band(BandKind::PageFooter, 5.82, u"PageFooterBand1"_s,
                           {pageNumber(u"Page "_s, 1.06, pGothic(10))}));
    return r;
}

Report purposeListLayout() {
    Report r;
    r.name = u"目的名称一覧表"_s;
    r.paper = QPageSize::A4;
    r.orientation = QPageLayout::Portrait;
    r.margins = {10.0, 10.0, 10.0, 10.0};
    r.bandWidth = 189.97;
    r.font = pGothic(9);
    r.printIfEmpty = true;
    r.footerOnLastPage = true;
    // The column titles belong to the title band: later pages begin with records.
    r.bands.push_back(band(BandKind::Title, 21.43, u"TitleBand1"_s,
                           {named(title(u"目的名称 一覧表"_s, 4.23, 68.26), u"QRSysData1"_s),
                            named(label(52.92, 16.93, u"目的コード"_s, gothic(10)), u"QRLabel1"_s),
                            named(label(85.99, 16.93, u"目的名称"_s, gothic(10)), u"QRLabel2"_s),
                            named(label(119.06, 16.93, u"目的区分"_s, gothic(10)), u"QRLabel3"_s)}));
    r.bands.push_back(band(BandKind::ColumnHeader, 1.32, u"ColumnHeaderBand1"_s));
    r.bands.push_back(band(BandKind::Detail, 1.32, u"DetailBand1"_s));
    r.bands.push_back(band(BandKind::Child, 5.82, u"ChildBand1"_s,
                           {named(field(59.27, 2.12, u"目的コード"_s, gothic(9)), u"QRDBText1"_s),
                            named(field(86.78, 2.12, u"目的"_s, gothic(9)), u"QRDBText2"_s),
                            named(field(119.86, 2.12, u"目的区分"_s, gothic(9)), u"QRDBText3"_s)}));
    // "Page1": the prefix has no blank; the report font.
    r.bands.push_back(band(BandKind::PageFooter, 6.35, u"PageFooterBand1"_s,
                           {named(pageNumber(u"Page"_s, 2.12, std::nullopt), u"QRSysData2"_s)}));
    return r;
}

Report familyListLayout() {
    Report r = standardPage(u"家族一覧表"_s);
    r.bands.push_back(band(BandKind::Title, 21.43, u"TitleBand1"_s,
                           {named(title(u"家 族 一 覧 表     "_s, 1.06), u"QRSysData1"_s),
                            named(label(59.27, 16.93, u"【家族コード】"_s, gothic(10)), u"QRLabel1"_s),
                            named(label(93.13, 16.93, u"【名　　前】"_s, gothic(10)), u"QRLabel3"_s)}));
    r.bands.push_back(band(BandKind::ColumnHeader, 1.32, u"ColumnHeaderBand1"_s));
    r.bands.push_back(band(BandKind::Detail, 1.32, u"DetailBand1"_s));
    r.bands.push_back(band(BandKind::Child, 5.82, u"ChildBand1"_s,
                           {named(field(69.59, 0.00, u"家族コード"_s), u"QRDBText1"_s),
                            named(field(97.10, 0.00, u"家族名"_s), u"QRDBText2"_s)}));
    r.bands.push_back(band(BandKind::PageFooter, 6.35, u"PageFooterBand1"_s,
                           {named(pageNumber(u"Page "_s, 1.06, pGothic(10)), u"QRSysData2"_s)}));
    return r;
}

}  // namespace mz::printouts
