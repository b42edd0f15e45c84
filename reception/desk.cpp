#include "reception/desk.h"

#include "counterparts/personwindow.h"
#include "counterparts/registration.h"
#include "data/cp932.h"
#include "data/tabledefs.h"
#include "ledger/balance.h"
#include "ledger/ledgerentry.h"
#include "ledger/returns.h"
#include "widgets/kana.h"

#include <QDir>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace mz::reception {

namespace {

using data::EngineError;
using data::FieldChanges;
using data::Table;
using data::Value;

const QString kIncome = u"Indata.DBF"_s;
const QString kRemarkPresent = u"有り"_s;

qint32 whole(const Value& v) {
    const double* d = std::get_if<double>(&v);
    if (!d || !std::isfinite(*d)) return 0;
    const double r = std::round(*d);
    if (r <= std::numeric_limits<qint32>::min()) return std::numeric_limits<qint32>::min();
    if (r >= std::numeric_limits<qint32>::max()) return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(r);
}

QString textOf(const Value& v) {
    const QString* s = std::get_if<QString>(&v);
    return s ? s->trimmed() : QString();
}

std::optional<double> numberOf(const Value& v) {
    const double* d = std::get_if<double>(&v);
    if (!d) return std::nullopt;
    return *d;
}

Value textValue(const QString& s) { return s.isEmpty() ? Value() : Value(s); }

QString withoutBlanks(QString s) {
    s.remove(u' ');
    s.remove(QChar(0x3000));
    return s;
}

// The event tables of a data directory made before they existed are created at their first use.
std::shared_ptr<Table> openTable(const QString& name) {
    if (data::tableDefForFile(name) && !QDir::current().exists(name)) {
        bool found = false;
        for (const QString& f : QDir::current().entryList(QDir::Files))
            found = found || f.compare(name, Qt::CaseInsensitive) == 0;
        if (!found) data::createMissingTables(QDir::currentPath());
    }
    return Table::open(name);
}

Event eventAt(const Table& t, quint32 r) {
    const auto& d = t.def();
    Event e;
    e.number = whole(t.value(r, d.fieldIndex(u"行事番号"_s)));
    e.name = textOf(t.value(r, d.fieldIndex(u"行事名"_s)));
    const Value date = t.value(r, d.fieldIndex(u"行事日"_s));
    if (const QDate* dt = std::get_if<QDate>(&date)) e.date = *dt;
    e.purpose = textOf(t.value(r, d.fieldIndex(u"目的"_s)));
    e.family = textOf(t.value(r, d.fieldIndex(u"家族名"_s)));
    return e;
}

// Removes a record a later step of the same change had to give up; the first failure wins.
void undoAppend(Table& t, quint32 recno) noexcept {
    try {
        t.remove(recno);
    } catch (...) {
        // The error that made the change fail is the one the user sees; the record left here
        // is an entry of its own, visible and removable like any other.
    }
}

}  // namespace

QString Person::address() const {
    if (address1.isEmpty()) return address2;
    if (address2.isEmpty()) return address1;
    return address1 + u' ' + address2;
}

QString receptionNumber(const QString& desk, qint32 serial) {
    return u"%1-%2"_s.arg(desk).arg(serial, 4, 10, QChar(u'0'));
}

QString defaultDeskName() {
    QString name = QSysInfo::machineHostName().section(u'.', 0, 0);
    if (name.isEmpty()) name = u"受付"_s;
    while (data::cp932::encode(name).value_or(QByteArray(17, ' ')).size() > 16) name.chop(1);
    return name;
}

std::vector<Event> events() {
    auto t = openTable(kEvents);
    t->refresh();
    std::vector<Event> list;
    for (quint32 r = 1; r <= t->recordCount(); ++r)
        if (!t->isDeleted(r)) list.push_back(eventAt(*t, r));
    std::sort(list.begin(), list.end(), [](const Event& a, const Event& b) { return a.number > b.number; });
    return list;
}

