// Changes that fail at a write: a refused index write, a disk that fills up (through the write
// hook, and for real on a small tmpfs where the test may mount one), a disk that stops taking
// writes altogether, and a data directory that cannot be written at all. A failed change leaves
// the files as they were, or is stored exactly once and said to be; reading goes on throughout.
#include "data/cursor.h"
#include "data/mdx.h"
#include "data/tabledefs.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct HookGuard {
    explicit HookGuard(BinaryFile::WriteHook hook) { BinaryFile::setWriteHook(std::move(hook)); }
    ~HookGuard() { BinaryFile::setWriteHook({}); }
};

EngineError diskFull(const QString& path) {
    return EngineError(u"ファイル '%1' に書き込めません: No space left on device"_s.arg(QFileInfo(path).fileName()));
}

// Whether a write makes its file longer (what a full disk refuses).
bool extends(const QString& path, qint64 offset, qint64 size) { return offset + size > QFileInfo(path).size(); }

QString memoOf(int i) { return u"品物 %1 "_s.arg(i).repeated(1 + i % 40); }

void addEntry(Cursor& c, int i, bool picture = false) {
    c.append();
    c.setValue(u"収入番号"_s, double(i));
    c.setValue(u"収入日"_s, QDate(2010, 1, 1).addDays((i * 53) % 2000));
    c.setValue(u"氏名"_s, u"相手%1"_s.arg(i));
    c.setValue(u"物品"_s, memoOf(i));
    if (picture) c.setValue(u"写真"_s, grayBitmap(40 + i, 30));
    c.post();
}

// The three files of the income table, to compare before and after.
struct Snapshot {
    QByteArray dbf, dbt, mdx;
    explicit Snapshot(const QString& dir)
        : dbf(readFile(QDir(dir).filePath(u"Indata.DBF"_s))),
          dbt(readFile(QDir(dir).filePath(u"Indata.DBT"_s))),
          mdx(readFile(QDir(dir).filePath(u"Indata.MDX"_s))) {}
    bool operator==(const Snapshot&) const = default;
};

// The date order: from the index file as it is on the disk, and as the records would order it.
std::vector<quint32> dateOrderOnDisk(const QString& dir) {
    std::vector<quint32> out;
    MdxFile mdx(QDir(dir).filePath(u"Indata.MDX"_s), *tableDefForFile(u"Indata.DBF"_s));
    for (const MdxEntry& e : mdx.read(u"収入日"_s)) out.push_back(e.recno);
    return out;
}

std::vector<quint32> dateOrderOfRecords(Table& t) {
    const int f = t.def().fieldIndex(u"収入日"_s);
    std::vector<quint32> r;
    for (quint32 i = 1; i <= t.recordCount(); ++i)
        if (!t.isDeleted(i)) r.push_back(i);
    std::stable_sort(r.begin(), r.end(), [&](quint32 a, quint32 b) { return t.indexKey(a, f) < t.indexKey(b, f); });
    return r;
}

struct Failures : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    void SetUp() override {
        QDir::setCurrent(dir.path());
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 1; i <= 120; ++i) addEntry(c, i, i % 10 == 0);
        c.setIndexName(u"収入日"_s);
    }
    void TearDown() override { QDir::setCurrent(cwd); }
};

}  // namespace

