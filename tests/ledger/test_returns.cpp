// Return records: the defaults per purpose category and their due dates, the budget, the rules
// kept in the data directory, the upgrade of a data directory made before the return tables,
// and the record that is made with an income entry and goes with it, all or nothing.
#include "balancefixture.h"
#include "data/binaryfile.h"
#include "data/table.h"
#include "data/tabledefs.h"
#include "ledger/TINdelForm.h"
#include "ledger/TINeditForm.h"
#include "ledger/TINregiForm.h"
#include "ledger/returns.h"
#include "platform/recorder.h"
#include "widgets/datetimepicker.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
namespace rt = mz::ledger::returns;
using mz::data::EngineError;
using rt::Status;

namespace {

constexpr int kCelebration = 0, kEvent = 1, kReturn = 2, kSickness = 3, kMourning = 4, kOther = 5;

// Makes every write to one file fail, as a full disk would.
struct FailWritesTo {
    explicit FailWritesTo(const QString& name) {
        mz::data::BinaryFile::setWriteHook([name](const QString& path, qint64, qint64) {
            if (QFileInfo(path).fileName().compare(name, Qt::CaseInsensitive) == 0)
                throw EngineError(
                    u"ファイル '%1' に書き込めません: No space left on device"_s.arg(name));
        });
    }
    ~FailWritesTo() { mz::data::BinaryFile::setWriteHook({}); }
    FailWritesTo(const FailWritesTo&) = delete;
    FailWritesTo& operator=(const FailWritesTo&) = delete;
};

std::optional<rt::Record> recordOf(qint32 number) {
    return rt::find(*rt::openReturnTable(), number);
}

bool incomeExists(qint32 number) {
    mz::data::Cursor c;
    c.open(u"Indata.DBF"_s);
    for (c.first(); !c.eof(); c.next())
        if (c.number(u"収入番号"_s) == number) return true;
    return false;
}

QByteArray digestOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

using ReturnTest = BalanceTest;  // purposes in the five categories, income entries 1 to 7

}  // namespace

// --- defaults per category ----------------------------------------------------------------------

TEST(ReturnRules, EachCategoryHasItsCustomaryReturnBudgetAndDueDate) {
    const rt::Rules rules = rt::Rules::defaults();
    const QDate received(2024, 3, 1);

    const rt::Record celebration = rt::defaultsFor(rules, kCelebration, 7, received);
    EXPECT_EQ(celebration.incomeNo, 7);
    EXPECT_TRUE(celebration.due);
    EXPECT_EQ(celebration.status, Status::Unarranged);
    EXPECT_EQ(celebration.dueDate, QDate(2024, 4, 1));  // within a month

    const rt::Record mourning = rt::defaultsFor(rules, kMourning, 8, received);
    EXPECT_TRUE(mourning.due);
    EXPECT_EQ(mourning.dueDate, QDate(2024, 4, 19));  // 四十九日: receipt + 49 days
    EXPECT_EQ(received.daysTo(mourning.dueDate), 49);

    const rt::Record sickness = rt::defaultsFor(rules, kSickness, 9, received);
    EXPECT_TRUE(sickness.due);
    EXPECT_EQ(sickness.status, Status::Unarranged);
    EXPECT_FALSE(sickness.dueDate.isValid());  // once recovered: no fixed date

    for (int none : {kEvent, kReturn, kOther}) {
        const rt::Record r = rt::defaultsFor(rules, none, 10, received);
        EXPECT_FALSE(r.due) << none;
        EXPECT_EQ(r.status, Status::NotNeeded) << none;
        EXPECT_FALSE(r.dueDate.isValid()) << none;
    }
    // A category number out of range is the rest's.
    EXPECT_EQ(rules.of(-1), rules.of(kOther));
    EXPECT_EQ(rules.of(99), rules.of(kOther));
}

