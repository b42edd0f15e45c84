#pragma once
// What has been received from and given to one counterpart or one household: the entries of
// both ledgers under their names, the totals per purpose category, the balance, and the last
// gift each way. No widgets: the window 相手先別の贈答 (TAITEbetuForm), its printout, the totals
// under the management windows' grid and the hint of the expenditure registration window are
// all built on this.
//
// The ledgers hold names, not codes. An entry belongs to a person when its 氏名 is that
// person's name as stored, blanks aside: half-width and full-width blanks are ignored wherever
// they stand, so "山田 太郎", "山田　太郎" and "山田太郎" are one name. Because a name is all
// an entry has, two people of the same name cannot be told apart; the result says so.
//
// Every read goes once over the raw records of each table (linear in the table's size); only
// the entries that match are decoded.

#include "data/cursor.h"
#include "ledger/ledgerfilter.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace mz::ledger::balance {

// A name as entries and counterparts are compared: every half-width (U+0020) and full-width
// (U+3000) blank removed.
QString normalisedName(const QString& name);

// The same comparison on a text field's raw CP932 bytes: whether they hold `normalised` (the
// CP932 bytes of a normalisedName) once their blanks (0x20, and 0x81 0x40 at a character
// boundary) are left out. Allocates nothing.
bool sameName(QByteArrayView raw, QByteArrayView normalised);

// The purpose categories, in the order of the purposes' tabs (区分番号 0 to 4), and one more for
// purposes that are in none of them (typed by hand, or missing from the purpose list).
inline constexpr int kCategoryCount = 6;
inline constexpr int kOtherCategory = 5;
// "お祝い", "一般行事", "お返し", "お見舞い", "弔事全般", "その他".
QString categoryName(int category);

// The category of each purpose of Moku.dbf, by purpose name (blanks ignored as for people):
// its 区分番号 when that is 0 to 4, else the number of its 目的区分 text, else kOtherCategory.
class PurposeCategories {
public:
    // Reads the purposes table of the current directory.
    static PurposeCategories load();
    int of(const QString& purpose) const;

private:
    std::vector<std::pair<QString, int>> byName_;  // sorted by normalised name
};

enum class Scope {
    Person,     // 本人: the people of that name
    Household,  // 世帯: everyone in the household block of each person of that name
};

struct Person {
    qint32 code = 0;
    QString name;
    bool head = false;  // 世帯代表
};

struct Entry {
    LedgerSide side = LedgerSide::Income;
    qint32 number = 0;  // 収入番号 / 支出番号
    QDate date;         // invalid when the entry has none
    QString name;       // 氏名 as stored
    QString purpose;
    int category = kOtherCategory;
    std::optional<double> amount;  // empty when 金額 is empty
    bool goods = false;            // 物品／備考 says the entry has goods (有り)
};

struct Totals {
    double received = 0;  // income amounts
    double given = 0;     // expenditure amounts
    int receivedCount = 0;
    int givenCount = 0;
    double balance() const { return received - given; }
    void add(const Entry& e);
};

// A name that belongs to more than one person of the address book.
struct AmbiguousName {
    QString name;
    QList<qint32> codes;
};

struct Result {
    QString query;  // the name asked for, as typed or picked
    Scope scope = Scope::Person;
    // The people whose entries were gathered: for Person, those of the name; for Household,
    // every member of their blocks, by code. Empty when the name is in no one's address.
    std::vector<Person> people;
    // The household blocks (code / 100) gathered; empty for Person or an unknown name.
    QList<qint32> blocks;
    // Both ledgers, by date (entries without a date first, as the date index orders them), then
    // income before expenditure, then by number.
    std::vector<Entry> entries;
    std::array<Totals, kCategoryCount> categories{};
    Totals total;
    std::optional<Entry> lastIncome;   // the latest dated income (the highest number on a tie)
    std::optional<Entry> lastExpense;  // the same for expenditure
    bool unknownName = false;          // the name asked for is no one's in the address book
    std::vector<AmbiguousName> ambiguous;  // names of `people` that two or more people share
    int variantSpellings = 0;  // entries whose 氏名 differs from the address book's in blanks only

    // The lines that explain the result in the window and on the printout (empty when there is
    // nothing to say).
    QStringList notes() const;
};

// Gathers the entries of the two ledgers in the current directory for a name. An empty or
// blank name gives an empty result (no entries, no notes). Throws EngineError when a table
// cannot be read.
Result gather(const QString& name, Scope scope);

// The same over tables that are already open (the window's own cursors; the benchmark).
struct Tables {
    mz::data::Cursor* counterparts;  // Aitesaki.DBF
    mz::data::Cursor* income;        // Indata.DBF
    mz::data::Cursor* expense;       // Outdata.DBF
    const PurposeCategories* purposes;
};
Result gather(const Tables& tables, const QString& name, Scope scope);

// The entries a ledger cursor shows (its filter and order) and their amounts: the line under
// the management windows' grid. Entries with an empty 金額 count as entries, not as amounts.
struct Sum {
    int count = 0;
    int withoutAmount = 0;
    double amount = 0;
};
Sum sumAmounts(const mz::data::Cursor& ledger);
// "該当 3 件　合計 ￥30,000" (and "（金額なし 1 件）" when some had no amount).
QString sumText(const Sum& sum);

}  // namespace mz::ledger::balance
