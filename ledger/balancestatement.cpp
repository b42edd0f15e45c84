#include "ledger/balancestatement.h"

#include "platform/modal.h"
#include "report/TReportPreview.h"
#include "report/pagewriter.h"
#include "widgets/format.h"

using namespace Qt::StringLiterals;

namespace mz::ledger::balance {

namespace {

using mz::report::Align;
using mz::report::Font;
using mz::report::makeFont;
using mz::report::Page;

constexpr double kLeft = 15;
constexpr double kTop = 15;
constexpr double kWidth = 180;
constexpr double kBottom = 297 - 15;
constexpr double kLine = 5.5;           // a line of the 10-point text
constexpr double kRow = 5;              // a row of the 9-point tables
constexpr double kWrapEm = 50;          // full-width characters on a line of 10-point text

struct Column {
    double x, w;
    Align align;
};

// Entries: 日付, 氏名, 目的, 区分, いただいた, お贈りした.
constexpr Column kEntryColumns[] = {{0, 22, Align::Left},   {23, 38, Align::Left},
                                    {62, 30, Align::Left},  {93, 22, Align::Left},
                                    {116, 31, Align::Right}, {149, 31, Align::Right}};
// Totals: 区分, いただいた, お贈りした, 差引.
constexpr Column kTotalColumns[] = {{0, 30, Align::Left},
                                    {31, 31, Align::Right},
                                    {63, 31, Align::Right},
                                    {95, 31, Align::Right}};

// A line of text broken so that no piece is wider than `em` full-width characters (a
// half-width character counts half). The statement's texts are short; names and notes are the
// only ones that may need a second line.
QStringList wrapped(const QString& text, double em) {
    QStringList lines;
    QString line;
    double width = 0;
    for (QChar c : text) {
        const double w = (c.unicode() < 0x80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)) ? 0.5 : 1;
        if (width + w > em && !line.isEmpty()) {
            lines << line;
            line.clear();
            width = 0;
        }
        line += c;
        width += w;
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

class Layout : private mz::report::PageWriter {
public:
    explicit Layout(const Result& r) : PageWriter({kLeft, kTop, kWidth, kBottom}), r_(r) {}

    std::vector<Page> run() {
        newPage();
        text(kLeft, y_, kWidth, 8, makeFont(mz::report::kPGothic, 16, true), u"相手先別の贈答"_s,
             Align::Centre);
        y_ += 11;
        paragraph(u"相手先："_s + subjectText(r_), makeFont(mz::report::kGothic, 11, true));
        const QString people = peopleText(r_);
        if (!people.isEmpty()) paragraph((r_.scope == Scope::Household ? u"世帯："_s : u"本人："_s) + people);
        for (const QString& note : r_.notes()) paragraph(u"※ "_s + note);
        y_ += 3;

        entryHeader();
        if (r_.entries.empty()) {
            line(u"記録はありません。"_s, makeFont(mz::report::kGothic, 9));
        }
        for (const Entry& e : r_.entries) {
            if (y_ + kRow > bodyBottom()) {
                newPage();
                entryHeader();
            }
            const QStringList cells{mz::format::formatDate(e.date), e.name, e.purpose,
                                    categoryName(e.category),
                                    e.side == LedgerSide::Income ? amountText(e.amount) : QString(),
                                    e.side == LedgerSide::Expense ? amountText(e.amount) : QString()};
            row(kEntryColumns, cells, makeFont(mz::report::kGothic, 9));
        }

        // The totals and the last gifts stay together.
        const double block = 4 + kRow * (kCategoryCount + 2) + 3 + kLine * 2;
        y_ += 4;
        if (y_ + block > bodyBottom()) newPage();
        row(kTotalColumns, {u"区分"_s, u"いただいた"_s, u"お贈りした"_s, u"差引"_s},
            makeFont(mz::report::kGothic, 9, true));
        rule();
        for (int c = 0; c < kCategoryCount; ++c)
            totalRow(categoryName(c), r_.categories[static_cast<size_t>(c)], false);
        rule();
        totalRow(u"合計"_s, r_.total, true);
        y_ += 3;
        const bool names = r_.scope == Scope::Household;
        paragraph(u"最後にいただいた物："_s + lastGiftText(r_.lastIncome, names));
        paragraph(u"最後にお贈りした物："_s + lastGiftText(r_.lastExpense, names));
        finishPage();
        return std::move(pages_);
    }

private:
    void line(const QString& s, const Font& f) {
        text(kLeft, y_, kWidth, kRow, f, s, Align::Left);
        y_ += kRow;
    }

    void paragraph(const QString& s, const Font& f = makeFont(mz::report::kGothic, 10)) {
        for (const QString& piece : wrapped(s, kWrapEm)) {
            if (y_ + kLine > bodyBottom()) newPage();
            text(kLeft, y_, kWidth, kLine, f, piece, Align::Left);
            y_ += kLine;
        }
    }

    template <size_t N>
    void row(const Column (&columns)[N], const QStringList& cells, const Font& f) {
        for (size_t i = 0; i < N && i < static_cast<size_t>(cells.size()); ++i)
            text(kLeft + columns[i].x, y_, columns[i].w, kRow, f, cells[static_cast<qsizetype>(i)],
                 columns[i].align);
        y_ += kRow;
    }

    void entryHeader() {
        row(kEntryColumns,
            {u"日付"_s, u"氏名"_s, u"目的"_s, u"区分"_s, u"いただいた"_s, u"お贈りした"_s},
            makeFont(mz::report::kGothic, 9, true));
        rule();
    }

    void totalRow(const QString& name, const Totals& t, bool bold) {
        row(kTotalColumns,
            {name, mz::format::formatYen(t.received), mz::format::formatYen(t.given),
             mz::format::formatYen(t.balance())},
            makeFont(mz::report::kGothic, 9, bold));
    }

    const Result& r_;
};

}  // namespace

mz::report::Report statementReport() {
    mz::report::Report r;
    r.name = u"相手先別の贈答"_s;
    r.title = u"相手先別の贈答"_s;
    r.margins = {kTop, 297 - kBottom, kLeft, 210 - kLeft - kWidth};
    r.font = makeFont(mz::report::kGothic, 10);
    return r;
}

std::vector<mz::report::Page> statementPages(const Result& result) {
    return Layout(result).run();
}

QString subjectText(const Result& result) {
    const QString name = result.query.trimmed();
    return result.scope == Scope::Household && !result.unknownName ? name + u" の世帯"_s : name;
}

QString peopleText(const Result& result) {
    QStringList names;
    for (const Person& p : result.people) names << u"%1（%2）"_s.arg(p.name).arg(p.code);
    return names.join(u"、"_s);
}

QString amountText(const std::optional<double>& amount) {
    return amount ? mz::format::formatYen(*amount) : QString();
}

QString lastGiftText(const std::optional<Entry>& entry, bool withName) {
    if (!entry) return u"なし"_s;
    QStringList parts{mz::format::formatDate(entry->date), entry->purpose};
    if (entry->amount) parts << mz::format::formatYen(*entry->amount);
    parts.removeAll(QString());
    QString text = parts.join(u"　"_s);
    if (withName) text += u"（%1）"_s.arg(entry->name.trimmed());
    return text;
}

void previewStatement(QWidget* owner, const Result& result) {
    const mz::report::Report report = statementReport();
    std::vector<Page> pages = statementPages(result);
    mz::platform::openModal(owner, TReportPreview::current(), [&](QWidget* parent) {
        return new TReportPreview(report, std::move(pages), {}, parent);
    });
}

}  // namespace mz::ledger::balance
