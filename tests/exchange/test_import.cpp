// Taking CSV rows into the ledgers and the address book: what each row is told, what is stored,
// and that a cancel or a failed write stores nothing.
#include "exchange/tableexport.h"
#include "exchange/tableimport.h"

#include "data/binaryfile.h"
#include "data/cp932.h"
#include "data/table.h"

#include "records.h"
#include "testdata.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace mz::exchange;
using mz::data::Table;
using namespace Qt::StringLiterals;

namespace {

class Import : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    // The rows of a file with this header, checked against the table.
    std::vector<RowCheck> check(ImportTarget target, const CsvRows& rows, DateFormat format = DateFormat::Slash) {
        auto table = Table::open(targetFile(target));
        return checkRows(target, rows, guessColumns(target, rows.front()), {format, true}, *table);
    }

    QByteArray fileBytes(const QString& name) {
        QFile f(dir_.file(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    mz::test::DataDir dir_;
    QString previous_;
};

const QStringList kIncomeHeader{u"収入日"_s, u"氏名"_s, u"金額"_s, u"物品"_s};

}  // namespace

TEST_F(Import, EachRowIsToldWhetherAndWhyNot) {
    const CsvRows rows = {
        kIncomeHeader,
        {u"2024/05/03"_s, u"山田 太郎"_s, u"￥１０，０００"_s, u"お茶, 海苔\r\n2行目"_s},
        {u"2024/5/4"_s, u"鈴木"_s, u"5,000円"_s, u""_s},
        {u"令和6年5月3日"_s, u"佐藤"_s, u"3000"_s, u""_s},             // wrong date form
        {u"2024/05/05"_s, u"長谷川長谷川長谷川長谷川"_s, u"1000"_s, u""_s},  // 24 bytes > 16
        {u"2024/05/05"_s, u"𠮷田"_s, u"1000"_s, u""_s},                  // not in CP932
        {u"2024/05/05"_s, u""_s, u"一万"_s, u""_s},                      // two reasons
        {u""_s, u""_s, u""_s, u""_s},
        {u"2024/05/06"_s, u"髙橋"_s, u"12.5"_s, u"①～"_s},               // NEC/IBM extensions fine, no fraction
    };
    const auto checks = check(ImportTarget::Income, rows);
    ASSERT_EQ(checks.size(), 8u);
    EXPECT_EQ(checks[0].verdict, RowVerdict::Store);
    EXPECT_EQ(checks[0].row, 2);
    EXPECT_EQ(checks[1].verdict, RowVerdict::Store);
    EXPECT_EQ(checks[2].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[2].reason.contains(u"yyyy/mm/dd"_s)) << checks[2].reason.toStdString();
    EXPECT_EQ(checks[3].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[3].reason.contains(u"「氏名」が長すぎます"_s)) << checks[3].reason.toStdString();
    EXPECT_EQ(checks[4].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[4].reason.contains(u"「𠮷」"_s)) << checks[4].reason.toStdString();
    EXPECT_EQ(checks[5].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[5].reason.contains(u"「氏名」がありません"_s));
    EXPECT_TRUE(checks[5].reason.contains(u"「一万」は数として読めません"_s));
    EXPECT_EQ(checks[6].verdict, RowVerdict::Blank);
    EXPECT_EQ(checks[7].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[7].reason.contains(u"整数ではありません"_s));

    // The wareki row reads in the wareki form.
    EXPECT_EQ(check(ImportTarget::Income, {kIncomeHeader, rows[3]}, DateFormat::Wareki)[0].verdict, RowVerdict::Store);

    auto table = Table::open(u"Indata.DBF"_s);
    EXPECT_EQ(storeRows(ImportTarget::Income, *table, checks), 2);
    ASSERT_EQ(table->liveCount(), 2u);
    const int amount = table->def().fieldIndex(u"金額"_s);
    EXPECT_EQ(table->value(1, amount), mz::data::Value{10000.0});
    EXPECT_EQ(table->value(2, amount), mz::data::Value{5000.0});
    EXPECT_EQ(table->value(1, table->def().fieldIndex(u"物品"_s)), mz::data::Value{u"お茶, 海苔\r\n2行目"_s});
    EXPECT_EQ(table->value(2, table->def().fieldIndex(u"収入日"_s)), mz::data::Value{QDate(2024, 5, 4)});
}

TEST_F(Import, EntryNumbersFollowTheStoredOnesAndDuplicatesWaitForTheUser) {
    mz::test::addEntries(u"Outdata.DBF"_s, {{41, QDate(2024, 5, 3), u"山田 太郎"_s, u"香典"_s, u""_s, 10000}});
    const CsvRows rows = {
        {u"支出日"_s, u"氏名"_s, u"金額"_s},
        {u"2024-05-03"_s, u"山田　太郎"_s, u"10000"_s},  // the stored one, written with a full-width blank
        {u"2024-05-03"_s, u"山田 太郎"_s, u"5000"_s},
        {u"2024-05-04"_s, u"山田 太郎"_s, u"10000"_s},
    };
    auto checks = check(ImportTarget::Expenditure, rows, DateFormat::Dash);
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].verdict, RowVerdict::Duplicate);
    EXPECT_EQ(checks[1].verdict, RowVerdict::Store);
    EXPECT_EQ(checks[2].verdict, RowVerdict::Store);
    EXPECT_EQ(rowsToStore(checks), 2);

