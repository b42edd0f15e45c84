// Every kind of change the windows make, on every table, stopped at each of its writes: a
// register, an edit and a delete on the address book (two tags and a memo), both ledgers (memos
// and pictures), the family list (a post that splits a full index leaf) and the purposes (two
// tags), and a delete that empties an index leaf.
//
// Two ways of stopping:
// - the process is killed at the write: the files must then hold either the state before the
//   change or the state after it, every order must agree with the records, and an independent
//   reader must read the same records as the engine;
// - the write fails (a full disk) and the program goes on with the same window objects: reads
//   keep working and show the table as before the change, and pressing the button again once
//   the disk has room stores the change exactly once.
#include "data/cursor.h"
#include "data/tabledefs.h"
#include "tablecheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

// --- writes -----------------------------------------------------------------------------------

struct Write {
    QString file;
    qint64 offset;
};

// Records the engine's writes; from the failAt-th on (1-based) each one fails, either as a full
// disk (an EngineError, as the file layer reports it) or by killing the process.
struct WriteStopper {
    enum class How { DiskFull, Kill };
    std::vector<Write> writes;
    int failAt = 0;  // 0: never
    How how = How::DiskFull;
    WriteStopper() {
        BinaryFile::setWriteHook([this](const QString& path, qint64 offset, qint64) {
            writes.push_back({QFileInfo(path).fileName(), offset});
            if (failAt != 0 && static_cast<int>(writes.size()) >= failAt) {
                if (how == How::Kill) ::kill(::getpid(), SIGKILL);
                throw EngineError(u"ファイル '%1' に書き込めません: No space left on device"_s
                                      .arg(QFileInfo(path).fileName()));
            }
        });
    }
    ~WriteStopper() { BinaryFile::setWriteHook({}); }
    WriteStopper(const WriteStopper&) = delete;
    WriteStopper& operator=(const WriteStopper&) = delete;
};

// --- data the windows store -------------------------------------------------------------------

QByteArray pictureOf(int i) { return grayBitmap(2 + i % 5, 2 + i % 3); }
QString memoOf(int i) { return u"品物 %1 "_s.arg(i).repeated(i % 4 == 0 ? 150 : 1).trimmed(); }
QDate dateOf(int i) { return QDate(2001, 1, 1).addDays((i * 37) % 3000); }
QString kanaOf(int i) { return QString(QChar(0xFF71 + (i * 7) % 40)) + u"ﾀﾞ"_s; }

void addEntry(Cursor& c, const QString& numberField, const QString& dateField, int i, QDate date) {
    c.append();
    c.setValue(numberField, double(i));
    c.setValue(dateField, date);
    c.setValue(u"相手先コード"_s, double(101 + (i % 9) * 100));
    c.setValue(u"氏名"_s, u"相手%1"_s.arg(i));
    c.setValue(u"目的"_s, u"結婚祝"_s);
    c.setValue(u"金額"_s, 1000.0 * i);
    if (i % 3 != 0) {
        c.setValue(u"物品"_s, memoOf(i));
        c.setValue(u"物品／備考"_s, u"有り"_s);
    }
    if (i % 2 == 0) c.setValue(u"写真"_s, pictureOf(i));
    c.post();
}

void addPerson(Cursor& c, double code, int i) {
    c.append();
    c.setValue(u"相手先コード"_s, code);
    c.setValue(u"氏名"_s, u"人%1"_s.arg(i));
    c.setValue(u"フリガナ"_s, kanaOf(i));
    c.setValue(u"住所1"_s, u"東京都%1"_s.arg(i));
    c.setValue(u"世帯代表"_s, std::fmod(code, 100.0) == 1.0);
    if (i % 2) c.setValue(u"メモ"_s, memoOf(i));
    c.post();
}

