// What has been received from and given to a counterpart or a household, without a window:
// names compared with their blanks left out (also on raw CP932 bytes), the household blocks,
// the totals per purpose category and the balance, the last gift each way, the notes for an
// unknown and an ambiguous name, and the count and sum under the management windows' grid.
#include "balancefixture.h"

#include "data/cp932.h"
#include "data/cursor.h"
#include "ledger/balance.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
namespace bal = mz::ledger::balance;
using mz::ledger::LedgerSide;

namespace {

QByteArray sj(const QString& s) { return *mz::data::cp932::encode(s); }

// "I3" for income entry 3, "E1" for expenditure entry 1, in the result's order.
QStringList ids(const bal::Result& r) {
    QStringList out;
    for (const bal::Entry& e : r.entries)
        out << (e.side == LedgerSide::Income ? u"I"_s : u"E"_s) + QString::number(e.number);
    return out;
}

QList<qint32> codes(const bal::Result& r) {
    QList<qint32> out;
    for (const bal::Person& p : r.people) out << p.code;
    return out;
}

}  // namespace

TEST(BalanceNames, BlanksOfEitherWidthAnywhereAreIgnored) {
    EXPECT_EQ(bal::normalisedName(u" 山田　太郎 "_s), u"山田太郎"_s);
    const QByteArray key = sj(u"山田太郎"_s);
    EXPECT_TRUE(bal::sameName(sj(u"山田 太郎       "_s), key));  // padded as stored
    EXPECT_TRUE(bal::sameName(sj(u"山田　太郎"_s), key));
    EXPECT_TRUE(bal::sameName(sj(u"　山田太郎 "_s), key));
    EXPECT_FALSE(bal::sameName(sj(u"山田 太"_s), key));     // a prefix is another name
    EXPECT_FALSE(bal::sameName(sj(u"山田 太郎様"_s), key));  // and so is a longer one
    EXPECT_FALSE(bal::sameName(sj(u"       "_s), key));
}

TEST(BalanceNames, BlankBytesInsideTwoByteCharactersAreNotBlanks) {
    // "＝" is 81 81: followed by "@" (40) the bytes hold 81 40 across two characters, which is
    // no full-width blank. "ァ" is 83 40: its second byte is no blank either.
    EXPECT_FALSE(bal::sameName(sj(u"＝@"_s), sj(u"＝"_s)));
    EXPECT_TRUE(bal::sameName(sj(u"＝@"_s), sj(u"＝@"_s)));
    EXPECT_FALSE(bal::sameName(sj(u"ァ"_s), sj(u"ｧ"_s)));
    EXPECT_TRUE(bal::sameName(sj(u"ｱｲ ｳ"_s), sj(u"ｱｲｳ"_s)));  // half-width kana are one byte
}

TEST_F(BalanceTest, OnePersonUnderEverySpellingInDateOrderWithTotals) {
    const bal::Result r = bal::gather(u"山田 太郎"_s, bal::Scope::Person);
    EXPECT_EQ(ids(r), (QStringList{u"E1"_s, u"I1"_s, u"I2"_s, u"I3"_s, u"E2"_s}));
    EXPECT_EQ(codes(r), QList<qint32>{101});
    EXPECT_FALSE(r.unknownName);
    EXPECT_TRUE(r.ambiguous.empty());
    EXPECT_EQ(r.variantSpellings, 3);  // 山田　太郎, 山田太郎, " 山田 太郎 "

    EXPECT_EQ(r.total.received, 45000);
    EXPECT_EQ(r.total.given, 60000);
    EXPECT_EQ(r.total.balance(), -15000);
    EXPECT_EQ(r.total.receivedCount, 3);
    EXPECT_EQ(r.total.givenCount, 2);
    EXPECT_EQ(r.categories[0].received, 30000);  // お祝い
    EXPECT_EQ(r.categories[0].given, 50000);
    EXPECT_EQ(r.categories[0].balance(), -20000);
    EXPECT_EQ(r.categories[1].received, 5000);   // 一般行事
    EXPECT_EQ(r.categories[2].receivedCount + r.categories[2].givenCount, 0);  // お返し
    EXPECT_EQ(r.categories[3].given, 10000);     // お見舞い
    EXPECT_EQ(r.categories[4].received, 10000);  // 弔事全般

    ASSERT_TRUE(r.lastIncome && r.lastExpense);
    EXPECT_EQ(r.lastIncome->date, QDate(2022, 3, 3));
    EXPECT_EQ(r.lastIncome->purpose, u"香典"_s);
    EXPECT_EQ(r.lastExpense->number, 2);
    EXPECT_EQ(r.lastExpense->amount, 10000);
    EXPECT_EQ(r.notes(), QStringList{u"氏名の空白が相手先の登録と異なる記録 3 件も含めています。"_s});
}

