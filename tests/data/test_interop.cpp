// The table files are genuine dBASE IV: independent readers (GDAL's ogrinfo and Perl's XBase
// dbf_dump) see the same fields and the same values as the engine. Skipped where the readers are
// not installed (scripts/setup installs them).
#include "data/cp932.h"
#include "data/cursor.h"
#include "data/tabledefs.h"
#include "testdata.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QProcess>

#include <gtest/gtest.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

struct Output {
    int exitCode = -1;
    QByteArray out, err;
};

Output run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.start();
    Output o;
    if (!p.waitForFinished(60000)) return o;
    o.exitCode = p.exitCode();
    o.out = p.readAllStandardOutput();
    o.err = p.readAllStandardError();
    return o;
}

bool have(const char* tool) { return QFileInfo::exists(u"/usr/bin/"_s + QString::fromLatin1(tool)); }

// What the GDAL shapefile driver reports for each of the engine's field types.
QString gdalType(const FieldDef& f) {
    switch (f.type) {
        case FieldType::Text: return u"String (%1.0)"_s.arg(f.width);
        case FieldType::Number: return u"Real (%1.%2)"_s.arg(f.width).arg(f.decimals);
        case FieldType::SmallInt: return u"Integer (%1.0)"_s.arg(f.width);
        case FieldType::Date: return u"Date (10.0)"_s;
        default: return QString();
    }
}

struct Interop : ::testing::Test {
    mz::test::DataDir dir;
};

}  // namespace

TEST_F(Interop, OgrinfoListsEveryFieldWithNameTypeAndWidth) {
    if (!have("ogrinfo")) GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
    for (const TableDef* table : allTableDefs()) {  // the five and the tables beside them
        const TableDef& def = *table;
        SCOPED_TRACE(def.dbfName.toStdString());
        const Output o = run(u"ogrinfo"_s, {u"-ro"_s, u"-al"_s, u"-so"_s, dir.file(def.dbfName)});
        ASSERT_EQ(o.exitCode, 0) << o.err.constData();
        const QString text = QString::fromUtf8(o.out);
        EXPECT_TRUE(text.contains(u"Feature Count: 0"_s)) << text.toStdString();
        for (const FieldDef& f : def.fields) {
            const QString type = gdalType(f);
            const QString line = f.diskName() + u": "_s + type;
            if (!type.isEmpty())
                EXPECT_TRUE(text.contains(line)) << "missing '" << line.toStdString() << "' in\n" << text.toStdString();
            else
                EXPECT_TRUE(text.contains(f.diskName() + u": "_s)) << f.name.toStdString() << "\n" << text.toStdString();
        }
    }
}

TEST_F(Interop, PerlXBaseSeesTheFieldsOfEveryTable) {
    if (!have("dbf_dump")) GTEST_SKIP() << "dbf_dump (libdbd-xbase-perl) is not installed";
    for (const TableDef* table : allTableDefs()) {  // the five and the tables beside them
        const TableDef& def = *table;
        SCOPED_TRACE(def.dbfName.toStdString());
        const Output o = run(u"dbf_dump"_s, {u"--info"_s, dir.file(def.dbfName)});
        ASSERT_EQ(o.exitCode, 0) << o.err.constData();
        // XBase upper-cases field names byte by byte, which also changes the second byte of
        // some two-byte characters (フ 83 74 reads as サ 83 54); the names are compared as it
        // reports them.
        for (const FieldDef& f : def.fields) {
            const QByteArray name = cp932::encode(f.diskName()).value_or(QByteArray()).toUpper();
            const qsizetype at = o.out.indexOf("\t" + name + " ");
            ASSERT_GE(at, 0) << f.name.toStdString() << " in\n" << cp932::decode(o.out).toStdString();
            const QList<QByteArray> cols = o.out.mid(at).split('\n').front().simplified().split(' ');
            ASSERT_GE(cols.size(), 3);
            EXPECT_EQ(cols[1], QByteArray(1, f.typeChar())) << f.name.toStdString();
            EXPECT_EQ(cols[2].toInt(), f.width) << f.name.toStdString();
        }
    }
}