TEST_F(Failures, AFailedIndexWriteUndoesThePostAndPressingAgainStoresItOnce) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    c.setIndexName(u"収入日"_s);
    const Snapshot before(dir.path());
    c.append();
    c.setValue(u"収入番号"_s, 121.0);
    c.setValue(u"氏名"_s, u"新しい相手"_s);
    c.setValue(u"収入日"_s, QDate(2015, 5, 5));
    c.setValue(u"物品"_s, u"大きな品物"_s.repeated(300));
    c.setValue(u"写真"_s, grayBitmap(50, 50));
    {
        // The index file takes no write (the record and memo files do).
        HookGuard hook([&](const QString& path, qint64, qint64) {
            if (path.endsWith(u".MDX"_s)) throw diskFull(path);
        });
        try {
            c.post();
            FAIL() << "the post went through";
        } catch (const ChangeStoredError&) {
            FAIL() << "reported as stored";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains(u"No space left"_s)) << e.message().toStdString();
        }
    }
    EXPECT_FALSE(c.table().lastChangeStored());
    EXPECT_TRUE(Snapshot(dir.path()) == before) << "the files are as they were";
    EXPECT_EQ(c.state(), Cursor::State::Insert) << "the entry stays as typed";
    EXPECT_EQ(c.recordCount(), 120);

    c.post();  // pressed again, with room on the disk
    EXPECT_EQ(c.recordCount(), 121);
    Cursor check;
    check.open(u"Indata.DBF"_s);
    check.setFiltered(true);
    check.setFilter(u"氏名='新しい相手'"_s);
    ASSERT_EQ(check.recordCount(), 1);
    EXPECT_EQ(check.text(u"物品"_s), u"大きな品物"_s.repeated(300));
    EXPECT_EQ(std::get<QByteArray>(check.value(u"写真"_s)), grayBitmap(50, 50));
    EXPECT_EQ(dateOrderOnDisk(dir.path()), dateOrderOfRecords(c.table()));
}

TEST_F(Failures, AnIndexTreeThatRefusesAnInsertIsRewrittenFromTheRecords) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    c.setIndexName(u"収入日"_s);
    {
        // The tree refuses the insert once (as a damaged block that only an insert reaches does).
        bool refused = false;
        HookGuard hook([&](const QString& path, qint64, qint64) {
            if (!refused && path.endsWith(u".MDX"_s)) {
                refused = true;
                throw EngineError(u"索引ファイル 'Indata.MDX' のタグ '収入日' が壊れています"_s);
            }
        });
        addEntry(c, 121);
    }
    EXPECT_EQ(c.recordCount(), 121);
    EXPECT_EQ(dateOrderOnDisk(dir.path()), dateOrderOfRecords(c.table()));
}

TEST_F(Failures, AChangeStoredBeforeTheDiskStoppedIsReportedStoredAndNotStoredAgain) {
    Cursor c;
    c.open(u"Indata.DBF"_s);
    c.setIndexName(u"収入日"_s);
    c.append();
    c.setValue(u"収入番号"_s, 121.0);
    c.setValue(u"氏名"_s, u"新しい相手"_s);
    c.setValue(u"収入日"_s, QDate(2015, 5, 5));
    {
        // From the first index write on, the disk takes nothing: the undo cannot be written.
        bool dead = false;
        HookGuard hook([&](const QString& path, qint64, qint64) {
            if (path.endsWith(u".MDX"_s)) dead = true;
            if (dead) throw EngineError(u"ファイル '%1' に書き込めません: Input/output error"_s.arg(path));
        });
        try {
            c.post();
            FAIL() << "the post went through";
        } catch (const ChangeStoredError& e) {
            EXPECT_TRUE(e.message().contains(u"登録は保存されました"_s)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(u"Input/output error"_s)) << e.message().toStdString();
        }
        EXPECT_TRUE(c.table().lastChangeStored());
        EXPECT_EQ(c.state(), Cursor::State::Browse) << "a second press must not store it again";
        c.post();  // the second press
    }
    EXPECT_EQ(c.recordCount(), 121);
    EXPECT_EQ(c.text(u"氏名"_s), u"新しい相手"_s) << "the stored entry is current";

    // The index missed the entry; the date order is put right from the records and written back.
    Cursor fresh;
    c.close();
    fresh.open(u"Indata.DBF"_s);
    fresh.setIndexName(u"収入日"_s);
    EXPECT_EQ(fresh.recordCount(), 121);
    EXPECT_EQ(dateOrderOnDisk(dir.path()), dateOrderOfRecords(fresh.table()));

    // An edit that cannot be undone is reported the same way and leaves edit state.
    fresh.first();
    fresh.edit();
    fresh.setValue(u"収入日"_s, QDate(1999, 1, 1));
    {
        bool dead = false;
        HookGuard hook([&](const QString& path, qint64, qint64) {
            if (path.endsWith(u".MDX"_s)) dead = true;
            if (dead) throw EngineError(u"Input/output error"_s);
        });
        EXPECT_THROW(fresh.post(), ChangeStoredError);
        EXPECT_EQ(fresh.state(), Cursor::State::Browse);
    }
    fresh.refresh();
    fresh.first();
    EXPECT_EQ(fresh.date(u"収入日"_s), QDate(1999, 1, 1));
}

