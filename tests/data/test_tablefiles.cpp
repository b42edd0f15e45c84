// The table files on disk: headers byte for byte, every field type through a post and a re-open,
// CP932 text, memo and picture blocks, and damaged files.
#include "data/binaryfile.h"
#include "data/cursor.h"
#include "data/dbf.h"
#include "data/tabledefs.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

quint16 u16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 u32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }


// Opens a table of a fresh data directory through a cursor.
struct Fixture : ::testing::Test {
    mz::test::DataDir dir;
    std::unique_ptr<Cursor> openCursor(const QString& name) {
        auto c = std::make_unique<Cursor>();
        c->open(dir.file(name));
        return c;
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Headers and descriptors

TEST_F(Fixture, EmptyIncomeTableHeaderIsDbaseIvWithMemoAndJapaneseDriver) {
    const QByteArray h = readFile(dir.file(u"Indata.DBF"_s));
    const TableDef& def = *tableDefForFile(u"Indata.DBF"_s);
    ASSERT_EQ(h.size(), 32 + 13 * 32 + 1 + 1);  // header, 13 descriptors, terminator, EOF mark
    EXPECT_EQ(static_cast<unsigned char>(h[0]), 0x8B);
    EXPECT_EQ(u32(h, 4), 0u);
    EXPECT_EQ(u16(h, 8), 32 + 13 * 32 + 1);
    int recordSize = 1;
    for (const FieldDef& f : def.fields) recordSize += f.width;
    EXPECT_EQ(u16(h, 10), recordSize);
    EXPECT_EQ(h[28], 0x01) << "production index flag";
    EXPECT_EQ(static_cast<unsigned char>(h[29]), 0x13) << "language driver: Japanese CP932";
    EXPECT_EQ(h[32 + 13 * 32], 0x0D);
    EXPECT_EQ(h[32 + 13 * 32 + 1], 0x1A);

    // 相手先コード is stored as 相手先ｺｰﾄﾞ (10 bytes); 予備1 contains the byte 0x5C? no, but 予 does.
    const QByteArray third = h.mid(32 + 2 * 32, 32);
    EXPECT_EQ(third.left(10), QByteArray("\x91\x8a\x8e\xe8\x90\xe6\xba\xb0\xc4\xde"));
    EXPECT_EQ(third[10], '\0');
    EXPECT_EQ(third[11], 'N');
    EXPECT_EQ(static_cast<unsigned char>(third[16]), 20);
    EXPECT_EQ(third[17], 4);
    // 収入日 carries a tag, 氏名 does not.
    EXPECT_EQ(h[32 + 1 * 32 + 31], 0x01);
    EXPECT_EQ(h[32 + 3 * 32 + 31], 0x00);
    // The picture field is a B field of width 10.
    const QByteArray pic = h.mid(32 + 11 * 32, 32);
    EXPECT_EQ(pic[11], 'B');
    EXPECT_EQ(pic[16], 10);
}

TEST_F(Fixture, TablesWithoutMemoUseVersion03AndHaveNoMemoFile) {
    const QByteArray k = readFile(dir.file(u"Kazoku.dbf"_s));
    EXPECT_EQ(static_cast<unsigned char>(k[0]), 0x03);
    EXPECT_FALSE(QFile::exists(dir.file(u"Kazoku.DBT"_s)));
    const QByteArray m = readFile(dir.file(u"Moku.dbf"_s));
    // 区分番号 is a small integer: N(6,0).
    const QByteArray kubun = m.mid(32 + 3 * 32, 32);
    EXPECT_EQ(kubun[11], 'N');
    EXPECT_EQ(kubun[16], 6);
    EXPECT_EQ(kubun[17], 0);
}

TEST_F(Fixture, MemoFileHeaderHas512ByteBlocksAndNextFreeBlockOne) {
    const QByteArray d = readFile(dir.file(u"Aitesaki.DBT"_s));
    ASSERT_EQ(d.size(), 512);
    EXPECT_EQ(u32(d, 0), 1u);
    EXPECT_EQ(d.mid(8, 8), QByteArray("Aitesaki"));
    EXPECT_EQ(u16(d, 20), 512);
}

TEST_F(Fixture, NewDataDirectoryHoldsEveryTableFileAndGrayPlaceholder) {
    QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QStringList expected = {
        u"Aitesaki.DBF"_s, u"Aitesaki.DBT"_s, u"Aitesaki.MDX"_s, u"Gray.bmp"_s, u"Indata.DBF"_s,
        u"Indata.DBT"_s, u"Indata.MDX"_s, u"Kazoku.MDX"_s, u"Kazoku.dbf"_s, u"Moku.MDX"_s,
        u"Moku.dbf"_s, u"Outdata.DBF"_s, u"Outdata.DBT"_s, u"Outdata.MDX"_s,
        // the tables beside the five: return gifts and their rules
        u"Okaeshi.DBF"_s, u"Okaeshi.DBT"_s, u"Okaeshi.MDX"_s, u"Henrei.dbf"_s, u"Henrei.MDX"_s,
        // the reception desk's events and entries
        u"Gyoji.DBF"_s, u"Gyoji.MDX"_s, u"Uketsuke.DBF"_s, u"Uketsuke.MDX"_s};
    files.sort();
    expected.sort();
    EXPECT_EQ(files, expected);
    const QByteArray bmp = readFile(dir.file(u"Gray.bmp"_s));
    ASSERT_GT(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(u32(bmp, 2), static_cast<quint32>(bmp.size()));
    EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 0xC0);
}

TEST(NewData, RefusesDirectoryThatHoldsAnyDataFileAndOverwritesNothing) {
    QTemporaryDir tmp;
    writeFile(QDir(tmp.path()).filePath(u"moku.DBF"_s), "keep me");
    try {
        createDataDirectory(tmp.path());
        FAIL() << "expected a refusal";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(u"moku.DBF"_s)) << e.message().toStdString();
    }
    EXPECT_EQ(readFile(QDir(tmp.path()).filePath(u"moku.DBF"_s)), QByteArray("keep me"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files).size(), 1);
}

// ---------------------------------------------------------------------------------------------
// Round trips

TEST_F(Fixture, EveryFieldTypeAndEmptyValuesSurviveReopen) {
    QByteArray picture = grayBitmap(5, 3);
    {
        auto c = openCursor(u"Indata.DBF"_s);
        c->append();
        c->setValue(u"収入番号"_s, 1.0);
        c->setValue(u"収入日"_s, QDate(2024, 3, 15));
        c->setValue(u"氏名"_s, u"山田　太郎"_s);
        c->setValue(u"目的"_s, u"結婚祝"_s);
        c->setValue(u"家族名"_s, u"花子"_s);
        c->setValue(u"金額"_s, 30000.0);
        c->setValue(u"物品"_s, u"ご祝儀袋\n二行目"_s);
        c->setValue(u"物品／備考"_s, u"有り"_s);
        c->setValue(u"写真"_s, picture);
        c->post();
        c->append();  // a record with every field empty
        c->post();
        c->append();
        c->setValue(u"収入番号"_s, 3.0);
        c->setValue(u"金額"_s, -1234.5);
        c->post();
    }
    auto c = openCursor(u"indata.dbf"_s);
    ASSERT_EQ(c->recordCount(), 3);
    c->first();
    EXPECT_EQ(c->number(u"収入番号"_s), 1.0);
    EXPECT_EQ(c->date(u"収入日"_s), QDate(2024, 3, 15));
    EXPECT_EQ(c->text(u"氏名"_s), u"山田　太郎"_s);
    EXPECT_EQ(c->text(u"家族名"_s), u"花子"_s);
    EXPECT_EQ(c->number(u"金額"_s), 30000.0);
    EXPECT_EQ(c->text(u"物品"_s), u"ご祝儀袋\n二行目"_s);
    EXPECT_EQ(std::get<QByteArray>(c->value(u"写真"_s)), picture);
    EXPECT_TRUE(isNull(c->value(u"相手先コード"_s))) << "spare code fields stay empty";
    c->next();
    for (int f = 0; f < static_cast<int>(c->def().fields.size()); ++f)
        EXPECT_TRUE(isNull(c->value(f))) << c->def().fields[static_cast<size_t>(f)].name.toStdString();
    c->next();
    EXPECT_EQ(c->number(u"金額"_s), -1234.5);

    auto a = openCursor(u"AITESAKI.DBF"_s);
    a->append();
    a->setValue(u"相手先コード"_s, 101.0);
    a->setValue(u"世帯代表"_s, true);
    a->post();
    a->append();
    a->setValue(u"相手先ｺｰﾄﾞ"_s, 102.0);  // the on-disk spelling names the same field
    a->setValue(u"世帯代表"_s, false);
    a->post();
    a->first();
    EXPECT_EQ(a->value(u"世帯代表"_s), Value(true));
    a->next();
    EXPECT_EQ(a->value(u"世帯代表"_s), Value(false));
    EXPECT_EQ(a->number(u"相手先コード"_s), 102.0);

    auto m = openCursor(u"Moku.DBF"_s);
    m->append();
    m->setValue(u"区分番号"_s, 4.0);
    m->setValue(u"目的区分"_s, u"弔事全般"_s);
    m->post();
    EXPECT_EQ(m->number(u"区分番号"_s), 4.0);
}

TEST_F(Fixture, FieldNamesIgnoreAsciiCase) {
    auto a = openCursor(u"Aitesaki.DBF"_s);
    EXPECT_EQ(a->fieldIndex(u"EMAIL"_s), a->fieldIndex(u"Email"_s));
    EXPECT_EQ(a->fieldIndex(u"email"_s), 9);
    EXPECT_THROW(a->fieldIndex(u"Ｅmail"_s), EngineError) << "full-width letters are not folded";
}

TEST_F(Fixture, Cp932EdgeCharactersRoundTrip) {
    const QStringList names = {u"①㈱髙～"_s, u"ﾊﾟﾋﾟﾌﾟ"_s, u"予備1"_s, u"世帯代表ソ表"_s, u"能　十"_s};
    {
        auto c = openCursor(u"Aitesaki.DBF"_s);
        for (const QString& n : names) {
            c->append();
            c->setValue(u"氏名"_s, n);
            c->setValue(u"メモ"_s, n + u"\\back"_s);
            c->post();
        }
    }
    auto c = openCursor(u"Aitesaki.DBF"_s);
    c->first();
    for (const QString& n : names) {
        EXPECT_EQ(c->text(u"氏名"_s), n);
        EXPECT_EQ(c->text(u"メモ"_s), n + u"\\back"_s);
        c->next();
    }
    // The wave dash that Linux input methods type is CP932's full-width tilde.
    c->append();
    c->setValue(u"氏名"_s, u"A〜B"_s);
    c->post();
    EXPECT_EQ(c->text(u"氏名"_s), u"A～B"_s);
}

TEST_F(Fixture, TextIsCutToFieldWidthAtCharacterBoundary) {
    auto c = openCursor(u"Aitesaki.DBF"_s);
    c->append();
    c->setValue(u"氏名"_s, u"一二三四五六七八九"_s);  // 18 bytes into 16
    c->post();
    EXPECT_EQ(c->text(u"氏名"_s), u"一二三四五六七八"_s);
    c->append();
    c->setValue(u"氏名"_s, u"a一二三四五六七八"_s);  // 17 bytes: the last character would split
    c->post();
    EXPECT_EQ(c->text(u"氏名"_s), u"a一二三四五六七"_s);
    c->append();
    c->setValue(u"フリガナ"_s, u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁ"_s);  // 17 half-width into 16
    c->post();
    EXPECT_EQ(c->text(u"フリガナ"_s), u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ"_s);
}

TEST_F(Fixture, CharacterOutsideCp932IsRefusedNamingTheFieldAndNothingIsWritten) {
    auto c = openCursor(u"Aitesaki.DBF"_s);
    const QByteArray before = readFile(dir.file(u"Aitesaki.DBF"_s));
    const QByteArray memoBefore = readFile(dir.file(u"Aitesaki.DBT"_s));
    for (const QString& bad : {u"😀"_s, u"𠮷野"_s}) {
        c->append();
        c->setValue(u"メモ"_s, u"ok"_s);
        c->setValue(u"氏名"_s, bad);
        try {
            c->post();
            FAIL() << "expected refusal";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains(u"氏名"_s)) << e.message().toStdString();
        }
        EXPECT_EQ(c->state(), Cursor::State::Insert) << "the record stays as typed";
        c->cancel();
    }
    c->append();
    c->setValue(u"メモ"_s, u"絵文字😀"_s);
    EXPECT_THROW(c->post(), EngineError);
    c->cancel();
    EXPECT_EQ(readFile(dir.file(u"Aitesaki.DBF"_s)), before);
    EXPECT_EQ(readFile(dir.file(u"Aitesaki.DBT"_s)), memoBefore);
    EXPECT_EQ(c->recordCount(), 0);
}

TEST_F(Fixture, LargeMemoAndPictureSpanManyBlocks) {
    QString memo;
    while (memo.size() < 50'000) memo += u"香典返しの品、"_s;  // ~100 KB in CP932
    QByteArray picture(1'000'000, '\0');
    for (int i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>((static_cast<unsigned>(i) * 7919u) >> 3);
    {
        auto c = openCursor(u"Outdata.DBF"_s);
        c->append();
        c->setValue(u"物品"_s, memo);
        c->setValue(u"写真"_s, picture);
        c->post();
        c->append();
        c->setValue(u"物品"_s, u"短い"_s);
        c->post();
    }
    auto c = openCursor(u"Outdata.DBF"_s);
    c->first();
    EXPECT_EQ(c->text(u"物品"_s), memo);
    EXPECT_EQ(std::get<QByteArray>(c->value(u"写真"_s)), picture);
    c->next();
    EXPECT_EQ(c->text(u"物品"_s), u"短い"_s);
}

// ---------------------------------------------------------------------------------------------
// Damaged files: a clear error naming the file and the problem, never a crash or a hang.

struct Damaged : Fixture {
    std::string openError(const QString& name) {
        try {
            Cursor c;
            c.open(dir.file(name));
            c.first();
            while (!c.eof()) {
                for (int f = 0; f < static_cast<int>(c.def().fields.size()); ++f) (void)c.value(f);
                c.next();
            }
            c.setIndexName(c.def().tags.front().name);
            return {};
        } catch (const EngineError& e) {
            return e.message().toStdString();
        }
    }
    void fill() {
        auto c = openCursor(u"Indata.DBF"_s);
        for (int i = 1; i <= 3; ++i) {
            c->append();
            c->setValue(u"収入番号"_s, double(i));
            c->setValue(u"収入日"_s, QDate(2020, 1, i));
            c->setValue(u"物品"_s, u"メモ"_s + QString::number(i));
            c->post();
        }
    }
};

TEST_F(Damaged, TruncatedRecordFile) {
    fill();
    QByteArray b = readFile(dir.file(u"Indata.DBF"_s));
    writeFile(dir.file(u"Indata.DBF"_s), b.left(b.size() - 100));
    const std::string e = openError(u"Indata.DBF"_s);
    EXPECT_NE(e.find("Indata.DBF"), std::string::npos) << e;
    EXPECT_NE(e.find("切れて"), std::string::npos) << e;
}

TEST_F(Damaged, HeaderOnlyAndEmptyAndForeignFiles) {
    writeFile(dir.file(u"Indata.DBF"_s), QByteArray());
    EXPECT_NE(openError(u"Indata.DBF"_s).find("Indata.DBF"), std::string::npos);
    writeFile(dir.file(u"Indata.DBF"_s), QByteArray("%PDF-1.4 this is not a table at all, just text....."));
    const std::string e = openError(u"Indata.DBF"_s);
    EXPECT_NE(e.find("正しいテーブルではありません"), std::string::npos) << e;
}

TEST_F(Damaged, RecordFileOfAnotherTable) {
    QFile::remove(dir.file(u"Moku.dbf"_s));
    QFile::copy(dir.file(u"Kazoku.dbf"_s), dir.file(u"Moku.dbf"_s));
    const std::string e = openError(u"Moku.dbf"_s);
    EXPECT_NE(e.find("Moku.dbf"), std::string::npos) << e;
}

TEST_F(Damaged, MemoPointerPastTheEnd) {
    fill();
    QByteArray b = readFile(dir.file(u"Indata.DBF"_s));
    const TableDef& def = *tableDefForFile(u"Indata.DBF"_s);
    int offset = 1;
    for (int i = 0; i < 9; ++i) offset += def.fields[static_cast<size_t>(i)].width;  // 物品
    const int headerSize = u16(b, 8);
    b.replace(headerSize + offset, 10, "    999999");
    writeFile(dir.file(u"Indata.DBF"_s), b);
    const std::string e = openError(u"Indata.DBF"_s);
    EXPECT_NE(e.find("Indata.DBT"), std::string::npos) << e;
    EXPECT_NE(e.find("999999"), std::string::npos) << e;
}

TEST_F(Damaged, MemoBlockWithoutSignatureOrWithHugeLength) {
    fill();
    QByteArray m = readFile(dir.file(u"Indata.DBT"_s));
    QByteArray broken = m;
    broken[512] = 'X';
    writeFile(dir.file(u"Indata.DBT"_s), broken);
    EXPECT_NE(openError(u"Indata.DBF"_s).find("Indata.DBT"), std::string::npos);
    broken = m;
    broken.replace(512 + 4, 4, QByteArray("\xff\xff\xff\x7f", 4));
    writeFile(dir.file(u"Indata.DBT"_s), broken);
    EXPECT_NE(openError(u"Indata.DBF"_s).find("Indata.DBT"), std::string::npos);
    writeFile(dir.file(u"Indata.DBT"_s), m.left(100));
    EXPECT_NE(openError(u"Indata.DBF"_s).find("Indata.DBT"), std::string::npos);
}

TEST_F(Damaged, MissingFilesAreNamed) {
    QFile::remove(dir.file(u"Outdata.DBT"_s));
    EXPECT_NE(openError(u"Outdata.DBF"_s).find("Outdata.DBT"), std::string::npos);
    QFile::remove(dir.file(u"Kazoku.MDX"_s));
    EXPECT_NE(openError(u"Kazoku.dbf"_s).find("Kazoku.MDX"), std::string::npos);
    QFile::remove(dir.file(u"Aitesaki.DBF"_s));
    EXPECT_NE(openError(u"Aitesaki.DBF"_s).find("Aitesaki.DBF"), std::string::npos);
}

TEST_F(Damaged, IndexFileThatIsGarbage) {
    fill();
    QByteArray junk(3000, '\0');
    for (int i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 31 + 7);
    writeFile(dir.file(u"Indata.MDX"_s), junk);
    const std::string e = openError(u"Indata.DBF"_s);
    EXPECT_NE(e.find("Indata.MDX"), std::string::npos) << e;
}

TEST_F(Fixture, MissingTagIsAnEngineError) {
    auto c = openCursor(u"Indata.DBF"_s);
    EXPECT_THROW(c->setIndexName(u"支出日"_s), EngineError);
    EXPECT_THROW(c->setIndexFieldNames(u"氏名"_s), EngineError);
    EXPECT_NO_THROW(c->setIndexFieldNames(u"収入日"_s));
}

// A read that runs past the end of a file (a count or a memo block naming bytes that are not
// there) is refused with the file's name, never answered with bytes that were never read.
TEST_F(Fixture, AReadPastTheEndOfAFileIsRefused) {
    writeFile(dir.file(u"short.bin"_s), "0123456789");
    BinaryFile file(dir.file(u"short.bin"_s), false);
    EXPECT_EQ(file.read(2, 3), QByteArray("234"));
    EXPECT_EQ(file.read(10, 0), QByteArray());
    for (const auto& [offset, len] : {std::pair<qint64, qint64>{5, 10}, {10, 1}, {-1, 2}}) {
        try {
            (void)file.read(offset, len);
            ADD_FAILURE() << "read " << offset << "+" << len << " was answered";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains(u"short.bin"_s)) << e.message().toStdString();
        }
    }
}

// Records another program appends, and deletes in place, are taken in at the next refresh:
// however many there are (past what the mapped file held when it was opened), counted as live
// or deleted as they are on the disk, and walked in record order.
TEST_F(Fixture, RecordsWrittenByAnotherProgramAreTakenInAtRefresh) {
    auto c = openCursor(u"Indata.DBF"_s);
    c->append();
    c->setValue(u"収入番号"_s, 1.0);
    c->setValue(u"氏名"_s, u"最初"_s);
    c->post();
    Table& t = c->table();
    const QByteArray first = t.record(1).toByteArray();
    EXPECT_EQ(t.liveCount(), 1u);

    // Eight thousand copies of the record (a megabyte and a half) and the count, then one of
    // them deleted with the change counter moved, as a writer of this table format does.
    const QString dbf = dir.file(u"Indata.DBF"_s);
    QByteArray file = readFile(dbf);
    const int headerSize = u16(file, 8);
    constexpr quint32 kMore = 8000;
    file.chop(1);  // the end-of-file mark
    for (quint32 i = 0; i < kMore; ++i) file.append(first);
    file.append('\x1A');
    qToLittleEndian<quint32>(1 + kMore, file.data() + 4);
    writeFile(dbf, file);
    t.refresh();
    ASSERT_EQ(t.recordCount(), 1 + kMore);
    EXPECT_EQ(t.record(1 + kMore).toByteArray(), first);
    EXPECT_EQ(t.liveCount(), 1 + kMore);
    c->refresh();
    EXPECT_EQ(c->recordCount(), int(1 + kMore));

    file[headerSize + qsizetype(kMore - 1) * u16(file, 10)] = '*';  // record kMore
    qToLittleEndian<quint32>(u32(file, 16) + 1, file.data() + 16);
    writeFile(dbf, file);
    t.refresh();
    EXPECT_TRUE(t.isDeleted(kMore));
    EXPECT_FALSE(t.isDeleted(1 + kMore));
    EXPECT_EQ(t.liveCount(), kMore);
    c->setIndexName(QString());
    EXPECT_EQ(c->recordCount(), int(kMore));
    c->setIndexName(u"収入日"_s);  // the index lacks them: the order is put right from the records
    EXPECT_EQ(c->recordCount(), int(kMore));
}
