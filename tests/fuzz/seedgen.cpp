// mizorel-fuzzseeds DIR: writes the seed corpora of the fuzz targets into DIR/<target>/ (the
// committed ones are in tests/fuzz/seeds). For the table targets: the five empty tables, each
// table with a few records (memos, a picture, a deleted record), and damaged variants of those;
// for the index target the index files alone; for the filter target the filter texts the windows
// build.
#include "data/cursor.h"
#include "data/dbf.h"
#include "fuzzinput.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QTemporaryDir>

#include <cstdio>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QDir& out, const QString& target, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(out.filePath(target));
    QFile f(out.filePath(target + u'/' + name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

struct Files {
    QByteArray dbf, dbt, mdx;
};

Files filesOf(const QDir& dir, const TableDef& def) {
    return {readFile(dir.filePath(def.dbfName)), def.hasMemo() ? readFile(dir.filePath(def.dbtName)) : QByteArray(),
            readFile(dir.filePath(def.mdxName))};
}

void fillSample() {
    Cursor a;
    a.open(u"Aitesaki.DBF"_s);
    const std::pair<double, const char16_t*> people[] = {{101, u"ﾔﾏﾀﾞ"}, {102, u"ﾔﾏﾀﾞﾊﾅｺ"}, {201, u"ｻﾄｳ"}, {301, u"ﾊﾟｸ"}};
    for (const auto& [code, kana] : people) {
        a.append();
        a.setValue(u"相手先コード"_s, code);
        a.setValue(u"氏名"_s, u"山田 太郎"_s);
        a.setValue(u"フリガナ"_s, QString::fromUtf16(kana));
        a.setValue(u"住所1"_s, u"東京都"_s);
        a.setValue(u"世帯代表"_s, std::fmod(code, 100.0) == 1.0);
        if (code == 101) a.setValue(u"メモ"_s, u"親戚"_s);
        a.post();
    }
    a.moveToRow(3);
    a.remove();
    for (const QString& table : {u"Indata.DBF"_s, u"Outdata.DBF"_s}) {
        Cursor c;
        c.open(table);
        const bool income = table == u"Indata.DBF"_s;
        for (int i = 1; i <= 4; ++i) {
            c.append();
            c.setValue(income ? u"収入番号"_s : u"支出番号"_s, double(i));
            c.setValue(income ? u"収入日"_s : u"支出日"_s, QDate(2024, 5 - i, 1));
            c.setValue(u"相手先コード"_s, 101.0);
            c.setValue(u"氏名"_s, u"山田 太郎"_s);
            c.setValue(u"目的"_s, u"結婚祝"_s);
            c.setValue(u"金額"_s, 10000.0 * i);
            if (i != 3) c.setValue(u"物品"_s, u"商品券"_s);
            if (i == 2) c.setValue(u"写真"_s, grayBitmap(2, 2));
            c.post();
        }
        c.first();
        c.remove();
    }
    Cursor k;
    k.open(u"Kazoku.dbf"_s);
    for (int i = 1; i <= 3; ++i) {
        k.append();
        k.setValue(u"家族コード"_s, double(i));
        k.setValue(u"家族名"_s, u"家族%1"_s.arg(i));
        k.post();
    }
    Cursor m;
    m.open(u"Moku.dbf"_s);
    const char16_t* cats[] = {u"お祝い", u"お返し", u"弔事全般"};
    for (int i = 1; i <= 3; ++i) {
        m.append();
        m.setValue(u"目的コード"_s, double(i));
        m.setValue(u"目的"_s, u"目的%1"_s.arg(i));
        m.setValue(u"目的区分"_s, QString::fromUtf16(cats[i - 1]));
        m.setValue(u"区分番号"_s, double(i));
        m.post();
    }
}

void writeTableSeeds(const QDir& out, const QDir& empty, const QDir& sample) {
    const auto& defs = tableDefs();
    for (int t = 0; t < static_cast<int>(defs.size()); ++t) {
        const TableDef& def = defs[static_cast<size_t>(t)];
        const QString base = QFileInfo(def.dbfName).completeBaseName().toLower();
        const Files e = filesOf(empty, def), s = filesOf(sample, def);
        std::vector<std::pair<QString, QByteArray>> seeds;
        seeds.push_back({base + u"-empty"_s, mz::fuzz::packTableFiles(t, e.dbf, e.dbt, e.mdx)});
        seeds.push_back({base + u"-sample"_s, mz::fuzz::packTableFiles(t, s.dbf, s.dbt, s.mdx)});
        // Damaged: the last record cut short; a count beyond the records; the index of the empty
        // table with the records of the sample (a crash between record and index).
        seeds.push_back({base + u"-cut"_s, mz::fuzz::packTableFiles(t, s.dbf.left(s.dbf.size() - 5), s.dbt, s.mdx)});
        QByteArray counted = s.dbf;
        counted[4] = static_cast<char>(0x40);
        seeds.push_back({base + u"-count"_s, mz::fuzz::packTableFiles(t, counted, s.dbt, s.mdx)});
        seeds.push_back({base + u"-staleindex"_s, mz::fuzz::packTableFiles(t, s.dbf, s.dbt, e.mdx)});
        // The index with its first tree block scrambled.
        QByteArray scrambled = s.mdx;
        for (qsizetype i = 4 * 512 + 2 * 1024 * qsizetype(def.tags.size()); i < scrambled.size(); i += 7)
            scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
        seeds.push_back({base + u"-badtree"_s, mz::fuzz::packTableFiles(t, s.dbf, s.dbt, scrambled)});
        if (def.hasMemo()) {
            // The memo file's next free block zero, and a memo block without its signature.
            QByteArray nextZero = s.dbt;
            nextZero[0] = nextZero[1] = nextZero[2] = nextZero[3] = 0;
            seeds.push_back({base + u"-memohead"_s, mz::fuzz::packTableFiles(t, s.dbf, nextZero, s.mdx)});
            QByteArray unsigned_ = s.dbt;
            if (unsigned_.size() > 512) unsigned_[512] = 0;
            seeds.push_back({base + u"-memoblock"_s, mz::fuzz::packTableFiles(t, s.dbf, unsigned_, s.mdx)});
        }
        for (const auto& [name, bytes] : seeds) put(out, u"fuzz_tables"_s, name, bytes);
        // A post starts from a sound table, a stale index or a damaged tree.
        for (const auto& [name, bytes] : seeds)
            if (name.endsWith(u"-empty"_s) || name.endsWith(u"-sample"_s) || name.endsWith(u"-staleindex"_s) ||
                name.endsWith(u"-badtree"_s))
                put(out, u"fuzz_post"_s, name, bytes);
        put(out, u"fuzz_index"_s, base + u"-empty"_s, QByteArray(1, char(t)) + e.mdx);
        put(out, u"fuzz_index"_s, base + u"-sample"_s, QByteArray(1, char(t)) + s.mdx);
        put(out, u"fuzz_index"_s, base + u"-badtree"_s, QByteArray(1, char(t)) + scrambled);
    }
}

void writeFilterSeeds(const QDir& out) {
    // The texts the windows build: an entry by number, the search window's criteria (and its
    // "nothing asked" text), a household and a person, the kana rows of the selection window,
    // the purpose categories.
    QStringList texts = {
        u"収入番号= 12"_s,
        u"支出番号= 3"_s,
        u"収入番号=99999999"_s,
        u"(氏名='山田 太郎')"_s,
        u"((氏名='O''Hara') and (目的='結婚祝') and (家族名='花子') and (収入日>='2024/01/01') and (収入日<='2024/12/31'))"_s,
        u"((支出日>='2023/04/01') and (支出日<='    /  /  '))"_s,
        u"((相手先コード>100) and (相手先コード<200))"_s,
        u"相手先コード= 101"_s,
        u"((フリガナ='ｱ*') or (フリガナ='ｲ*') or (フリガナ='ｳ*') or (フリガナ='ｴ*') or (フリガナ='ｵ*'))"_s,
        u"((フリガナ='ﾔ*') or (フリガナ='ﾕ*') or (フリガナ='ﾖ*'))"_s,
        u"((フリガナ='ﾜ*'))"_s,
        u"(目的区分='お祝い')"_s,
        u"(目的区分='弔事全般')"_s,
        u"金額>=5000"_s,
        u"世帯代表=True"_s,
    };
    for (qsizetype i = 0; i < texts.size(); ++i) put(out, u"fuzz_filter"_s, u"window-%1"_s.arg(i + 1, 2, 10, QChar(u'0')), texts[i].toUtf8());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mizorel-fuzzseeds DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir tmp;
    const QDir empty(tmp.filePath(u"empty"_s)), sample(tmp.filePath(u"sample"_s));
    createDataDirectory(empty.path());
    createDataDirectory(sample.path());
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(sample.path());
    fillSample();
    QDir::setCurrent(cwd);
    writeTableSeeds(out, empty, sample);
    writeFilterSeeds(out);
    return 0;
}