TEST_F(BalanceTest, HouseholdGathersTheBlockAndNamesASharedName) {
    const bal::Result r = bal::gather(u"山田太郎"_s, bal::Scope::Household);
    EXPECT_EQ(codes(r), (QList<qint32>{101, 102, 103}));  // not 100, not 200, not 301
    EXPECT_EQ(r.blocks, QList<qint32>{1});
    EXPECT_EQ(ids(r), (QStringList{u"E1"_s, u"I1"_s, u"I2"_s, u"I4"_s, u"I3"_s, u"E2"_s, u"I7"_s,
                                   u"E3"_s}));
    // I7 has no amount: it is an entry received, but adds nothing.
    EXPECT_EQ(r.total.received, 48000);
    EXPECT_EQ(r.total.receivedCount, 5);
    EXPECT_EQ(r.total.given, 65000);
    EXPECT_EQ(r.categories[bal::kOtherCategory].receivedCount, 1);
    EXPECT_EQ(r.categories[bal::kOtherCategory].received, 0);
    EXPECT_EQ(r.categories[2].received, 3000);  // 内祝: お返し
    EXPECT_EQ(r.lastIncome->number, 7);
    EXPECT_EQ(r.lastExpense->number, 3);

    ASSERT_EQ(r.ambiguous.size(), 1u);
    EXPECT_EQ(r.ambiguous[0].name, u"山田 花子"_s);
    EXPECT_EQ(r.ambiguous[0].codes, (QList<qint32>{102, 301}));
    EXPECT_TRUE(r.notes().contains(
        u"「山田 花子」という氏名の相手先が 2 人います（相手先コード 102、301）。台帳では区別できないため、合わせて集計しています。"_s));

    // The other household: only its own people and entries.
    const bal::Result sato = bal::gather(u"佐藤 花子"_s, bal::Scope::Household);
    EXPECT_EQ(codes(sato), (QList<qint32>{201, 202}));
    EXPECT_EQ(ids(sato), (QStringList{u"I5"_s, u"E4"_s}));
    EXPECT_EQ(sato.total.balance(), 16000);
    EXPECT_TRUE(sato.notes().isEmpty());
}

TEST_F(BalanceTest, AnAmbiguousNameGathersEveryoneOfThatName) {
    const bal::Result person = bal::gather(u"山田　花子"_s, bal::Scope::Person);
    EXPECT_EQ(codes(person), (QList<qint32>{102, 301}));
    EXPECT_EQ(ids(person), (QStringList{u"I4"_s, u"E3"_s}));
    ASSERT_EQ(person.ambiguous.size(), 1u);

    const bal::Result household = bal::gather(u"山田 花子"_s, bal::Scope::Household);
    EXPECT_EQ(household.blocks, (QList<qint32>{1, 3}));
    EXPECT_EQ(codes(household), (QList<qint32>{101, 102, 103, 301}));
}

TEST_F(BalanceTest, AnUnknownNameIsSaidAndStillCounted) {
    const bal::Result r = bal::gather(u"田中 未登録"_s, bal::Scope::Person);
    EXPECT_TRUE(r.unknownName);
    EXPECT_TRUE(r.people.empty());
    EXPECT_EQ(ids(r), QStringList{u"I6"_s});
    EXPECT_EQ(r.variantSpellings, 0);
    EXPECT_EQ(r.notes(), QStringList{u"「田中 未登録」は相手先に登録されていません。台帳の氏名が一致する記録を集計しています。"_s});

    const bal::Result household = bal::gather(u"田中未登録"_s, bal::Scope::Household);
    EXPECT_EQ(ids(household), QStringList{u"I6"_s});
    EXPECT_EQ(household.notes().size(), 2);

    // A name no one has and no entry has either: nothing, and the note.
    const bal::Result nobody = bal::gather(u"誰でもない"_s, bal::Scope::Person);
    EXPECT_TRUE(nobody.entries.empty());
    EXPECT_FALSE(nobody.lastIncome);
    EXPECT_TRUE(nobody.unknownName);

    // A blank name asks for nothing: no entry with an empty name is gathered.
    const bal::Result blank = bal::gather(u"　 "_s, bal::Scope::Household);
    EXPECT_TRUE(blank.entries.empty());
    EXPECT_TRUE(blank.notes().isEmpty());
}