TEST_F(Failures, ReadingGoesOnWhileTheDiskIsFullAndTheRepairIsWrittenLater) {
    // An index file behind its records, as a crash between record and index leaves it.
    const QByteArray oldIndex = readFile(dir.file(u"Indata.MDX"_s));
    {
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 121; i <= 125; ++i) addEntry(c, i);
    }
    writeFile(dir.file(u"Indata.MDX"_s), oldIndex);

    HookGuard full([](const QString& path, qint64 offset, qint64 size) {
        if (extends(path, offset, size)) throw diskFull(path);
    });
    Cursor c;
    c.open(u"Indata.DBF"_s);
    c.setIndexName(u"収入日"_s);  // the repair cannot be written: the order comes from memory
    EXPECT_EQ(c.recordCount(), 125);
    std::vector<quint32> shown;
    for (c.first(); !c.eof(); c.next()) shown.push_back(c.recno());
    EXPECT_EQ(shown, dateOrderOfRecords(c.table()));
    EXPECT_EQ(readFile(dir.file(u"Indata.MDX"_s)), oldIndex) << "nothing half-written";

    // A post needs room: refused, nothing changed, the entry stays to be stored later.
    const Snapshot before(dir.path());
    c.append();
    c.setValue(u"収入番号"_s, 126.0);
    c.setValue(u"氏名"_s, u"満杯のとき"_s);
    c.setValue(u"物品"_s, u"品物"_s);
    EXPECT_THROW(c.post(), EngineError);
    EXPECT_TRUE(Snapshot(dir.path()) == before);
    EXPECT_EQ(c.state(), Cursor::State::Insert);

    BinaryFile::setWriteHook({});  // room again
    c.post();
    EXPECT_EQ(c.recordCount(), 126);
    EXPECT_EQ(dateOrderOnDisk(dir.path()), dateOrderOfRecords(c.table())) << "the repair is written with the post";
}

// --- a real full disk and a real read-only folder (need a tmpfs the test may mount) ------------

