// The pure text rules under the bound controls: display formats that ignore the machine's
// locale, number and date parsing, the half-width katakana conversion over every kana row, and
// how a user's change is fitted to a field's width in CP932 bytes.
#include "widgets/format.h"
#include "widgets/kana.h"
#include "widgets/textinput.h"

#include "data/cp932.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::data::FieldDef;
using mz::data::FieldType;
using mz::data::Value;
namespace fmt = mz::format;

namespace {

TEST(Format, DatesAndYenDoNotFollowTheMachineLocale) {
    const QLocale before;
    for (const QLocale& l : {QLocale(QLocale::German, QLocale::Germany),
                             QLocale(QLocale::English, QLocale::UnitedStates),
                             QLocale(QLocale::Japanese, QLocale::Japan)}) {
        QLocale::setDefault(l);
        EXPECT_EQ(fmt::formatDate(QDate(2024, 3, 5)), u"2024/03/05"_s);
        EXPECT_EQ(fmt::formatYen(1234567), u"￥1,234,567"_s);
        EXPECT_EQ(fmt::formatNumber(1234.5), u"1234.5"_s);
    }
    QLocale::setDefault(before);
}

TEST(Format, YenRoundsToWholeYenAndGroupsThousands) {
    EXPECT_EQ(fmt::formatYen(0), u"￥0"_s);
    EXPECT_EQ(fmt::formatYen(999), u"￥999"_s);
    EXPECT_EQ(fmt::formatYen(1000), u"￥1,000"_s);
    EXPECT_EQ(fmt::formatYen(100000), u"￥100,000"_s);
    EXPECT_EQ(fmt::formatYen(-1500), u"-￥1,500"_s);
    EXPECT_EQ(fmt::formatYen(1234.5), u"￥1,235"_s);
    EXPECT_EQ(fmt::formatYen(-0.4), u"￥0"_s);  // no "-￥0"
    EXPECT_EQ(fmt::formatYen(1e15), u"￥1,000,000,000,000,000"_s);
    EXPECT_EQ(fmt::formatYen(std::nan("")), QString());
}

TEST(Format, NumbersArePlainDigits) {
    EXPECT_EQ(fmt::formatNumber(17), u"17"_s);
    EXPECT_EQ(fmt::formatNumber(-3), u"-3"_s);
    EXPECT_EQ(fmt::formatNumber(0.1 + 0.2), u"0.3"_s);
    EXPECT_EQ(fmt::formatNumber(-0.0), u"0"_s);
    EXPECT_EQ(fmt::formatNumber(12345678901234.0), u"12345678901234"_s);  // no exponent
    EXPECT_EQ(fmt::formatDate(QDate()), QString());
}

TEST(Format, ParsesNumbersAndRefusesEverythingElse) {
    EXPECT_EQ(fmt::parseNumber(u"1000"_s), 1000);
    EXPECT_EQ(fmt::parseNumber(u" -12.5 "_s), -12.5);
    EXPECT_EQ(fmt::parseNumber(u"+.5"_s), 0.5);
    EXPECT_EQ(fmt::parseNumber(u"1e3"_s), 1000);
    for (const QString& bad : {u""_s, u"-"_s, u"."_s, u"abc"_s, u"1,000"_s, u"￥1,000"_s, u"1e"_s,
                               u"--1"_s, u"１２"_s, u"1e999"_s, u"nan"_s, u"inf"_s})
        EXPECT_FALSE(fmt::parseNumber(bad).has_value()) << bad.toStdString();
    EXPECT_EQ(fmt::parseInteger(u"-32768"_s, -32768, 32767), -32768);
    EXPECT_FALSE(fmt::parseInteger(u"32768"_s, -32768, 32767).has_value());
    EXPECT_FALSE(fmt::parseInteger(u"1.0"_s, -32768, 32767).has_value());
}

TEST(Format, NumberPrefixesAreWhatTypingCanStillComplete) {
    for (const QString& ok : {u""_s, u"-"_s, u"+"_s, u"1"_s, u"1."_s, u".5"_s, u"-.5"_s, u"1e"_s,
                              u"1e-"_s, u"1.5E+3"_s, u"007"_s})
        EXPECT_TRUE(fmt::isNumberPrefix(ok)) << ok.toStdString();
    for (const QString& bad : {u"a"_s, u"1.."_s, u"1.2.3"_s, u"--"_s, u"1-"_s, u"e"_s, u".e"_s,
                               u"1e5e"_s, u"1e5."_s, u" 1"_s, u"１"_s})
        EXPECT_FALSE(fmt::isNumberPrefix(bad)) << bad.toStdString();
    EXPECT_FALSE(fmt::isNumberPrefix(u"1.5"_s, true));
    EXPECT_FALSE(fmt::isNumberPrefix(u"1e3"_s, true));
    EXPECT_TRUE(fmt::isNumberPrefix(u"-12"_s, true));
    // Without the exponent (amounts): the point stays, the exponent letter goes.
    EXPECT_TRUE(fmt::isNumberPrefix(u"-1.5"_s, false, false));
    EXPECT_FALSE(fmt::isNumberPrefix(u"9e"_s, false, false));
    EXPECT_FALSE(fmt::isNumberPrefix(u"1.5E3"_s, false, false));
}

TEST(Format, ParsesDatesWrittenYearMonthDay) {
    EXPECT_EQ(fmt::parseDate(u"2024/03/15"_s), QDate(2024, 3, 15));
    EXPECT_EQ(fmt::parseDate(u"2024/3/5"_s), QDate(2024, 3, 5));
    EXPECT_EQ(fmt::parseDate(u"2024/ 3/ 5"_s), QDate(2024, 3, 5));
    for (const QString& bad : {u"2024/13/40"_s, u"2023/02/29"_s, u"    /  /  "_s, u"2024/03"_s,
                               u"2024-03-15"_s, u"20240315"_s, u"2024/0a/01"_s, u"0000/01/01"_s})
        EXPECT_FALSE(fmt::parseDate(bad).has_value()) << bad.toStdString();
}

TEST(Format, FieldTextsConvertOrNameTheRefusedText) {
    const FieldDef amount{u"金額"_s, FieldType::Number, 20, 4};
    const FieldDef kind{u"区分番号"_s, FieldType::SmallInt, 6, 0};
    const FieldDef day{u"収入日"_s, FieldType::Date, 8, 0};
    const FieldDef name{u"氏名"_s, FieldType::Text, 16, 0};
    EXPECT_TRUE(fmt::isCurrencyField(amount));
    EXPECT_FALSE(fmt::isCurrencyField(FieldDef{u"収入番号"_s, FieldType::Number, 20, 4}));
    EXPECT_EQ(fmt::parseFieldText(amount, u"1500"_s), Value(1500.0));
    EXPECT_EQ(fmt::parseFieldText(amount, QString()), Value());
    EXPECT_EQ(fmt::parseFieldText(day, u"2024/03/15"_s), Value(QDate(2024, 3, 15)));
    EXPECT_EQ(fmt::parseFieldText(name, u"山田"_s), Value(u"山田"_s));
    try {
        fmt::parseFieldText(amount, u"abc"_s);
        ADD_FAILURE() << "no error";
    } catch (const mz::data::EngineError& e) {
        EXPECT_EQ(e.message(), u"'abc' は正しい数値ではありません"_s);
    }
    try {
        fmt::parseFieldText(day, u"2024/13/40"_s);
        ADD_FAILURE() << "no error";
    } catch (const mz::data::EngineError& e) {
        EXPECT_EQ(e.message(), u"'2024/13/40' は日付ではありません"_s);
    }
    EXPECT_THROW(fmt::parseFieldText(kind, u"40000"_s), mz::data::EngineError);
    EXPECT_EQ(fmt::displayText(amount, Value(1000.0), true), u"￥1,000"_s);
    EXPECT_EQ(fmt::displayText(amount, Value(1000.0), false), u"1000"_s);
    EXPECT_EQ(fmt::displayText(amount, Value(), true), QString());
    EXPECT_EQ(fmt::editText(day, Value(QDate(2024, 1, 2))), u"2024/01/02"_s);
}

// ---------------------------------------------------------------------------------------------
// Half-width katakana, row by row of the syllabary, in hiragana and in katakana.

struct KanaRow {
    const char16_t* hiragana;
    const char16_t* katakana;
    const char16_t* halfWidth;
};

const KanaRow kRows[] = {
    {u"あいうえお", u"アイウエオ", u"ｱｲｳｴｵ"},
    {u"かきくけこ", u"カキクケコ", u"ｶｷｸｹｺ"},
    {u"がぎぐげご", u"ガギグゲゴ", u"ｶﾞｷﾞｸﾞｹﾞｺﾞ"},
    {u"さしすせそ", u"サシスセソ", u"ｻｼｽｾｿ"},
    {u"ざじずぜぞ", u"ザジズゼゾ", u"ｻﾞｼﾞｽﾞｾﾞｿﾞ"},
    {u"たちつてと", u"タチツテト", u"ﾀﾁﾂﾃﾄ"},
    {u"だぢづでど", u"ダヂヅデド", u"ﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ"},
    {u"なにぬねの", u"ナニヌネノ", u"ﾅﾆﾇﾈﾉ"},
    {u"はひふへほ", u"ハヒフヘホ", u"ﾊﾋﾌﾍﾎ"},
    {u"ばびぶべぼ", u"バビブベボ", u"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ"},
    {u"ぱぴぷぺぽ", u"パピプペポ", u"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"},
    {u"まみむめも", u"マミムメモ", u"ﾏﾐﾑﾒﾓ"},
    {u"やゆよ", u"ヤユヨ", u"ﾔﾕﾖ"},
    {u"らりるれろ", u"ラリルレロ", u"ﾗﾘﾙﾚﾛ"},
    {u"わをん", u"ワヲン", u"ﾜｦﾝ"},
    {u"ぁぃぅぇぉ", u"ァィゥェォ", u"ｧｨｩｪｫ"},
    {u"っゃゅょ", u"ッャュョ", u"ｯｬｭｮ"},
    {u"ゎゐゑ", u"ヮヰヱ", u"ﾜｲｴ"},
    {u"ゔゕゖ", u"ヴヵヶ", u"ｳﾞｶｹ"},
};

class KanaRows : public ::testing::TestWithParam<KanaRow> {};

TEST_P(KanaRows, HiraganaAndKatakanaBecomeHalfWidth) {
    const KanaRow& row = GetParam();
    const QString half = QString::fromUtf16(row.halfWidth);
    EXPECT_EQ(mz::widgets::toHalfWidthKatakana(QString::fromUtf16(row.hiragana)), half);
    EXPECT_EQ(mz::widgets::toHalfWidthKatakana(QString::fromUtf16(row.katakana)), half);
    EXPECT_EQ(mz::widgets::toHalfWidthKatakana(half), half);  // already half-width: unchanged
}

INSTANTIATE_TEST_SUITE_P(EveryRow, KanaRows, ::testing::ValuesIn(kRows));

TEST(Kana, MarksPunctuationAndOtherTextConvertAsHalfWidthWritesThem) {
    using mz::widgets::toHalfWidthKatakana;
    EXPECT_EQ(toHalfWidthKatakana(u"ー。「」、・゛゜"_s), u"ｰ｡｢｣､･ﾞﾟ"_s);
    EXPECT_EQ(toHalfWidthKatakana(u"ヷヸヹヺ"_s), u"ﾜﾞｲﾞｴﾞｦﾞ"_s);
    EXPECT_EQ(toHalfWidthKatakana(u"か\u3099は\u309A"_s), u"ｶﾞﾊﾟ"_s);  // combining marks
    EXPECT_EQ(toHalfWidthKatakana(u"やまだ たろう"_s), u"ﾔﾏﾀﾞ ﾀﾛｳ"_s);
    EXPECT_EQ(toHalfWidthKatakana(u"山田ABC１２３　ゝヽ"_s), u"山田ABC１２３　ゝヽ"_s);
    EXPECT_EQ(toHalfWidthKatakana(u"😀"_s), u"😀"_s);
}

TEST(Kana, EveryKanaOfTheBlocksBecomesCp932HalfWidthKatakana) {
    // Every letter of the hiragana (U+3041-3096) and katakana (U+30A1-30FA) blocks turns into
    // characters of the half-width block only, each one CP932 byte wide.
    for (char16_t c = 0x3041; c <= 0x30FA; ++c) {
        if (c > 0x3096 && c < 0x30A1) continue;
        const QString half = mz::widgets::toHalfWidthKatakana(QString(QChar(c)));
        ASSERT_FALSE(half.isEmpty());
        for (QChar h : half) EXPECT_TRUE(h.unicode() >= 0xFF61 && h.unicode() <= 0xFF9F) << int(c);
        EXPECT_EQ(mz::data::cp932::byteWidth(half), half.size()) << int(c);
    }
}

// ---------------------------------------------------------------------------------------------
// Fitting a change to the field's width in CP932 bytes.

TEST(FitTypedText, NineFullWidthCharactersInASixteenByteFieldKeepEight) {
    const auto fit = mz::widgets::fitTypedText(QString(), u"山田太郎山田太郎山"_s, 16, false);
    EXPECT_EQ(fit.text, u"山田太郎山田太郎"_s);
    EXPECT_EQ(mz::data::cp932::byteWidth(fit.text), 16);
    EXPECT_TRUE(fit.changed);
    EXPECT_EQ(fit.cursor, 8);
}

TEST(FitTypedText, CutsOnlyTheInsertionAtACharacterBoundary) {
    using mz::widgets::fitTypedText;
    // Pasted in the middle: the text around the insertion stays whole.
    auto fit = fitTypedText(u"ab"_s, u"a山田太郎b"_s, 6, false);
    EXPECT_EQ(fit.text, u"a山田b"_s);
    EXPECT_EQ(fit.cursor, 3);
    // One byte left: a full-width character does not fit, a half-width one does.
    EXPECT_EQ(fitTypedText(u"12345"_s, u"12345山"_s, 6, false).text, u"12345"_s);
    EXPECT_EQ(fitTypedText(u"12345"_s, u"12345ｱ"_s, 6, false).text, u"12345ｱ"_s);
    // Within the limit nothing changes; no limit means none.
    EXPECT_FALSE(fitTypedText(u"ab"_s, u"abc"_s, 6, false).changed);
    EXPECT_EQ(fitTypedText(QString(), QString(40, u'山'), 0, false).text.size(), 40);
    // Deleting is always possible, even from a text that is already too long.
    EXPECT_EQ(fitTypedText(u"山田太郎"_s, u"山田太"_s, 4, false).text, u"山田太"_s);
    // A character outside CP932 counts two and is never split from its surrogate partner.
    EXPECT_EQ(fitTypedText(u"abc"_s, u"abc😀"_s, 4, false).text, u"abc"_s);
    EXPECT_EQ(fitTypedText(u"ab"_s, u"ab😀"_s, 4, false).text, u"ab😀"_s);
}

TEST(FitTypedText, ACharacterLimitCountsCharactersNotBytes) {
    using mz::widgets::fitTypedText;
    EXPECT_EQ(fitTypedText(u"1234567"_s, u"1234567890"_s, 0, false, 8).text, u"12345678"_s);
    EXPECT_EQ(fitTypedText(QString(), u"山田太郎"_s, 0, false, 3).text, u"山田太"_s);
    // Both limits at once: whichever is reached first.
    EXPECT_EQ(fitTypedText(QString(), u"山田太郎"_s, 4, false, 3).text, u"山田"_s);
    EXPECT_EQ(fitTypedText(QString(), u"abcdef"_s, 4, false, 3).text, u"abc"_s);
}

TEST(FitTypedText, HalfWidthModeConvertsTheInsertionBeforeCounting) {
    using mz::widgets::fitTypedText;
    // がっこう: 8 bytes full-width, ｶﾞｯｺｳ 5 bytes half-width: fits in 6.
    EXPECT_EQ(fitTypedText(QString(), u"がっこう"_s, 6, true).text, u"ｶﾞｯｺｳ"_s);
    // Existing text is left as it was (a stored reading shown in the box is not rewritten).
    EXPECT_EQ(fitTypedText(u"やま"_s, u"やまだ"_s, 16, true).text, u"やまﾀﾞ"_s);
    // A voiced letter whose mark does not fit is dropped whole rather than turned into ﾀ.
    EXPECT_EQ(fitTypedText(u"ﾔﾏ"_s, u"ﾔﾏだ"_s, 3, true).text, u"ﾔﾏ"_s);
    EXPECT_EQ(fitTypedText(u"ﾔﾏ"_s, u"ﾔﾏだ"_s, 4, true).text, u"ﾔﾏﾀﾞ"_s);
}

}  // namespace