TEST_F(Interop, RecordsWrittenByTheEngineReadBackIdenticallyInOtherReaders) {
    if (!have("dbf_dump") || !have("ogrinfo")) GTEST_SKIP() << "dbf_dump or ogrinfo is not installed";
    const QByteArray picture = grayBitmap(3, 2);
    {
        Cursor c;
        c.open(dir.file(u"Indata.DBF"_s));
        c.append();
        c.setValue(u"収入番号"_s, 1.0);
        c.setValue(u"収入日"_s, QDate(2024, 3, 15));
        c.setValue(u"氏名"_s, u"髙橋　①㈱～ﾊﾟ"_s);
        c.setValue(u"目的"_s, u"結婚祝"_s);
        c.setValue(u"金額"_s, 30000.0);
        c.setValue(u"物品"_s, u"商品券\\予備"_s);
        c.setValue(u"物品／備考"_s, u"有り"_s);
        c.setValue(u"写真"_s, picture);
        c.post();
        c.append();  // every field empty
        c.post();
        Cursor a;
        a.open(dir.file(u"Aitesaki.DBF"_s));
        a.append();
        a.setValue(u"相手先コード"_s, 101.0);
        a.setValue(u"氏名"_s, u"世帯代表"_s);
        a.setValue(u"世帯代表"_s, true);
        a.post();
    }

    // Perl XBase: fields separated by a unit separator, records by a record separator.
    const Output d = run(u"dbf_dump"_s, {u"--fs=\x1f"_s, u"--rs=\x1e"_s, dir.file(u"Indata.DBF"_s)});
    ASSERT_EQ(d.exitCode, 0) << d.err.constData();
    const QStringList records = cp932::decode(d.out).split(QChar(0x1e), Qt::SkipEmptyParts);
    ASSERT_EQ(records.size(), 2);
    const QStringList f = records[0].split(QChar(0x1f));
    ASSERT_EQ(f.size(), 13) << records[0].toStdString();
    EXPECT_EQ(f[0].toDouble(), 1.0);
    EXPECT_EQ(f[1], u"20240315"_s);
    EXPECT_EQ(f[2], QString());
    EXPECT_EQ(f[3], u"髙橋　①㈱～ﾊﾟ"_s);
    EXPECT_EQ(f[5], u"結婚祝"_s);
    EXPECT_EQ(f[8].toDouble(), 30000.0);
    EXPECT_EQ(f[9], u"商品券\\予備"_s);
    EXPECT_EQ(f[10], u"有り"_s);
    EXPECT_EQ(f[11].toLatin1().left(2), QByteArray("BM"));
    for (const QString& empty : records[1].split(QChar(0x1f)))
        EXPECT_EQ(empty.trimmed(), QString()) << "an empty record reads empty";

    const Output a = run(u"dbf_dump"_s, {u"--fs=\x1f"_s, dir.file(u"Aitesaki.DBF"_s)});
    const QStringList af = cp932::decode(a.out).trimmed().split(QChar(0x1f));
    ASSERT_EQ(af.size(), 12);
    EXPECT_EQ(af[0].toDouble(), 101.0);
    EXPECT_EQ(af[1], u"世帯代表"_s);
    EXPECT_EQ(af[10], u"1"_s) << "logical true";

    // GDAL recodes from CP932 by the language driver byte.
    const Output g = run(u"ogrinfo"_s, {u"-ro"_s, u"-al"_s, u"-q"_s, dir.file(u"Indata.DBF"_s)});
    ASSERT_EQ(g.exitCode, 0) << g.err.constData();
    const QString gt = QString::fromUtf8(g.out);
    EXPECT_TRUE(gt.contains(u"氏名 (String) = 髙橋　①㈱～ﾊﾟ"_s)) << gt.toStdString();
    EXPECT_TRUE(gt.contains(u"収入日 (Date) = 2024/03/15"_s)) << gt.toStdString();
    EXPECT_TRUE(gt.contains(u"金額 (Real) = 30000"_s)) << gt.toStdString();
}