    auto table = Table::open(u"Outdata.DBF"_s);
    const int number = table->def().fieldIndex(u"支出番号"_s);
    EXPECT_EQ(storeRows(ImportTarget::Expenditure, *table, checks), 2);
    EXPECT_EQ(table->liveCount(), 3u);
    EXPECT_EQ(table->value(2, number), mz::data::Value{42.0});
    EXPECT_EQ(table->value(3, number), mz::data::Value{43.0});

    // Kept by the user, the duplicate is stored too.
    checks = check(ImportTarget::Expenditure, rows, DateFormat::Dash);
    EXPECT_EQ(rowsToStore(checks), 0);  // every row is stored by now
    checks[0].keep = true;
    EXPECT_EQ(storeRows(ImportTarget::Expenditure, *table, checks), 1);
    EXPECT_EQ(table->value(4, number), mz::data::Value{44.0});
}

TEST_F(Import, PeopleGetNewHouseholdsOrTheHouseholdTheirCodeNames) {
    mz::test::addPerson(101, u"青木 一郎"_s, u"ｱｵｷ ｲﾁﾛｳ"_s, true);
    mz::test::addPerson(305, u"石井 誠"_s, u"ｲｼｲ ﾏｺﾄ"_s, true);
    mz::test::addPerson(499, u"上田 勇"_s, u"ｳｴﾀﾞ ｲｻﾑ"_s, true);
    const CsvRows rows = {
        {u"相手先コード"_s, u"氏名"_s, u"フリガナ"_s, u"ＦＡＸ"_s},
        {u""_s, u"新規 一"_s, u"ｼﾝｷ ﾊｼﾞﾒ"_s, u""_s},    // new household after 499: 501
        {u"305"_s, u"石井 花子"_s, u"ｲｼｲ ﾊﾅｺ"_s, u""_s},  // 305 is taken: joins it as 306
        {u"777"_s, u"七 七"_s, u"ﾅﾅ"_s, u"03-1234"_s},    // free: kept
        {u"499"_s, u"満員"_s, u"ﾏﾝｲﾝ"_s, u""_s},          // taken, and household 400 ends at 499
        {u"600"_s, u"区切り"_s, u"ｸｷﾞﾘ"_s, u""_s},        // no person's code
        {u""_s, u"読みなし"_s, u""_s, u""_s},
        {u""_s, u"新規 二"_s, u"ｼﾝｷ ﾌﾀ"_s, u""_s},      // after 777: 801
    };
    const auto checks = check(ImportTarget::Counterparts, rows);
    ASSERT_EQ(checks.size(), 7u);
    EXPECT_EQ(checks[3].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[3].reason.contains(u"99人"_s)) << checks[3].reason.toStdString();
    EXPECT_EQ(checks[4].verdict, RowVerdict::Refused);
    EXPECT_EQ(checks[5].verdict, RowVerdict::Refused);
    EXPECT_TRUE(checks[5].reason.contains(u"「フリガナ」がありません"_s));

    auto table = Table::open(u"Aitesaki.DBF"_s);
    EXPECT_EQ(storeRows(ImportTarget::Counterparts, *table, checks), 4);
    const int code = table->def().fieldIndex(u"相手先コード"_s);
    const int head = table->def().fieldIndex(u"世帯代表"_s);
    const int fax = table->def().fieldIndex(u"ＦＡＸ"_s);
    EXPECT_EQ(table->value(4, code), mz::data::Value{501.0});
    EXPECT_EQ(table->value(4, head), mz::data::Value{true});
    EXPECT_EQ(table->value(5, code), mz::data::Value{306.0});
    EXPECT_EQ(table->value(5, head), mz::data::Value{false});
    EXPECT_EQ(table->value(6, code), mz::data::Value{777.0});
    EXPECT_EQ(table->value(6, fax), mz::data::Value{u"03-1234"_s});
    EXPECT_EQ(table->value(7, code), mz::data::Value{801.0});
}

