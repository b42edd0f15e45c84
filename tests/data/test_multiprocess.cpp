// Several processes on one data directory. The test binary re-executes itself as the other
// processes (MZ_CHILD names the role, see runChildIfAsked): two writers posting ledger entries
// with memos and pictures and registering households at the same time, and a process killed
// while it holds a table's lock. The outcome is checked with the engine and with Perl XBase.
#include "data/cp932.h"
#include "data/cursor.h"
#include "data/mdx.h"
#include "data/tabledefs.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kTableLockOffset = 0x7FFFFFFE;  // the lock byte the engine documents (table.cpp)
constexpr int kPostsPerWriter = 300;

QString nameOf(int writer, int i) { return u"書き手%1-%2"_s.arg(writer).arg(i); }
// Memos of one to several blocks, each starting with the entry's name.
QString memoOf(int writer, int i, bool edited) {
    return nameOf(writer, i) + (edited ? u" 修正"_s : u" 品物"_s) + u"あ"_s.repeated((i * 37 + writer * 11) % 700);
}
bool hasPicture(int i) { return i % 3 == 0; }
QByteArray pictureOf(int writer, int i) {
    QByteArray b = "BM" + QByteArray::number(writer) + ':' + QByteArray::number(i) + ';';
    for (int k = 0; k < 200 + (i * 53) % 1500; ++k) b.append(char((k * 7 + i + writer) & 0xFF));
    return b;
}
QDate dateOf(int writer, int i) { return QDate(2001, 1, 1).addDays((i * 71 + writer * 13) % 4000); }

// The next entry number, decided under the lock: the last stored entry's number plus one.
void nextEntryNumber(Table& t, FieldChanges& changes) {
    const int f = t.def().fieldIndex(u"収入番号"_s);
    double last = 0;
    for (quint32 r = t.recordCount(); r >= 1; --r)
        if (!t.isDeleted(r)) {
            const Value v = t.value(r, f);
            if (const double* d = std::get_if<double>(&v)) last = *d;
            break;
        }
    setChange(changes, f, last + 1);
}

// The first code of the household block after the highest code, decided under the lock.
void nextHouseholdCode(Table& t, FieldChanges& changes) {
    const int f = t.def().fieldIndex(u"相手先コード"_s);
    double highest = 0;
    for (quint32 r = 1; r <= t.recordCount(); ++r)
        if (!t.isDeleted(r)) {
            const Value v = t.value(r, f);
            if (const double* d = std::get_if<double>(&v); d && *d > highest) highest = *d;
        }
    setChange(changes, f, (std::trunc(highest / 100) + 1) * 100 + 1);
}

// --- the child processes -----------------------------------------------------------------------

int writerMain(int writer) {
    Cursor in, people;
    in.open(u"Indata.DBF"_s);
    in.setAppendCompletion(nextEntryNumber);
    people.open(u"Aitesaki.DBF"_s);
    people.setAppendCompletion(nextHouseholdCode);
    std::map<int, quint32> mine;
    for (int i = 1; i <= kPostsPerWriter; ++i) {
        in.append();
        in.setValue(u"収入日"_s, dateOf(writer, i));
        in.setValue(u"氏名"_s, nameOf(writer, i));
        in.setValue(u"金額"_s, double(i * 1000));
        in.setValue(u"物品"_s, memoOf(writer, i, false));
        if (hasPicture(i)) in.setValue(u"写真"_s, pictureOf(writer, i));
        in.post();
        mine[i] = in.recno();
        // Now and then an own entry changes in place (the other process must re-read it).
        if (i % 20 == 0) {
            const int j = i - 7;
            in.refresh();
            if (!in.gotoBookmark(mine[j])) return 10;
            in.edit();
            in.setValue(u"物品"_s, memoOf(writer, j, true));
            in.setValue(u"収入日"_s, dateOf(writer, j).addYears(1));
            in.post();
        }
        people.append();
        people.setValue(u"氏名"_s, nameOf(writer, i));
        people.setValue(u"世帯代表"_s, true);
        people.post();
    }
    return 0;
}