TEST_F(Interop, ReturnRecordsAndRulesReadBackInOtherReaders) {
    if (!have("dbf_dump") || !have("ogrinfo"))
        GTEST_SKIP() << "dbf_dump or ogrinfo is not installed";
    {
        Cursor c;
        c.open(dir.file(u"Okaeshi.DBF"_s));
        c.append();
        c.setValue(u"収入番号"_s, 17.0);
        c.setValue(u"返礼要"_s, true);
        c.setValue(u"期日"_s, QDate(2024, 4, 19));
        c.setValue(u"状況"_s, u"送付済"_s);
        c.setValue(u"送付日"_s, QDate(2024, 4, 20));
        c.setValue(u"品物"_s, u"今治タオル①"_s);
        c.setValue(u"返礼額"_s, 5000.0);
        c.setValue(u"メモ"_s, u"四十九日の後に送付"_s);
        c.post();
        Cursor r;
        r.open(dir.file(u"Henrei.dbf"_s));
        r.append();
        r.setValue(u"区分番号"_s, 4.0);
        r.setValue(u"返礼"_s, true);
        r.setValue(u"下限割合"_s, 0.3333);
        r.setValue(u"上限割合"_s, 0.5);
        r.setValue(u"期日日数"_s, 49.0);
        r.post();
    }
    const Output d = run(u"dbf_dump"_s, {u"--fs=\x1f"_s, dir.file(u"Okaeshi.DBF"_s)});
    ASSERT_EQ(d.exitCode, 0) << d.err.constData();
    const QStringList f = cp932::decode(d.out).trimmed().split(QChar(0x1f));
    ASSERT_EQ(f.size(), 8) << cp932::decode(d.out).toStdString();
    EXPECT_EQ(f[0].toDouble(), 17.0);
    EXPECT_EQ(f[1], u"1"_s);
    EXPECT_EQ(f[2], u"20240419"_s);
    EXPECT_EQ(f[3], u"送付済"_s);
    EXPECT_EQ(f[5], u"今治タオル①"_s);
    EXPECT_EQ(f[6].toDouble(), 5000.0);
    EXPECT_EQ(f[7], u"四十九日の後に送付"_s);
    const Output rd = run(u"dbf_dump"_s, {u"--fs=\x1f"_s, dir.file(u"Henrei.dbf"_s)});
    const QStringList rf = cp932::decode(rd.out).trimmed().split(QChar(0x1f));
    ASSERT_EQ(rf.size(), 6);
    EXPECT_EQ(rf[0].toInt(), 4);
    EXPECT_EQ(rf[2].toDouble(), 0.3333);
    EXPECT_EQ(rf[4].toDouble(), 49.0);

    const Output g = run(u"ogrinfo"_s, {u"-ro"_s, u"-al"_s, u"-q"_s, dir.file(u"Okaeshi.DBF"_s)});
    ASSERT_EQ(g.exitCode, 0) << g.err.constData();
    const QString gt = QString::fromUtf8(g.out);
    EXPECT_TRUE(gt.contains(u"品物 (String) = 今治タオル①"_s)) << gt.toStdString();
    EXPECT_TRUE(gt.contains(u"期日 (Date) = 2024/04/19"_s)) << gt.toStdString();
    EXPECT_TRUE(gt.contains(u"状況 (String) = 送付済"_s)) << gt.toStdString();
    EXPECT_TRUE(gt.contains(u"返礼額 (Real) = 5000"_s)) << gt.toStdString();
}