TEST_F(Import, CancelAndFailedWritesStoreNothing) {
    mz::test::addEntries(u"Indata.DBF"_s, {{1, QDate(2020, 1, 1), u"前からの人"_s}});
    CsvRows rows = {kIncomeHeader};
    for (int i = 0; i < 300; ++i)
        rows.push_back({u"2024/05/03"_s, u"人 %1"_s.arg(i), u"1000"_s, i % 3 ? u""_s : u"品物\n%1"_s.arg(i)});
    const auto checks = check(ImportTarget::Income, rows);
    ASSERT_EQ(rowsToStore(checks), 300);
    const QStringList files{u"Indata.DBF"_s, u"Indata.DBT"_s, u"Indata.MDX"_s};
    std::vector<QByteArray> before;
    for (const QString& f : files) before.push_back(fileBytes(f));
    auto table = Table::open(u"Indata.DBF"_s);
    auto unchanged = [&](const char* what) {
        for (qsizetype i = 0; i < files.size(); ++i)
            EXPECT_EQ(fileBytes(files[i]), before[size_t(i)]) << what << " " << files[i].toStdString();
        EXPECT_EQ(table->liveCount(), 1u) << what;
    };

    // Cancel half-way through.
    EXPECT_THROW(storeRows(ImportTarget::Income, *table, checks, [](qsizetype done) { return done < 150; }),
                 mz::data::ChangeCancelled);
    unchanged("cancel");
    // Cancel while checking.
    {
        auto t = Table::open(u"Indata.DBF"_s);
        EXPECT_THROW(checkRows(ImportTarget::Income, rows, guessColumns(ImportTarget::Income, kIncomeHeader), {}, *t,
                               [](qsizetype done) { return done < 10; }),
                     mz::data::ChangeCancelled);
    }

    // A full disk at the first write, in the middle and at the last.
    int writes = 0;
    {
        mz::test::DataDir scratch;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(scratch.path());
        mz::test::addEntries(u"Indata.DBF"_s, {{1, QDate(2020, 1, 1), u"前からの人"_s}});
        auto t = Table::open(u"Indata.DBF"_s);
        mz::data::BinaryFile::setWriteHook([&](const QString&, qint64, qint64) { ++writes; });
        storeRows(ImportTarget::Income, *t, checks);
        mz::data::BinaryFile::setWriteHook({});
        QDir::setCurrent(previous);
    }
    const int total = writes;
    ASSERT_GT(total, 100);
    for (int failAt : {1, total / 2, total}) {
        writes = 0;
        mz::data::BinaryFile::setWriteHook([&](const QString& path, qint64, qint64) {
            if (++writes == failAt)
                throw mz::data::EngineError(u"ファイル '%1' に書き込めません（ディスクの空き容量が足りません）"_s.arg(path));
        });
        EXPECT_THROW(storeRows(ImportTarget::Income, *table, checks), mz::data::EngineError) << failAt;
        mz::data::BinaryFile::setWriteHook({});
        EXPECT_FALSE(table->lastChangeStored());
        unchanged("full disk");
    }
    // Afterwards the import goes through, numbered after the stored entry.
    EXPECT_EQ(storeRows(ImportTarget::Income, *table, checks), 300);
    EXPECT_EQ(table->value(301, table->def().fieldIndex(u"収入番号"_s)), mz::data::Value{301.0});
    EXPECT_EQ(table->order(u"収入日"_s).size(), 301u);
}

// Exported and imported into an empty data directory, every table gives the same records, the
// pictures aside (the file only says whether there was one).
TEST_F(Import, RoundTripOfTwoThousandEntries) {
    std::vector<mz::test::LedgerEntry> entries;
    for (int i = 1; i <= 2000; ++i) {
        mz::test::LedgerEntry e{i, QDate(1995, 1, 1).addDays(i * 7 % 10000), u"氏名 %1"_s.arg(i % 97)};
        e.amount = (i % 10) * 1000 + 500;
        e.purpose = i % 2 ? u"香典"_s : u"結婚祝"_s;
        if (i % 5 == 0) e.memo = u"海苔, お茶\r\n\"上\" 等 %1"_s.arg(i);
        if (i % 400 == 0) e.picture = mz::data::grayBitmap(2, 2);
        entries.push_back(e);
    }
    mz::test::addEntries(u"Indata.DBF"_s, entries);
    mz::test::addEntries(u"Outdata.DBF"_s, entries);
    for (int h = 1; h <= 30; ++h)
        for (int m = 1; m <= h % 3 + 1; ++m)
            mz::test::addPerson(h * 100 + m, u"相手 %1-%2"_s.arg(h).arg(m), u"ｱｲﾃ %1"_s.arg(h), m == 1);

    mz::test::DataDir target;
    for (ImportTarget t : {ImportTarget::Income, ImportTarget::Expenditure, ImportTarget::Counterparts}) {
        for (Encoding enc : {Encoding::Utf8Bom, Encoding::Cp932}) {
            mz::test::DataDir empty;
            auto source = Table::open(dir_.file(targetFile(t)));
            const QString csv = dir_.file(u"export.csv"_s);
            writeCsvFile(csv, exportHeader(source->def()), exportAllRows(*source), enc);
            const ImportFile file = readImportFile(csv);
            EXPECT_EQ(file.encoding, enc);
            auto dest = Table::open(empty.file(targetFile(t)));
            const auto checks = checkRows(t, file.rows, guessColumns(t, file.rows.front()), {}, *dest);
            ASSERT_EQ(rowsToStore(checks), int(source->liveCount()));
            storeRows(t, *dest, checks);
            CsvRows want = exportAllRows(*source);
            const int picture = source->def().fieldIndex(u"写真"_s);
            if (picture >= 0)
                for (QStringList& r : want) r[picture].clear();
            EXPECT_EQ(exportAllRows(*dest), want) << targetTitle(t).toStdString();
        }
    }
}
