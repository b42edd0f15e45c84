// A post, an edit and a delete stopped at every write they make: first by an I/O layer that
// fails the Nth write, then by a real child process killed at that moment. Afterwards the table
// must open, every record stored before must be intact, the interrupted change must be either
// complete or absent, and every order must agree with the records (rebuilt where needed).
#include "data/cursor.h"
#include "data/tabledefs.h"
#include "testdata.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

struct SimulatedCrash {};

// Counts the writes of the engine; from the given one on, every write is refused.
struct WriteCounter {
    int count = 0;
    int failAt = 0;  // 0: never
    bool kill = false;
    WriteCounter() {
        BinaryFile::setWriteHook([this](const QString&, qint64, qint64) {
            ++count;
            if (failAt != 0 && count >= failAt) {
                if (kill) ::kill(::getpid(), SIGKILL);
                throw SimulatedCrash{};
            }
        });
    }
    ~WriteCounter() { BinaryFile::setWriteHook({}); }
};

constexpr int kBaseline = 150;  // enough entries for the date tag to need more than one leaf

QString memoOf(int i) { return u"品物 %1 "_s.arg(i).repeated(i % 5 == 0 ? 200 : 1); }
QDate dateOf(int i) { return QDate(2000, 1, 1).addDays((i * 37) % 3000); }

void addEntry(Cursor& c, int i) {
    c.append();
    c.setValue(u"収入番号"_s, double(i));
    c.setValue(u"収入日"_s, dateOf(i));
    c.setValue(u"氏名"_s, u"相手%1"_s.arg(i));
    c.setValue(u"物品"_s, memoOf(i));
    c.post();
}

enum class Op { Post, Edit, Delete };

// The change under test, on a table holding entries 1..kBaseline.
void runOp(Op op) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    switch (op) {
        case Op::Post: addEntry(c, kBaseline + 1); break;
        case Op::Edit:
            c.moveToRow(41);  // entry 42
            c.edit();
            c.setValue(u"収入日"_s, QDate(1990, 6, 1));  // moves in the date order
            c.setValue(u"物品"_s, u"直した品物"_s);
            c.post();
            break;
        case Op::Delete:
            c.moveToRow(9);  // entry 10
            c.remove();
            break;
    }
}

// Checks the table after an interrupted op; returns whether the op's effect is present.
bool verify(Op op) {
    Cursor c;
    c.open(u"Indata.DBF"_s);  // must open
    std::map<int, QDate> seen;
    for (c.first(); !c.eof(); c.next()) {
        const int no = int(c.number(u"収入番号"_s));
        EXPECT_FALSE(seen.count(no)) << "entry " << no << " twice";
        seen[no] = c.date(u"収入日"_s);
        if (op == Op::Edit && no == 42 && c.date(u"収入日"_s) == QDate(1990, 6, 1)) {
            EXPECT_EQ(c.text(u"物品"_s), u"直した品物"_s) << "an applied edit is complete";
            continue;
        }
        EXPECT_EQ(c.date(u"収入日"_s), dateOf(no)) << "entry " << no;
        EXPECT_EQ(c.text(u"氏名"_s), u"相手%1"_s.arg(no));
        EXPECT_EQ(c.text(u"物品"_s), memoOf(no)) << "entry " << no;
    }
    for (int i = 1; i <= kBaseline; ++i)
        if (!(op == Op::Delete && i == 10)) {
            EXPECT_TRUE(seen.count(i)) << "entry " << i << " lost";
        }

    // The date order agrees with the records.
    c.setIndexName(u"収入日"_s);
    EXPECT_EQ(c.recordCount(), static_cast<int>(seen.size()));
    QDate prev;
    int n = 0;
    for (c.first(); !c.eof(); c.next(), ++n) {
        EXPECT_TRUE(!prev.isValid() || prev <= c.date(u"収入日"_s));
        prev = c.date(u"収入日"_s);
    }
    EXPECT_EQ(n, static_cast<int>(seen.size()));

    switch (op) {
        case Op::Post: return seen.count(kBaseline + 1) > 0;
        case Op::Edit: return seen[42] == QDate(1990, 6, 1);
        case Op::Delete: return seen.count(10) == 0;
    }
    return false;
}

struct Durability : ::testing::TestWithParam<Op> {
    QTemporaryDir root;
    QString baseline = root.filePath(u"baseline"_s);
    QString cwd = QDir::currentPath();

    void SetUp() override {
        createDataDirectory(baseline);
        QDir::setCurrent(baseline);
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 1; i <= kBaseline; ++i) addEntry(c, i);
        c.setIndexName(u"収入日"_s);  // the index file is consistent before the op
    }
    void TearDown() override { QDir::setCurrent(cwd); }

    QString freshCopy(int k, const char* kind) {
        const QString dir = root.filePath(u"%1-%2"_s.arg(QString::fromLatin1(kind)).arg(k));
        QDir().mkpath(dir);
        for (const QString& f : QDir(baseline).entryList(QDir::Files))
            QFile::copy(QDir(baseline).filePath(f), QDir(dir).filePath(f));
        QDir::setCurrent(dir);
        return dir;
    }

    int writesOf(Op op) {
        freshCopy(0, "count");
        WriteCounter counter;
        runOp(op);
        return counter.count;
    }
};

}  // namespace

TEST_P(Durability, FailedWriteAtEveryStepLeavesTableConsistent) {
    const Op op = GetParam();
    const int writes = writesOf(op);
    ASSERT_GT(writes, 2);
    int applied = 0;
    for (int k = 1; k <= writes + 1; ++k) {
        SCOPED_TRACE(k);
        freshCopy(k, "fail");
        {
            WriteCounter counter;
            counter.failAt = k;
            try {
                runOp(op);
            } catch (const SimulatedCrash&) {
            }
        }
        applied += verify(op) ? 1 : 0;
        // The table goes on working after the repair.
        Cursor c;
        c.open(u"Indata.DBF"_s);
        addEntry(c, 1000 + k);
        c.setIndexName(u"収入日"_s);
        EXPECT_EQ(c.recordCount(), c.table().liveCount());
    }
    EXPECT_GE(applied, 1) << "the op completes when no write fails";
}

TEST_P(Durability, ProcessKilledAtEveryWriteLeavesTableConsistent) {
    const Op op = GetParam();
    const int writes = writesOf(op);
    for (int k = 1; k <= writes; ++k) {
        SCOPED_TRACE(k);
        freshCopy(k, "kill");
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            WriteCounter counter;
            counter.failAt = k;
            counter.kill = true;
            try {
                runOp(op);
            } catch (...) {
            }
            ::_exit(3);  // the kill did not come: reported below
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;
        verify(op);
    }
}

INSTANTIATE_TEST_SUITE_P(Ops, Durability, ::testing::Values(Op::Post, Op::Edit, Op::Delete),
                         [](const auto& param) {
                             switch (param.param) {
                                 case Op::Post: return std::string("Post");
                                 case Op::Edit: return std::string("Edit");
                                 case Op::Delete: return std::string("Delete");
                             }
                             return std::string("Op");
                         });
