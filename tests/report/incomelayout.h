#pragma once
// A realistic layout for exercising the report engine: a list of income entries laid out like
// the printouts of the ledger (title with column titles, a column header on every page, an
// entry block per record with a memo box and a picture box, the page number in the footer),
// and records to fill it with. Shared by the report tests and the report benchmark.

#include "data/cursor.h"
#include "data/table.h"
#include "report/report.h"

#include <QDate>
#include <QString>

namespace mz::test {

inline mz::report::Element label(double x, double y, const QString& text) {
    mz::report::Element e;
    e.kind = mz::report::ElementKind::Label;
    e.x = x;
    e.y = y;
    e.text = text;
    return e;
}

inline mz::report::Element field(double x, double y, const QString& name,
                                 mz::report::Format format = mz::report::Format::Plain) {
    mz::report::Element e;
    e.kind = mz::report::ElementKind::Field;
    e.x = x;
    e.y = y;
    e.field = name;
    e.format = format;
    return e;
}

inline mz::report::Font pGothic(double size, bool bold = false) {
    mz::report::Font f;
    f.family = QString::fromUtf16(mz::report::kPGothic);
    f.sizePt = size;
    f.bold = bold;
    return f;
}

inline mz::report::Font gothic(double size) {
    mz::report::Font f;
    f.family = QString::fromUtf16(mz::report::kGothic);
    f.sizePt = size;
    return f;
}

inline mz::report::Report incomeListReport() {
    using namespace mz::report;
    Report r;
    r.name = QStringLiteral("収入の検索結果一覧表");
    r.paper = QPageSize::A4;
    r.margins = {12.7, 12.7, 15.7, 12.7};
    r.bandWidth = 181.77;
    r.font = gothic(10);

    Band title{BandKind::Title, 16.0, {}, QStringLiteral("TitleBand1")};
    Element t;
    t.kind = ElementKind::ReportTitle;
    t.text = QStringLiteral("収入の検索結果 一覧表　");
    t.y = 1.06;
    t.align = Align::Centre;
    t.font = pGothic(18, true);
    title.elements.push_back(t);
    for (auto [x, text] : {std::pair{4.23, "収入番号・日付・相手先"}, std::pair{110.07, "写真"}}) {
        Element c = label(x, 11.0, QString::fromUtf8(text));
        c.font = gothic(9);
        title.elements.push_back(c);
    }
    r.bands.push_back(title);

    Band header{BandKind::ColumnHeader, 5.29, {}, QStringLiteral("ColumnHeaderBand1")};
    Element h = label(0, 0.5, QStringLiteral("収入の記録"));
    h.font = gothic(9);
    header.elements.push_back(h);
    r.bands.push_back(header);

    r.bands.push_back({BandKind::Detail, 1.32, {}, QStringLiteral("DetailBand1")});

    Band block{BandKind::Child, 48.95, {}, QStringLiteral("ChildBand1")};
    auto& el = block.elements;
    el.push_back(label(4.23, 2.12, QStringLiteral("【収入番号】")));
    el.push_back(field(27.52, 2.12, QStringLiteral("収入番号")));
    el.push_back(label(107.95, 2.12, QStringLiteral("【写　真】")));
    el.push_back(label(4.23, 7.14, QStringLiteral("【収入日】")));
    el.push_back(field(27.52, 7.14, QStringLiteral("収入日")));
    Element image;
    image.kind = ElementKind::Image;
    image.x = 110.07;
    image.y = 7.14;
    image.w = 57.41;
    image.h = 40.48;
    image.field = QStringLiteral("写真");
    el.push_back(image);
    el.push_back(label(4.23, 12.17, QStringLiteral("【相手先】")));
    el.push_back(field(27.52, 12.17, QStringLiteral("氏名")));
    el.push_back(label(4.23, 17.20, QStringLiteral("【目　的】")));
    el.push_back(field(27.52, 17.20, QStringLiteral("目的")));
    el.push_back(label(4.23, 22.23, QStringLiteral("【家族名】")));
    el.push_back(field(27.52, 22.23, QStringLiteral("家族名")));
    el.push_back(label(4.23, 27.25, QStringLiteral("【金　額】")));
    el.push_back(field(27.52, 27.25, QStringLiteral("金額"), Format::Currency));
    Element yen = label(50.27, 27.52, QStringLiteral("(円)"));
    yen.font = gothic(9);
    el.push_back(yen);
    el.push_back(label(4.23, 32.28, QStringLiteral("【物　品】")));
    Element memo;
    memo.kind = ElementKind::Memo;
    memo.x = 27.52;
    memo.y = 32.28;
    memo.w = 79.38;
    memo.h = 79.38;
    memo.field = QStringLiteral("物品");
    el.push_back(memo);
    el.push_back(label(7.41, 35.98, QStringLiteral("(備考)")));
    r.bands.push_back(block);

    Band footer{BandKind::PageFooter, 5.82, {}, QStringLiteral("PageFooterBand1")};
    Element page;
    page.kind = ElementKind::PageNumber;
    page.text = QStringLiteral("Page ");
    page.x = 88.90;
    page.y = 1.06;
    page.font = pGothic(10);
    footer.elements.push_back(page);
    r.bands.push_back(footer);
    return r;
}

// A 24-bit bitmap of one colour.
inline QByteArray colourBitmap(int w, int h, QRgb colour) {
    QByteArray bmp = mz::data::grayBitmap(w, h);
    const int rowSize = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            char* p = bmp.data() + 54 + y * rowSize + x * 3;
            p[0] = char(qBlue(colour));
            p[1] = char(qGreen(colour));
            p[2] = char(qRed(colour));
        }
    return bmp;
}

// Appends income entries numbered from `first`: every third has goods, every fourth a picture.
inline void addIncome(mz::data::Cursor& c, int first, int count) {
    static const char* const names[] = {"山田 太郎", "佐藤 花子", "鈴木 一郎", "高橋 由美"};
    static const char* const purposes[] = {"結婚祝い", "出産祝い", "香典", "お見舞い"};
    for (int i = first; i < first + count; ++i) {
        c.append();
        c.setValue(QStringLiteral("収入番号"), double(i));
        c.setValue(QStringLiteral("収入日"), QDate(2024, 1, 1).addDays(i * 7));
        c.setValue(QStringLiteral("氏名"), QString::fromUtf8(names[i % 4]));
        c.setValue(QStringLiteral("目的"), QString::fromUtf8(purposes[i % 4]));
        c.setValue(QStringLiteral("家族名"), QStringLiteral("花子"));
        c.setValue(QStringLiteral("金額"), 10000.0 * (i % 5 + 1));
        if (i % 3 == 0) c.setValue(QStringLiteral("物品"), QStringLiteral("タオルセット 2 箱"));
        if (i % 4 == 0) c.setValue(QStringLiteral("写真"), colourBitmap(48, 36, qRgb(200, 40, 40)));
        c.post();
    }
}

}  // namespace mz::test
