#pragma once
// Return gifts (お返し): what is owed for a gift received, by when, and what was sent.
//
// Each income entry may have one return record in Okaeshi.DBF, keyed by its 収入番号: whether a
// return is due, the due date, the status (未手配 / 手配済 / 送付済 / 不要), the date sent, the
// item, the amount spent and a memo. The record is made from the rule of the entry's purpose
// category when the entry is registered (NewEntryReturn) and goes with the entry when it is
// deleted (removeEntryWithReturn). An entry without a record (one registered before the table
// existed) has none until the user gives it one in お返し管理.
//
// The rules per category (Henrei.dbf, one row per category that the user changed; a category
// without a row follows the built-in defaults) say whether a return is customary, its budget as
// a fraction of the amount received, and when it is due after the receipt.
//
// No widgets: the window お返し管理 (TOKAEshiForm), its list printout, the entry windows and
// the reminder line of the main window are built on this.

#include "data/table.h"
#include "ledger/balance.h"

#include <QDate>
#include <QString>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mz::ledger::returns {

inline constexpr char16_t kReturnTable[] = u"Okaeshi.DBF";
inline constexpr char16_t kRuleTable[] = u"Henrei.dbf";

enum class Status { Unarranged, Arranged, Sent, NotNeeded };
inline constexpr int kStatusCount = 4;
// "未手配", "手配済", "送付済", "不要".
QString statusText(Status status);
// The status of a stored text; an unknown or empty text reads as 未手配 when a return is due,
// else 不要.
Status statusFromText(const QString& text, bool due);

// The rule of one purpose category.
struct Rule {
    bool customary = false;   // a return is due by default
    double lowFraction = 0;   // budget: from amount × lowFraction
    double highFraction = 0;  // to amount × highFraction
    int dueDays = 0;          // due this many days after the receipt, or
    int dueMonths = 0;        // this many months after it; neither: no fixed date
    bool operator==(const Rule&) const = default;
};

class Rules {
public:
    // お祝い: due, half (半返し), within a month; 弔事全般: due, a third to a half, after the
    // forty-ninth day; お見舞い: due, a third to a half, no fixed date (once recovered);
    // 一般行事, お返し and the rest: none.
    static Rules defaults();
    // The rules of the current directory's Henrei.dbf over the defaults; the defaults alone when
    // the table is missing. Throws EngineError when it is there but cannot be read.
    static Rules load();
    // Writes every category's rule into Henrei.dbf (a row per category, updated in place).
    void save() const;

    const Rule& of(int category) const;
    void set(int category, const Rule& rule);
    bool operator==(const Rules&) const = default;

private:
    std::array<Rule, balance::kCategoryCount> rules_{};
};

// The due date of a gift received on `received` under `rule`: an invalid date when the rule
// gives none or the receipt has no date.
QDate dueDateFor(const Rule& rule, const QDate& received);

// The suggested budget: the amount received times each fraction, rounded to ¥100 (half up).
struct Budget {
    double low = 0;
    double high = 0;
};
std::optional<Budget> budgetFor(const Rule& rule, std::optional<double> amount);
// "￥5,000" or "￥3,300～￥5,000"; empty without a budget.
QString budgetText(const std::optional<Budget>& budget);

struct Record {
    qint32 incomeNo = 0;
    bool due = false;
    QDate dueDate;
    Status status = Status::NotNeeded;
    QDate sentDate;
    QString item;
    std::optional<double> spent;
    QString memo;
    bool operator==(const Record&) const = default;
};

// The record a new income entry gets from its purpose category and receipt date.
Record defaultsFor(const Rules& rules, int category, qint32 incomeNo, const QDate& received);

// Whether the user has done anything to a record beyond its defaults: a status other than the
// one it started with, a date sent, an item, an amount or a memo. Such a record is left alone
// when its entry's purpose or date is edited.
bool isUntouched(const Record& r);

// Reading and writing Okaeshi.DBF (opened through Table::open: the current directory).
// Whether the current directory holds it (a data directory whose upgrade failed does not: the
// ledger then works without return records).
bool returnTableExists();
std::shared_ptr<mz::data::Table> openReturnTable();
std::optional<Record> find(mz::data::Table& table, qint32 incomeNo);
// Every live record by 収入番号 (the first of a number wins).
std::map<qint32, Record> loadAll(mz::data::Table& table);
// Writes r over the record of its number, or appends it when there is none.
void store(mz::data::Table& table, const Record& r);
// Removes every record of the number; returns how many.
int removeFor(mz::data::Table& table, qint32 incomeNo);