// The keys an index block holds, as the tag header of table's first tag records it.
int keysPerBlock(const QString& mdxFile) {
    QFile f(mdxFile);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray header = f.read(4 * 512 + 16);  // the first tag header is page 4
    return qFromLittleEndian<quint16>(header.constData() + 4 * 512 + 14);
}
quint32 rootPage(const QString& mdxFile) {
    QFile f(mdxFile);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray header = f.read(4 * 512 + 4);
    return qFromLittleEndian<quint32>(header.constData() + 4 * 512);
}

// --- the changes under test -------------------------------------------------------------------

// A window's part in one change: open, position and type (once), then the button press that
// stores (repeated after a failure).
struct Change {
    const char* name;
    QString table;
    std::function<void()> prepare;          // fills the current (empty) data directory
    std::function<void(Cursor&)> open;      // the window opens and the user types
    std::function<void(Cursor&)> press;     // 登録 / 修正 / 削除
};

void openLedgerEntry(Cursor& c, const QString& table, const QString& numberField, int number) {
    c.open(table);
    c.setFiltered(true);
    c.setFilter(numberField + u"= "_s + QString::number(number));
}

std::vector<Change> changes() {
    std::vector<Change> out;
    auto fillLedgers = [] {
        Cursor in, outg;
        in.open(u"Indata.DBF"_s);
        outg.open(u"Outdata.DBF"_s);
        for (int i = 1; i <= 120; ++i) addEntry(in, u"収入番号"_s, u"収入日"_s, i, dateOf(i));
        for (int i = 1; i <= 40; ++i) addEntry(outg, u"支出番号"_s, u"支出日"_s, i, dateOf(i));
        in.setIndexName(u"収入日"_s);
        outg.setIndexName(u"支出日"_s);
        (void)in.recordCount();
        (void)outg.recordCount();
    };
    auto fillPeople = [] {
        Cursor c;
        c.open(u"Aitesaki.DBF"_s);
        int i = 0;
        for (int h = 1; h <= 12; ++h)
            for (int m = 1; m <= 1 + h % 3; ++m) addPerson(c, h * 100 + m, ++i);
    };
    auto fillPurposes = [] {
        Cursor c;
        c.open(u"Moku.dbf"_s);
        const QString cats[] = {u"お祝い"_s, u"一般行事"_s, u"お返し"_s, u"お見舞い"_s, u"弔事全般"_s};
        for (int i = 1; i <= 20; ++i) {
            c.append();
            c.setValue(u"目的コード"_s, double(i));
            c.setValue(u"目的"_s, u"目的%1"_s.arg(i));
            c.setValue(u"目的区分"_s, cats[i % 5]);
            c.setValue(u"区分番号"_s, double(i % 5));
            c.post();
        }
    };

    // Income: register with memo and picture, edit moving the date and replacing both, delete.
    auto registerIncome = [](Cursor& c) {
        c.open(u"Indata.DBF"_s);
        c.last();
        const double next = c.number(u"収入番号"_s) + 1;
        c.append();
        c.setValue(u"収入番号"_s, next);
        c.setValue(u"氏名"_s, u"新しい相手"_s);
        c.setValue(u"相手先コード"_s, 301.0);
        c.setValue(u"目的"_s, u"出産祝"_s);
        c.setValue(u"家族名"_s, u"花子"_s);
        c.setValue(u"金額"_s, 5000.0);
        c.setValue(u"物品"_s, memoOf(400));
        c.setValue(u"写真"_s, pictureOf(3));
    };
    auto pressRegisterIncome = [](Cursor& c) {
        c.setValue(u"収入日"_s, QDate(2010, 4, 1));
        c.setValue(u"物品／備考"_s, u"有り"_s);
        c.post();
    };
    out.push_back({"IncomeRegister", u"Indata.DBF"_s, fillLedgers, registerIncome, pressRegisterIncome});
    out.push_back({"IncomeEdit", u"Indata.DBF"_s, fillLedgers,
                   [](Cursor& c) {
                       openLedgerEntry(c, u"Indata.DBF"_s, u"収入番号"_s, 42);
                       c.edit();
                       c.setValue(u"物品"_s, u"直した品物"_s);
                       c.setValue(u"写真"_s, pictureOf(7));
                       c.setValue(u"金額"_s, 777.0);
                   },
                   [](Cursor& c) {
                       c.setValue(u"収入日"_s, QDate(1990, 6, 1));
                       c.setValue(u"物品／備考"_s, u"有り"_s);
                       c.post();
                   }});
    out.push_back({"IncomeDelete", u"Indata.DBF"_s, fillLedgers,
                   [](Cursor& c) {
                       openLedgerEntry(c, u"Indata.DBF"_s, u"収入番号"_s, 10);
                       c.edit();  // the delete window holds the entry in edit state
                   },
                   [](Cursor& c) { c.remove(); }});

    // Expenditure: register with a picture only, edit dropping memo and picture.
    out.push_back({"ExpenseRegister", u"Outdata.DBF"_s, fillLedgers,
                   [](Cursor& c) {
                       c.open(u"Outdata.DBF"_s);
                       c.last();
                       const double next = c.number(u"支出番号"_s) + 1;
                       c.append();
                       c.setValue(u"支出番号"_s, next);
                       c.setValue(u"氏名"_s, u"贈り先"_s);
                       c.setValue(u"目的"_s, u"香典"_s);
                       c.setValue(u"金額"_s, 10000.0);
                       c.setValue(u"写真"_s, pictureOf(4));
                   },
                   [](Cursor& c) {
                       c.setValue(u"支出日"_s, QDate(2003, 2, 1));
                       c.post();
                   }});
    out.push_back({"ExpenseEdit", u"Outdata.DBF"_s, fillLedgers,
                   [](Cursor& c) {
                       openLedgerEntry(c, u"Outdata.DBF"_s, u"支出番号"_s, 8);
                       c.edit();
                       c.setValue(u"物品"_s, Value{});
                       c.setValue(u"写真"_s, Value{});
                   },
                   [](Cursor& c) {
                       c.setValue(u"支出日"_s, QDate(2009, 9, 9));
                       c.setValue(u"物品／備考"_s, QString());
                       c.post();
                   }});

    // Address book: a new household, an edit that moves a person in both orders, a delete.
    out.push_back({"PersonRegister", u"Aitesaki.DBF"_s, fillPeople,
                   [](Cursor& c) {
                       c.open(u"Aitesaki.DBF"_s);
                       c.setIndexFieldNames(u"相手先コード"_s);
                       c.setFiltered(true);
                       c.setFilter(QString());
                       c.last();
                       const double next = (std::trunc(c.number(u"相手先コード"_s) / 100.0) + 1.0) * 100.0 + 1.0;
                       c.append();
                       c.setValue(u"相手先コード"_s, next);
                       c.setValue(u"世帯代表"_s, true);
                       c.setValue(u"氏名"_s, u"新世帯"_s);
                       c.setValue(u"フリガナ"_s, u"ｱｱｱ"_s);
                       c.setValue(u"メモ"_s, memoOf(8));
                   },
                   [](Cursor& c) { c.post(); }});
    out.push_back({"PersonEdit", u"Aitesaki.DBF"_s, fillPeople,
                   [](Cursor& c) {
                       c.open(u"Aitesaki.DBF"_s);
                       c.setIndexFieldNames(u"相手先コード"_s);
                       c.setFiltered(true);
                       c.setFilter(u"相手先コード= 502"_s);
                       c.edit();
                       c.setValue(u"相手先コード"_s, 1399.0);
                       c.setValue(u"フリガナ"_s, u"ﾝﾝ"_s);
                       c.setValue(u"メモ"_s, memoOf(12));
                   },
                   [](Cursor& c) {
                       if (c.state() == Cursor::State::Browse) c.edit();
                       c.post();
                   }});
    out.push_back({"PersonDelete", u"Aitesaki.DBF"_s, fillPeople,
                   [](Cursor& c) {
                       c.open(u"Aitesaki.DBF"_s);
                       c.setIndexFieldNames(u"相手先コード"_s);
                       c.setFiltered(true);
                       c.setFilter(u"相手先コード= 301"_s);
                   },
                   [](Cursor& c) { c.remove(); }});

    // Family: the post that splits the only, full leaf of the index.
    out.push_back({"FamilyRegisterSplitsLeaf", u"Kazoku.dbf"_s,
                   [] {
                       const int cap = keysPerBlock(u"Kazoku.MDX"_s);
                       ASSERT_GT(cap, 2);
                       Cursor c;
                       c.open(u"Kazoku.dbf"_s);
                       for (int i = 1; i <= cap; ++i) {
                           c.append();
                           c.setValue(u"家族コード"_s, double(i));
                           c.setValue(u"家族名"_s, u"家族%1"_s.arg(i));
                           c.post();
                       }
                   },
                   [](Cursor& c) {
                       c.open(u"Kazoku.dbf"_s);
                       c.last();
                       const double next = c.number(u"家族コード"_s) + 1;
                       c.append();
                       c.setValue(u"家族コード"_s, next);
                       c.setValue(u"家族名"_s, u"末っ子"_s);
                   },
                   [](Cursor& c) { c.post(); }});

    // Purposes: a register as the window does it (a new record per press, dropped when the post
    // fails) and a delete, both keeping two tags.
    out.push_back({"PurposeRegister", u"Moku.dbf"_s, fillPurposes,
                   [](Cursor& c) {
                       c.open(u"Moku.dbf"_s);
                       c.setIndexName(u"目的区分"_s);
                       c.setFiltered(true);
                       c.setFilter(u"(目的区分='お祝い')"_s);
                   },
                   [](Cursor& c) {
                       c.append();
                       try {
                           c.setValue(u"目的コード"_s, 21.0);
                           c.setValue(u"目的"_s, u"入学祝"_s);
                           c.setValue(u"目的区分"_s, u"お祝い"_s);
                           c.setValue(u"区分番号"_s, 0.0);
                           c.post();
                       } catch (...) {
                           c.cancel();
                           throw;
                       }
                   }});
    out.push_back({"PurposeDelete", u"Moku.dbf"_s, fillPurposes,
                   [](Cursor& c) {
                       c.open(u"Moku.dbf"_s);
                       c.setIndexName(u"目的区分"_s);
                       c.setFiltered(true);
                       c.setFilter(u"(目的区分='お返し')"_s);
                       c.moveToRow(1);
                   },
                   [](Cursor& c) { c.remove(); }});

    // A delete that leaves an index leaf empty: dates rise with the entry numbers, so the first
    // leaf holds the first half block of entries; all but the last of them are gone already.
    out.push_back({"IncomeDeleteEmptiesLeaf", u"Indata.DBF"_s,
                   [] {
                       const int cap = keysPerBlock(u"Indata.MDX"_s);
                       ASSERT_GT(cap, 2);
                       Cursor c;
                       c.open(u"Indata.DBF"_s);
                       for (int i = 1; i <= cap + 10; ++i)
                           addEntry(c, u"収入番号"_s, u"収入日"_s, i, QDate(2020, 1, 1).addDays(i));
                       // The first split left (cap + 1) / 2 keys in the first leaf.
                       const int firstLeaf = (cap + 1) / 2;
                       for (int i = 1; i < firstLeaf; ++i) {
                           c.first();
                           c.remove();
                       }
                   },
                   [](Cursor& c) {
                       c.open(u"Indata.DBF"_s);
                       c.setIndexName(u"収入日"_s);
                       c.first();
                   },
                   [](Cursor& c) { c.remove(); }});
    return out;
}

