// CSV text and files: quoting, both encodings, reading back what was written, and the dates and
// amounts of spreadsheets.
#include "exchange/csv.h"
#include "exchange/values.h"

#include "data/cp932.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mz::exchange;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kBom("\xEF\xBB\xBF", 3);

}  // namespace

TEST(Csv, QuotesOnlyWhatNeedsIt) {
    const QString text = csvText({u"氏名"_s, u"物品"_s},
                                 {{u"山田, 太郎"_s, u"お茶\r\n海苔"_s}, {u"鈴木 \"花子\""_s, u"plain"_s}, {u""_s, u"a\nb"_s}});
    EXPECT_EQ(text, u"氏名,物品\r\n\"山田, 太郎\",\"お茶\r\n海苔\"\r\n\"鈴木 \"\"花子\"\"\",plain\r\n,\"a\nb\"\r\n"_s);
}

TEST(Csv, ReadsBackEveryAwkwardField) {
    const QStringList header{u"a"_s, u"b"_s, u"c"_s};
    const CsvRows rows = {
        {u"カンマ,入り"_s, u"\"引用\""_s, u"改行\r\nCRLF"_s},
        {u"改行\nLF"_s, u""_s, u"  前後の空白  "_s},
        {u"\""_s, u",\","_s, u"\r"_s},
        {u"𠮷野家"_s, u"～①㈱"_s, u"最後"_s},
    };
    const CsvRows back = parseCsv(csvText(header, rows));
    ASSERT_EQ(back.size(), rows.size() + 1);
    EXPECT_EQ(back[0], header);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(back[i + 1], rows[i]) << i;
}

TEST(Csv, ReadsOtherProgramsLineEnds) {
    EXPECT_EQ(parseCsv(u"a,b\nc,d"_s), (CsvRows{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}));
    EXPECT_EQ(parseCsv(u"a,b\rc,d\r"_s), (CsvRows{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}));
    // Empty fields at the end of a line are fields; a blank line in the middle is a row of one.
    EXPECT_EQ(parseCsv(u"a,,\r\n\r\nb"_s), (CsvRows{{u"a"_s, u""_s, u""_s}, {u""_s}, {u"b"_s}}));
    // A quote inside an unquoted field stands as it is.
    EXPECT_EQ(parseCsv(u"5\"x,y"_s), (CsvRows{{u"5\"x"_s, u"y"_s}}));
    EXPECT_TRUE(parseCsv(u""_s).empty());
}

TEST(Csv, UnclosedQuoteNamesItsLine) {
    try {
        parseCsv(u"a,b\r\nc,\"d\r\ne"_s);
        FAIL() << "no error";
    } catch (const ExchangeError& e) {
        EXPECT_TRUE(e.message().startsWith(u"2行目"_s)) << e.message().toStdString();
    }
}

TEST(Csv, Utf8FileHasBomAndReadsBack) {
    const QByteArray bytes = csvBytes({u"氏名"_s}, {{u"山田"_s}});
    EXPECT_TRUE(bytes.startsWith(kBom));
    EXPECT_EQ(detectEncoding(bytes), Encoding::Utf8Bom);
    EXPECT_EQ(decodeText(bytes, Encoding::Utf8Bom), u"氏名\r\n山田\r\n"_s);
}

TEST(Csv, ShiftJisFileAndUnencodableCharacter) {
    const QByteArray bytes = csvBytes({u"氏名"_s}, {{u"髙橋 ～"_s}}, Encoding::Cp932);
    EXPECT_EQ(bytes, *mz::data::cp932::encode(u"氏名\r\n髙橋 ～\r\n"_s));
    EXPECT_EQ(detectEncoding(bytes), Encoding::Cp932);
    EXPECT_EQ(decodeText(bytes, detectEncoding(bytes)), u"氏名\r\n髙橋 ～\r\n"_s);
    try {
        csvBytes({u"氏名"_s}, {{u"山田"_s}, {u"𠮷田"_s}}, Encoding::Cp932);
        FAIL() << "no error";
    } catch (const ExchangeError& e) {
        EXPECT_TRUE(e.message().startsWith(u"3行目の文字「𠮷」"_s)) << e.message().toStdString();
    }
}

TEST(Csv, DetectsUtf8WithoutBomAndPlainAscii) {
    EXPECT_EQ(detectEncoding(u"氏名,金額\r\n山田,1000"_s.toUtf8()), Encoding::Utf8);
    EXPECT_EQ(detectEncoding("a,b\r\n1,2"), Encoding::Utf8);
    // Shift-JIS that happens to hold no byte above 0x7F in the first rows is still told apart
    // once a Japanese character comes.
    EXPECT_EQ(detectEncoding(QByteArray("a,b\r\n") + *mz::data::cp932::encode(u"ｱｲｳ,山田"_s)), Encoding::Cp932);
    EXPECT_EQ(decodeText(u"山田"_s.toUtf8(), Encoding::Utf8), u"山田"_s);
}