Event createEvent(const Event& event) {
    if (event.name.trimmed().isEmpty()) throw EngineError(u"行事名を入力してください。"_s);
    if (!event.date.isValid()) throw EngineError(u"行事の日付を入力してください。"_s);
    auto t = openTable(kEvents);
    const auto& d = t->def();
    FieldChanges c{{d.fieldIndex(u"行事名"_s), event.name.trimmed()},
                   {d.fieldIndex(u"行事日"_s), event.date},
                   {d.fieldIndex(u"目的"_s), textValue(event.purpose)},
                   {d.fieldIndex(u"家族名"_s), textValue(event.family)}};
    const quint32 r = t->append(c, [](Table& table, FieldChanges& changes) {
        const int f = table.def().fieldIndex(u"行事番号"_s);
        qint32 highest = 0;
        for (quint32 i = 1; i <= table.recordCount(); ++i)
            if (!table.isDeleted(i)) highest = std::max(highest, whole(table.value(i, f)));
        data::setChange(changes, f, double(highest) + 1);
    });
    return eventAt(*t, r);
}

struct Desk::Fields {
    // Uketsuke.DBF
    int event, serial, desk, number, incomeNo, code, relation;
    // Indata.DBF
    int inNo, inDate, inName, inPurpose, inFamily, inAmount, inGoods, inRemark;
    // Aitesaki.DBF
    int pCode, pName, pReading, pZip, pAddress1, pAddress2, pPhone, pHead;
};

Desk::Desk(qint32 event, const QString& deskName) : deskName_(deskName) {
    auto events = openTable(kEvents);
    desk_ = openTable(kDeskEntries);
    income_ = Table::open(kIncome);
    people_ = Table::open(counterparts::kAddressBook);
    events->refresh();
    const int numberField = events->def().fieldIndex(u"行事番号"_s);
    bool found = false;
    for (quint32 r = 1; r <= events->recordCount() && !found; ++r)
        if (!events->isDeleted(r) && whole(events->value(r, numberField)) == event) {
            event_ = eventAt(*events, r);
            found = true;
        }
    if (!found) throw EngineError(u"行事 %1 が見つかりません。既に削除されている可能性があります。"_s.arg(event));
    if (deskName_.trimmed().isEmpty()) deskName_ = defaultDeskName();
    if (ledger::returns::returnTableExists()) {
        // Each guest's return record starts from the rule of the event's purpose category (a
        // funeral's is due after the forty-ninth day) and goes when the guest's entry goes.
        auto table = ledger::returns::openReturnTable();
        const ledger::returns::Rules rules = ledger::returns::Rules::load();
        const int category = ledger::balance::PurposeCategories::load().of(event_.purpose);
        const QDate received = event_.date;
        returns_.create = [table, rules, category, received](qint32 incomeNo) {
            ledger::returns::store(*table, ledger::returns::defaultsFor(rules, category, incomeNo, received));
        };
        returns_.remove = [table](qint32 incomeNo) { ledger::returns::removeFor(*table, incomeNo); };
    }

    const auto& u = desk_->def();
    const auto& in = income_->def();
    const auto& p = people_->def();
    f_ = std::make_unique<Fields>(Fields{
        u.fieldIndex(u"行事番号"_s), u.fieldIndex(u"連番"_s), u.fieldIndex(u"端末"_s),
        u.fieldIndex(u"受付番号"_s), u.fieldIndex(u"収入番号"_s), u.fieldIndex(u"相手先コード"_s),
        u.fieldIndex(u"関係"_s),
        in.fieldIndex(u"収入番号"_s), in.fieldIndex(u"収入日"_s), in.fieldIndex(u"氏名"_s),
        in.fieldIndex(u"目的"_s), in.fieldIndex(u"家族名"_s), in.fieldIndex(u"金額"_s),
        in.fieldIndex(u"物品"_s), in.fieldIndex(u"物品／備考"_s),
        p.fieldIndex(u"相手先コード"_s), p.fieldIndex(u"氏名"_s), p.fieldIndex(u"フリガナ"_s),
        p.fieldIndex(u"〒"_s), p.fieldIndex(u"住所1"_s), p.fieldIndex(u"住所2"_s),
        p.fieldIndex(u"自宅電話"_s), p.fieldIndex(u"世帯代表"_s)});
    refresh();
}