// --- the fixture ------------------------------------------------------------------------------

struct TableState {
    std::vector<QStringList> records;
    bool operator==(const TableState&) const = default;
};

std::string describe(const TableState& s) {
    std::string out = std::to_string(s.records.size()) + " records";
    if (!s.records.empty()) out += ", last: " + s.records.back().join(u'|').left(200).toStdString();
    return out;
}
void PrintTo(const TableState& s, std::ostream* os) { *os << describe(s); }
void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

// The table as a fresh open reads it from disk (no other cursor may hold it).
TableState readFromDisk(const QString& table) {
    Cursor c;
    c.open(table);
    return {mz::test::liveRecords(c.table())};
}

struct FailedWrites : ::testing::TestWithParam<Change> {
    QTemporaryDir root;
    QString cwd = QDir::currentPath();
    QString baseline = root.filePath(u"baseline"_s);
    TableState before, after;
    std::vector<Write> cleanWrites;

    void SetUp() override {
        const Change& change = GetParam();
        createDataDirectory(baseline);
        QDir::setCurrent(baseline);
        change.prepare();
        before = readFromDisk(change.table);
        // The change without failures: the state after it and the writes it makes.
        copyBaseline(u"clean"_s);
        {
            WriteStopper stopper;
            Cursor c;
            change.open(c);
            stopper.writes.clear();
            change.press(c);
            cleanWrites = stopper.writes;
        }
        after = readFromDisk(change.table);
        ASSERT_NE(before, after) << "the change changes the table";
    }
    void TearDown() override { QDir::setCurrent(cwd); }