// Takes the lock of Indata.DBF (inside a post), says so through a file and waits to be killed.
int holderMain(const QString& marker) {
    Cursor in;
    in.open(u"Indata.DBF"_s);
    in.setAppendCompletion([&](Table&, FieldChanges&) {
        QFile f(marker);
        if (f.open(QIODevice::WriteOnly)) f.write("locked");
        f.close();
        for (;;) ::pause();
    });
    in.append();
    in.setValue(u"氏名"_s, u"書きかけ"_s);
    in.post();
    return 11;  // never reached
}

int runChildIfAsked() {
    const QByteArray role = qgetenv("MZ_CHILD");
    if (role.isEmpty()) return 0;
    int rc = 0;
    try {
        QDir::setCurrent(qEnvironmentVariable("MZ_CHILD_DIR"));
        if (role == "writer")
            rc = writerMain(qEnvironmentVariableIntValue("MZ_CHILD_ID"));
        else if (role == "holder")
            rc = holderMain(qEnvironmentVariable("MZ_CHILD_MARKER"));
        else
            rc = 12;
    } catch (const EngineError& e) {
        std::fprintf(stderr, "child: %s\n", e.message().toLocal8Bit().constData());
        rc = 13;
    }
    std::fflush(nullptr);
    std::_Exit(rc);
}

// Runs once main has started (every static of the engine is ready), before any test.
struct ChildRole : ::testing::Environment {
    void SetUp() override { runChildIfAsked(); }
};
[[maybe_unused]] ::testing::Environment* const childRole = ::testing::AddGlobalTestEnvironment(new ChildRole);

pid_t spawnChild(const std::vector<std::string>& vars) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var(*e);
        if (std::none_of(vars.begin(), vars.end(),
                         [&](const std::string& v) { return var.substr(0, var.find('=')) == v.substr(0, v.find('=')); }))
            env.push_back(var);
    }
    for (const std::string& v : vars) env.push_back(v);
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string exe = "/proc/self/exe";
    char* argv[] = {exe.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
    return pid;
}

// Whether another process holds a lock on the table's lock byte.
bool lockHeldByOther(const QString& dbf) {
    const int fd = ::open(QFile::encodeName(dbf).constData(), O_RDWR);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kTableLockOffset;
    fl.l_len = 1;
    const bool held = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

// Record numbers of every tag of an index file, in its order, as Perl XBase reads them.
std::map<QString, std::vector<quint32>> xbaseOrders(const QString& mdx) {
    QProcess p;
    p.start(u"perl"_s, {u"-MXBase::Index"_s, u"-e"_s,
                        u"my $i = XBase::Index->new($ARGV[0]) or die XBase::Index->errstr;"
                        u"for my $t ($i->tags) { my $x = XBase::Index->new($ARGV[0], tag => $t)"
                        u" or die XBase::Index->errstr; $x->prepare_select or die $x->errstr;"
                        u" while (my @d = $x->fetch) { print unpack('H*', $t), \"\\t$d[1]\\n\" } }"_s,
                        mdx});
    std::map<QString, std::vector<quint32>> out;
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "XBase could not read " << mdx.toStdString() << ": " << p.readAllStandardError().constData();
        return out;
    }
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> cols = line.split('\t');
        if (cols.size() != 2) continue;
        out[cp932::decode(QByteArray::fromHex(cols[0]))].push_back(cols[1].toUInt());
    }
    return out;
}

// Live records ordered by a field's index key, equal keys by record number.
std::vector<quint32> expectedOrder(Table& t, const QString& field) {
    const int f = t.def().fieldIndex(field);
    std::vector<quint32> recnos;
    for (quint32 r = 1; r <= t.recordCount(); ++r)
        if (!t.isDeleted(r)) recnos.push_back(r);
    std::stable_sort(recnos.begin(), recnos.end(),
                     [&](quint32 a, quint32 b) { return t.indexKey(a, f) < t.indexKey(b, f); });
    return recnos;
}

