// The reception desk without its window: events, matching typed readings to the address book,
// storing a guest all or nothing, correcting and removing, and two real processes taking guests
// of one event at the same moment (the test binary runs itself as the other desks: MZ_DESK_CHILD).
#include "data/binaryfile.h"
#include "data/cursor.h"
#include "data/table.h"
#include "data/tabledefs.h"
#include "reception/desk.h"
#include "testdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

using namespace mz::reception;
using mz::data::Cursor;
using mz::data::EngineError;
using namespace Qt::StringLiterals;

namespace {

// A data directory made current for the test, with three people in the address book.
struct DeskDir {
    mz::test::DataDir dir;
    QString before = QDir::currentPath();
    DeskDir() {
        QDir::setCurrent(dir.path());
        Cursor book;
        book.open(u"Aitesaki.DBF"_s);
        const struct {
            double code;
            const char16_t* name;
            const char16_t* reading;
        } people[] = {{101, u"山田 太郎", u"ﾔﾏﾀﾞ ﾀﾛｳ"}, {102, u"山田 花子", u"ﾔﾏﾀﾞ ﾊﾅｺ"}, {201, u"田中 一郎", u"ﾀﾅｶ ｲﾁﾛｳ"}};
        for (const auto& p : people) {
            book.append();
            book.setValue(u"相手先コード"_s, p.code);
            book.setValue(u"氏名"_s, QString::fromUtf16(p.name));
            book.setValue(u"フリガナ"_s, QString::fromUtf16(p.reading));
            book.setValue(u"住所1"_s, u"東京都千代田区1-1"_s);
            book.post();
        }
    }
    ~DeskDir() { QDir::setCurrent(before); }
};

Event funeral() { return createEvent({0, u"故 山田一郎 告別式"_s, QDate(2026, 12, 5), u"香典"_s, u"本人"_s}); }

int liveCount(const QString& table) {
    Cursor c;
    c.open(table);
    return c.recordCount();
}

Guest fromBook(qint32 code, double amount) {
    Guest g;
    g.code = code;
    g.amount = amount;
    return g;
}

Guest newGuest(const QString& name, const QString& reading, double amount) {
    Guest g;
    g.newPerson.name = name;
    g.newPerson.reading = reading;
    g.newPerson.address1 = u"大阪府大阪市北区2-2"_s;
    g.amount = amount;
    return g;
}

}  // namespace

TEST(Events, AreNumberedAndListedLatestFirst) {
    DeskDir d;
    const Event a = funeral();
    const Event b = createEvent({0, u"通夜"_s, QDate(2026, 12, 4), u"香典"_s, QString()});
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(b.number, 2);
    const std::vector<Event> list = events();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, u"通夜"_s);
    EXPECT_EQ(list[1].date, QDate(2026, 12, 5));
    EXPECT_EQ(list[1].purpose, u"香典"_s);
    EXPECT_THROW(createEvent({0, u"  "_s, QDate(2026, 1, 1), {}, {}}), EngineError);
    EXPECT_THROW(createEvent({0, u"告別式"_s, QDate(), {}, {}}), EngineError);
    EXPECT_THROW(Desk(7, u"受付1"_s), EngineError) << "an event that is not there";
}

TEST(Events, TablesMissingFromAnOlderDataDirectoryAreCreated) {
    DeskDir d;
    for (const char16_t* f : {u"Gyoji.DBF", u"Gyoji.MDX", u"Uketsuke.DBF", u"Uketsuke.MDX"})
        ASSERT_TRUE(QFile::remove(QString::fromUtf16(f)));
    EXPECT_TRUE(events().empty());
    EXPECT_TRUE(QFile::exists(u"Gyoji.DBF"_s));
    EXPECT_EQ(funeral().number, 1);
    Desk desk(1, u"受付1"_s);
    EXPECT_TRUE(QFile::exists(u"Uketsuke.MDX"_s));
    // An index left without its table is not overwritten.
    ASSERT_TRUE(QFile::remove(u"Uketsuke.DBF"_s));
    EXPECT_THROW(mz::data::createMissingTables(QDir::currentPath()), EngineError);
}

TEST(Matching, ReadingPrefixFirstThenNameWithKanaAndBlanksFolded) {
    DeskDir d;
    funeral();
    Desk desk(1, u"受付1"_s);
    auto codes = [&](const QString& typed) {
        std::vector<qint32> c;
        for (const Person& p : desk.match(typed)) c.push_back(p.code);
        return c;
    };
    EXPECT_EQ(codes(u"やまだ"_s), (std::vector<qint32>{101, 102})) << "hiragana finds the half-width reading";
    EXPECT_EQ(codes(u"ヤマダハ"_s), (std::vector<qint32>{102})) << "blanks of the reading are ignored";
    EXPECT_EQ(codes(u"田中"_s), (std::vector<qint32>{201}));
    EXPECT_EQ(codes(u"山田　太"_s), (std::vector<qint32>{101})) << "full-width blank in the name";
    EXPECT_TRUE(codes(u"  "_s).empty());
    EXPECT_TRUE(codes(u"すずき"_s).empty());
    EXPECT_EQ(desk.match(u"ﾔ"_s, 1).size(), 1u);
    EXPECT_EQ(desk.match(u"ﾔ"_s).front().address(), u"東京都千代田区1-1"_s);
}

