#include "reception/guestbook.h"

#include "ledger/balance.h"
#include "platform/modal.h"
#include "report/TReportPreview.h"
#include "widgets/format.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace mz::reception {

namespace {

using mz::report::Align;
using mz::report::Font;
using mz::report::Page;
using mz::report::PageItem;

constexpr double kLeft = 12;
constexpr double kTop = 15;
constexpr double kWidth = 186;
constexpr double kBottom = 297 - 15;
constexpr double kRow = 6;
constexpr int kCondolence = 4;  // 弔事全般 among the purpose categories

struct Column {
    double x, w;
    Align align;
};
// 受付番号, 氏名, 住所, 関係, 金額.
constexpr Column kColumns[] = {{0, 28, Align::Left},   {29, 36, Align::Left}, {66, 68, Align::Left},
                               {135, 20, Align::Left}, {156, 30, Align::Right}};

// A cell's text cut to the full-width characters its column holds at 9 points (a half-width
// character counts half), ending in "…" when cut: a long address must not run into 関係.
QString fitted(const QString& text, double em) {
    double width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        width += (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? 0.5 : 1;
        if (width > em) return text.left(std::max<qsizetype>(i - 1, 0)) + u"…"_s;
    }
    return text;
}

Font font(double pt, bool bold = false) {
    Font f;
    f.family = QString::fromUtf16(mz::report::kGothic);
    f.sizePt = pt;
    f.bold = bold;
    return f;
}

class Layout {
public:
    Layout(const Event& e, const std::vector<BookLine>& lines) : event_(e), lines_(lines) {}

    std::vector<Page> run() {
        newPage();
        for (const BookLine& l : lines_) {
            if (y_ + kRow > kBottom - 3 * kRow) {
                pageTotal(false);
                newPage();
            }
            const Entry& e = l.entry;
            // 9 points are 3.2 mm a full-width character.
            row({e.number, fitted(e.name, 11), fitted(l.address, 21), fitted(e.relation, 6),
                 e.amount ? mz::format::formatYen(*e.amount) : fitted(e.memo, 9)},
                font(9));
            ++pageCount_;
            ++count_;
            if (e.amount) {
                pageSum_ += *e.amount;
                sum_ += *e.amount;
            }
        }
        pageTotal(true);
        return std::move(pages_);
    }

private:
    void text(double x, double w, const QString& s, const Font& f, Align a) {
        if (s.isEmpty()) return;
        PageItem item;
        item.kind = PageItem::Kind::Label;
        item.x = kLeft + x;
        item.y = y_;
        item.w = w;
        item.h = kRow;
        item.font = f;
        item.align = a;
        item.text = s;
        pages_.back().items.push_back(std::move(item));
    }
    void row(const QStringList& cells, const Font& f) {
        for (size_t i = 0; i < std::size(kColumns); ++i)
            text(kColumns[i].x, kColumns[i].w, cells.value(static_cast<qsizetype>(i)), f, kColumns[i].align);
        y_ += kRow;
    }
    void rule() {
        PageItem item;
        item.kind = PageItem::Kind::Frame;
        item.x = kLeft;
        item.y = y_;
        item.w = kWidth;
        item.h = 0;
        pages_.back().items.push_back(std::move(item));
        y_ += 0.8;
    }
    void newPage() {
        Page p;
        p.number = static_cast<int>(pages_.size()) + 1;
        pages_.push_back(std::move(p));
        y_ = kTop;
        text(0, kWidth, bookTitle(event_) + u"　"_s + event_.name, font(14, true), Align::Left);
        y_ += 8;
        QStringList info{mz::format::formatDate(event_.date), event_.purpose, event_.family};
        info.removeAll(QString());
        text(0, kWidth - 30, info.join(u"　"_s), font(9), Align::Left);
        text(kWidth - 30, 30, u"%1 ページ"_s.arg(pages_.back().number), font(9), Align::Right);
        y_ += kRow + 1;
        row({u"受付番号"_s, u"氏名"_s, u"住所"_s, u"関係"_s, u"金額"_s}, font(9, true));
        rule();
        pageCount_ = 0;
        pageSum_ = 0;
    }
    void pageTotal(bool last) {
        rule();
        row({u"このページ"_s, u"%1 件"_s.arg(pageCount_), QString(), QString(), mz::format::formatYen(pageSum_)},
            font(9, true));
        if (last)
            row({u"総合計"_s, u"%1 件"_s.arg(count_), QString(), QString(), mz::format::formatYen(sum_)},
                font(10, true));
    }

    const Event& event_;
    const std::vector<BookLine>& lines_;
    std::vector<Page> pages_;
    double y_ = kTop;
    int pageCount_ = 0, count_ = 0;
    double pageSum_ = 0, sum_ = 0;
};

}  // namespace

double CashCount::total() const {
    double sum = double(coins);
    for (size_t i = 0; i < kNotes.size(); ++i) sum += double(notes[i]) * kNotes[i];
    return sum;
}

std::vector<BookLine> bookLines(Desk& desk) {
    std::vector<BookLine> lines;
    for (const Entry& e : desk.entries()) {
        BookLine l{e, QString()};
        if (e.code != 0)
            if (const std::optional<Person> p = desk.person(e.code)) l.address = p->address();
        lines.push_back(std::move(l));
    }
    std::sort(lines.begin(), lines.end(), [](const BookLine& a, const BookLine& b) { return a.entry.serial < b.entry.serial; });
    return lines;
}

QString bookTitle(const Event& event) {
    const auto categories = ledger::balance::PurposeCategories::load();
    // A purpose missing from the purpose list still names a funeral when it says so.
    const bool condolence = categories.of(event.purpose) == kCondolence || event.purpose.contains(u"香典"_s) ||
                            event.purpose.contains(u"弔"_s);
    return condolence ? u"香典帳"_s : u"芳名録"_s;
}

mz::report::Report bookReport(const Event& event) {
    mz::report::Report r;
    r.name = bookTitle(event);
    r.title = r.name + u" "_s + event.name;
    r.margins = {kTop, 297 - kBottom, kLeft, 210 - kLeft - kWidth};
    r.font = font(9);
    return r;
}

std::vector<Page> bookPages(const Event& event, const std::vector<BookLine>& lines) {
    return Layout(event, lines).run();
}

void previewBook(QWidget* owner, const Event& event, const std::vector<BookLine>& lines) {
    const mz::report::Report report = bookReport(event);
    std::vector<Page> pages = bookPages(event, lines);
    mz::platform::openModal(owner, TReportPreview::current(), [&](QWidget* parent) {
        return new TReportPreview(report, std::move(pages), {}, parent);
    });
}

QStringList bookCsvHeader() {
    return {u"受付番号"_s, u"氏名"_s, u"住所"_s, u"関係"_s, u"金額"_s, u"備考"_s, u"収入番号"_s};
}

std::vector<QStringList> bookCsvRows(const std::vector<BookLine>& lines) {
    std::vector<QStringList> rows;
    for (const BookLine& l : lines) {
        const Entry& e = l.entry;
        rows.push_back({e.number, e.name, l.address, e.relation,
                        e.amount ? mz::format::formatNumber(*e.amount) : QString(), e.memo,
                        QString::number(e.incomeNo)});
    }
    return rows;
}

}  // namespace mz::reception
