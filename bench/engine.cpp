// bench_engine [--cache DIR] [N ...]: figures of the table engine on sample data of N income
// entries (default 1,000, 10,000 and 100,000), side by side with SQLite and with a raw scan:
//
//   open+order  opening the ledger and ordering it by date, as the management window does
//   search      a five-criteria ledger search (name prefix, purpose, family, date range) in date
//               order, as 検索開始 runs it; and one with the same shape that matches nothing
//   sqlite      the same query over the same rows in an in-memory SQLite table without any
//               index, and with the single index that serves this query best (each one tried)
//   raw scan    the five criteria compared straight on the record bytes in record order, into a
//               count: the floor of any search over these bytes
//   post        one new entry at a random date with the date order active (median), with the
//               writes synced to the disk as the program posts and without; at the end, each
//               size's post beside the smallest size's, as a ratio
//
// The criteria are taken from the entry in the middle of the ledger, so they match rows at every
// size. --cache DIR keeps the sample folders in DIR/N and copies them for each run, so repeated
// runs (and builds to compare) work on the same data. It prints figures; nothing here is a test.
#include "bench/benchsample.h"
#include "data/cp932.h"
#include "data/cursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

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
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The criteria of one search: text as the filter builder writes it, and the same in SQL terms.
struct Criteria {
    QString surname, purpose, family;
    QDate from, to;

    QString filter() const {
        return u("((氏名='%1*') and (目的='%2') and (家族名='%3') and (収入日>='%4') and (収入日<='%5'))")
            .arg(surname, purpose, family, from.toString(u("yyyy/MM/dd")), to.toString(u("yyyy/MM/dd")));
    }
};

struct Row {
    QByteArray name, purpose, family;
    int julian;
};

// The five criteria on the raw record bytes, in record order: blank-padded CP932 text compared
// with memcmp, the date as its eight digits.
struct RawCriteria {
    int nameAt, purposeAt, familyAt, dateAt;
    QByteArray prefix, purpose, family, from, to;

    static QByteArray cp932(const QString& s, int width = 0) {
        QByteArray b = *mz::data::cp932::encode(s);
        return width ? b + QByteArray(width - b.size(), ' ') : b;
    }
    static int at(const mz::data::Table& t, const char* field) { return t.fieldOffset(t.def().fieldIndex(u(field))); }

    RawCriteria(const mz::data::Table& t, const Criteria& c)
        : nameAt(at(t, "氏名")),
          purposeAt(at(t, "目的")),
          familyAt(at(t, "家族名")),
          dateAt(at(t, "収入日")),
          prefix(cp932(c.surname)),
          purpose(cp932(c.purpose, 12)),
          family(cp932(c.family, 10)),
          from(c.from.toString(u("yyyyMMdd")).toLatin1()),
          to(c.to.toString(u("yyyyMMdd")).toLatin1()) {}

    int count(const mz::data::Table& t) const {
        int n = 0;
        const quint32 records = t.recordCount();
        for (quint32 r = 1; r <= records; ++r) {
            const char* rec = t.record(r).data();
            if (rec[0] == '*') continue;
            if (std::memcmp(rec + purposeAt, purpose.constData(), size_t(purpose.size())) != 0) continue;
            if (std::memcmp(rec + familyAt, family.constData(), size_t(family.size())) != 0) continue;
            if (std::memcmp(rec + nameAt, prefix.constData(), size_t(prefix.size())) != 0) continue;
            if (std::memcmp(rec + dateAt, from.constData(), 8) < 0) continue;
            if (std::memcmp(rec + dateAt, to.constData(), 8) > 0) continue;
            ++n;
        }
        return n;
    }
};