    void copyBaseline(const QString& name) {
        const QString dir = root.filePath(name);
        QDir().mkpath(dir);
        for (const QString& f : QDir(baseline).entryList(QDir::Files))
            QFile::copy(QDir(baseline).filePath(f), QDir(dir).filePath(f));
        QDir::setCurrent(dir);
    }

    // The table on disk: before or after the change, orders consistent, read alike by dbf_dump.
    void expectSound(const char* when, bool mustBeBefore = false) {
        SCOPED_TRACE(when);
        const Change& change = GetParam();
        const TableState now = readFromDisk(change.table);
        if (mustBeBefore)
            EXPECT_EQ(now, before);
        else
            EXPECT_TRUE(now == before || now == after) << describe(now) << " (before: " << describe(before) << ")";
        {
            Cursor c;
            c.open(change.table);
            EXPECT_EQ(mz::test::orderProblems(c.table()).toStdString(), "");
        }
        if (mz::test::haveOutsideReader()) {
            EXPECT_EQ(mz::test::outsideReaderProblems(QDir::current().filePath(change.table),
                                                      *tableDefForFile(change.table), now.records)
                          .toStdString(),
                      "");
        }
    }
};

}  // namespace

// The change really is what its name says.
TEST_P(FailedWrites, TheChangeIsWhatItClaims) {
    const Change& change = GetParam();
    ASSERT_GT(cleanWrites.size(), 1u);
    if (QByteArray(change.name) == "FamilyRegisterSplitsLeaf") {
        // The root was the only leaf; after the split it is a new branch block.
        QDir::setCurrent(baseline);
        const quint32 oldRoot = rootPage(u"Kazoku.MDX"_s);
        QDir::setCurrent(root.filePath(u"clean"_s));
        EXPECT_NE(rootPage(u"Kazoku.MDX"_s), oldRoot);
    }
    if (QByteArray(change.name) == "IncomeDeleteEmptiesLeaf") {
        // An emptied leaf is unlinked with one write to its parent, the root; the leaf itself
        // is not written.
        QDir::setCurrent(baseline);
        const qint64 rootAt = qint64(rootPage(u"Indata.MDX"_s)) * 512;
        int indexWrites = 0;
        for (const Write& w : cleanWrites)
            if (w.file == u"Indata.MDX"_s) {
                ++indexWrites;
                EXPECT_EQ(w.offset, rootAt);
            }
        EXPECT_EQ(indexWrites, 1);
    }
    expectSound("clean");
}

