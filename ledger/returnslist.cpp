#include "ledger/returnslist.h"

#include "data/cursor.h"
#include "platform/modal.h"
#include "report/TReportPreview.h"
#include "report/pagewriter.h"
#include "widgets/format.h"

using namespace Qt::StringLiterals;

namespace mz::ledger::returns {

namespace {

using mz::report::Align;
using mz::report::Font;
using mz::report::makeFont;
using mz::report::Page;

constexpr double kLeft = 15;
constexpr double kTop = 15;
constexpr double kWidth = 180;
constexpr double kBottom = 297 - 15;
constexpr double kRow = 5;

struct Column {
    double x, w;
    Align align;
};

// 期日, 氏名, 住所, 品物, 予算.
constexpr Column kColumns[] = {{0, 20, Align::Left},
                               {21, 34, Align::Left},
                               {56, 70, Align::Left},
                               {127, 24, Align::Left},
                               {152, 28, Align::Right}};

// A full-width character of the 9-point text is 9 pt (3.175 mm) wide.
constexpr double kEmMm = 25.4 * 9 / 72;

// A text broken at its line feeds and wherever a line would be wider than `em` full-width
// characters (a half-width character counts half).
QStringList wrapped(const QString& text, double em) {
    QStringList lines;
    QString line;
    double width = 0;
    for (QChar c : text) {
        if (c == u'\n') {
            lines << line;
            line.clear();
            width = 0;
            continue;
        }
        const double w =
            (c.unicode() < 0x80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)) ? 0.5 : 1;
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
    Layout(const std::vector<Row>& rows, const AddressBook& book, const QDate& printed,
           const QDate& today)
        : PageWriter({kLeft, kTop, kWidth, kBottom}),
          rows_(rows),
          book_(book),
          printed_(printed),
          today_(today) {}

    std::vector<Page> run() {
        newPage();
        text(kLeft, y_, kWidth, 8, makeFont(mz::report::kPGothic, 16, true), u"お返し送付リスト"_s,
             Align::Centre);
        y_ += 10;
        text(kLeft, y_, kWidth, kRow, makeFont(mz::report::kGothic, 9),
             u"作成日 "_s + mz::format::formatDate(printed_), Align::Right);
        y_ += kRow + 2;
        header();
        if (rows_.empty()) {
            text(kLeft, y_, kWidth, kRow, makeFont(mz::report::kGothic, 9),
                 u"該当するお返しはありません。"_s, Align::Left);
            y_ += kRow;
        }
        for (const Row& r : rows_) {
            QString due = r.record ? mz::format::formatDate(r.record->dueDate) : QString();
            if (r.overdue(today_)) due += u"\n（超過）"_s;
            const QString name = r.name + u" 様"_s;
            const QString item = r.record ? r.record->item : QString();
            const QString cells[] = {due, name, book_.addressOf(r.name, true), item,
                                     budgetText(r.budget)};
            std::vector<QStringList> lines;
            qsizetype height = 1;
            for (size_t i = 0; i < std::size(kColumns); ++i) {
                lines.push_back(wrapped(cells[i], kColumns[i].w / kEmMm));
                height = std::max(height, lines.back().size());
            }
            if (y_ + double(height) * kRow > bodyBottom()) {
                newPage();
                header();
            }
            for (size_t i = 0; i < std::size(kColumns); ++i)
                for (qsizetype l = 0; l < lines[i].size(); ++l)
                    text(kLeft + kColumns[i].x, y_ + double(l) * kRow, kColumns[i].w, kRow,
                         makeFont(mz::report::kGothic, 9), lines[i][l], kColumns[i].align);
            y_ += double(height) * kRow + 1;
        }
        if (y_ + 2 * kRow > bodyBottom()) newPage();
        rule();
        text(kLeft, y_, kWidth, kRow, makeFont(mz::report::kGothic, 9, true),
             totalsText(totalsOf(rows_, today_)), Align::Left);
        y_ += kRow;
        finishPage();
        return std::move(pages_);
    }

private:
    void header() {
        const QString titles[] = {u"期日"_s, u"氏名"_s, u"住所"_s, u"品物"_s, u"予算"_s};
        for (size_t i = 0; i < std::size(kColumns); ++i)
            text(kLeft + kColumns[i].x, y_, kColumns[i].w, kRow,
                 makeFont(mz::report::kGothic, 9, true), titles[i], kColumns[i].align);
        y_ += kRow;
        rule();
    }

    const std::vector<Row>& rows_;
    const AddressBook& book_;
    QDate printed_, today_;
};

}  // namespace

AddressBook AddressBook::load() {
    AddressBook book;
    mz::data::Cursor c;
    c.open(u"Aitesaki.DBF"_s);
    for (c.first(); !c.eof(); c.next()) {
        const QString name = balance::normalisedName(c.text(u"氏名"_s));
        if (name.isEmpty()) continue;
        QStringList first;
        const QString postal = c.text(u"〒"_s).trimmed();
        if (!postal.isEmpty()) first << u"〒"_s + postal;
        first << c.text(u"住所1"_s).trimmed();
        first.removeAll(QString());
        QStringList lines{first.join(u' '), c.text(u"住所2"_s).trimmed()};
        lines.removeAll(QString());
        book.byName_[name].push_back(lines.join(u'\n'));
    }
    return book;
}

QString AddressBook::addressOf(const QString& name, bool lines) const {
    const auto it = byName_.find(balance::normalisedName(name));
    if (it == byName_.end()) return u"（住所録にありません）"_s;
    if (it->second.size() > 1) return u"（同名の相手先が %1 件あります）"_s.arg(it->second.size());
    QString address = it->second.front();
    if (!lines) address.replace(u'\n', u' ');
    return address;
}

mz::report::Report sendingListReport() {
    mz::report::Report r;
    r.name = u"お返し送付リスト"_s;
    r.title = u"お返し送付リスト"_s;
    r.margins = {kTop, 297 - kBottom, kLeft, 210 - kLeft - kWidth};
    r.font = makeFont(mz::report::kGothic, 10);
    return r;
}

std::vector<mz::report::Page> sendingListPages(const std::vector<Row>& rows,
                                               const AddressBook& book, const QDate& printed,
                                               const QDate& today) {
    return Layout(rows, book, printed, today).run();
}

void previewSendingList(QWidget* owner, const std::vector<Row>& rows) {
    const mz::report::Report report = sendingListReport();
    const QDate today = QDate::currentDate();
    std::vector<Page> pages = sendingListPages(rows, AddressBook::load(), today, today);
    mz::platform::openModal(owner, TReportPreview::current(), [&](QWidget* parent) {
        return new TReportPreview(report, std::move(pages), {}, parent);
    });
}

}  // namespace mz::ledger::returns
