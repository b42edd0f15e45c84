#include "ledger/balance.h"

#include "data/cp932.h"
#include "data/fieldcodec.h"
#include "data/table.h"
#include "masters/purposes.h"
#include "widgets/format.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace mz::ledger::balance {

namespace {

using mz::data::Cursor;
using mz::data::Table;
using mz::data::Value;

qint32 wholeNumber(const Value& v) {
    const double* d = std::get_if<double>(&v);
    if (!d || !std::isfinite(*d)) return 0;
    const double r = std::round(*d);
    if (r <= std::numeric_limits<qint32>::min()) return std::numeric_limits<qint32>::min();
    if (r >= std::numeric_limits<qint32>::max()) return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(r);
}

QString textOf(const Value& v) {
    const QString* s = std::get_if<QString>(&v);
    return s ? *s : QString();
}

// The household block of a code: block n holds n×100+1 to n×100+99.
qint32 blockOf(qint32 code) {
    return code >= 0 ? code / 100 : -((-code + 99) / 100);
}

bool inBlock(qint32 code, qint32 block) {
    return code > block * 100 && code < block * 100 + 100;
}

// A number field's value straight from its bytes (blank: none), without building a Value:
// the sums run over every row a grid shows.
std::optional<double> rawNumber(QByteArrayView raw) {
    qsizetype b = 0, e = raw.size();
    while (b < e && raw[b] == ' ') ++b;
    while (e > b && (raw[e - 1] == ' ' || raw[e - 1] == '\0')) --e;
    if (b == e) return std::nullopt;
    const char* first = raw.data() + b;
    if (*first == '+') ++first;
    double v = 0;
    auto [ptr, ec] = std::from_chars(first, raw.data() + e, v);
    if (ec != std::errc() || ptr != raw.data() + e || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Text fields decoded once per distinct spelling: the entries of one person repeat the same
// few names and purposes.
class TextCache {
public:
    QString operator()(QByteArrayView raw) {
        const QByteArrayView key = mz::data::trimmedText(raw);
        auto it = cache_.constFind(key.toByteArray());
        if (it != cache_.constEnd()) return *it;
        const QString text = mz::data::cp932::decode(key);
        cache_.insert(key.toByteArray(), text);
        return text;
    }

private:
    QHash<QByteArray, QString> cache_;
};

QString grouped(int n) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(n);
}

// One name being looked for in the ledgers: its normalised CP932 bytes, and the exact stored
// spellings of the people who bear it (to tell entries written with other blanks).
struct Target {
    QByteArray normalised;
    std::vector<QByteArray> spellings;
};

struct SideFields {
    int number, date, name, purpose, amount, marker;
};

SideFields sideFields(const Table& t, LedgerSide side) {
    const auto& def = t.def();
    const bool income = side == LedgerSide::Income;
    return {def.fieldIndex(income ? u"収入番号"_s : u"支出番号"_s),
            def.fieldIndex(income ? u"収入日"_s : u"支出日"_s),
            def.fieldIndex(u"氏名"_s),
            def.fieldIndex(u"目的"_s),
            def.fieldIndex(u"金額"_s),
            def.fieldIndex(u"物品／備考"_s)};
}

void collect(Result& out, const Table& t, LedgerSide side, const std::vector<Target>& targets,
             const PurposeCategories& purposes, bool known, TextCache& texts) {
    const SideFields f = sideFields(t, side);
    const auto& fields = t.def().fields;
    // The records lie one after another in the table's memory; the walk reads the deletion flag
    // and the name straight from there, and only a match looks at its other fields. Should the
    // table ever hold its records apart, each record is asked for on its own.
    const quint32 n = t.recordCount();
    if (n == 0) return;
    const char* base = t.record(1).data();
    const qsizetype size = t.record(1).size();
    const bool contiguous = t.record(n).data() == base + qsizetype(n - 1) * size;
    const qsizetype nameOffset = t.fieldOffset(f.name);
    const qsizetype nameWidth = fields[size_t(f.name)].width;
    for (quint32 r = 1; r <= n; ++r) {
        const char* rec = contiguous ? base + qsizetype(r - 1) * size : t.record(r).data();
        if (*rec == '*') continue;  // deleted
        const QByteArrayView raw(rec + nameOffset, nameWidth);
        const Target* hit = nullptr;
        for (const Target& target : targets)
            if (sameName(raw, target.normalised)) {
                hit = &target;
                break;
            }
        if (!hit) continue;
        Entry e;
        e.side = side;
        e.number = wholeNumber(mz::data::decodeField(fields[size_t(f.number)], t.rawField(r, f.number)));
        const Value date = mz::data::decodeField(fields[size_t(f.date)], t.rawField(r, f.date));
        if (const QDate* d = std::get_if<QDate>(&date)) e.date = *d;
        e.name = texts(raw);
        e.purpose = texts(t.rawField(r, f.purpose));
        e.category = purposes.of(e.purpose);
        e.amount = rawNumber(t.rawField(r, f.amount));
        e.goods = !mz::data::trimmedText(t.rawField(r, f.marker)).isEmpty();
        if (known) {
            const QByteArrayView stored = mz::data::trimmedText(raw);
            const bool exact = std::any_of(hit->spellings.begin(), hit->spellings.end(),
                                           [&](const QByteArray& s) { return stored == s; });
            if (!exact) ++out.variantSpellings;
        }
        out.entries.push_back(std::move(e));
    }
}

bool later(const Entry& a, const Entry& b) {
    if (a.date != b.date) return a.date > b.date;
    return a.number > b.number;
}

}  // namespace

QString normalisedName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (QChar c : name)
        if (c != u' ' && c != QChar(0x3000)) out += c;
    return out;
}

