#pragma once
// What the desk hands over when it closes (締め): the cash counted by denomination against the
// recorded total, and the event's book of guests — 香典帳 for a funeral, 芳名録 otherwise — as
// report pages (preview, print, PDF) and as CSV rows for spreadsheets.

#include "reception/desk.h"
#include "report/report.h"

#include <QStringList>

#include <array>
#include <vector>

class QWidget;

namespace mz::reception {

// The notes counted one by one and the coins as one sum.
struct CashCount {
    static constexpr std::array<int, 4> kNotes{10000, 5000, 2000, 1000};
    std::array<qint64, 4> notes{};  // how many of each of kNotes
    qint64 coins = 0;               // yen in coins
    double total() const;
};

// One line of the book: the guest with the address from the address book.
struct BookLine {
    Entry entry;
    QString address;
};

// The event's entries in the order they were taken (受付番号), with their addresses.
std::vector<BookLine> bookLines(Desk& desk);

// "香典帳" for an event whose purpose is a condolence (弔事), "芳名録" otherwise.
QString bookTitle(const Event& event);

// A4 portrait pages: heading with the event, then 受付番号, 氏名, 住所, 関係, 金額 per line;
// every page ends with its own count and total, the last one also with the event's.
mz::report::Report bookReport(const Event& event);
std::vector<mz::report::Page> bookPages(const Event& event, const std::vector<BookLine>& lines);
void previewBook(QWidget* owner, const Event& event, const std::vector<BookLine>& lines);

// The CSV columns and rows of the book (amounts as plain numbers, as spreadsheets take them).
QStringList bookCsvHeader();
std::vector<QStringList> bookCsvRows(const std::vector<BookLine>& lines);

}  // namespace mz::reception