Desk::~Desk() = default;

void Desk::rebuildPeople() {
    if (people_->version() == peopleVersion_) return;
    peopleVersion_ = people_->version();
    peopleRows_.clear();
    const Table& t = *people_;
    for (quint32 r = 1; r <= t.recordCount(); ++r) {
        if (t.isDeleted(r)) continue;
        PersonRow row;
        row.person.code = whole(t.value(r, f_->pCode));
        row.person.name = textOf(t.value(r, f_->pName));
        row.person.reading = textOf(t.value(r, f_->pReading));
        row.person.zip = textOf(t.value(r, f_->pZip));
        row.person.address1 = textOf(t.value(r, f_->pAddress1));
        row.person.address2 = textOf(t.value(r, f_->pAddress2));
        row.person.phone = textOf(t.value(r, f_->pPhone));
        row.readingKey = withoutBlanks(widgets::toHalfWidthKatakana(row.person.reading));
        row.nameKey = ledger::balance::normalisedName(row.person.name);
        peopleRows_.push_back(std::move(row));
    }
    std::stable_sort(peopleRows_.begin(), peopleRows_.end(), [](const PersonRow& a, const PersonRow& b) {
        return a.readingKey != b.readingKey ? a.readingKey < b.readingKey : a.person.code < b.person.code;
    });
}

std::vector<Person> Desk::match(const QString& typed, int limit) {
    std::vector<Person> found;
    const QString reading = withoutBlanks(widgets::toHalfWidthKatakana(typed));
    const QString name = ledger::balance::normalisedName(typed);
    if (reading.isEmpty() || limit <= 0) return found;
    people_->refresh();
    rebuildPeople();
    for (const PersonRow& row : peopleRows_) {
        if (!row.readingKey.startsWith(reading)) continue;
        found.push_back(row.person);
        if (static_cast<int>(found.size()) >= limit) return found;
    }
    for (const PersonRow& row : peopleRows_) {
        if (row.readingKey.startsWith(reading) || !row.nameKey.startsWith(name)) continue;
        found.push_back(row.person);
        if (static_cast<int>(found.size()) >= limit) return found;
    }
    return found;
}

std::optional<Person> Desk::person(qint32 code) {
    people_->refresh();
    rebuildPeople();
    for (const PersonRow& row : peopleRows_)
        if (row.person.code == code) return row.person;
    return std::nullopt;
}