// The return record written inside the post of a new income entry, so that the two go in
// together: write() runs under the income table's lock once the entry's number is decided
// (from the income post's completion) and appends the record; when the entry's post then fails
// without the entry being stored, undo() takes the record away again.
class NewEntryReturn {
public:
    // Opens the return table, reads the rules and the purposes' categories. Throws EngineError.
    NewEntryReturn();
    // Before each post: forgets the record of the entry before.
    void begin() { written_.reset(); }
    void write(const mz::data::Table& income, const mz::data::FieldChanges& changes);
    void undo() noexcept;
    // The number of the record written by the last write(), until undo().
    std::optional<qint32> written() const { return written_; }

private:
    std::shared_ptr<mz::data::Table> table_;
    Rules rules_;
    balance::PurposeCategories purposes_;
    std::optional<qint32> written_;
};

// After an income entry was edited: an entry without a record gets one with the defaults; an
// untouched record follows the entry's (new) purpose and date.
void followEntryEdit(qint32 incomeNo, const QString& purpose, const QDate& received);

// Deletes the income cursor's current entry (number incomeNo) and its return records as one
// step: the return records go first; when the entry cannot be deleted and is not, they are
// written back before the error goes on. A ChangeStoredError of the entry's delete (deleted
// after all) goes on as it came.
void removeEntryWithReturn(mz::data::Cursor& income, qint32 incomeNo);

// --- the list of お返し管理 ---------------------------------------------------------------------

// One income entry with its return record, as the list shows it.
struct Row {
    qint32 incomeNo = 0;
    QDate received;
    QString name;
    QString purpose;
    int category = balance::kOtherCategory;
    std::optional<double> amount;
    std::optional<Budget> budget;  // from the rule of the category
    std::optional<Record> record;  // empty: the entry has no return record (registered before)

    // Due and neither sent nor given up: 未手配 or 手配済 with 返礼要 set.
    bool pending() const;
    // Pending with a due date before today.
    bool overdue(const QDate& today) const;
};

enum class StatusFilter {
    Pending,  // due and not yet sent (the window's default)
    Unarranged,
    Arranged,
    Sent,
    NotNeeded,
    NoRecord,
    All,
};
// The texts of the status box, in the order of StatusFilter.
QStringList statusFilterTexts();

struct Filter {
    StatusFilter status = StatusFilter::Pending;
    QString purpose;  // part of 目的 (blanks ignored); empty: any
    QDate from, to;   // 収入日 from / to, inclusive; invalid: open
    QString name;     // part of 氏名 (blanks ignored); empty: any
};

// The income entries of the current directory that pass the filter, with their records, by due
// date (entries without one after those with one), then 収入日, then number. Throws EngineError.
std::vector<Row> gatherRows(const Filter& filter);

struct ListTotals {
    int count = 0;
    int overdue = 0;
    double received = 0;   // amounts received
    double budgetLow = 0;  // suggested budgets
    double budgetHigh = 0;
    double spent = 0;  // 返礼額 recorded
};
ListTotals totalsOf(const std::vector<Row>& rows, const QDate& today);
// "3 件（期限超過 1 件）　いただいた ￥60,000　予算 ￥20,000～￥30,000　返礼額 ￥15,000".
QString totalsText(const ListTotals& totals);

// The overdue returns of the current directory: how many, and the one due longest ago.
struct Reminder {
    int count = 0;
    std::optional<Row> oldest;
};
Reminder overdueReminder(const QDate& today);
// "お返しの期限を過ぎたものが 2 件あります（最も古いもの：山田 太郎 様、香典、期日 2024/04/19）。"
// Empty when nothing is overdue.
QString reminderText(const Reminder& reminder);

// Marks the entries as sent on `sent`, in one step: every one of them, or, when a write fails,
// none (the records changed so far are put back before the error goes on). An entry without a
// record gets one. Returns how many were marked.
int markSent(const std::vector<qint32>& incomeNumbers, const QDate& sent);

}  // namespace mz::ledger::returns