TEST(SampleData, EveryRecordOfASampleDirectoryOpensInTheOtherReaders) {
    if (!have("dbf_dump") || !have("ogrinfo")) GTEST_SKIP() << "dbf_dump or ogrinfo is not installed";
    const QString tool = mz::test::binaryPath(u"tools/mizorel-sample"_s);
    if (!QFileInfo::exists(tool)) GTEST_SKIP() << "mizorel-sample is not built";
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(u"data"_s);
    const Output s = run(tool, {dir, u"--entries"_s, u"2000"_s});
    ASSERT_EQ(s.exitCode, 0) << s.err.constData();
    for (const QString& table : {u"Indata.DBF"_s, u"Outdata.DBF"_s}) {
        const Output g = run(u"ogrinfo"_s, {u"-ro"_s, u"-al"_s, u"-so"_s, QDir(dir).filePath(table)});
        EXPECT_TRUE(QString::fromUtf8(g.out).contains(u"Feature Count: 2000"_s)) << g.out.constData();
        const Output d = run(u"dbf_dump"_s, {u"--rs=\x1e"_s, QDir(dir).filePath(table)});
        ASSERT_EQ(d.exitCode, 0) << d.err.constData();
        EXPECT_EQ(d.out.count('\x1e'), 2000) << table.toStdString();
    }
    // The engine reads the same numbers back, in date order through the index.
    Cursor c;
    c.open(QDir(dir).filePath(u"Indata.DBF"_s));
    c.setIndexFieldNames(u"収入日"_s);
    EXPECT_EQ(c.recordCount(), 2000);
    QDate prev;
    for (c.first(); !c.eof(); c.next()) {
        EXPECT_LE(prev, c.date(u"収入日"_s));
        prev = c.date(u"収入日"_s);
    }
}

TEST_F(Interop, PhotoSizedPicturesReadBackWholeInOtherReaders) {
    if (!have("dbf_dump") || !have("ogrinfo")) GTEST_SKIP() << "dbf_dump or ogrinfo is not installed";
    // A phone photo as the windows store it: a 1280 × 960, 24-bit bitmap of about 3.7 MB, in
    // two entries, with a small picture between them.
    const QByteArray photo = grayBitmap(1280, 960);
    ASSERT_EQ(photo.size(), 54 + 1280 * 960 * 3);
    const QByteArray small = grayBitmap(3, 2);
    const qint64 memoBefore = QFileInfo(dir.file(u"Indata.DBT"_s)).size();
    {
        Cursor c;
        c.open(dir.file(u"Indata.DBF"_s));
        int number = 0;
        for (const QByteArray& picture : {photo, small, photo}) {
            c.append();
            c.setValue(u"収入番号"_s, double(++number));
            c.setValue(u"写真"_s, picture);
            c.post();
        }
    }
    const qint64 growth = QFileInfo(dir.file(u"Indata.DBT"_s)).size() - memoBefore;
    EXPECT_GE(growth, 2 * photo.size() + small.size());
    EXPECT_LT(growth, 2 * photo.size() + small.size() + 3 * 1024);  // block rounding only

    // Perl XBase hands back every picture byte for byte.
    const Output d = run(u"dbf_dump"_s, {u"--fs=\x1f"_s, u"--rs=\x1e"_s, dir.file(u"Indata.DBF"_s)});
    ASSERT_EQ(d.exitCode, 0) << d.err.constData();
    const QList<QByteArray> records = d.out.split('\x1e');
    ASSERT_GE(records.size(), 3);
    const QByteArray expected[] = {photo, small, photo};
    for (int i = 0; i < 3; ++i) {
        const QList<QByteArray> f = records[i].split('\x1f');
        ASSERT_EQ(f.size(), 13) << i;
        EXPECT_TRUE(f[11] == expected[i]) << i << ": " << f[11].size() << " bytes";
    }
    // GDAL still opens the table and counts the entries.
    const Output g = run(u"ogrinfo"_s, {u"-ro"_s, u"-al"_s, u"-so"_s, dir.file(u"Indata.DBF"_s)});
    ASSERT_EQ(g.exitCode, 0) << g.err.constData();
    EXPECT_TRUE(QString::fromUtf8(g.out).contains(u"Feature Count: 3"_s)) << g.out.constData();
}