Entry Desk::store(const Guest& guest) {
    Person who;
    if (guest.code != 0) {
        const std::optional<Person> p = person(guest.code);
        if (!p) throw EngineError(counterparts::kPersonMissing);
        who = *p;
    } else {
        who = guest.newPerson;
        who.name = who.name.trimmed();
        who.reading = withoutBlanks(widgets::toHalfWidthKatakana(who.reading.trimmed()));
        if (who.name.isEmpty() || who.reading.isEmpty()) throw EngineError(counterparts::kFieldsMissing);
    }
    if (guest.amount && (!std::isfinite(*guest.amount) || *guest.amount < 0))
        throw EngineError(u"金額が正しくありません。"_s);
    if (!guest.amount && guest.memo.trimmed().isEmpty())
        throw EngineError(u"金額か、いただいた物（備考）を入力してください。"_s);

    // 1. a new person, as a new household
    std::optional<quint32> personRec;
    if (guest.code == 0) {
        FieldChanges c{{f_->pName, who.name},
                       {f_->pReading, who.reading},
                       {f_->pZip, textValue(who.zip.trimmed())},
                       {f_->pAddress1, textValue(who.address1.trimmed())},
                       {f_->pAddress2, textValue(who.address2.trimmed())},
                       {f_->pPhone, textValue(who.phone.trimmed())},
                       {f_->pHead, true}};
        const int codeField = f_->pCode;
        personRec = people_->append(c, [codeField](Table& t, FieldChanges& changes) {
            double highest = 0;
            bool any = false;
            for (quint32 r = 1; r <= t.recordCount(); ++r) {
                if (t.isDeleted(r)) continue;
                const Value v = t.value(r, codeField);
                if (const double* d = std::get_if<double>(&v); d && (!any || *d > highest)) {
                    highest = *d;
                    any = true;
                }
            }
            data::setChange(changes, codeField, any ? counterparts::newHouseholdCode(highest) : counterparts::kFirstCode);
        });
        who.code = whole(people_->value(*personRec, f_->pCode));
    }
    Entry entry;
    try {
        // 2. the income entry
        FieldChanges c{{f_->inDate, event_.date},
                       {f_->inName, who.name},
                       {f_->inPurpose, textValue(event_.purpose)},
                       {f_->inFamily, textValue(event_.family)}};
        if (guest.amount) c.emplace_back(f_->inAmount, *guest.amount);
        if (!guest.memo.trimmed().isEmpty()) {
            c.emplace_back(f_->inGoods, guest.memo.trimmed());
            c.emplace_back(f_->inRemark, kRemarkPresent);
        }
        const quint32 incomeRec = income_->append(c, [](Table& t, FieldChanges& changes) {
            data::setChange(changes, t.def().fieldIndex(u"収入番号"_s),
                            double(ledger::nextEntryNumber(t, u"収入番号"_s)));
        });
        const qint32 incomeNo = whole(income_->value(incomeRec, f_->inNo));
        incomeByNumber_[incomeNo] = incomeRec;
        try {
            // 3. the desk entry, numbered after the event's highest 連番 whichever PC took it
            FieldChanges d{{f_->event, double(event_.number)},
                           {f_->desk, deskName_},
                           {f_->incomeNo, double(incomeNo)},
                           {f_->code, double(who.code)},
                           {f_->relation, textValue(guest.relation.trimmed())}};
            const Fields f = *f_;
            const qint32 eventNo = event_.number;
            const QString deskName = deskName_;
            const quint32 deskRec = desk_->append(d, [f, eventNo, deskName](Table& t, FieldChanges& changes) {
                qint32 highest = 0;
                for (quint32 r = 1; r <= t.recordCount(); ++r)
                    if (!t.isDeleted(r) && whole(t.value(r, f.event)) == eventNo)
                        highest = std::max(highest, whole(t.value(r, f.serial)));
                if (highest == std::numeric_limits<qint32>::max())
                    throw EngineError(u"受付番号がこれ以上ありません。"_s);
                data::setChange(changes, f.serial, double(highest) + 1);
                data::setChange(changes, f.number, receptionNumber(deskName, highest + 1));
            });
            try {
                // 4. the return record
                if (returns_.create) returns_.create(incomeNo);
            } catch (const data::ChangeStoredError&) {
                throw;  // the return record is stored: the desk entry stays with it
            } catch (...) {
                undoAppend(*desk_, deskRec);
                throw;
            }
            entry.recno = deskRec;
        } catch (const data::ChangeStoredError&) {
            throw;  // the desk entry is stored after all: the income entry it names stays
        } catch (...) {
            undoAppend(*income_, incomeRec);
            throw;
        }
    } catch (const data::ChangeStoredError&) {
        // A later step is stored although its write failed (the user is told so): the person it
        // names stays with it, and the guest is not taken a second time.
        throw;
    } catch (...) {
        if (personRec) undoAppend(*people_, *personRec);
        throw;
    }
    refresh();
    for (const Entry& e : entries_)
        if (e.recno == entry.recno) return e;
    return entry;
}

std::optional<quint32> Desk::incomeRecord(qint32 incomeNo) {
    indexIncome();
    auto it = incomeByNumber_.find(incomeNo);
    if (it == incomeByNumber_.end() || it->second > income_->recordCount() || income_->isDeleted(it->second) ||
        whole(income_->value(it->second, f_->inNo)) != incomeNo)
        return std::nullopt;
    return it->second;
}