TEST(Store, WritesTheIncomeEntryTheDeskEntryAndANewHousehold) {
    DeskDir d;
    funeral();
    Desk desk(1, u"受付1"_s);
    std::vector<qint32> created;
    desk.setReturnRecords({[&](qint32 no) { created.push_back(no); }, {}});

    Guest known = fromBook(102, 5000);
    known.relation = u"親族"_s;
    const Entry first = desk.store(known);
    Guest unknown = newGuest(u"鈴木 次郎"_s, u"すずき じろう"_s, 10000);
    unknown.memo = u"供花"_s;
    const Entry second = desk.store(unknown);

    EXPECT_EQ(first.number, u"受付1-0001"_s);
    EXPECT_EQ(second.number, u"受付1-0002"_s);
    EXPECT_EQ(second.code, 301) << "a new household after the highest block";
    EXPECT_EQ(created, (std::vector<qint32>{1, 2}));
    ASSERT_EQ(desk.count(), 2);
    EXPECT_EQ(desk.entries().front().serial, 2) << "newest first";
    EXPECT_EQ(desk.total(), 15000);

    Cursor in;
    in.open(u"Indata.DBF"_s);
    ASSERT_EQ(in.recordCount(), 2);
    in.last();
    EXPECT_EQ(in.number(u"収入番号"_s), 2);
    EXPECT_EQ(in.date(u"収入日"_s), QDate(2026, 12, 5));
    EXPECT_EQ(in.text(u"氏名"_s), u"鈴木 次郎"_s);
    EXPECT_EQ(in.text(u"目的"_s), u"香典"_s);
    EXPECT_EQ(in.text(u"家族名"_s), u"本人"_s);
    EXPECT_EQ(in.number(u"金額"_s), 10000);
    EXPECT_EQ(in.text(u"物品"_s), u"供花"_s);
    EXPECT_EQ(in.text(u"物品／備考"_s), u"有り"_s);

    Cursor book;
    book.open(u"Aitesaki.DBF"_s);
    book.setFilter(u"相手先コード= 301"_s);
    book.setFiltered(true);
    ASSERT_EQ(book.recordCount(), 1);
    EXPECT_EQ(book.text(u"フリガナ"_s), u"ｽｽﾞｷｼﾞﾛｳ"_s) << "typed kana stored half-width";
    EXPECT_TRUE(book.logical(u"世帯代表"_s));

    Cursor u;
    u.open(u"Uketsuke.DBF"_s);
    u.first();
    EXPECT_EQ(u.text(u"関係"_s), u"親族"_s);
    EXPECT_EQ(u.number(u"相手先コード"_s), 102);
}

TEST(Store, RefusesMissingInputWithNothingWritten) {
    DeskDir d;
    funeral();
    Desk desk(1, u"受付1"_s);
    EXPECT_THROW(desk.store(newGuest(u"鈴木"_s, QString(), 1000)), EngineError) << "no reading";
    EXPECT_THROW(desk.store(fromBook(999, 1000)), EngineError) << "a person no longer in the book";
    Guest nothing = fromBook(101, 0);
    nothing.amount.reset();
    EXPECT_THROW(desk.store(nothing), EngineError) << "neither amount nor goods";
    EXPECT_THROW(desk.store(fromBook(101, -5)), EngineError);
    Guest goodsOnly = nothing;
    goodsOnly.memo = u"弔電"_s;
    EXPECT_EQ(desk.store(goodsOnly).amount, std::nullopt);
    EXPECT_EQ(liveCount(u"Indata.DBF"_s), 1);
    EXPECT_EQ(liveCount(u"Aitesaki.DBF"_s), 3);
}

TEST(Store, AFailingLaterStepUndoesEveryEarlierOne) {
    DeskDir d;
    funeral();
    Desk desk(1, u"受付1"_s);
    desk.setReturnRecords({[](qint32) { throw EngineError(u"お返しの記録を書けません"_s); }, {}});
    EXPECT_THROW(desk.store(newGuest(u"鈴木 次郎"_s, u"ｽｽﾞｷ"_s, 3000)), EngineError);
    EXPECT_EQ(liveCount(u"Indata.DBF"_s), 0);
    EXPECT_EQ(liveCount(u"Uketsuke.DBF"_s), 0);
    EXPECT_EQ(liveCount(u"Aitesaki.DBF"_s), 3) << "the new person is taken back";
    EXPECT_EQ(desk.count(), 0);
    desk.setReturnRecords({});
    EXPECT_EQ(desk.store(fromBook(101, 3000)).serial, 1) << "the failed guest used no number";
}