TEST_F(BalanceTest, PurposeCategoriesByNumberThenByTextElseOther) {
    addPurpose(20, u"快気祝"_s, u"お返し"_s, std::nullopt);  // typed: number left empty
    addPurpose(21, u"お祭り"_s, u"地域行事"_s, std::nullopt);
    addPurpose(22, u"結婚祝"_s, u"弔事全般"_s, 4);           // a second 結婚祝: the first wins
    const bal::PurposeCategories p = bal::PurposeCategories::load();
    EXPECT_EQ(p.of(u"快気祝"_s), 2);
    EXPECT_EQ(p.of(u"お祭り"_s), bal::kOtherCategory);
    EXPECT_EQ(p.of(u"結婚祝"_s), 0);
    EXPECT_EQ(p.of(u"香 典"_s), 4);
    EXPECT_EQ(p.of(u"手作り"_s), bal::kOtherCategory);
    EXPECT_EQ(bal::categoryName(bal::kOtherCategory), u"その他"_s);
    EXPECT_EQ(bal::categoryName(4), u"弔事全般"_s);
}

TEST_F(BalanceTest, SumFollowsTheCursorsFilterAndSkipsEmptyAmounts) {
    mz::data::Cursor c;
    c.open(u"Indata.DBF"_s);
    bal::Sum all = bal::sumAmounts(c);
    EXPECT_EQ(all.count, 7);
    EXPECT_EQ(all.withoutAmount, 1);
    EXPECT_EQ(all.amount, 75000);
    EXPECT_EQ(bal::sumText(all), u"該当 7 件　合計 ￥75,000（金額なし 1 件）"_s);

    c.setFiltered(true);
    c.setFilter(u"氏名='佐藤 次郎'"_s);
    EXPECT_EQ(bal::sumText(bal::sumAmounts(c)), u"該当 1 件　合計 ￥20,000"_s);
    c.setFilter(u"氏名='いない'"_s);
    EXPECT_EQ(bal::sumText(bal::sumAmounts(c)), u"該当 0 件　合計 ￥0"_s);
}

// A view of most of a large ledger is summed in one pass over the file, a small one where its
// rows lie: both count only the rows of the view, never a deleted entry still in the file.
TEST_F(BalanceTest, SumsOfLargeAndSmallViewsCountOnlyTheirRows) {
    std::vector<mz::test::LedgerEntry> more;
    for (int n = 100; n < 140; ++n)
        more.push_back(
            {n, QDate(2024, 1, 1).addDays(n), u"大勢 %1"_s.arg(n), u"結婚祝"_s, {}, 1000});
    mz::test::addEntries(u"Indata.DBF"_s, more);
    mz::data::Cursor c;
    c.open(u"Indata.DBF"_s);
    c.setIndexFieldNames(u"収入日"_s);
    for (int deleted = 0; deleted < 3; ++deleted) {  // entries 100 to 102 go
        c.first();
        while (c.number(u"収入番号"_s) < 100) c.next();
        c.remove();
    }
    const bal::Sum all = bal::sumAmounts(c);  // the whole view: read in file order
    EXPECT_EQ(all.count, 7 + 37);
    EXPECT_EQ(all.withoutAmount, 1);
    EXPECT_EQ(all.amount, 75000 + 37 * 1000);

    c.setFiltered(true);
    c.setFilter(u"収入番号>=138"_s);  // 2 of 44 rows: read where they are
    const bal::Sum few = bal::sumAmounts(c);
    EXPECT_EQ(few.count, 2);
    EXPECT_EQ(few.amount, 2000);
    c.setFilter(u"収入番号>=5"_s);  // 3 of the fixture and 37 more: read in file order again
    const bal::Sum most = bal::sumAmounts(c);
    EXPECT_EQ(most.count, 40);
    EXPECT_EQ(most.withoutAmount, 1);
    EXPECT_EQ(most.amount, 20000 + 7000 + 37 * 1000);
}