TEST(ReturnRules, DueDatesFallOnRealDaysAcrossMonthEndsLeapDaysAndYears) {
    const rt::Rules rules = rt::Rules::defaults();
    // A month after the 31st of January is the last day of February, in a leap year the 29th.
    EXPECT_EQ(rt::dueDateFor(rules.of(kCelebration), QDate(2024, 1, 31)), QDate(2024, 2, 29));
    EXPECT_EQ(rt::dueDateFor(rules.of(kCelebration), QDate(2023, 1, 31)), QDate(2023, 2, 28));
    EXPECT_EQ(rt::dueDateFor(rules.of(kCelebration), QDate(2024, 12, 15)), QDate(2025, 1, 15));
    // Forty-nine days over a leap day and over the year's end.
    EXPECT_EQ(rt::dueDateFor(rules.of(kMourning), QDate(2024, 2, 1)), QDate(2024, 3, 21));
    EXPECT_EQ(rt::dueDateFor(rules.of(kMourning), QDate(2024, 12, 1)), QDate(2025, 1, 19));
    // A receipt without a date has no due date.
    EXPECT_FALSE(rt::dueDateFor(rules.of(kMourning), QDate()).isValid());
}

TEST(ReturnRules, BudgetIsTheAmountTimesTheFractionsRoundedToAHundredYen) {
    const rt::Rules rules = rt::Rules::defaults();
    auto budget = [&](int category, std::optional<double> amount) {
        return rt::budgetFor(rules.of(category), amount);
    };
    ASSERT_TRUE(budget(kCelebration, 30000));
    EXPECT_EQ(budget(kCelebration, 30000)->low, 15000);
    EXPECT_EQ(budget(kCelebration, 30000)->high, 15000);
    EXPECT_EQ(rt::budgetText(budget(kCelebration, 30000)), u"￥15,000"_s);
    // A third of 10,000 is 3,333: ¥3,300; half up at ¥50.
    EXPECT_EQ(budget(kMourning, 10000)->low, 3300);
    EXPECT_EQ(budget(kMourning, 10000)->high, 5000);
    EXPECT_EQ(rt::budgetText(budget(kMourning, 10000)), u"￥3,300～￥5,000"_s);
    EXPECT_EQ(budget(kCelebration, 10100)->low, 5100);
    EXPECT_EQ(budget(kCelebration, 10300)->low, 5200);
    EXPECT_EQ(budget(kCelebration, 10080)->low, 5000);
    // No budget without an amount, for a gift of goods, or where no return is customary.
    EXPECT_FALSE(budget(kCelebration, std::nullopt));
    EXPECT_FALSE(budget(kCelebration, 0));
    EXPECT_FALSE(budget(kEvent, 10000));
    EXPECT_TRUE(rt::budgetText(std::nullopt).isEmpty());
}

TEST(ReturnRules, AStatusTextThatIsNoneOfTheFourReadsByWhetherAReturnIsDue) {
    for (int i = 0; i < rt::kStatusCount; ++i)
        EXPECT_EQ(rt::statusFromText(rt::statusText(Status(i)), false), Status(i));
    EXPECT_EQ(rt::statusFromText(u""_s, true), Status::Unarranged);
    EXPECT_EQ(rt::statusFromText(u"??"_s, false), Status::NotNeeded);
}