// The desk table stops taking writes at its index, after the desk entry was counted, so that
// it cannot be undone: the guest is stored (the index is put right later) and the user is told.
// The income entry and the new person it names must stay with it, not be taken back and leave a
// desk entry that names nothing.
TEST(Store, AStepStoredDespiteAFailedWriteKeepsTheStepsBeforeIt) {
    DeskDir d;
    funeral();
    Desk desk(1, u"受付1"_s);
    bool failing = false;
    struct Unhook {
        ~Unhook() { mz::data::BinaryFile::setWriteHook({}); }
    } unhook;
    mz::data::BinaryFile::setWriteHook([&](const QString& path, qint64, qint64) {
        if (path.endsWith(u"Uketsuke.MDX"_s)) failing = true;
        if (failing && QFileInfo(path).fileName().startsWith(u"Uketsuke."_s))
            throw EngineError(u"Input/output error"_s);
    });
    EXPECT_THROW(desk.store(newGuest(u"鈴木 次郎"_s, u"ｽｽﾞｷ"_s, 3000)),
                 mz::data::ChangeStoredError);
    mz::data::BinaryFile::setWriteHook({});
    EXPECT_TRUE(failing);
    EXPECT_EQ(liveCount(u"Uketsuke.DBF"_s), 1);
    EXPECT_EQ(liveCount(u"Indata.DBF"_s), 1) << "the desk entry's income entry stays";
    EXPECT_EQ(liveCount(u"Aitesaki.DBF"_s), 4) << "the new person stays";
    desk.refresh();
    EXPECT_EQ(desk.count(), 1);
    EXPECT_EQ(desk.total(), 3000);
}

TEST(Store, CorrectAndRemoveChangeBothTables) {
    DeskDir d;
    funeral();
    Desk desk(1, u"受付1"_s);
    std::vector<qint32> removed;
    bool refuse = false;
    desk.setReturnRecords({{}, [&](qint32 no) {
                               if (refuse) throw EngineError(u"お返し済みです"_s);
                               removed.push_back(no);
                           }});
    desk.store(fromBook(101, 3000));
    const Entry e = desk.store(fromBook(102, 5000));
    desk.correct(e, 50000, u"会社関係"_s, u"お菓子"_s);
    EXPECT_EQ(desk.entries().front().amount, 50000);
    EXPECT_EQ(desk.entries().front().relation, u"会社関係"_s);
    EXPECT_EQ(desk.entries().front().memo, u"お菓子"_s);
    EXPECT_EQ(desk.total(), 53000);
    EXPECT_THROW(desk.correct(e, std::nullopt, {}, {}), EngineError);
    EXPECT_EQ(desk.total(), 53000);

    refuse = true;
    EXPECT_THROW(desk.remove(e), EngineError);
    EXPECT_EQ(desk.count(), 2) << "a refused return record keeps the entry";
    refuse = false;
    desk.remove(e);
    EXPECT_EQ(removed, (std::vector<qint32>{2}));
    EXPECT_EQ(desk.count(), 1);
    EXPECT_EQ(desk.total(), 3000);
    EXPECT_EQ(liveCount(u"Indata.DBF"_s), 1);
    EXPECT_THROW(desk.remove(e), EngineError) << "already removed";
    EXPECT_EQ(desk.store(fromBook(102, 1000)).serial, 2) << "serials of other entries are not reused";
}

TEST(Store, OtherDesksEntriesShowAtRefresh) {
    DeskDir d;
    funeral();
    createEvent({0, u"別の行事"_s, QDate(2026, 12, 6), u"御祝儀"_s, {}});
    Desk one(1, u"受付1"_s), two(1, u"受付2"_s), other(2, u"受付1"_s);
    one.store(fromBook(101, 1000));
    two.store(fromBook(102, 2000));
    other.store(fromBook(201, 9999));
    EXPECT_TRUE(one.refresh());
    EXPECT_EQ(one.count(), 2);
    EXPECT_EQ(one.entries().front().number, u"受付2-0002"_s);
    EXPECT_EQ(one.total(), 3000);
    EXPECT_EQ(other.entries().front().number, u"受付1-0001"_s) << "each event numbers its own guests";
}

TEST(Store, ReceptionNumbersAndDeskNames) {
    EXPECT_EQ(receptionNumber(u"A"_s, 7), u"A-0007"_s);
    EXPECT_EQ(receptionNumber(u"A"_s, 12345), u"A-12345"_s);
    EXPECT_FALSE(defaultDeskName().isEmpty());
}