// Every index of the table agrees with its records: as the engine reads the file, as XBase
// reads it, and as the table orders them in memory.
void expectIndexesMatchRecords(const QString& dir, const QString& dbf) {
    SCOPED_TRACE(dbf.toStdString());
    auto t = Table::open(QDir(dir).filePath(dbf));
    const std::map<QString, std::vector<quint32>> xbase =
        QFileInfo::exists(u"/usr/share/perl5/XBase/Index.pm"_s)
            ? xbaseOrders(QDir(dir).filePath(t->def().mdxName))
            : std::map<QString, std::vector<quint32>>{};
    MdxFile mdx(QDir(dir).filePath(t->def().mdxName), t->def());
    for (const TagDef& tag : t->def().tags) {
        SCOPED_TRACE(tag.name.toStdString());
        const std::vector<quint32> want = expectedOrder(*t, tag.field);
        std::vector<quint32> onDisk;
        for (const MdxEntry& e : mdx.read(tag.name)) onDisk.push_back(e.recno);
        EXPECT_EQ(onDisk, want) << "the index file as the engine reads it";
        if (!xbase.empty()) {
            // XBase knows the tag by its name on disk (相手先ｺｰﾄﾞ).
            const QString disk = FieldDef{tag.name, FieldType::Text, 0, 0}.diskName();
            auto it = xbase.find(disk);
            ASSERT_NE(it, xbase.end()) << "XBase does not list the tag";
            EXPECT_EQ(it->second, want) << "the index file as XBase reads it";
        }
        EXPECT_EQ(t->order(tag.name), want) << "the order in memory";
    }
}

struct MultiProcess : ::testing::Test {
    mz::test::DataDir dir;
};

}  // namespace

TEST_F(MultiProcess, TwoWritersInterleavedLoseNothingAndNeverShareANumber) {
    std::vector<pid_t> writers;
    for (int w = 1; w <= 2; ++w) {
        // The writers wait for the disk as the program does, barriers included.
        writers.push_back(spawnChild({"MZ_CHILD=writer", "MZ_CHILD_ID=" + std::to_string(w),
                                      "MZ_CHILD_DIR=" + dir.path().toStdString(), "MIZOREL_SYNC_WRITES=1"}));
        ASSERT_GT(writers.back(), 0);
    }

    // Meanwhile this process reads along: whatever a refresh shows is whole, memo and picture
    // included, and entries once seen stay.
    Cursor reader;
    reader.open(dir.file(u"Indata.DBF"_s));
    int running = 2, lastSeen = 0, looks = 0;
    std::map<pid_t, int> status;
    while (running > 0) {
        for (pid_t& pid : writers) {
            int st = 0;
            if (pid > 0 && ::waitpid(pid, &st, WNOHANG) == pid) {
                status[pid] = st;
                pid = -pid;
                --running;
            }
        }
        reader.refresh();
        ++looks;
        EXPECT_GE(reader.recordCount(), lastSeen);
        lastSeen = reader.recordCount();
        for (reader.first(); !reader.eof(); reader.next()) {
            const QString name = reader.text(u"氏名"_s);
            ASSERT_TRUE(reader.text(u"物品"_s).startsWith(name + u" "_s)) << name.toStdString() << " at look " << looks;
        }
        QThread::msleep(20);
    }
    for (const auto& [pid, st] : status) ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "writer status " << st;

    // Every entry once, whole; the numbers run 1..600 in stored order.
    Cursor c;
    c.open(dir.file(u"Indata.DBF"_s));
    c.refresh();
    ASSERT_EQ(c.recordCount(), 2 * kPostsPerWriter);
    std::set<QString> names;
    int expectedNumber = 1;
    for (c.first(); !c.eof(); c.next(), ++expectedNumber) {
        EXPECT_EQ(c.number(u"収入番号"_s), expectedNumber);
        const QString name = c.text(u"氏名"_s);
        EXPECT_TRUE(names.insert(name).second) << name.toStdString() << " twice";
        const QStringList parts = name.mid(3).split(u'-');
        ASSERT_EQ(parts.size(), 2) << name.toStdString();
        const int w = parts[0].toInt(), i = parts[1].toInt();
        const bool edited = i % 20 == 13 && i + 7 <= kPostsPerWriter;
        EXPECT_EQ(c.text(u"物品"_s), memoOf(w, i, edited)) << name.toStdString();
        EXPECT_EQ(c.date(u"収入日"_s), edited ? dateOf(w, i).addYears(1) : dateOf(w, i)) << name.toStdString();
        const Value pic = c.value(u"写真"_s);
        if (hasPicture(i))
            EXPECT_EQ(std::get<QByteArray>(pic), pictureOf(w, i)) << name.toStdString();
        else
            EXPECT_TRUE(isNull(pic)) << name.toStdString();
    }

    // Every household got a code of its own.
    Cursor people;
    people.open(dir.file(u"Aitesaki.DBF"_s));
    people.refresh();
    ASSERT_EQ(people.recordCount(), 2 * kPostsPerWriter);
    std::set<double> codes;
    for (people.first(); !people.eof(); people.next())
        EXPECT_TRUE(codes.insert(people.number(u"相手先コード"_s)).second) << people.number(u"相手先コード"_s);

    expectIndexesMatchRecords(dir.path(), u"Indata.DBF"_s);
    expectIndexesMatchRecords(dir.path(), u"Aitesaki.DBF"_s);
}