TEST_F(ReturnTest, RulesChangedByTheUserTravelWithTheDataDirectory) {
    EXPECT_EQ(rt::Rules::load(), rt::Rules::defaults());  // an empty rule table: the defaults
    rt::Rules rules = rt::Rules::defaults();
    rules.set(kEvent, {true, 0.25, 0.25, 14, 0});
    rules.set(kCelebration, {true, 0.3, 0.5, 0, 2});
    rules.save();
    rules.save();  // saved again: one row per category, updated in place
    EXPECT_EQ(rt::openReturnTable()->def().dbfName, u"Okaeshi.DBF"_s);
    EXPECT_EQ(mz::data::Table::open(u"Henrei.dbf"_s)->liveCount(), 6u);
    const rt::Rules loaded = rt::Rules::load();
    EXPECT_EQ(loaded, rules);
    const rt::Record r = rt::defaultsFor(loaded, kEvent, 1, QDate(2024, 5, 1));
    EXPECT_TRUE(r.due);
    EXPECT_EQ(r.dueDate, QDate(2024, 5, 15));
    EXPECT_EQ(rt::defaultsFor(loaded, kCelebration, 1, QDate(2024, 5, 1)).dueDate,
              QDate(2024, 7, 1));
    // A data directory without the rule table follows the defaults.
    mz::data::Table::open(u"Henrei.dbf"_s).reset();
    ASSERT_TRUE(QFile::remove(dir.file(u"Henrei.dbf"_s)));
    ASSERT_TRUE(QFile::remove(dir.file(u"Henrei.MDX"_s)));
    EXPECT_EQ(rt::Rules::load(), rt::Rules::defaults());
}

TEST_F(ReturnTest, RecordsAreFoundByNumberAndOrderedByDueDateThroughTheIndex) {
    const std::shared_ptr<mz::data::Table> t = rt::openReturnTable();
    const rt::Rules rules = rt::Rules::defaults();
    rt::store(*t, rt::defaultsFor(rules, kMourning, 3, QDate(2022, 3, 3)));      // 2022/04/21
    rt::store(*t, rt::defaultsFor(rules, kCelebration, 1, QDate(2020, 1, 10)));  // 2020/02/10
    rt::store(*t, rt::defaultsFor(rules, kCelebration, 6, QDate(2023, 2, 2)));   // 2023/03/02
    rt::Record changed = *rt::find(*t, 1);
    changed.dueDate = QDate(2024, 1, 1);
    rt::store(*t, changed);  // written over, not added
    EXPECT_EQ(t->liveCount(), 3u);
    mz::data::Cursor c;
    c.open(u"Okaeshi.DBF"_s);
    c.setIndexName(u"期日"_s);
    QList<int> numbers;
    for (c.first(); !c.eof(); c.next()) numbers << int(c.number(u"収入番号"_s));
    EXPECT_EQ(numbers, (QList<int>{3, 6, 1}));
    EXPECT_EQ(rt::removeFor(*t, 6), 1);
    EXPECT_FALSE(rt::find(*t, 6));
    EXPECT_EQ(rt::removeFor(*t, 6), 0);
}

// --- the upgrade of an older data directory --------------------------------------------------

TEST(ReturnUpgrade, AnOlderDataDirectoryGetsTheEmptyTablesAndTheFiveStayByteForByte) {
    mz::test::DataDir dir;
    QStringList extra;
    for (const mz::data::TableDef& def : mz::data::extraTableDefs())
        extra << mz::data::tableFileNames(def);
    EXPECT_EQ(extra, (QStringList{u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s,
                                  u"Henrei.dbf"_s, u"Henrei.MDX"_s, u"Gyoji.DBF"_s, u"Gyoji.MDX"_s,
                                  u"Uketsuke.DBF"_s, u"Uketsuke.MDX"_s}));
    for (const QString& name : extra) ASSERT_TRUE(QFile::remove(dir.file(name)));
    std::map<QString, QByteArray> before;
    for (const mz::data::TableDef& def : mz::data::tableDefs())
        for (const QString& name : mz::data::tableFileNames(def))
            before[name] = digestOf(dir.file(name));

    EXPECT_EQ(mz::data::createMissingTables(dir.path()),
              (QStringList{u"Okaeshi.DBF"_s, u"Henrei.dbf"_s, u"Gyoji.DBF"_s, u"Uketsuke.DBF"_s}));
    for (const QString& name : extra)
        EXPECT_TRUE(QFile::exists(dir.file(name))) << name.toStdString();
    for (const auto& [name, digest] : before)
        EXPECT_EQ(digestOf(dir.file(name)), digest) << name.toStdString();
    // Up to date now: nothing more to create, and the tables open empty.
    EXPECT_TRUE(mz::data::createMissingTables(dir.path()).isEmpty());
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(rt::openReturnTable()->liveCount(), 0u);
    QDir::setCurrent(cwd);
}