// --- two processes ------------------------------------------------------------------------------

namespace {

constexpr int kPerDesk = 100;

// One desk of the two-process test: waits for the start file, takes its guests (even ones from
// the book, odd ones new), then refreshes until both desks' guests are there and prints the
// count and total it sees.
int deskChild(int desk) {
    QDir::setCurrent(qEnvironmentVariable("MZ_DESK_DIR"));
    for (int i = 0; i < 3000 && !QFile::exists(u"start"_s); ++i) QThread::msleep(5);
    Desk d(1, u"受付%1"_s.arg(desk));
    for (int i = 0; i < kPerDesk; ++i) {
        const double amount = 1000.0 * (desk * 1000 + i);
        if (i % 2 == 0)
            d.store(fromBook(i % 4 == 0 ? 101 : 201, amount));
        else
            d.store(newGuest(u"新規%1-%2"_s.arg(desk).arg(i), u"ｼﾝｷ%1"_s.arg(i), amount));
    }
    for (int i = 0; i < 6000 && d.count() < 2 * kPerDesk; ++i) {
        QThread::msleep(5);
        d.refresh();
    }
    std::printf("%d %.0f\n", d.count(), d.total());
    return 0;
}

struct DeskChildRole : ::testing::Environment {
    void SetUp() override {
        const int desk = qEnvironmentVariableIntValue("MZ_DESK_CHILD");
        if (desk == 0) return;
        int rc = 0;
        try {
            rc = deskChild(desk);
        } catch (const EngineError& e) {
            std::fprintf(stderr, "desk: %s\n", e.message().toLocal8Bit().constData());
            rc = 13;
        }
        std::fflush(nullptr);
        std::_Exit(rc);
    }
};
[[maybe_unused]] ::testing::Environment* const deskChildRole =
    ::testing::AddGlobalTestEnvironment(new DeskChildRole);

}  // namespace

TEST(TwoProcesses, TakeGuestsOfOneEventWithoutDuplicatesAndSeeTheSameTotals) {
    DeskDir d;
    funeral();
    std::vector<std::unique_ptr<QProcess>> desks;
    for (int desk = 1; desk <= 2; ++desk) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"MZ_DESK_CHILD"_s, QString::number(desk));
        env.insert(u"MZ_DESK_DIR"_s, d.dir.path());
        env.insert(u"MIZOREL_SYNC_WRITES"_s, u"1"_s);
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {});
        ASSERT_TRUE(p->waitForStarted());
        desks.push_back(std::move(p));
    }
    QFile start(u"start"_s);
    ASSERT_TRUE(start.open(QIODevice::WriteOnly));
    start.close();
    double expected = 0;
    for (int desk = 1; desk <= 2; ++desk)
        for (int i = 0; i < kPerDesk; ++i) expected += 1000.0 * (desk * 1000 + i);
    for (auto& p : desks) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        // The desk's last line (the test framework's banner comes before it).
        EXPECT_EQ(QString::fromLocal8Bit(p->readAllStandardOutput()).trimmed().section(u'\n', -1),
                  u"%1 %2"_s.arg(2 * kPerDesk).arg(expected, 0, 'f', 0))
            << "each desk sees both desks' guests and the same total";
    }

    Desk check(1, u"確認"_s);
    ASSERT_EQ(check.count(), 2 * kPerDesk);
    std::set<qint32> serials, incomeNumbers;
    std::set<QString> numbers;
    for (const Entry& e : check.entries()) {
        serials.insert(e.serial);
        incomeNumbers.insert(e.incomeNo);
        numbers.insert(e.number);
        EXPECT_TRUE(e.number == receptionNumber(e.desk, e.serial)) << e.number.toStdString();
    }
    EXPECT_EQ(serials.size(), size_t(2 * kPerDesk));
    EXPECT_EQ(*serials.begin(), 1);
    EXPECT_EQ(*serials.rbegin(), 2 * kPerDesk) << "no gap, no duplicate";
    EXPECT_EQ(incomeNumbers.size(), size_t(2 * kPerDesk));
    EXPECT_EQ(numbers.size(), size_t(2 * kPerDesk));
    EXPECT_EQ(liveCount(u"Indata.DBF"_s), 2 * kPerDesk);
    EXPECT_EQ(check.total(), expected);

    // Every new person got a household of their own.
    Cursor book;
    book.open(u"Aitesaki.DBF"_s);
    std::set<qint32> households;
    for (book.first(); !book.eof(); book.next())
        households.insert(static_cast<qint32>(book.number(u"相手先コード"_s)) / 100);
    EXPECT_EQ(book.recordCount(), 3 + kPerDesk);
    EXPECT_EQ(households.size(), size_t(2 + kPerDesk));
}