bool sameName(QByteArrayView raw, QByteArrayView normalised) {
    qsizetype j = 0;
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(raw[i]);
        if (b == 0x20) {
            ++i;
            continue;
        }
        const int len = mz::data::cp932::charLength(b);
        if (len == 2 && b == 0x81 && i + 1 < n && static_cast<unsigned char>(raw[i + 1]) == 0x40) {
            i += 2;  // full-width blank
            continue;
        }
        if (j + len > normalised.size() || i + len > n) return false;
        for (int k = 0; k < len; ++k)
            if (raw[i + k] != normalised[j + k]) return false;
        i += len;
        j += len;
    }
    return j == normalised.size();
}

QString categoryName(int category) {
    const auto& five = mz::masters::purposeCategories();
    if (category >= 0 && category < static_cast<int>(five.size()))
        return five[static_cast<size_t>(category)].text;
    return u"その他"_s;
}

PurposeCategories PurposeCategories::load() {
    PurposeCategories out;
    Cursor c;
    c.open(QString::fromUtf16(mz::masters::kPurposeTable));
    for (c.first(); !c.eof(); c.next()) {
        const QString name = normalisedName(c.text(QString::fromUtf16(mz::masters::kNameField)));
        if (name.isEmpty()) continue;
        int category = kOtherCategory;
        const Value number = c.value(QString::fromUtf16(mz::masters::kNumberField));
        const qint32 n = wholeNumber(number);
        if (!mz::data::isNull(number) && n >= 0 && n < kOtherCategory) {
            category = n;
        } else if (auto byText = mz::masters::purposeCategoryNumber(
                       c.text(QString::fromUtf16(mz::masters::kCategoryField)))) {
            category = *byText;
        }
        out.byName_.emplace_back(name, category);
    }
    // The first purpose of a name wins, as the purpose selection would find it first.
    std::stable_sort(out.byName_.begin(), out.byName_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

int PurposeCategories::of(const QString& purpose) const {
    const QString key = normalisedName(purpose);
    auto it = std::lower_bound(byName_.begin(), byName_.end(), key,
                               [](const auto& p, const QString& k) { return p.first < k; });
    return it != byName_.end() && it->first == key ? it->second : kOtherCategory;
}

void Totals::add(const Entry& e) {
    if (e.side == LedgerSide::Income) {
        ++receivedCount;
        if (e.amount) received += *e.amount;
    } else {
        ++givenCount;
        if (e.amount) given += *e.amount;
    }
}

QStringList Result::notes() const {
    QStringList out;
    if (unknownName) {
        out << u"「%1」は相手先に登録されていません。台帳の氏名が一致する記録を集計しています。"_s.arg(
            query.trimmed());
        if (scope == Scope::Household)
            out << u"世帯がわからないため、この氏名の分だけを集計しています。"_s;
    }
    for (const AmbiguousName& a : ambiguous) {
        QStringList codes;
        for (qint32 c : a.codes) codes << QString::number(c);
        out << u"「%1」という氏名の相手先が %2 人います（相手先コード %3）。台帳では区別できないため、合わせて集計しています。"_s
                   .arg(a.name)
                   .arg(a.codes.size())
                   .arg(codes.join(u"、"_s));
    }
    if (variantSpellings > 0)
        out << u"氏名の空白が相手先の登録と異なる記録 %1 件も含めています。"_s.arg(variantSpellings);
    return out;
}

Result gather(const Tables& tables, const QString& name, Scope scope) {
    Result out;
    out.query = name;
    out.scope = scope;
    const QString wanted = normalisedName(name);
    if (wanted.isEmpty()) return out;
    const std::optional<QByteArray> wantedBytes = mz::data::cp932::encode(wanted);
    if (!wantedBytes) {
        // A character no table can hold: no one and no entry has this name.
        out.unknownName = true;
        return out;
    }

    // The address book: the people of the name, then (for a household) their blocks.
    const Table& book = tables.counterparts->table();
    const int codeF = book.def().fieldIndex(u"相手先コード"_s);
    const int nameF = book.def().fieldIndex(u"氏名"_s);
    const int headF = book.def().fieldIndex(u"世帯代表"_s);
    const auto& bookFields = book.def().fields;
    const quint32 bookCount = book.recordCount();
    auto codeAt = [&](quint32 r) { return wholeNumber(rawNumber(book.rawField(r, codeF)).value_or(0)); };
    auto personAt = [&](quint32 r) {
        Person p;
        p.code = codeAt(r);
        p.name = textOf(mz::data::decodeField(bookFields[size_t(nameF)], book.rawField(r, nameF)));
        const Value head = mz::data::decodeField(bookFields[size_t(headF)], book.rawField(r, headF));
        p.head = std::get_if<bool>(&head) && std::get<bool>(head);
        return p;
    };

    std::vector<quint32> named;
    for (quint32 r = 1; r <= bookCount; ++r)
        if (!book.isDeleted(r) && sameName(book.rawField(r, nameF), *wantedBytes)) named.push_back(r);

    std::vector<quint32> gathered;  // address book records whose names are looked for
    if (named.empty()) {
        out.unknownName = true;
    } else if (scope == Scope::Person) {
        gathered = named;
    } else {
        for (quint32 r : named) {
            const qint32 block = blockOf(codeAt(r));
            if (!out.blocks.contains(block)) out.blocks << block;
        }
        std::sort(out.blocks.begin(), out.blocks.end());
        for (quint32 r = 1; r <= bookCount; ++r) {
            if (book.isDeleted(r)) continue;
            const qint32 code = codeAt(r);
            if (std::any_of(out.blocks.begin(), out.blocks.end(),
                            [code](qint32 b) { return inBlock(code, b); }))
                gathered.push_back(r);
        }
    }

    std::vector<Target> targets;
    if (gathered.empty()) {
        targets.push_back({*wantedBytes, {}});
    } else {
        for (quint32 r : gathered) {
            Person p = personAt(r);
            const QByteArray spelling = mz::data::trimmedText(book.rawField(r, nameF)).toByteArray();
            const std::optional<QByteArray> key = mz::data::cp932::encode(normalisedName(p.name));
            out.people.push_back(std::move(p));
            if (!key || key->isEmpty()) continue;
            auto it = std::find_if(targets.begin(), targets.end(),
                                   [&](const Target& t) { return t.normalised == *key; });
            if (it == targets.end()) targets.push_back({*key, {spelling}});
            else it->spellings.push_back(spelling);
        }
        std::sort(out.people.begin(), out.people.end(),
                  [](const Person& a, const Person& b) { return a.code < b.code; });
        // A name that someone else bears too (in or out of the households gathered).
        std::vector<AmbiguousName> shared(targets.size());
        for (quint32 r = 1; r <= bookCount; ++r) {
            if (book.isDeleted(r)) continue;
            const QByteArrayView raw = book.rawField(r, nameF);
            for (size_t t = 0; t < targets.size(); ++t)
                if (sameName(raw, targets[t].normalised)) {
                    const Person p = personAt(r);
                    if (shared[t].name.isEmpty()) shared[t].name = p.name;
                    shared[t].codes << p.code;
                }
        }
        for (AmbiguousName& a : shared)
            if (a.codes.size() > 1) {
                std::sort(a.codes.begin(), a.codes.end());
                out.ambiguous.push_back(std::move(a));
            }
    }

    const PurposeCategories* purposes = tables.purposes;
    PurposeCategories loaded;
    if (!purposes) {
        loaded = PurposeCategories::load();
        purposes = &loaded;
    }
    const bool known = !out.unknownName;
    TextCache texts;
    collect(out, tables.income->table(), LedgerSide::Income, targets, *purposes, known, texts);
    collect(out, tables.expense->table(), LedgerSide::Expense, targets, *purposes, known, texts);

    std::sort(out.entries.begin(), out.entries.end(), [](const Entry& a, const Entry& b) {
        const qint64 da = a.date.isValid() ? a.date.toJulianDay() : std::numeric_limits<qint64>::min();
        const qint64 db = b.date.isValid() ? b.date.toJulianDay() : std::numeric_limits<qint64>::min();
        if (da != db) return da < db;
        if (a.side != b.side) return a.side == LedgerSide::Income;
        return a.number < b.number;
    });
    for (const Entry& e : out.entries) {
        out.categories[static_cast<size_t>(std::clamp(e.category, 0, kOtherCategory))].add(e);
        out.total.add(e);
        std::optional<Entry>& last = e.side == LedgerSide::Income ? out.lastIncome : out.lastExpense;
        if (!last || later(e, *last)) last = e;
    }
    return out;
}

Result gather(const QString& name, Scope scope) {
    Cursor counterparts, income, expense;
    counterparts.open(u"Aitesaki.DBF"_s);
    income.open(u"Indata.DBF"_s);
    expense.open(u"Outdata.DBF"_s);
    const PurposeCategories purposes = PurposeCategories::load();
    return gather(Tables{&counterparts, &income, &expense, &purposes}, name, scope);
}

Sum sumAmounts(const Cursor& ledger) {
    Sum sum;
    if (!ledger.isOpen()) return sum;
    Table& t = ledger.table();
    const int f = t.def().fieldIndex(u"金額"_s);
    sum.count = ledger.recordCount();
    auto add = [&](QByteArrayView raw) {
        if (const std::optional<double> v = rawNumber(raw))
            sum.amount += *v;
        else
            ++sum.withoutAmount;
    };
    // A few rows are read where they are. Most of a large ledger is read in file order and in
    // pieces instead: reading it row by row in date order would keep all of it in memory.
    if (quint64(sum.count) * 16 < t.recordCount()) {
        for (int row = 0; row < sum.count; ++row) add(t.rawField(ledger.recnoAt(row), f));
        return sum;
    }
    std::vector<quint64> shown(size_t(t.recordCount()) / 64 + 1, 0);
    for (int row = 0; row < sum.count; ++row) {
        const quint32 r = ledger.recnoAt(row);
        shown[r >> 6] |= quint64(1) << (r & 63);
    }
    const int offset = t.fieldOffset(f);
    const int width = t.def().fields[size_t(f)].width;
    t.scanRecords([&](quint32 r, QByteArrayView rec) {
        if ((shown[r >> 6] >> (r & 63)) & 1u) add(rec.sliced(offset, width));
    });
    return sum;
}

QString sumText(const Sum& sum) {
    QString text = u"該当 %1 件　合計 %2"_s.arg(grouped(sum.count), mz::format::formatYen(sum.amount));
    if (sum.withoutAmount > 0) text += u"（金額なし %1 件）"_s.arg(grouped(sum.withoutAmount));
    return text;
}

}  // namespace mz::ledger::balance
