#include "ledger/returns.h"

#include "data/cursor.h"
#include "data/fieldcodec.h"
#include "data/tabledefs.h"
#include "widgets/format.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace mz::ledger::returns {

namespace {

using mz::data::EngineError;
using mz::data::FieldChanges;
using mz::data::Table;
using mz::data::Value;

const QString kNumber = u"収入番号"_s;
const QString kDue = u"返礼要"_s;
const QString kDueDate = u"期日"_s;
const QString kStatus = u"状況"_s;
const QString kSent = u"送付日"_s;
const QString kItem = u"品物"_s;
const QString kSpent = u"返礼額"_s;
const QString kMemo = u"メモ"_s;

const QString kCategory = u"区分番号"_s;
const QString kCustomary = u"返礼"_s;
const QString kLow = u"下限割合"_s;
const QString kHigh = u"上限割合"_s;
const QString kDays = u"期日日数"_s;
const QString kMonths = u"期日月数"_s;

std::optional<double> numberOf(const Value& v) {
    const double* d = std::get_if<double>(&v);
    if (!d || !std::isfinite(*d)) return std::nullopt;
    return *d;
}

// A whole number of a field, 0 when empty, clamped to what an int holds.
int wholeOf(const Value& v) {
    const std::optional<double> d = numberOf(v);
    if (!d) return 0;
    const double r = std::round(*d);
    if (r <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    if (r >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(r);
}

QString textOf(const Value& v) {
    const QString* s = std::get_if<QString>(&v);
    return s ? s->trimmed() : QString();
}

QDate dateOf(const Value& v) {
    const QDate* d = std::get_if<QDate>(&v);
    return d ? *d : QDate();
}

bool boolOf(const Value& v) {
    const bool* b = std::get_if<bool>(&v);
    return b && *b;
}

Record readRecord(const Table& t, quint32 recno) {
    const auto& d = t.def();
    auto at = [&](const QString& f) { return t.value(recno, d.fieldIndex(f)); };
    Record r;
    r.incomeNo = wholeOf(at(kNumber));
    r.due = boolOf(at(kDue));
    r.dueDate = dateOf(at(kDueDate));
    r.status = statusFromText(textOf(at(kStatus)), r.due);
    r.sentDate = dateOf(at(kSent));
    r.item = textOf(at(kItem));
    r.spent = numberOf(at(kSpent));
    r.memo = textOf(at(kMemo));
    return r;
}

FieldChanges changesOf(const mz::data::TableDef& d, const Record& r) {
    auto dateValue = [](const QDate& date) { return date.isValid() ? Value(date) : Value(); };
    FieldChanges c;
    c.emplace_back(d.fieldIndex(kNumber), double(r.incomeNo));
    c.emplace_back(d.fieldIndex(kDue), r.due);
    c.emplace_back(d.fieldIndex(kDueDate), dateValue(r.dueDate));
    c.emplace_back(d.fieldIndex(kStatus), statusText(r.status));
    c.emplace_back(d.fieldIndex(kSent), dateValue(r.sentDate));
    c.emplace_back(d.fieldIndex(kItem), r.item);
    c.emplace_back(d.fieldIndex(kSpent), r.spent ? Value(*r.spent) : Value());
    c.emplace_back(d.fieldIndex(kMemo), r.memo);
    return c;
}

// Live records of a number, in record order.
std::vector<quint32> recordsOf(const Table& t, qint32 incomeNo) {
    const int field = t.def().fieldIndex(kNumber);
    std::vector<quint32> out;
    for (quint32 r = 1; r <= t.recordCount(); ++r)
        if (!t.isDeleted(r) && wholeOf(t.value(r, field)) == incomeNo) out.push_back(r);
    return out;
}

bool fileExists(const QString& name) {
    for (const QString& f : QDir::current().entryList(QDir::Files))
        if (f.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

double roundTo100(double v) {
    return std::floor(v / 100.0 + 0.5) * 100.0;
}

}  // namespace

QString statusText(Status status) {
    switch (status) {
        case Status::Unarranged:
            return u"未手配"_s;
        case Status::Arranged:
            return u"手配済"_s;
        case Status::Sent:
            return u"送付済"_s;
        case Status::NotNeeded:
            return u"不要"_s;
    }
    return {};
}

Status statusFromText(const QString& text, bool due) {
    for (int i = 0; i < kStatusCount; ++i)
        if (text == statusText(Status(i))) return Status(i);
    return due ? Status::Unarranged : Status::NotNeeded;
}

Rules Rules::defaults() {
    // A third as the rule table holds it (four decimals), so that the defaults read back equal.
    constexpr double kThird = 0.3333;
    Rules r;
    r.rules_[0] = {true, 0.5, 0.5, 0, 1};      // お祝い: 半返し, within a month
    r.rules_[3] = {true, kThird, 0.5, 0, 0};   // お見舞い: once recovered
    r.rules_[4] = {true, kThird, 0.5, 49, 0};  // 弔事全般: after 四十九日
    return r;
}

Rules Rules::load() {
    Rules r = defaults();
    const QString name = QString::fromUtf16(kRuleTable);
    if (!fileExists(name)) return r;
    const std::shared_ptr<Table> t = Table::open(name);
    const auto& d = t->def();
    for (quint32 recno = 1; recno <= t->recordCount(); ++recno) {
        if (t->isDeleted(recno)) continue;
        auto at = [&](const QString& f) { return t->value(recno, d.fieldIndex(f)); };
        const Value category = at(kCategory);
        const int c = wholeOf(category);
        if (mz::data::isNull(category) || c < 0 || c >= balance::kCategoryCount) continue;
        Rule rule;
        rule.customary = boolOf(at(kCustomary));
        rule.lowFraction = std::max(0.0, numberOf(at(kLow)).value_or(0));
        rule.highFraction = std::max(rule.lowFraction, numberOf(at(kHigh)).value_or(0));
        rule.dueDays = std::clamp(wholeOf(at(kDays)), 0, 3660);
        rule.dueMonths = std::clamp(wholeOf(at(kMonths)), 0, 120);
        r.rules_[size_t(c)] = rule;
    }
    return r;
}

void Rules::save() const {
    const std::shared_ptr<Table> t = Table::open(QString::fromUtf16(kRuleTable));
    const auto& d = t->def();
    for (int c = 0; c < balance::kCategoryCount; ++c) {
        const Rule& rule = rules_[size_t(c)];
        FieldChanges changes{{d.fieldIndex(kCategory), double(c)},
                             {d.fieldIndex(kCustomary), rule.customary},
                             {d.fieldIndex(kLow), rule.lowFraction},
                             {d.fieldIndex(kHigh), rule.highFraction},
                             {d.fieldIndex(kDays), double(rule.dueDays)},
                             {d.fieldIndex(kMonths), double(rule.dueMonths)}};
        quint32 found = 0;
        for (quint32 recno = 1; recno <= t->recordCount() && !found; ++recno)
            if (!t->isDeleted(recno) && wholeOf(t->value(recno, d.fieldIndex(kCategory))) == c &&
                !mz::data::isNull(t->value(recno, d.fieldIndex(kCategory))))
                found = recno;
        if (found)
            t->update(found, changes);
        else
            t->append(changes);
    }
}

const Rule& Rules::of(int category) const {
    if (category < 0 || category >= balance::kCategoryCount) category = balance::kOtherCategory;
    return rules_[size_t(category)];
}

void Rules::set(int category, const Rule& rule) {
    if (category < 0 || category >= balance::kCategoryCount) return;
    rules_[size_t(category)] = rule;
}

QDate dueDateFor(const Rule& rule, const QDate& received) {
    if (!rule.customary || !received.isValid()) return {};
    if (rule.dueMonths > 0) return received.addMonths(rule.dueMonths);
    if (rule.dueDays > 0) return received.addDays(rule.dueDays);
    return {};
}

std::optional<Budget> budgetFor(const Rule& rule, std::optional<double> amount) {
    if (!rule.customary || !amount || !std::isfinite(*amount) || *amount <= 0) return std::nullopt;
    return Budget{roundTo100(*amount * rule.lowFraction), roundTo100(*amount * rule.highFraction)};
}

QString budgetText(const std::optional<Budget>& budget) {
    if (!budget) return {};
    const QString low = mz::format::formatYen(budget->low);
    if (budget->low == budget->high) return low;
    return low + u"～"_s + mz::format::formatYen(budget->high);
}

Record defaultsFor(const Rules& rules, int category, qint32 incomeNo, const QDate& received) {
    const Rule& rule = rules.of(category);
    Record r;
    r.incomeNo = incomeNo;
    r.due = rule.customary;
    r.dueDate = dueDateFor(rule, received);
    r.status = rule.customary ? Status::Unarranged : Status::NotNeeded;
    return r;
}

bool isUntouched(const Record& r) {
    const Status initial = r.due ? Status::Unarranged : Status::NotNeeded;
    return r.status == initial && !r.sentDate.isValid() && r.item.isEmpty() && !r.spent &&
           r.memo.isEmpty();
}

bool returnTableExists() {
    return fileExists(QString::fromUtf16(kReturnTable));
}

std::shared_ptr<Table> openReturnTable() {
    return Table::open(QString::fromUtf16(kReturnTable));
}

std::optional<Record> find(Table& table, qint32 incomeNo) {
    table.refresh();
    const std::vector<quint32> recs = recordsOf(table, incomeNo);
    if (recs.empty()) return std::nullopt;
    return readRecord(table, recs.front());
}

std::map<qint32, Record> loadAll(Table& table) {
    table.refresh();
    std::map<qint32, Record> out;
    for (quint32 r = 1; r <= table.recordCount(); ++r) {
        if (table.isDeleted(r)) continue;
        Record rec = readRecord(table, r);
        out.emplace(rec.incomeNo, std::move(rec));
    }
    return out;
}

void store(Table& table, const Record& r) {
    table.refresh();
    const std::vector<quint32> recs = recordsOf(table, r.incomeNo);
    const FieldChanges changes = changesOf(table.def(), r);
    if (!recs.empty()) {
        table.update(recs.front(), changes);
        return;
    }
    table.append(changes);
}

int removeFor(Table& table, qint32 incomeNo) {
    table.refresh();
    const std::vector<quint32> recs = recordsOf(table, incomeNo);
    for (quint32 r : recs) table.remove(r);
    return int(recs.size());
}

NewEntryReturn::NewEntryReturn()
    : table_(openReturnTable()),
      rules_(Rules::load()),
      purposes_(balance::PurposeCategories::load()) {}

void NewEntryReturn::write(const Table& income, const FieldChanges& changes) {
    written_.reset();
    const auto& d = income.def();
    auto valueOf = [&](const QString& field) -> Value {
        const int i = d.fieldIndex(field);
        for (const auto& [f, v] : changes)
            if (f == i) return v;
        return Value();
    };
    const qint32 number = wholeOf(valueOf(kNumber));
    const int category = purposes_.of(textOf(valueOf(u"目的"_s)));
    const Record r = defaultsFor(rules_, category, number, dateOf(valueOf(u"収入日"_s)));
    // A record left behind under this number (its entry deleted by an older program) makes way.
    removeFor(*table_, number);
    try {
        table_->append(changesOf(table_->def(), r));
    } catch (const mz::data::ChangeStoredError&) {
        // The record is stored once; only its index waits for the next write to be put right.
        // This error must not reach the entry's post, which would take it for its own.
    }
    written_ = number;
}

void NewEntryReturn::undo() noexcept {
    if (!written_) return;
    try {
        removeFor(*table_, *written_);
    } catch (...) {
        // The record stays for an entry that is not there; お返し管理 shows only records of
        // existing entries, and the next entry of this number replaces it.
    }
    written_.reset();
}

void followEntryEdit(qint32 incomeNo, const QString& purpose, const QDate& received) {
    const std::shared_ptr<Table> t = openReturnTable();
    const std::optional<Record> old = find(*t, incomeNo);
    if (old && !isUntouched(*old)) return;
    const Rules rules = Rules::load();
    const int category = balance::PurposeCategories::load().of(purpose);
    const Record r = defaultsFor(rules, category, incomeNo, received);
    if (old && *old == r) return;
    store(*t, r);
}

void removeEntryWithReturn(mz::data::Cursor& income, qint32 incomeNo) {
    const std::shared_ptr<Table> t = openReturnTable();
    t->refresh();
    std::vector<FieldChanges> saved;
    for (quint32 r : recordsOf(*t, incomeNo))
        saved.push_back(changesOf(t->def(), readRecord(*t, r)));
    removeFor(*t, incomeNo);
    try {
        income.remove();
    } catch (const mz::data::ChangeStoredError&) {
        throw;  // the entry is deleted after all, and so are its records
    } catch (...) {
        try {
            for (const FieldChanges& c : saved) t->append(c);
        } catch (const EngineError& e) {
            throw EngineError(
                u"収入データを削除できませんでした。そのお返しの記録も元に戻せませんでした。\n%1"_s
                    .arg(e.message()));
        }
        throw;
    }
}

// --- the list -----------------------------------------------------------------------------------

bool Row::pending() const {
    return record && record->due &&
           (record->status == Status::Unarranged || record->status == Status::Arranged);
}

bool Row::overdue(const QDate& today) const {
    return pending() && record->dueDate.isValid() && record->dueDate < today;
}

QStringList statusFilterTexts() {
    return {u"未送付（要返礼）"_s, u"未手配"_s, u"手配済"_s, u"送付済"_s, u"不要"_s,
            u"記録なし"_s,         u"すべて"_s};
}

namespace {

bool passesStatus(const Row& r, StatusFilter f) {
    switch (f) {
        case StatusFilter::Pending:
            return r.pending();
        case StatusFilter::Unarranged:
            return r.record && r.record->status == Status::Unarranged;
        case StatusFilter::Arranged:
            return r.record && r.record->status == Status::Arranged;
        case StatusFilter::Sent:
            return r.record && r.record->status == Status::Sent;
        case StatusFilter::NotNeeded:
            return r.record && r.record->status == Status::NotNeeded;
        case StatusFilter::NoRecord:
            return !r.record;
        case StatusFilter::All:
            return true;
    }
    return true;
}

}  // namespace

std::vector<Row> gatherRows(const Filter& filter) {
    const Rules rules = Rules::load();
    const balance::PurposeCategories purposes = balance::PurposeCategories::load();
    std::map<qint32, Record> records;
    if (returnTableExists()) records = loadAll(*openReturnTable());
    const QString name = balance::normalisedName(filter.name);
    const QString purpose = balance::normalisedName(filter.purpose);

    const std::shared_ptr<Table> income = Table::open(u"Indata.DBF"_s);
    income->refresh();
    const auto& d = income->def();
    const int fNumber = d.fieldIndex(kNumber), fDate = d.fieldIndex(u"収入日"_s),
              fName = d.fieldIndex(u"氏名"_s), fPurpose = d.fieldIndex(u"目的"_s),
              fAmount = d.fieldIndex(u"金額"_s);
    std::vector<Row> rows;
    for (quint32 recno = 1; recno <= income->recordCount(); ++recno) {
        if (income->isDeleted(recno)) continue;
        Row r;
        r.received = dateOf(income->value(recno, fDate));
        if (filter.from.isValid() && (!r.received.isValid() || r.received < filter.from)) continue;
        if (filter.to.isValid() && (!r.received.isValid() || r.received > filter.to)) continue;
        r.name = textOf(income->value(recno, fName));
        if (!name.isEmpty() && !balance::normalisedName(r.name).contains(name)) continue;
        r.purpose = textOf(income->value(recno, fPurpose));
        if (!purpose.isEmpty() && !balance::normalisedName(r.purpose).contains(purpose)) continue;
        r.incomeNo = wholeOf(income->value(recno, fNumber));
        r.category = purposes.of(r.purpose);
        r.amount = numberOf(income->value(recno, fAmount));
        r.budget = budgetFor(rules.of(r.category), r.amount);
        if (auto it = records.find(r.incomeNo); it != records.end()) r.record = it->second;
        if (!passesStatus(r, filter.status)) continue;
        rows.push_back(std::move(r));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        const QDate da = a.record ? a.record->dueDate : QDate();
        const QDate db = b.record ? b.record->dueDate : QDate();
        if (da.isValid() != db.isValid()) return da.isValid();
        if (da != db) return da < db;
        if (a.received != b.received) return a.received < b.received;
        return a.incomeNo < b.incomeNo;
    });
    return rows;
}

ListTotals totalsOf(const std::vector<Row>& rows, const QDate& today) {
    ListTotals t;
    for (const Row& r : rows) {
        ++t.count;
        if (r.overdue(today)) ++t.overdue;
        if (r.amount) t.received += *r.amount;
        if (r.budget) {
            t.budgetLow += r.budget->low;
            t.budgetHigh += r.budget->high;
        }
        if (r.record && r.record->spent) t.spent += *r.record->spent;
    }
    return t;
}

QString totalsText(const ListTotals& t) {
    QString text = u"%1 件"_s.arg(t.count);
    if (t.overdue > 0) text += u"（期限超過 %1 件）"_s.arg(t.overdue);
    text += u"　いただいた "_s + mz::format::formatYen(t.received);
    text += u"　予算 "_s + budgetText(Budget{t.budgetLow, t.budgetHigh});
    text += u"　返礼額 "_s + mz::format::formatYen(t.spent);
    return text;
}

// The same rows as gatherRows() with the pending filter, counted without building them: the main
// window asks at every start, so the two tables are read in pieces for the few fields that
// decide (and kept nowhere), and only the oldest row is made whole.
Reminder overdueReminder(const QDate& today) {
    Reminder out;
    if (!returnTableExists()) return out;
    using mz::data::decodeField;
    using mz::data::FieldDef;

    // The overdue return records; an entry with more than one record goes by its first.
    struct Due {
        qint32 incomeNo;
        quint32 recno;
        qint64 dueDay;  // Julian day of the due date
        bool overdue;
    };
    std::vector<Due> dues;
    const std::shared_ptr<Table> t = openReturnTable();
    t->refresh();
    {
        const auto& d = t->def();
        auto slice = [&](const QString& name) {
            const int i = d.fieldIndex(name);
            return std::pair<const FieldDef*, int>{&d.fields[size_t(i)], t->fieldOffset(i)};
        };
        const auto number = slice(kNumber), due = slice(kDue), dueDate = slice(kDueDate),
                   status = slice(kStatus);
        auto field = [](const std::pair<const FieldDef*, int>& f, QByteArrayView rec) {
            return decodeField(*f.first, rec.sliced(f.second, f.first->width));
        };
        t->scanRecords([&](quint32 recno, QByteArrayView rec) {
            if (rec[0] == '*') return;
            Row probe;
            probe.record = Record{};
            probe.record->due = boolOf(field(due, rec));
            probe.record->dueDate = dateOf(field(dueDate, rec));
            probe.record->status = statusFromText(textOf(field(status, rec)), probe.record->due);
            if (probe.overdue(today))
                dues.push_back({wholeOf(field(number, rec)), recno,
                                probe.record->dueDate.toJulianDay(), true});
        });
        std::sort(dues.begin(), dues.end(), [](const Due& a, const Due& b) {
            return a.incomeNo != b.incomeNo ? a.incomeNo < b.incomeNo : a.recno < b.recno;
        });
        dues.erase(std::unique(dues.begin(), dues.end(),
                               [](const Due& a, const Due& b) { return a.incomeNo == b.incomeNo; }),
                   dues.end());
        // A second pass drops those whose entry has an earlier record that is not overdue.
        if (!dues.empty())
            t->scanRecords([&](quint32 recno, QByteArrayView rec) {
                if (rec[0] == '*') return;
                const qint32 no = wholeOf(field(number, rec));
                const auto it =
                    std::lower_bound(dues.begin(), dues.end(), no,
                                     [](const Due& e, qint32 n) { return e.incomeNo < n; });
                if (it != dues.end() && it->incomeNo == no && recno < it->recno)
                    it->overdue = false;
            });
        std::erase_if(dues, [](const Due& e) { return !e.overdue; });
    }
    if (dues.empty()) return out;

    // Every income entry with an overdue return counts; the oldest is the first of them in the
    // order of the list (due date, then date of receipt, then number).
    const std::shared_ptr<Table> income = Table::open(u"Indata.DBF"_s);
    income->refresh();
    const auto& d = income->def();
    const int fNumber = d.fieldIndex(kNumber), fDate = d.fieldIndex(u"収入日"_s);
    const FieldDef& numberField = d.fields[size_t(fNumber)];
    const FieldDef& dateField = d.fields[size_t(fDate)];
    const int numberAt = income->fieldOffset(fNumber), dateAt = income->fieldOffset(fDate);
    struct Oldest {
        qint64 dueDay;
        QDate received;
        qint32 incomeNo;
        quint32 incomeRecno;
        quint32 returnRecno;
    };
    std::optional<Oldest> oldest;
    income->scanRecords([&](quint32 recno, QByteArrayView rec) {
        if (rec[0] == '*') return;
        const qint32 no =
            wholeOf(decodeField(numberField, rec.sliced(numberAt, numberField.width)));
        const auto it = std::lower_bound(dues.begin(), dues.end(), no,
                                         [](const Due& e, qint32 n) { return e.incomeNo < n; });
        if (it == dues.end() || it->incomeNo != no) return;
        ++out.count;
        const QDate received = dateOf(decodeField(dateField, rec.sliced(dateAt, dateField.width)));
        auto receivedBefore = [](const QDate& a, const QDate& b) {
            if (a.isValid() != b.isValid()) return !a.isValid();  // as gatherRows sorts them
            return a < b;
        };
        if (!oldest || it->dueDay < oldest->dueDay ||
            (it->dueDay == oldest->dueDay &&
             (receivedBefore(received, oldest->received) ||
              (received == oldest->received && no < oldest->incomeNo))))
            oldest = Oldest{it->dueDay, received, no, recno, it->recno};
    });
    if (!oldest) return out;

    Row r;
    r.incomeNo = oldest->incomeNo;
    r.received = oldest->received;
    r.name = textOf(income->value(oldest->incomeRecno, d.fieldIndex(u"氏名"_s)));
    r.purpose = textOf(income->value(oldest->incomeRecno, d.fieldIndex(u"目的"_s)));
    r.amount = numberOf(income->value(oldest->incomeRecno, d.fieldIndex(u"金額"_s)));
    r.category = balance::PurposeCategories::load().of(r.purpose);
    r.budget = budgetFor(Rules::load().of(r.category), r.amount);
    r.record = readRecord(*t, oldest->returnRecno);
    out.oldest = std::move(r);
    return out;
}

QString reminderText(const Reminder& reminder) {
    if (reminder.count == 0 || !reminder.oldest) return {};
    const Row& r = *reminder.oldest;
    return u"お返しの期限を過ぎたものが %1 件あります（最も古いもの：%2 様、%3、期日 %4）。"_s
        .arg(reminder.count)
        .arg(r.name, r.purpose, mz::format::formatDate(r.record->dueDate));
}

int markSent(const std::vector<qint32>& incomeNumbers, const QDate& sent) {
    if (incomeNumbers.empty()) return 0;
    const std::shared_ptr<Table> t = openReturnTable();
    const Rules rules = Rules::load();
    const balance::PurposeCategories purposes = balance::PurposeCategories::load();
    const std::map<qint32, Record> before = loadAll(*t);
    // An entry without a record starts from its defaults; the income table gives purpose and date.
    std::map<qint32, std::pair<QString, QDate>> entries;
    {
        const std::shared_ptr<Table> income = Table::open(u"Indata.DBF"_s);
        income->refresh();
        const auto& d = income->def();
        for (quint32 recno = 1; recno <= income->recordCount(); ++recno)
            if (!income->isDeleted(recno))
                entries.emplace(wholeOf(income->value(recno, d.fieldIndex(kNumber))),
                                std::pair{textOf(income->value(recno, d.fieldIndex(u"目的"_s))),
                                          dateOf(income->value(recno, d.fieldIndex(u"収入日"_s)))});
    }
    std::vector<qint32> done;
    try {
        for (qint32 number : incomeNumbers) {
            Record r;
            if (auto it = before.find(number); it != before.end()) {
                r = it->second;
            } else {
                const auto e = entries.find(number);
                if (e == entries.end())
                    throw EngineError(u"収入番号 %1 の収入データがありません"_s.arg(number));
                r = defaultsFor(rules, purposes.of(e->second.first), number, e->second.second);
            }
            r.due = true;
            r.status = Status::Sent;
            r.sentDate = sent;
            store(*t, r);
            done.push_back(number);
        }
    } catch (...) {
        // Put back what this step changed, newest first, so that the list is as it was.
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            try {
                if (auto old = before.find(*it); old != before.end())
                    store(*t, old->second);
                else
                    removeFor(*t, *it);
            } catch (...) {
            }
        }
        throw;
    }
    return int(done.size());
}

}  // namespace mz::ledger::returns