TEST(Csv, FileWriteReplacesWholeOrNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"収入.csv"_s);
    writeCsvFile(path, {u"氏名"_s}, {{u"山田"_s}});
    EXPECT_EQ(readFileBytes(path), kBom + u"氏名\r\n山田\r\n"_s.toUtf8());
    // A refused row leaves the earlier file as it was.
    EXPECT_THROW(writeCsvFile(path, {u"氏名"_s}, {{u"𠮷"_s}}, Encoding::Cp932), ExchangeError);
    EXPECT_EQ(readFileBytes(path), kBom + u"氏名\r\n山田\r\n"_s.toUtf8());
    // A folder that does not exist: a Japanese message naming the file.
    try {
        writeCsvFile(dir.filePath(u"ない/収入.csv"_s), {u"a"_s}, {});
        FAIL() << "no error";
    } catch (const ExchangeError& e) {
        EXPECT_TRUE(e.message().contains(u"収入.csv"_s)) << e.message().toStdString();
    }
    EXPECT_THROW(readFileBytes(dir.filePath(u"ない.csv"_s)), ExchangeError);
}

TEST(Dates, EveryFormReadsAndWrongOnesDoNot) {
    const QDate may3(2024, 5, 3);
    EXPECT_EQ(parseDate(u"2024/05/03"_s, DateFormat::Slash), may3);
    EXPECT_EQ(parseDate(u"2024/5/3"_s, DateFormat::Slash), may3);
    EXPECT_EQ(parseDate(u"２０２４／０５／０３"_s, DateFormat::Slash), may3);
    EXPECT_EQ(parseDate(u"2024-05-03"_s, DateFormat::Dash), may3);
    EXPECT_FALSE(parseDate(u"2024-05-03"_s, DateFormat::Slash));
    EXPECT_FALSE(parseDate(u"2023/02/29"_s, DateFormat::Slash));
    EXPECT_FALSE(parseDate(u"05/03/2024"_s, DateFormat::Slash));
    EXPECT_EQ(parseDate(u"令和6年5月3日"_s, DateFormat::Wareki), may3);
    EXPECT_EQ(parseDate(u"令和６年５月３日"_s, DateFormat::Wareki), may3);
    EXPECT_EQ(parseDate(u"R6.5.3"_s, DateFormat::Wareki), may3);
    EXPECT_EQ(parseDate(u"r6/5/3"_s, DateFormat::Wareki), may3);
    EXPECT_EQ(parseDate(u"令和元年5月1日"_s, DateFormat::Wareki), QDate(2019, 5, 1));
    EXPECT_EQ(parseDate(u"H31.4.30"_s, DateFormat::Wareki), QDate(2019, 4, 30));
    EXPECT_EQ(parseDate(u"平成元年1月8日"_s, DateFormat::Wareki), QDate(1989, 1, 8));
    EXPECT_EQ(parseDate(u"S64.1.7"_s, DateFormat::Wareki), QDate(1989, 1, 7));
    EXPECT_EQ(parseDate(u"昭和50年12月31日"_s, DateFormat::Wareki), QDate(1975, 12, 31));
    // Days outside their era, eras that do not exist, days that do not exist.
    EXPECT_FALSE(parseDate(u"令和1年4月30日"_s, DateFormat::Wareki));
    EXPECT_FALSE(parseDate(u"H32.1.1"_s, DateFormat::Wareki));
    EXPECT_FALSE(parseDate(u"X6.5.3"_s, DateFormat::Wareki));
    EXPECT_FALSE(parseDate(u"令和6年2月30日"_s, DateFormat::Wareki));
    EXPECT_FALSE(parseDate(u""_s, DateFormat::Wareki));
    EXPECT_EQ(formatDate(may3), u"2024/05/03"_s);
    EXPECT_EQ(guessDateFormat({u"R6.5.3"_s, u""_s, u"令和6年5月4日"_s}), DateFormat::Wareki);
    EXPECT_EQ(guessDateFormat({u"2024-05-03"_s}), DateFormat::Dash);
}

TEST(Amounts, SpreadsheetFormsReadAndAmbiguousOnesDoNot) {
    EXPECT_EQ(parseAmount(u"10000"_s), 10000.0);
    EXPECT_EQ(parseAmount(u"10,000"_s), 10000.0);
    EXPECT_EQ(parseAmount(u"¥10,000"_s), 10000.0);
    EXPECT_EQ(parseAmount(u"￥１０，０００"_s), 10000.0);
    EXPECT_EQ(parseAmount(u"１２３４５６７"_s), 1234567.0);
    EXPECT_EQ(parseAmount(u"5,000円"_s), 5000.0);
    EXPECT_EQ(parseAmount(u" 3000 "_s), 3000.0);
    EXPECT_EQ(parseAmount(u"-500"_s), -500.0);
    EXPECT_EQ(parseAmount(u"−500"_s), -500.0);
    EXPECT_EQ(parseAmount(u"1,234.5"_s), 1234.5);
    EXPECT_FALSE(parseAmount(u"1,00"_s));  // a decimal comma, not a thousands separator
    EXPECT_FALSE(parseAmount(u"10000,"_s));
    EXPECT_FALSE(parseAmount(u"一万"_s));
    EXPECT_FALSE(parseAmount(u"--5"_s));
    EXPECT_FALSE(parseAmount(u""_s));
    EXPECT_FALSE(parseAmount(u"1e5"_s));
    EXPECT_EQ(formatNumber(10000), u"10000"_s);
    EXPECT_EQ(formatNumber(-3), u"-3"_s);
    EXPECT_EQ(formatNumber(0.5), u"0.5"_s);
}
