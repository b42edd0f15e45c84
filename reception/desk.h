#pragma once
// The reception desk (受付) of an event without widgets: the events, matching a typed reading or
// name to the address book, storing one guest (a new person, the income entry, the desk's entry
// with its 受付番号, the return record) all or nothing, correcting and removing entries, and the
// event's list with its count and total. The windows TGYOJIsentakuForm, TUKEregiForm and
// TUKEsimeForm drive it; the tests and the benchmark drive it directly.
//
// Several PCs may run the desk of one event on one data directory at once. Every number is
// decided under the lock of its table (the income entry's 収入番号, a new household's code, the
// desk entry's 連番), so no two PCs take the same one; refresh() takes in what the others stored.

#include "data/table.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace mz::reception {

inline const QString kEvents = QStringLiteral("Gyoji.DBF");
inline const QString kDeskEntries = QStringLiteral("Uketsuke.DBF");

// 行事: one desk's occasion.
struct Event {
    qint32 number = 0;  // 行事番号, from 1
    QString name;       // 故 山田太郎 告別式
    QDate date;         // the income entries' 収入日
    QString purpose;    // their 目的 (香典, 御祝儀 ...)
    QString family;     // their 家族名
};

// The events of the current directory, the latest (highest number) first. Creates the event
// tables first when the data directory lacks them.
std::vector<Event> events();
// Stores a new event; its number is decided under the table's lock. Throws EngineError with
// a message for the user when the name or the date is missing.
Event createEvent(const Event& event);

// A person of the address book as the desk shows it.
struct Person {
    qint32 code = 0;
    QString name;
    QString reading;
    QString zip;
    QString address1;
    QString address2;
    QString phone;
    QString address() const;  // 住所1 and 住所2, joined by a blank when both are there
};

// What the desk takes from one guest.
struct Guest {
    qint32 code = 0;  // the person picked from the address book; 0 for a new person
    // A person not in the book, stored as a new household with the entry (code == 0). Its name
    // and reading are required.
    Person newPerson;
    std::optional<double> amount;  // 金額 in yen; none for goods only
    QString relation;              // 関係: 会社関係, 親族 ...
    QString memo;                  // goods received, 供花, 弔電 (the entry's 物品)
};

// One entry of the event's list.
struct Entry {
    quint32 recno = 0;  // of the desk entry in Uketsuke.DBF
    qint32 serial = 0;  // 連番
    QString number;     // 受付番号: desk name and serial
    QString desk;
    qint32 incomeNo = 0;
    qint32 code = 0;  // 相手先コード of the person, 0 when unknown
    QString name;     // 氏名 of the income entry (empty when that entry was deleted)
    std::optional<double> amount;
    QString relation;
    QString memo;
};

// The 受付番号 of a serial taken at a desk: "受付1-0012".
QString receptionNumber(const QString& desk, qint32 serial);

// The desk's name when none is given: the machine's host name, cut to the 16 bytes the
// table keeps.
QString defaultDeskName();

// The steps of a guest's return record, run inside the all-or-nothing store and removal. Either
// may throw EngineError to undo the whole change.
struct ReturnRecords {
    std::function<void(qint32 incomeNo)> create;
    std::function<void(qint32 incomeNo)> remove;
};

class Desk {
public:
    // Opens the tables of the current directory (creating the event tables when missing) for
    // the event numbered `event`. Throws EngineError when the event is not there. The return
    // records are those of the return table (ledger/returns.h) when the directory has one;
    // setReturnRecords replaces them.
    Desk(qint32 event, const QString& deskName);
    ~Desk();

    const Event& event() const { return event_; }
    const QString& deskName() const { return deskName_; }
    void setReturnRecords(ReturnRecords r) { returns_ = std::move(r); }

    // The people whose reading starts with what was typed (kana converted to half-width
    // katakana, blanks ignored), then those whose name starts with it; at most `limit`.
    std::vector<Person> match(const QString& typed, int limit = 20);
    std::optional<Person> person(qint32 code);

    // Stores one guest all or nothing: a new person (as a new household), the income entry
    // (収入日, 目的 and 家族名 from the event), the desk entry with the next 連番 of the event,
    // and the return record. When any step fails, the steps before it are removed again and the
    // error is thrown. Throws EngineError with a message for the user when input is missing.
    Entry store(const Guest& guest);
    // Corrects the amount, relation and memo of an entry (income entry and desk entry), all or
    // nothing.
    void correct(const Entry& entry, std::optional<double> amount, const QString& relation, const QString& memo);
    // Removes the desk entry, its income entry and its return record.
    void remove(const Entry& entry);

    // Takes in what other PCs stored; true when the event's list changed.
    bool refresh();
    // The event's entries, the latest (highest 連番) first.
    const std::vector<Entry>& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    double total() const { return total_; }

private:
    void rebuildEntries();
    void indexIncome();
    void rebuildPeople();
    std::optional<quint32> incomeRecord(qint32 incomeNo);

    Event event_;
    QString deskName_;
    ReturnRecords returns_;
    std::shared_ptr<data::Table> desk_, income_, people_;
    struct Fields;
    std::unique_ptr<Fields> f_;
    std::vector<Entry> entries_;
    double total_ = 0;
    quint64 deskVersion_ = ~quint64(0), incomeVersion_ = ~quint64(0);
    // 収入番号 → record number of the income table, taken in up to incomeScanned_.
    std::unordered_map<qint32, quint32> incomeByNumber_;
    quint32 incomeScanned_ = 0;
    struct PersonRow {
        Person person;
        QString readingKey;  // half-width katakana, blanks removed
        QString nameKey;     // blanks removed
    };
    std::vector<PersonRow> peopleRows_;
    quint64 peopleVersion_ = ~quint64(0);
};

}  // namespace mz::reception
