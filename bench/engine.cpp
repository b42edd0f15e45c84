// bench_engine [N ...]: figures of the table engine on sample data of N income entries (default
// 1,000, 10,000 and 100,000): open + order by date, a five-criteria ledger search, one post of a
// new entry (with and without waiting for the disk), and the same search over the same rows in an in-memory SQLite table for reference.
// It prints figures; nothing here is a test.
#include "data/cursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using mz::data::Cursor;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Best of several runs, in milliseconds.
double bestMs(int runs, const std::function<void()>& f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

const char* kFilter =
    "((氏名='山田*') and (目的='結婚祝') and (家族名='花子') and (収入日>='2000/01/01') and "
    "(収入日<='2020/12/31'))";

struct Row {
    QByteArray name, purpose, family;
    int julian;
};

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

double medianPostUs(bool sync);

void bench(int n) {
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(u("data"));
    QProcess sample;
    sample.start(QString::fromUtf8(MIZOREL_SAMPLE_TOOL), {dir, u("--entries"), QString::number(n)});
    if (!sample.waitForFinished(-1) || sample.exitCode() != 0) {
        std::fprintf(stderr, "mizorel-sample failed: %s\n", sample.readAllStandardError().constData());
        std::exit(1);
    }
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir);

    const double openMs = bestMs(5, [] {
        Cursor c;
        c.open(u("Indata.DBF"));
        c.setIndexFieldNames(u("収入日"));
        c.first();
    });

    Cursor c;
    c.open(u("Indata.DBF"));
    c.setIndexFieldNames(u("収入日"));
    c.setFiltered(true);
    int found = 0;
    const double searchMs = bestMs(7, [&] {
        c.setFilter(QString());
        c.setFilter(u(kFilter));
        found = c.recordCount();
    });

    // The same rows in SQLite, dates as Julian days, ordered by date like the ledger window.
    std::vector<Row> rows;
    {
        Cursor all;
        all.open(u("Indata.DBF"));
        for (all.first(); !all.eof(); all.next())
            rows.push_back({all.text(u("氏名")).toUtf8(), all.text(u("目的")).toUtf8(),
                            all.text(u("家族名")).toUtf8(), int(all.date(u("収入日")).toJulianDay())});
    }
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    check(sqlite3_exec(db, "CREATE TABLE t(name TEXT, purpose TEXT, family TEXT, day INTEGER);", nullptr, nullptr, nullptr), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?,?,?,?)", -1, &ins, nullptr);
    for (const Row& r : rows) {
        sqlite3_bind_text(ins, 1, r.name.constData(), int(r.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 2, r.purpose.constData(), int(r.purpose.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 3, r.family.constData(), int(r.family.size()), SQLITE_STATIC);
        sqlite3_bind_int(ins, 4, r.julian);
        check(sqlite3_step(ins), db);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    check(sqlite3_exec(db, "CREATE INDEX t_day ON t(day)", nullptr, nullptr, nullptr), db);
    const int from = int(QDate(2000, 1, 1).toJulianDay()), to = int(QDate(2020, 12, 31).toJulianDay());
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT rowid FROM t WHERE substr(name,1,2)=? AND purpose=? AND family=? "
                       "AND day>=? AND day<=? ORDER BY day",
                       -1, &q, nullptr);
    const QByteArray yamada = u("山田").toUtf8(), purpose = u("結婚祝").toUtf8(), family = u("花子").toUtf8();
    int sqlFound = 0;
    const double sqliteMs = bestMs(7, [&] {
        std::vector<sqlite3_int64> ids;
        sqlite3_reset(q);
        sqlite3_bind_text(q, 1, yamada.constData(), int(yamada.size()), SQLITE_STATIC);
        sqlite3_bind_text(q, 2, purpose.constData(), int(purpose.size()), SQLITE_STATIC);
        sqlite3_bind_text(q, 3, family.constData(), int(family.size()), SQLITE_STATIC);
        sqlite3_bind_int(q, 4, from);
        sqlite3_bind_int(q, 5, to);
        while (sqlite3_step(q) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(q, 0));
        sqlFound = int(ids.size());
    });
    sqlite3_finalize(q);
    sqlite3_close(db);

    // One post of a new entry, numbered as the registration window numbers it: with the writes
    // synced to the disk (as the program posts) and without.
    const double postUs = medianPostUs(true);
    const double postNoSyncUs = medianPostUs(false);

    std::printf("%8d  %10.2f  %10.3f  %10.3f  %6.2f  %6d/%-6d  %10.1f  %10.1f\n", n, openMs, searchMs, sqliteMs,
                searchMs / std::max(sqliteMs, 1e-6), found, sqlFound, postUs, postNoSyncUs);
    std::fflush(stdout);
    QDir::setCurrent(cwd);
}

double medianPostUs(bool sync) {
    mz::data::Table::setSyncWrites(sync);
    Cursor post;
    post.open(u("Indata.DBF"));
    post.last();
    std::vector<double> postTimes;
    for (int i = 0; i < 41; ++i) {
        QElapsedTimer t;
        t.start();
        post.last();
        const double next = post.number(u("収入番号")) + 1;
        post.append();
        post.setValue(u("収入番号"), next);
        post.setValue(u("収入日"), QDate(2010, 1, 1).addDays(i * 97 % 5000));
        post.setValue(u("氏名"), u("山田　太郎"));
        post.setValue(u("目的"), u("結婚祝"));
        post.setValue(u("金額"), 30000.0);
        post.setValue(u("物品"), u("カタログギフト"));
        post.post();
        postTimes.push_back(t.nsecsElapsed() / 1e3);
    }
    std::sort(postTimes.begin(), postTimes.end());
    mz::data::Table::setSyncWrites(true);
    return postTimes[postTimes.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000, 100000};
    std::printf("%8s  %10s  %10s  %10s  %6s  %13s  %10s  %10s\n", "entries", "open+order", "search", "sqlite",
                "ratio", "found/sqlite", "post", "no fsync");
    std::printf("%8s  %10s  %10s  %10s  %6s  %13s  %10s  %10s\n", "", "ms", "ms", "ms", "", "", "us (median)",
                "us (median)");
    for (int n : sizes) bench(n);
    return 0;
}