void Desk::correct(const Entry& entry, std::optional<double> amount, const QString& relation, const QString& memo) {
    if (amount && (!std::isfinite(*amount) || *amount < 0)) throw EngineError(u"金額が正しくありません。"_s);
    if (!amount && memo.trimmed().isEmpty())
        throw EngineError(u"金額か、いただいた物（備考）を入力してください。"_s);
    desk_->refresh();
    income_->refresh();
    if (entry.recno < 1 || entry.recno > desk_->recordCount() || desk_->isDeleted(entry.recno) ||
        whole(desk_->value(entry.recno, f_->serial)) != entry.serial)
        throw EngineError(u"受付番号 %1 は既に削除されています。"_s.arg(entry.number));
    const std::optional<quint32> incomeRec = incomeRecord(entry.incomeNo);
    if (!incomeRec) throw EngineError(u"受付番号 %1 の収入データが見つかりません。"_s.arg(entry.number));

    const QString goods = memo.trimmed();
    const FieldChanges before{{f_->inAmount, income_->value(*incomeRec, f_->inAmount)},
                              {f_->inGoods, income_->value(*incomeRec, f_->inGoods)},
                              {f_->inRemark, income_->value(*incomeRec, f_->inRemark)}};
    FieldChanges after{{f_->inAmount, amount ? Value(*amount) : Value()},
                       {f_->inGoods, textValue(goods)},
                       {f_->inRemark, goods.isEmpty() ? Value() : Value(kRemarkPresent)}};
    income_->update(*incomeRec, after);
    try {
        desk_->update(entry.recno, {{f_->relation, textValue(relation.trimmed())}});
    } catch (...) {
        try {
            income_->update(*incomeRec, before);
        } catch (...) {
        }
        throw;
    }
    refresh();
}

void Desk::remove(const Entry& entry) {
    desk_->refresh();
    if (entry.recno < 1 || entry.recno > desk_->recordCount() || desk_->isDeleted(entry.recno) ||
        whole(desk_->value(entry.recno, f_->serial)) != entry.serial)
        throw EngineError(u"受付番号 %1 は既に削除されています。"_s.arg(entry.number));
    // The return record first: it is the one step that can refuse (a return already sent), and
    // then nothing else has been touched.
    if (returns_.remove) returns_.remove(entry.incomeNo);
    desk_->remove(entry.recno);
    income_->refresh();
    if (const std::optional<quint32> incomeRec = incomeRecord(entry.incomeNo)) income_->remove(*incomeRec);
    refresh();
}

void Desk::indexIncome() {
    const Table& t = *income_;
    if (t.recordCount() < incomeScanned_) {
        // The table was cut back (a failed change undone): read it again from the start.
        incomeByNumber_.clear();
        incomeScanned_ = 0;
    }
    for (quint32 r = incomeScanned_ + 1; r <= t.recordCount(); ++r)
        if (!t.isDeleted(r)) incomeByNumber_[whole(t.value(r, f_->inNo))] = r;
    incomeScanned_ = t.recordCount();
}

bool Desk::refresh() {
    desk_->refresh();
    income_->refresh();
    if (desk_->version() == deskVersion_ && income_->version() == incomeVersion_) return false;
    deskVersion_ = desk_->version();
    incomeVersion_ = income_->version();
    rebuildEntries();
    return true;
}

void Desk::rebuildEntries() {
    indexIncome();
    std::vector<Entry> list;
    double total = 0;
    const Table& u = *desk_;
    const Table& in = *income_;
    for (quint32 r = 1; r <= u.recordCount(); ++r) {
        if (u.isDeleted(r) || whole(u.value(r, f_->event)) != event_.number) continue;
        Entry e;
        e.recno = r;
        e.serial = whole(u.value(r, f_->serial));
        e.number = textOf(u.value(r, f_->number));
        e.desk = textOf(u.value(r, f_->desk));
        e.incomeNo = whole(u.value(r, f_->incomeNo));
        e.code = whole(u.value(r, f_->code));
        e.relation = textOf(u.value(r, f_->relation));
        if (const std::optional<quint32> ir = incomeRecord(e.incomeNo)) {
            e.name = textOf(in.value(*ir, f_->inName));
            e.amount = numberOf(in.value(*ir, f_->inAmount));
            e.memo = textOf(in.value(*ir, f_->inGoods));
        }
        if (e.amount) total += *e.amount;
        list.push_back(std::move(e));
    }
    std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) { return a.serial > b.serial; });
    entries_ = std::move(list);
    total_ = total;
}

}  // namespace mz::reception