TEST(ReturnUpgrade, AnIndexWithoutItsRecordFileIsLeftAloneAndReported) {
    mz::test::DataDir dir;
    ASSERT_TRUE(QFile::remove(dir.file(u"Okaeshi.DBF"_s)));
    const QByteArray index = digestOf(dir.file(u"Okaeshi.MDX"_s));
    try {
        mz::data::createMissingTables(dir.path());
        FAIL() << "expected a refusal";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(u"Okaeshi.DBF"_s)) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.file(u"Okaeshi.DBF"_s)));
    EXPECT_EQ(digestOf(dir.file(u"Okaeshi.MDX"_s)), index);
}

// --- the record made with an income entry ------------------------------------------------------

// The main window's line is worked out the quick way, from the fields that decide, and must
// count what お返し管理 lists as overdue: each entry by its first return record, no record
// whose entry is gone, and as the oldest the first by due date, then by date of receipt.
TEST_F(ReturnTest, TheReminderCountsWhatTheListShowsAsOverdue) {
    // Entries 1 to 7 of the fixture have no return records.
    mz::test::addEntries(u"Indata.DBF"_s, {{11, QDate(2024, 1, 20), u"一ノ瀬 一"_s, u"結婚祝"_s},
                                           {12, QDate(2024, 1, 5), u"二宮 二郎"_s, u"結婚祝"_s},
                                           {13, QDate(2024, 1, 5), u"三浦 三郎"_s, u"結婚祝"_s},
                                           {14, QDate(2023, 12, 1), u"四谷 四郎"_s, u"結婚祝"_s},
                                           {15, QDate(2024, 1, 1), u"五木 五郎"_s, u"結婚祝"_s}});
    const auto table = rt::openReturnTable();
    const auto& d = table->def();
    auto put = [&](qint32 number, const QString& status, const QDate& due) {
        table->append({{d.fieldIndex(u"収入番号"_s), double(number)},
                       {d.fieldIndex(u"返礼要"_s), true},
                       {d.fieldIndex(u"状況"_s), status},
                       {d.fieldIndex(u"期日"_s), due}});
    };
    put(11, u"未手配"_s, QDate(2024, 2, 10));
    put(12, u"手配済"_s, QDate(2024, 2, 10));  // same day as 11, received earlier: the oldest
    put(13, u"送付済"_s, QDate(2024, 1, 1));
    put(13, u"未手配"_s, QDate(2023, 1, 1));  // a second record: the first one counts
    put(14, u"未手配"_s, QDate(2023, 6, 1));  // its entry is deleted below
    put(15, u"未手配"_s, QDate(2024, 7, 1));  // not due yet
    put(16, u"未手配"_s, QDate(2022, 1, 1));  // no entry of that number
    const auto income = mz::data::Table::open(u"Indata.DBF"_s);
    const int number = income->def().fieldIndex(u"収入番号"_s);
    for (quint32 r = 1; r <= income->recordCount(); ++r)
        if (!income->isDeleted(r) && income->value(r, number) == mz::data::Value(14.0))
            income->remove(r);

    const QDate today(2024, 6, 1);
    const rt::Reminder reminder = rt::overdueReminder(today);
    rt::Filter pending;
    pending.status = rt::StatusFilter::Pending;
    std::vector<rt::Row> listed = rt::gatherRows(pending);
    std::erase_if(listed, [&](const rt::Row& r) { return !r.overdue(today); });
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(reminder.count, 2);
    ASSERT_TRUE(reminder.oldest);
    EXPECT_EQ(reminder.oldest->incomeNo, 12);
    EXPECT_EQ(reminder.oldest->incomeNo, listed.front().incomeNo);
    EXPECT_EQ(reminder.oldest->name, u"二宮 二郎"_s);
    EXPECT_EQ(reminder.oldest->record, listed.front().record);
    EXPECT_EQ(rt::overdueReminder(QDate(2024, 2, 10)).count, 0);  // due that day is not overdue
}