// The same rows in an in-memory SQLite table, dates as Julian days.
class Sql {
public:
    explicit Sql(const std::vector<Row>& rows) {
        sqlite3_open(":memory:", &db_);
        exec("CREATE TABLE t(name TEXT, purpose TEXT, family TEXT, day INTEGER);");
        exec("BEGIN");
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(db_, "INSERT INTO t VALUES(?,?,?,?)", -1, &ins, nullptr);
        for (const Row& r : rows) {
            sqlite3_bind_text(ins, 1, r.name.constData(), int(r.name.size()), SQLITE_STATIC);
            sqlite3_bind_text(ins, 2, r.purpose.constData(), int(r.purpose.size()), SQLITE_STATIC);
            sqlite3_bind_text(ins, 3, r.family.constData(), int(r.family.size()), SQLITE_STATIC);
            sqlite3_bind_int(ins, 4, r.julian);
            check(sqlite3_step(ins), db_);
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        exec("COMMIT");
    }
    ~Sql() { sqlite3_close(db_); }
    void exec(const char* sql) { check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), db_); }

    // Best time of the query, the rows it found.
    std::pair<double, int> query(const Criteria& c) {
        // The name prefix as a range, so that an index on the name can serve it.
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db_,
                           "SELECT rowid FROM t WHERE name>=?1 AND name<?2 AND purpose=?3 AND family=?4 "
                           "AND day>=?5 AND day<=?6 ORDER BY day",
                           -1, &q, nullptr);
        const QByteArray lo = c.surname.toUtf8(), hi = lo + "\xF4\x8F\xBF\xBF";
        const QByteArray purpose = c.purpose.toUtf8(), family = c.family.toUtf8();
        int found = 0;
        const double ms = bestMs(7, [&] {
            std::vector<sqlite3_int64> ids;
            sqlite3_reset(q);
            sqlite3_bind_text(q, 1, lo.constData(), int(lo.size()), SQLITE_STATIC);
            sqlite3_bind_text(q, 2, hi.constData(), int(hi.size()), SQLITE_STATIC);
            sqlite3_bind_text(q, 3, purpose.constData(), int(purpose.size()), SQLITE_STATIC);
            sqlite3_bind_text(q, 4, family.constData(), int(family.size()), SQLITE_STATIC);
            sqlite3_bind_int(q, 5, int(c.from.toJulianDay()));
            sqlite3_bind_int(q, 6, int(c.to.toJulianDay()));
            while (sqlite3_step(q) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(q, 0));
            found = int(ids.size());
        });
        sqlite3_finalize(q);
        return {ms, found};
    }

private:
    sqlite3* db_ = nullptr;
};

struct Search {
    double engineMs = 0, sqlPlainMs = 0, sqlIndexMs = 0, rawMs = 0;
    int found = 0, sqlFound = 0, rawFound = 0;
    const char* bestIndex = "";
};

Search measure(Cursor& c, Sql& sql, const Criteria& crit) {
    Search s;
    const QString text = crit.filter();
    s.engineMs = bestMs(7, [&] {
        c.setFilter(text);
        s.found = c.recordCount();
    });
    c.setFilter(QString());
    const RawCriteria raw(c.table(), crit);
    s.rawMs = bestMs(7, [&] { s.rawFound = raw.count(c.table()); });
    std::tie(s.sqlPlainMs, s.sqlFound) = sql.query(crit);
    s.sqlIndexMs = 1e300;
    static const char* const kColumns[] = {"day", "name", "purpose", "family"};
    for (const char* column : kColumns) {
        sql.exec(QByteArray("CREATE INDEX ix ON t(").append(column).append(")").constData());
        const double ms = sql.query(crit).first;
        sql.exec("DROP INDEX ix");
        if (ms < s.sqlIndexMs) {
            s.sqlIndexMs = ms;
            s.bestIndex = column;
        }
    }
    return s;
}

double medianPostUs(bool sync);

// The median post at each size, synced and not, for the ratios to the smallest size.
struct PostFigures {
    int entries;
    double syncedUs;
    double unsyncedUs;
};
std::vector<PostFigures>& postFigures() {
    static std::vector<PostFigures> figures;
    return figures;
}