namespace {

// A tmpfs of the given size mounted on a fresh folder, unmounted at the end; empty path when
// this process may not mount.
struct SmallDisk {
    QTemporaryDir base;
    QString path;
    explicit SmallDisk(const char* size) {
        const QString at = base.filePath(u"disk"_s);
        QDir().mkpath(at);
        const QByteArray opts = QByteArray("size=") + size;
        if (::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, opts.constData()) == 0) path = at;
    }
    bool remountReadOnly() {
        return ::mount(nullptr, QFile::encodeName(path).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~SmallDisk() {
        if (!path.isEmpty()) ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

// Fills the file system holding dir until it refuses a byte more.
void fill(const QString& dir) {
    QFile f(QDir(dir).filePath(u"filler"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray chunk(4096, 'x');
    while (f.write(chunk) == chunk.size()) {
    }
    while (f.write("x", 1) == 1) {
    }
}

}  // namespace

TEST(RealDisk, AFullTmpfsRefusesAPostWholeAndKeepsTheDateOrderReadable) {
    SmallDisk disk("1m");
    if (disk.path.isEmpty()) GTEST_SKIP() << "this process may not mount a tmpfs";
    const QString cwd = QDir::currentPath();
    const QString data = QDir(disk.path).filePath(u"data"_s);
    createDataDirectory(data);
    QDir::setCurrent(data);
    QByteArray oldIndex;
    {
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 1; i <= 40; ++i) addEntry(c, i);
        oldIndex = readFile(QDir(data).filePath(u"Indata.MDX"_s));
        for (int i = 41; i <= 60; ++i) addEntry(c, i);
    }
    writeFile(QDir(data).filePath(u"Indata.MDX"_s), oldIndex);  // the index needs repair
    fill(data);

    {
        Cursor c;
        c.open(u"Indata.DBF"_s);
        c.setIndexName(u"収入日"_s);
        std::vector<quint32> shown;
        for (c.first(); !c.eof(); c.next()) shown.push_back(c.recno());
        EXPECT_EQ(shown, dateOrderOfRecords(c.table())) << "the date order reads from memory";

        const Snapshot before(data);
        c.append();
        c.setValue(u"収入番号"_s, 61.0);
        c.setValue(u"氏名"_s, u"満杯のとき"_s);
        c.setValue(u"写真"_s, grayBitmap(200, 200));
        try {
            c.post();
            ADD_FAILURE() << "the post went through on a full disk";
        } catch (const EngineError& e) {
            EXPECT_FALSE(dynamic_cast<const ChangeStoredError*>(&e)) << e.message().toStdString();
        }
        EXPECT_TRUE(Snapshot(data) == before) << "the files are as they were";
        EXPECT_EQ(c.state(), Cursor::State::Insert);

        QFile::remove(QDir(data).filePath(u"filler"_s));
        c.post();
        EXPECT_EQ(c.recordCount(), 61);
        EXPECT_EQ(dateOrderOnDisk(data), dateOrderOfRecords(c.table()));
    }
    QDir::setCurrent(cwd);
}

TEST(RealDisk, AReadOnlyFolderShowsTheDataAndRefusesEveryChange) {
    SmallDisk disk("4m");
    const QString cwd = QDir::currentPath();
    QTemporaryDir plain;
    QString data;
    QByteArray oldIndex;
    auto prepare = [&](const QString& at) {
        data = at;
        createDataDirectory(data);
        QDir::setCurrent(data);
        Cursor c;
        c.open(u"Indata.DBF"_s);
        for (int i = 1; i <= 30; ++i) addEntry(c, i, i % 7 == 0);
        oldIndex = readFile(QDir(data).filePath(u"Indata.MDX"_s));
        for (int i = 31; i <= 35; ++i) addEntry(c, i);
    };
    if (!disk.path.isEmpty()) {
        prepare(QDir(disk.path).filePath(u"data"_s));
        writeFile(QDir(data).filePath(u"Indata.MDX"_s), oldIndex);
        QDir::setCurrent(cwd);
        ASSERT_TRUE(disk.remountReadOnly());
    } else if (::geteuid() != 0) {
        prepare(plain.filePath(u"data"_s));
        writeFile(QDir(data).filePath(u"Indata.MDX"_s), oldIndex);
        QDir::setCurrent(cwd);
        for (const QString& f : QDir(data).entryList(QDir::Files))
            QFile::setPermissions(QDir(data).filePath(f), QFile::ReadOwner | QFile::ReadUser);
        QFile::setPermissions(data, QFile::ReadOwner | QFile::ExeOwner);
    } else {
        GTEST_SKIP() << "root without a mountable tmpfs cannot make a folder read-only";
    }
    QDir::setCurrent(data);
    const Snapshot before(data);

    Cursor c;
    c.open(u"Indata.DBF"_s);
    EXPECT_TRUE(c.table().isReadOnly());
    c.setIndexName(u"収入日"_s);  // needs repair: done in memory
    EXPECT_EQ(c.recordCount(), 35);
    std::vector<quint32> shown;
    for (c.first(); !c.eof(); c.next()) shown.push_back(c.recno());
    EXPECT_EQ(shown, dateOrderOfRecords(c.table()));
    c.first();
    EXPECT_FALSE(c.text(u"物品"_s).isEmpty());

    c.append();
    c.setValue(u"氏名"_s, u"書けない"_s);
    try {
        c.post();
        ADD_FAILURE() << "a post in a read-only folder went through";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(u"に書き込めないため、登録できません。"_s)) << e.message().toStdString();
    }
    EXPECT_EQ(c.state(), Cursor::State::Insert);
    c.cancel();
    c.first();
    c.edit();
    c.setValue(u"氏名"_s, u"直せない"_s);
    try {
        c.post();
        ADD_FAILURE() << "an edit in a read-only folder went through";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(u"修正できません。"_s)) << e.message().toStdString();
    }
    c.cancel();
    try {
        c.remove();
        ADD_FAILURE() << "a delete in a read-only folder went through";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(u"削除できません。"_s)) << e.message().toStdString();
    }
    EXPECT_EQ(c.recordCount(), 35);
    EXPECT_TRUE(Snapshot(data) == before);
    c.close();
    QDir::setCurrent(cwd);
    if (disk.path.isEmpty()) QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