TEST_F(ReturnTest, RegisteringAnEntryGivesItTheRecordOfItsPurposeCategory) {
    mz::platform::Recorder rec;
    TINregiForm w;
    ASSERT_EQ(w.DBEdit2->text(), u"8"_s);
    w.DBEdit4->setText(u"山田 太郎"_s);
    w.DBEdit5->setText(u"香典"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(u"10000"_s);
    w.DateTimePicker1->setDate(QDate(2024, 3, 1));
    w.ColorButton1Click();
    w.DBEdit4->setText(u"佐藤 次郎"_s);
    w.DBEdit5->setText(u"お中元"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(u"5000"_s);
    w.ColorButton1Click();
    EXPECT_EQ(rec.notices().size(), 2);

    const std::optional<rt::Record> mourning = recordOf(8);
    ASSERT_TRUE(mourning);
    EXPECT_TRUE(mourning->due);
    EXPECT_EQ(mourning->status, Status::Unarranged);
    EXPECT_EQ(mourning->dueDate, QDate(2024, 4, 19));
    const std::optional<rt::Record> event = recordOf(9);
    ASSERT_TRUE(event);
    EXPECT_FALSE(event->due);
    EXPECT_EQ(event->status, Status::NotNeeded);
}

TEST_F(ReturnTest, AnEntryThatCannotBeStoredLeavesNoReturnRecord) {
    mz::platform::Recorder rec;
    TINregiForm w;
    w.DBEdit4->setText(u"山田 太郎"_s);
    w.DBEdit5->setText(u"結婚祝"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(u"10000"_s);
    {
        const FailWritesTo full(u"Indata.DBF"_s);
        EXPECT_THROW(w.ColorButton1Click(), EngineError);
    }
    EXPECT_FALSE(incomeExists(8));
    EXPECT_FALSE(recordOf(8));
    EXPECT_EQ(rt::openReturnTable()->liveCount(), 0u);
    // The entry is still as typed; once the disk has room it goes in with its record.
    w.ColorButton1Click();
    EXPECT_TRUE(incomeExists(8));
    ASSERT_TRUE(recordOf(8));
    EXPECT_TRUE(recordOf(8)->due);
}

TEST_F(ReturnTest, AReturnRecordThatCannotBeWrittenStopsTheEntryWithNothingStored) {
    mz::platform::Recorder rec;
    TINregiForm w;
    w.DBEdit4->setText(u"山田 太郎"_s);
    w.DBEdit5->setText(u"結婚祝"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(u"10000"_s);
    {
        const FailWritesTo full(u"Okaeshi.DBF"_s);
        EXPECT_THROW(w.ColorButton1Click(), EngineError);
    }
    EXPECT_FALSE(incomeExists(8));
    EXPECT_FALSE(recordOf(8));
    EXPECT_EQ(w.DBEdit4->text(), u"山田 太郎"_s);  // still as typed, for another try
    EXPECT_TRUE(rec.notices().isEmpty());
}

TEST_F(ReturnTest, AReturnRecordStoredWithoutItsIndexDoesNotPassForTheEntry) {
    // The return table's files stop taking writes from its index write on, after the record
    // was counted, so that nothing there can be undone: the record is stored (its index put
    // right later), and the entry goes in as usual, once.
    mz::platform::Recorder rec;
    TINregiForm w;
    w.DBEdit4->setText(u"山田 太郎"_s);
    w.DBEdit5->setText(u"香典"_s);
    w.DBComboBox1->setEditText(u"花子"_s);
    w.DBEdit7->setText(u"10000"_s);
    bool failed = false;
    struct Unhook {
        ~Unhook() { mz::data::BinaryFile::setWriteHook({}); }
    } unhook;
    mz::data::BinaryFile::setWriteHook([&](const QString& path, qint64, qint64) {
        if (path.endsWith(u"Okaeshi.MDX"_s)) failed = true;
        if (failed && QFileInfo(path).fileName().startsWith(u"Okaeshi."_s))
            throw EngineError(u"Input/output error"_s);
    });
    w.ColorButton1Click();
    mz::data::BinaryFile::setWriteHook({});
    EXPECT_TRUE(failed);
    EXPECT_EQ(rec.notices(), QStringList{u"  収入データが登録されました。  "_s});
    EXPECT_TRUE(incomeExists(8));
    ASSERT_TRUE(recordOf(8));
    EXPECT_TRUE(recordOf(8)->due);
}

TEST_F(ReturnTest, EditingAnEntryMovesAnUntouchedRecordAndLeavesAWorkedOneAlone) {
    const std::shared_ptr<mz::data::Table> t = rt::openReturnTable();
    rt::store(*t, rt::defaultsFor(rt::Rules::defaults(), kCelebration, 1, QDate(2020, 1, 10)));
    rt::Record worked = rt::defaultsFor(rt::Rules::defaults(), kMourning, 3, QDate(2022, 3, 3));
    worked.status = Status::Arranged;
    worked.item = u"お茶"_s;
    rt::store(*t, worked);

    mz::platform::Recorder rec;
    for (int number : {1, 3, 5}) {
        mz::state().IncomeNo = number;
        TINeditForm w;
        w.DBEdit5->setText(u"香典"_s);
        w.DBComboBox1->setEditText(u"花子"_s);
        w.DateTimePicker1->setDate(QDate(2024, 3, 1));
        w.ColorButton1Click();
    }
    EXPECT_EQ(rec.notices(), QStringList(3, u"  収入データが修正されました。  "_s));
    EXPECT_EQ(recordOf(1)->dueDate, QDate(2024, 4, 19));  // now a 香典 of 2024/03/01
    EXPECT_EQ(*recordOf(3), worked);                      // the user's work stays
    ASSERT_TRUE(recordOf(5));                             // an entry from before gets one
    EXPECT_TRUE(recordOf(5)->due);
}

TEST_F(ReturnTest, DeletingAnEntryDeletesItsRecordAllOrNothing) {
    const std::shared_ptr<mz::data::Table> t = rt::openReturnTable();
    rt::Record r = rt::defaultsFor(rt::Rules::defaults(), kCelebration, 1, QDate(2020, 1, 10));
    r.item = u"タオル"_s;
    r.memo = u"東京の百貨店で"_s;
    rt::store(*t, r);
    rt::store(*t, rt::defaultsFor(rt::Rules::defaults(), kMourning, 3, QDate(2022, 3, 3)));

    mz::platform::Recorder rec;
    mz::state().IncomeNo = 1;
    {
        // The entry cannot be deleted: it stays, and so does its record, memo and all.
        TINdelForm w;
        const FailWritesTo full(u"Indata.DBF"_s);
        EXPECT_THROW(w.ColorButton1Click(), EngineError);
    }
    EXPECT_TRUE(incomeExists(1));
    ASSERT_TRUE(recordOf(1));
    EXPECT_EQ(*recordOf(1), r);
    EXPECT_TRUE(rec.notices().isEmpty());
    {
        // The record cannot be deleted: the entry is not deleted either.
        TINdelForm w;
        const FailWritesTo full(u"Okaeshi.DBF"_s);
        EXPECT_THROW(w.ColorButton1Click(), EngineError);
    }
    EXPECT_TRUE(incomeExists(1));
    EXPECT_TRUE(recordOf(1));
    {
        TINdelForm w;
        w.ColorButton1Click();
    }
    EXPECT_FALSE(incomeExists(1));
    EXPECT_FALSE(recordOf(1));
    EXPECT_TRUE(recordOf(3));  // the others' records stay
    EXPECT_EQ(rec.notices(), QStringList{u"  収入データが削除されました。  "_s});
}