void bench(const QString& cache, int n) {
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(u("data"));
    mz::bench::cachedSampleFolder(cache, n, dir);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir);

    const double openMs = bestMs(5, [] {
        Cursor c;
        c.open(u("Indata.DBF"));
        c.setIndexFieldNames(u("収入日"));
        c.first();
    });

    std::vector<Row> rows;
    Criteria hit;
    {
        Cursor all;
        all.open(u("Indata.DBF"));
        for (all.first(); !all.eof(); all.next())
            rows.push_back({all.text(u("氏名")).toUtf8(), all.text(u("目的")).toUtf8(),
                            all.text(u("家族名")).toUtf8(), int(all.date(u("収入日")).toJulianDay())});
        // The entry in the middle that names a family member gives the criteria.
        all.moveToRow(all.recordCount() / 2);
        while (!all.eof() && all.text(u("家族名")).isEmpty()) all.next();
        hit.surname = all.text(u("氏名")).section(QChar(0x3000), 0, 0);
        hit.purpose = all.text(u("目的"));
        hit.family = all.text(u("家族名"));
        hit.from = QDate(2000, 1, 1);
        hit.to = QDate(2020, 12, 31);
        if (all.date(u("収入日")) < hit.from || all.date(u("収入日")) > hit.to) {
            hit.from = all.date(u("収入日")).addYears(-10);
            hit.to = all.date(u("収入日")).addYears(10);
        }
    }
    Criteria none = hit;
    none.surname = u("該当者なし");

    Sql sql(rows);
    Cursor c;
    c.open(u("Indata.DBF"));
    c.setIndexFieldNames(u("収入日"));
    c.setFiltered(true);
    const Search a = measure(c, sql, hit);
    const Search b = measure(c, sql, none);

    const double postUs = medianPostUs(true);
    const double postNoSyncUs = medianPostUs(false);
    postFigures().push_back({n, postUs, postNoSyncUs});

    auto line = [&](const char* what, const Search& s) {
        std::printf("%9d  %-5s %9.3f %9.3f %9.3f %-7s %9.4f %6.2f %6.2f %6.2f  %6d %6d %6d\n", n, what, s.engineMs,
                    s.sqlPlainMs, s.sqlIndexMs, s.bestIndex, s.rawMs, s.engineMs / std::max(s.sqlPlainMs, 1e-9),
                    s.engineMs / std::max(s.sqlIndexMs, 1e-9), s.engineMs / std::max(s.rawMs, 1e-9), s.found,
                    s.sqlFound, s.rawFound);
    };
    line("hit", a);
    line("none", b);
    std::printf("%9d  open+order %.2f ms   post %.1f us   post without fsync %.1f us\n", n, openMs, postUs,
                postNoSyncUs);
    std::fflush(stdout);
    QDir::setCurrent(cwd);
}

double medianPostUs(bool sync) {
    mz::data::Table::setSyncWrites(sync);
    Cursor post;
    post.open(u("Indata.DBF"));
    post.setIndexFieldNames(u("収入日"));
    post.last();
    std::vector<double> postTimes;
    for (int i = 0; i < 41; ++i) {
        QElapsedTimer t;
        t.start();
        post.last();
        const double next = post.number(u("収入番号")) + 1;
        post.append();
        post.setValue(u("収入番号"), next);
        post.setValue(u("収入日"), QDate(1996, 1, 1).addDays(i * 9973 % 10900));
        post.setValue(u("氏名"), u("山田　太郎"));
        post.setValue(u("目的"), u("結婚祝"));
        post.setValue(u("金額"), 30000.0);
        post.setValue(u("物品"), u("カタログギフト"));
        post.post();
        postTimes.push_back(static_cast<double>(t.nsecsElapsed()) / 1e3);
    }
    std::sort(postTimes.begin(), postTimes.end());
    mz::data::Table::setSyncWrites(true);
    return postTimes[postTimes.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto [cache, sizes] = mz::bench::sizesArguments(app.arguments(), {1000, 10000, 100000});
    std::printf("search times in ms, best of 7; ratios are the engine's time over the others'\n");
    std::printf("%9s  %-5s %9s %9s %9s %-7s %9s %6s %6s %6s  %6s %6s %6s\n", "entries", "query", "engine",
                "sql", "sql+ix", "index", "raw scan", "/sql", "/sqlix", "/raw", "found", "sql", "raw");
    for (int n : sizes) bench(cache, n);
    // A post should cost about the same at any size: each size's median over the smallest's.
    const std::vector<PostFigures>& posts = postFigures();
    if (posts.size() > 1) {
        std::printf("post, median us and ratio to %d entries\n", posts.front().entries);
        std::printf("%9s  %9s %6s  %9s %6s\n", "entries", "synced", "ratio", "no fsync", "ratio");
        for (const PostFigures& p : posts)
            std::printf("%9d  %9.1f %6.2f  %9.1f %6.2f\n", p.entries, p.syncedUs,
                        p.syncedUs / std::max(posts.front().syncedUs, 1e-9), p.unsyncedUs,
                        p.unsyncedUs / std::max(posts.front().unsyncedUs, 1e-9));
    }
    return 0;
}