TEST_P(FailedWrites, ProcessKilledAtEveryWriteLeavesBeforeOrAfter) {
    const Change& change = GetParam();
    for (size_t k = 1; k <= cleanWrites.size(); ++k) {
        SCOPED_TRACE("killed at write " + std::to_string(k) + " (" + cleanWrites[k - 1].file.toStdString() +
                     " at " + std::to_string(cleanWrites[k - 1].offset) + ")");
        copyBaseline(u"kill-%1"_s.arg(k));
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            WriteStopper stopper;
            try {
                Cursor c;
                change.open(c);
                stopper.writes.clear();
                stopper.failAt = static_cast<int>(k);
                stopper.how = WriteStopper::How::Kill;
                change.press(c);
            } catch (...) {
            }
            ::_exit(3);  // the kill did not come: reported below
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;
        expectSound("after the kill");
        // The table goes on working: the change made now is stored once.
        if (readFromDisk(change.table) == before) {
            Cursor c;
            change.open(c);
            change.press(c);
        }
        {
            SCOPED_TRACE("made again");
            EXPECT_EQ(readFromDisk(change.table), after);
        }
    }
}

// A failed write (a full disk) while the window stays open. Every write fails from then on, even
// one that only puts old bytes back, so the engine either undoes the change (the same cursor
// then reads the table as before, and the press once the disk has room again stores the change
// once) or, where undoing failed too, reports the change as stored (ChangeStoredError): the
// table then holds it exactly once and the window does not store it again.
TEST_P(FailedWrites, FailedWriteThenPressAgainStoresTheChangeOnce) {
    const Change& change = GetParam();
    for (size_t k = 1; k <= cleanWrites.size(); ++k) {
        SCOPED_TRACE("failed at write " + std::to_string(k) + " (" + cleanWrites[k - 1].file.toStdString() +
                     " at " + std::to_string(cleanWrites[k - 1].offset) + ")");
        copyBaseline(u"full-%1"_s.arg(k));
        {
            Cursor c;
            change.open(c);
            bool stored = false;
            {
                WriteStopper stopper;
                stopper.failAt = static_cast<int>(k);
                stopper.writes.clear();
                try {
                    change.press(c);
                    ADD_FAILURE() << "the failed write was not reported";
                } catch (const ChangeStoredError&) {
                    stored = true;
                } catch (const EngineError&) {
                }
                const TableState& expected = stored ? after : before;
                // The disk is still full: reads work and show the table as it is on the disk.
                auto readWhileFull = [&] {
                    Cursor reader;
                    reader.open(change.table);
                    EXPECT_EQ(TableState{mz::test::liveRecords(reader.table())}, expected);
                    for (const TagDef& tag : reader.def().tags) {
                        reader.setIndexName(tag.name);
                        EXPECT_EQ(reader.recordCount(), static_cast<int>(expected.records.size()))
                            << tag.name.toStdString();
                    }
                    EXPECT_EQ(mz::test::orderProblems(reader.table()).toStdString(), "");
                };
                EXPECT_NO_THROW(readWhileFull());
                if (mz::test::haveOutsideReader()) {
                    EXPECT_EQ(mz::test::outsideReaderProblems(QDir::current().filePath(change.table),
                                                              *tableDefForFile(change.table), expected.records)
                                  .toStdString(),
                              "")
                        << "on disk after the failed write";
                }
            }
            // Room again: the same window, the same button, unless the change was stored.
            if (!stored) {
                EXPECT_NO_THROW(change.press(c));
            }
            EXPECT_EQ(TableState{mz::test::liveRecords(c.table())}, after);
            EXPECT_NO_THROW(EXPECT_EQ(mz::test::orderProblems(c.table()).toStdString(), ""));
        }
        expectSound("pressed again");
        EXPECT_EQ(readFromDisk(change.table), after);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTable, FailedWrites, ::testing::ValuesIn(changes()),
                         [](const auto& p) { return std::string(p.param.name); });