TEST_F(MultiProcess, AProcessKilledWhileHoldingTheLockLeavesTheTableUsableAtOnce) {
    mz::test::DataDir other;
    QDir::setCurrent(dir.path());
    {
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 1; i <= 5; ++i) {
            c.append();
            c.setValue(u"収入番号"_s, double(i));
            c.setValue(u"氏名"_s, nameOf(0, i));
            c.setValue(u"物品"_s, memoOf(0, i, false));
            c.post();
        }
    }
    const QString marker = other.file(u"locked"_s);
    const pid_t holder = spawnChild({"MZ_CHILD=holder", "MZ_CHILD_DIR=" + dir.path().toStdString(),
                                     "MZ_CHILD_MARKER=" + marker.toStdString()});
    ASSERT_GT(holder, 0);
    for (int i = 0; i < 3000 && !QFileInfo::exists(marker); ++i) QThread::msleep(10);
    ASSERT_TRUE(QFileInfo::exists(marker)) << "the child never took the lock";
    EXPECT_TRUE(lockHeldByOther(dir.file(u"Indata.DBF"_s)));

    ::kill(holder, SIGKILL);
    int st = 0;
    ASSERT_EQ(::waitpid(holder, &st, 0), holder);
    ASSERT_TRUE(WIFSIGNALED(st));
    EXPECT_FALSE(lockHeldByOther(dir.file(u"Indata.DBF"_s))) << "the lock died with the process";

    // This process posts at once; the killed post left nothing.
    Cursor c;
    c.open(u"Indata.DBF"_s);
    c.append();
    c.setValue(u"収入番号"_s, 6.0);
    c.setValue(u"氏名"_s, nameOf(0, 6));
    c.setValue(u"物品"_s, memoOf(0, 6, false));
    c.post();
    c.setIndexName(u"収入日"_s);
    EXPECT_EQ(c.recordCount(), 6);
    for (c.first(); !c.eof(); c.next()) EXPECT_NE(c.text(u"氏名"_s), u"書きかけ"_s);
    QDir::setCurrent(QDir::tempPath());
    expectIndexesMatchRecords(dir.path(), u"Indata.DBF"_s);
}
