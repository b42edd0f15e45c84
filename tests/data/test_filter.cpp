// Filter texts: every form the windows build (ledger search, entry number, one person, household,
// kana rows, purpose category), evaluated on raw records; letter case, prefixes, dates, empty
// fields, damaged field bytes, and malformed texts that must fail with an error naming the text.
#include "data/cp932.h"
#include "data/fieldcodec.h"
#include "data/filter.h"
#include "data/tabledefs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace mz::data;
using namespace Qt::StringLiterals;

namespace {

const TableDef& defOf(const char* file) {
    const TableDef* d = tableDefForFile(QString::fromLatin1(file));
    if (!d) throw std::logic_error("no such table");
    return *d;
}

using Fields = std::map<QString, Value>;

// A raw record as the table file holds it: deletion flag, then every field's bytes.
QByteArray record(const TableDef& def, const Fields& values) {
    QByteArray r(1, ' ');
    for (const FieldDef& f : def.fields) {
        auto it = values.find(f.name);
        r += encodeField(f, it == values.end() ? Value() : it->second);
    }
    return r;
}

Value t(const char16_t* s) {
    return QString::fromUtf16(s);
}
Value n(double v) {
    return v;
}
Value d(int y, int m, int day) {
    return QDate(y, m, day);
}

struct Records {
    const TableDef* def;
    std::vector<QByteArray> rows;  // the record with id k is rows[k - 1]
};

std::vector<int> matching(const Filter& f, const Records& r, bool ci) {
    std::vector<int> ids;
    for (size_t i = 0; i < r.rows.size(); ++i)
        if (f.matches(r.rows[i], ci)) ids.push_back(static_cast<int>(i) + 1);
    return ids;
}

std::vector<int> allBut(const Records& r, std::initializer_list<int> except) {
    std::vector<int> ids;
    for (int i = 1; i <= static_cast<int>(r.rows.size()); ++i)
        if (std::find(except.begin(), except.end(), i) == except.end()) ids.push_back(i);
    return ids;
}

struct Case {
    QString text;
    bool caseInsensitive;
    std::vector<int> ids;
};

void check(const Records& r, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + (c.caseInsensitive ? " [ci]" : " [cs]"));
        try {
            const Filter f = Filter::parse(c.text, *r.def);
            EXPECT_EQ(f.text(), c.text);
            EXPECT_EQ(matching(f, r, c.caseInsensitive), c.ids);
        } catch (const EngineError& e) {
            ADD_FAILURE() << e.message().toStdString();
        }
    }
}

// Income ledger; the record with id k carries 収入番号 k.
Records income() {
    const TableDef& def = defOf("Indata.DBF");
    struct Row {
        Value date, name, purpose, family, amount;
    };
    const std::vector<Row> rows = {
        {d(2024, 1, 1), t(u"山田太郎"), t(u"結婚祝"), t(u"太郎"), n(10000)},         // 1
        {d(2024, 6, 15), t(u"山田花子"), t(u"出産祝"), t(u"花子"), n(5000)},         // 2
        {d(2024, 12, 31), t(u"山田"), t(u"結婚祝"), t(u"太郎"), n(30000)},           // 3
        {d(2025, 1, 1), t(u"山田"), t(u"結婚祝"), t(u"太郎"), n(20000)},             // 4
        {d(2023, 12, 31), t(u"O'Hara"), t(u"香典"), {}, n(3000.5)},                  // 5
        {{}, {}, {}, t(u"次郎"), {}},                                                // 6
        {d(2024, 3, 15), t(u"yamada"), t(u"結婚祝"), t(u"太郎"), n(10000)},          // 7
        {d(2024, 3, 15), t(u"ＹＡＭＡＤＡ"), t(u"結婚祝"), t(u"花子"), n(-250.25)},  // 8
        {d(2024, 2, 29), t(u"YAMADA"), t(u"お返し"), t(u"花子"), n(0)},              // 9
        {d(2024, 3, 1), t(u"ｙａｍａｄａ"), t(u"快気祝"), {}, n(1000000)},           // 10
        {d(2024, 3, 2), t(u"ﾔﾏﾀﾞ"), t(u"内祝"), t(u"太郎"), n(12.5)},                // 11
        {d(2024, 3, 3), t(u"a*b"), t(u"ab"), {}, {}},                                // 12
        {d(2024, 3, 4), t(u"ヂ"), {}, {}, {}},                                       // 13
    };
    Records r{&def, {}};
    int id = 0;
    for (const Row& row : rows)
        r.rows.push_back(record(def, {{u"収入番号"_s, n(++id)},
                                      {u"収入日"_s, row.date},
                                      {u"氏名"_s, row.name},
                                      {u"目的"_s, row.purpose},
                                      {u"家族名"_s, row.family},
                                      {u"金額"_s, row.amount}}));
    return r;
}

Records counterparts() {
    const TableDef& def = defOf("AITESAKI.DBF");
    struct Row {
        Value code, name, reading, head, mail;
    };
    const std::vector<Row> rows = {
        {n(101), t(u"青木"), t(u"ｱｵｷ"), true, t(u"a@x.jp")},  // 1
        {n(102), t(u"伊藤"), t(u"ｲﾄｳ"), false, {}},           // 2
        {n(199), t(u"岳"), t(u"ｶﾞｸ"), false, {}},             // 3
        {n(200), t(u"原"), t(u"ﾊﾗ"), true, {}},               // 4
        {n(201), t(u"朴"), t(u"ﾊﾟｸ"), true, {}},              // 5
        {n(100), t(u"上野"), t(u"ｳｴﾉ"), true, {}},            // 6
        {{}, t(u"遠藤"), t(u"ｴﾝﾄﾞｳ"), {}, {}},                // 7
        {n(301), t(u"和田"), t(u"ﾜﾀﾞ"), true, t(u"A@X.JP")},  // 8
        {n(302), t(u"小野"), t(u"ｵﾉ"), false, {}},            // 9
        {n(303), t(u"葵"), t(u"アオイ"), false, {}},          // 10: full-width reading
    };
    Records r{&def, {}};
    for (const Row& row : rows)
        r.rows.push_back(record(def, {{u"相手先コード"_s, row.code},
                                      {u"氏名"_s, row.name},
                                      {u"フリガナ"_s, row.reading},
                                      {u"世帯代表"_s, row.head},
                                      {u"Email"_s, row.mail}}));
    return r;
}

Records purposes() {
    const TableDef& def = defOf("Moku.DBF");
    struct Row {
        Value name, category, number;
    };
    const std::vector<Row> rows = {
        {t(u"結婚祝"), t(u"お祝い"), n(0)},  // 1
        {t(u"香典"), t(u"弔事全般"), n(4)},  // 2
        {t(u"内祝"), t(u"お返し"), n(2)},    // 3
        {t(u"快気祝"), t(u"お返し"), n(2)},  // 4
        {t(u"記念"), t(u"その他"), {}},      // 5: a typed category has no number
        {t(u"出産祝"), t(u"お祝い"), n(0)},  // 6
    };
    Records r{&def, {}};
    int id = 0;
    for (const Row& row : rows)
        r.rows.push_back(record(def, {{u"目的コード"_s, n(++id)},
                                      {u"目的"_s, row.name},
                                      {u"目的区分"_s, row.category},
                                      {u"区分番号"_s, row.number}}));
    return r;
}

}  // namespace

TEST(FilterLedger, SearchCriteriaAsTheManagementWindowBuildsThem) {
    const Records r = income();
    check(r,
          {
              {u"(氏名='山田')"_s, true, {3, 4}},
              {u"(氏名='山田*')"_s, true, {1, 2, 3, 4}},
              {u"(目的='結婚祝')"_s, true, {1, 3, 4, 7, 8}},
              {u"(家族名='花子')"_s, true, {2, 8, 9}},
              {u"(収入日>='2024/03/15')"_s, true, {2, 3, 4, 7, 8}},
              {u"(収入日<='2024/01/01')"_s, true, {1, 5}},
              {u"((氏名='山田') and (目的='結婚祝'))"_s, true, {3, 4}},
              {u"((氏名='山田*') and (目的='結婚祝') and (家族名='太郎') and "
               u"(収入日>='2024/01/01') and "
               u"(収入日<='2024/12/31'))"_s,
               true,
               {1, 3}},
              {u"((氏名='山田') and (目的='結婚祝') and (収入日>='2024/01/01'))"_s, true, {3, 4}},
              {u"((目的='結婚祝') and (家族名='太郎') and (収入日<='2024/12/31'))"_s,
               true,
               {1, 3, 7}},
              {u"((家族名='花子') and (収入日>='2024/03/01') and (収入日<='2024/03/31'))"_s,
               true,
               {8}},
              {u"((収入日>='2024/02/29') and (収入日<='2024/03/01'))"_s, true, {9, 10}},
              // From date after to date: built as usual, matches nothing.
              {u"((収入日>='2024/12/31') and (収入日<='2024/01/01'))"_s, true, {}},
              // A quote in a criterion is doubled.
              {u"(氏名='O''Hara')"_s, true, {5}},
              {u"(氏名='O''H*')"_s, false, {5}},
              // A criterion of blanks is filled and compared unchanged: it equals an empty field.
              {u"(氏名='   ')"_s, true, {6}},
              {u"(氏名='')"_s, true, {6}},
              {u"(家族名='')"_s, false, {5, 10, 12, 13}},
              {u"(氏名='山田 ')"_s, true, {3, 4}},
              // The empty prefix takes in every record, empty names included.
              {u"(氏名='*')"_s, false, allBut(r, {})},
              // An asterisk inside a literal is an ordinary character.
              {u"(氏名='a*b')"_s, false, {12}},
              {u"(氏名='a**')"_s, false, {12}},
              {u"(氏名='a*')"_s, false, {12}},
              // No criterion: the number that no entry carries.
              {u"収入番号=99999999"_s, true, {}},
          });
}

TEST(FilterLedger, EntryNumberAndAmount) {
    const Records r = income();
    check(r, {
                 {u"収入番号= 3"_s, false, {3}},
                 {u"収入番号=3"_s, false, {3}},
                 {u"  収入番号 =  13  "_s, false, {13}},
                 {u"(収入番号=3.0)"_s, false, {3}},
                 {u"(金額=10000)"_s, false, {1, 7}},
                 {u"(金額=3000.50)"_s, false, {5}},
                 {u"((金額>=-250.25) and (金額<0))"_s, false, {8}},
                 {u"((金額<=+12.5) and (金額>.5))"_s, false, {11}},
                 {u"(金額>=1000000)"_s, false, {10}},
                 {u"(金額>1000000.0)"_s, false, {}},
                 {u"(金額=0)"_s, false, {9}},
                 // An empty amount has no value: it passes only <>.
                 {u"(金額<>10000)"_s, false, allBut(r, {1, 7})},
                 {u"((金額<0) or (金額>=0))"_s, false, allBut(r, {6, 12, 13})},
             });
}

TEST(FilterLedger, ExpenditureSide) {
    const TableDef& def = defOf("Outdata.DBF");
    Records r{&def, {}};
    r.rows.push_back(record(def, {{u"支出番号"_s, n(1)},
                                  {u"支出日"_s, d(2024, 3, 15)},
                                  {u"氏名"_s, t(u"佐藤")},
                                  {u"目的"_s, t(u"結婚祝")}}));
    r.rows.push_back(record(def, {{u"支出番号"_s, n(2)},
                                  {u"支出日"_s, d(2024, 3, 16)},
                                  {u"氏名"_s, t(u"佐藤")},
                                  {u"目的"_s, t(u"香典")}}));
    r.rows.push_back(record(def, {{u"支出番号"_s, n(99999999)}, {u"支出日"_s, d(2020, 1, 1)}}));
    check(
        r,
        {
            {u"((氏名='佐藤') and (支出日<='2024/03/15'))"_s, true, {1}},
            {u"((氏名='佐藤') and (目的='香典') and (支出日>='2024/03/16') and (支出日<='2024/03/16'))"_s,
             true,
             {2}},
            {u"支出番号= 2"_s, false, {2}},
            // An entry that does carry the number is found by the no-criteria filter.
            {u"支出番号=99999999"_s, true, {3}},
        });
}

TEST(FilterLedger, DateLiterals) {
    const Records r = income();
    check(r, {
                 {u"(収入日<='2024/1/1')"_s, false, {1, 5}},
                 {u"(収入日='2024/3/2')"_s, false, {11}},
                 // Blanks a masked date edit leaves in place of digits.
                 {u"(収入日>='2024/ 3/15')"_s, false, {2, 3, 4, 7, 8}},
                 {u"(収入日='2024/3 /2 ')"_s, false, {11}},
                 {u"(収入日=' 2024/03/02 ')"_s, false, {11}},
                 // Two-digit years are years of the 2000s.
                 {u"(収入日<='24/01/01')"_s, false, {1, 5}},
                 {u"(収入日='2024/02/29')"_s, false, {9}},
                 // An empty date has no value.
                 {u"(収入日<>'2024/03/15')"_s, false, allBut(r, {7, 8})},
             });
}

TEST(FilterLedger, CaseInsensitiveFoldsAsciiAndFullWidthLatinOnly) {
    const Records r = income();
    // The system relies on the CP932 codes below: ヂ's second byte is ASCII 'a', the one of ア is
    // 'A'.
    ASSERT_EQ(cp932::encode(u"ヂア"_s).value(), QByteArray("\x83\x61\x83\x41"));
    ASSERT_EQ(cp932::encode(u"ａＡ"_s).value(), QByteArray("\x82\x81\x82\x60"));
    check(r, {
                 {u"(氏名='yamada')"_s, false, {7}},
                 {u"(氏名='yamada')"_s, true, {7, 9}},
                 {u"(氏名='ＹＡＭＡＤＡ')"_s, false, {8}},
                 {u"(氏名='ＹＡＭＡＤＡ')"_s, true, {8, 10}},
                 {u"(氏名='Ya*')"_s, false, {}},
                 {u"(氏名='Ya*')"_s, true, {7, 9}},
                 {u"(氏名='ｙａ*')"_s, true, {8, 10}},
                 {u"(氏名='O''HARA')"_s, true, {5}},
                 {u"(氏名<'Z')"_s, true, {5, 6, 7, 9, 12}},
                 // Only letters fold: the second byte of a two-byte character stays what it is.
                 {u"(氏名='ア')"_s, true, {}},
                 {u"(氏名='ヂ')"_s, true, {13}},
                 {u"(氏名='ﾔﾏﾀﾞ')"_s, true, {11}},
                 {u"(氏名='ﾔ*')"_s, true, {11}},
             });
}

TEST(FilterLedger, AndBindsTighterThanOr) {
    const Records r = income();
    check(r, {
                 {u"(目的='香典') or (氏名='山田') and (家族名='花子')"_s, false, {5}},
                 {u"((目的='香典') or (氏名='山田')) and (家族名='太郎')"_s, false, {3, 4}},
                 {u"(目的='香典') OR (目的='お返し') And (家族名='花子')"_s, false, {5, 9}},
                 {u"((氏名='山田') and (目的='結婚祝')) or ((氏名='O''Hara'))"_s, false, {3, 4, 5}},
                 {u"(氏名='山田')and(目的='結婚祝')"_s, false, {3, 4}},
                 {u"氏名='山田'"_s, false, {3, 4}},
                 {u"(((氏名='山田')))"_s, false, {3, 4}},
                 {u"(氏名 = '山田' or 氏名='yamada')"_s, false, {3, 4, 7}},
             });
}

TEST(FilterCounterparts, OnePersonHouseholdAndFieldNames) {
    const Records r = counterparts();
    check(r, {
                 {u"相手先コード= 101"_s, false, {1}},
                 {u"相手先ｺｰﾄﾞ= 101"_s, false, {1}},
                 {u"((相手先コード>100) and (相手先コード<200))"_s, false, {1, 2, 3}},
                 {u"((相手先コード>200) and (相手先コード<300))"_s, false, {5}},
                 {u"((相手先コード>300) and (相手先コード<400))"_s, false, {8, 9, 10}},
                 {u"(相手先コード<>101)"_s, false, allBut(r, {1})},
                 {u"(世帯代表='T')"_s, false, {1, 4, 5, 6, 8}},
                 {u"(世帯代表='f')"_s, false, {2, 3, 9, 10}},
                 {u"(世帯代表<>'T')"_s, false, {2, 3, 7, 9, 10}},
                 {u"(EMAIL='a@x.jp')"_s, false, {1}},
                 {u"(email='a@x.jp')"_s, true, {1, 8}},
             });
}

TEST(FilterCounterparts, KanaRows) {
    const Records r = counterparts();
    auto row = [](std::initializer_list<const char16_t*> kana) {
        QString s = u"((フリガナ="_s;
        bool first = true;
        for (const char16_t* k : kana) {
            if (!first) s += u") or (フリガナ="_s;
            s += u'\'' + QString::fromUtf16(k) + u"*'"_s;
            first = false;
        }
        return s + u"))"_s;
    };
    const QString rowA = row({u"ｱ", u"ｲ", u"ｳ", u"ｴ", u"ｵ"});
    ASSERT_EQ(
        rowA,
        u"((フリガナ='ｱ*') or (フリガナ='ｲ*') or (フリガナ='ｳ*') or (フリガナ='ｴ*') or (フリガナ='ｵ*'))"_s);
    check(r, {
                 {rowA, true, {1, 2, 6, 7, 9}},
                 // Voiced letters are a plain letter followed by the voicing mark.
                 {row({u"ｶ", u"ｷ", u"ｸ", u"ｹ", u"ｺ"}), true, {3}},
                 {row({u"ｻ", u"ｼ", u"ｽ", u"ｾ", u"ｿ"}), true, {}},
                 {row({u"ﾊ", u"ﾋ", u"ﾌ", u"ﾍ", u"ﾎ"}), true, {4, 5}},
                 {row({u"ﾜ"}), true, {8}},
                 {u"((フリガナ='ﾜ*'))"_s, true, {8}},
                 {u"(フリガナ='ｶﾞ*')"_s, true, {3}},
                 {u"(フリガナ='ﾊﾟ*')"_s, true, {5}},
                 {u"(フリガナ='ﾊﾞ*')"_s, true, {}},
                 // A full-width reading is in no half-width row.
                 {u"(フリガナ='ア*')"_s, true, {10}},
             });
}

TEST(FilterPurposes, CategoryTabs) {
    const Records r = purposes();
    check(r, {
                 {u"(目的区分='お祝い')"_s, true, {1, 6}},
                 {u"(目的区分='お返し')"_s, true, {3, 4}},
                 {u"(目的区分='その他')"_s, true, {5}},
                 {u"(目的区分='お見舞い')"_s, true, {}},
                 {u"(区分番号=2)"_s, false, {3, 4}},
                 {u"(区分番号>=0)"_s, false, {1, 2, 3, 4, 6}},
                 {u"(区分番号<>2)"_s, false, {1, 2, 5, 6}},
                 {u"(目的区分='お祝い') or (目的区分='その他')"_s, false, {1, 5, 6}},
             });
    const TableDef& kazoku = defOf("Kazoku.DBF");
    Records family{&kazoku,
                   {record(kazoku, {{u"家族コード"_s, n(1)}, {u"家族名"_s, t(u"太郎")}}),
                    record(kazoku, {{u"家族コード"_s, n(2)}, {u"家族名"_s, t(u"花子")}})}};
    check(family, {{u"(家族名='花子')"_s, false, {2}}, {u"家族コード>=1"_s, false, {1, 2}}});
}

TEST(FilterBasics, EmptyTextPassesEverythingAndCopiesShareTheProgram) {
    const Records r = income();
    for (const QString& text : {QString(), u"   "_s, u"\t　"_s}) {
        const Filter f = Filter::parse(text, *r.def);
        EXPECT_TRUE(f.isEmpty());
        EXPECT_EQ(f.text(), text);
        EXPECT_EQ(matching(f, r, false), allBut(r, {}));
    }
    EXPECT_TRUE(Filter().isEmpty());
    EXPECT_TRUE(Filter().matches({}, true));

    Filter copy;
    {
        const Filter f = Filter::parse(u" (氏名='山田') "_s, *r.def);
        copy = f;
    }
    EXPECT_FALSE(copy.isEmpty());
    EXPECT_EQ(copy.text(), u" (氏名='山田') "_s);
    EXPECT_EQ(matching(copy, r, false), (std::vector<int>{3, 4}));
}

TEST(FilterBasics, NumberFieldBytesReadLikeTheFieldCodec) {
    // Whatever bytes a number field holds, the filter sees the value decodeField() sees.
    const TableDef& def = defOf("Indata.DBF");
    const FieldDef& amount = def.fields[static_cast<size_t>(def.fieldIndex(u"金額"_s))];
    const QByteArray base = record(def, {});
    qsizetype offset = 1;
    for (const FieldDef& f : def.fields) {
        if (&f == &amount) break;
        offset += f.width;
    }
    const Filter some = Filter::parse(u"(金額<0) or (金額>=0)"_s, def);
    const std::vector<QByteArray> raws = {
        "17",
        "  17.0000",
        "-3.5",
        "+2",
        ".5",
        "5.",
        "0.1",
        "-0",
        "00000000000000000123.5",
        "1234567890123456.75",
        "1e3",
        "inf",
        "nan",
        "12 3",
        "",
        "   ",
        "-",
        "+-5",
        "-+5",
        "1.2.3",
        QByteArray("12\0\0", 4),
        QByteArray("\0\0001", 3),
    };
    for (const QByteArray& raw : raws) {
        QByteArray field = raw.rightJustified(amount.width, ' ', true);
        QByteArray rec = base;
        rec.replace(offset, amount.width, field);
        const Value v = decodeField(amount, field);
        SCOPED_TRACE(raw.toStdString());
        EXPECT_EQ(some.matches(rec, false), !isNull(v));
        if (isNull(v)) continue;
        const QString lit = QString::number(std::get<double>(v), 'f', 10);
        EXPECT_TRUE(Filter::parse(u"金額="_s + lit, def).matches(rec, false)) << lit.toStdString();
        EXPECT_FALSE(Filter::parse(u"金額<>"_s + lit, def).matches(rec, false));
    }
}

TEST(FilterBasics, DamagedAndShortRecordsNeverCrash) {
    const TableDef& def = defOf("Indata.DBF");
    QByteArray rec = record(def, {{u"収入日"_s, d(2024, 3, 1)}, {u"氏名"_s, t(u"山田")}});
    const qsizetype dateOffset = 1 + 20;
    ASSERT_EQ(rec.mid(dateOffset, 8), QByteArray("20240301"));
    // Not a calendar date on disk: the field has no value.
    rec.replace(dateOffset, 8, "20240230");
    EXPECT_FALSE(Filter::parse(u"(収入日>='1900/01/01')"_s, def).matches(rec, false));
    EXPECT_TRUE(Filter::parse(u"(収入日<>'2024/03/01')"_s, def).matches(rec, false));

    // A record cut short reads its missing bytes as blanks.
    const Filter name = Filter::parse(u"(氏名='')"_s, def);
    const Filter yamada = Filter::parse(u"(氏名='山田*')"_s, def);
    const Filter amount = Filter::parse(u"(金額>=0)"_s, def);
    const qsizetype nameOffset = 1 + 20 + 8 + 20;
    for (qsizetype len : {0, 1, 21, 29, 49, 50, 52, 53, 65}) {
        const QByteArrayView cut = QByteArrayView(rec).first(len);
        EXPECT_EQ(name.matches(cut, true), len <= nameOffset);
        EXPECT_EQ(yamada.matches(cut, true), len >= nameOffset + 4);
        EXPECT_FALSE(amount.matches(cut, false));
    }

    // A lone lead byte at the end of a text field.
    QByteArray odd = record(def, {});
    odd[nameOffset + 15] = '\x82';
    EXPECT_FALSE(Filter::parse(u"(氏名='ａ*')"_s, def).matches(odd, true));
}

TEST(FilterErrors, MalformedTextsNameTheText) {
    const TableDef& in = defOf("Indata.DBF");
    const TableDef& ai = defOf("Aitesaki.DBF");
    const struct {
        const TableDef* def;
        QString text;
    } cases[] = {
        {&in, u"((氏名='山田') and (目的='結婚祝')"_s},  // unbalanced
        {&in, u"(氏名='山田'))"_s},
        {&in, u")"_s},
        {&in, u"(氏名 '山田')"_s},  // missing operator
        {&in, u"氏名"_s},
        {&in, u"(氏名=)"_s},  // missing value
        {&in, u"氏名="_s},
        {&in, u"=5"_s},                      // missing field name
        {&in, u"(名前='山田')"_s},           // unknown field
        {&in, u"(フリガナ='ｱ*')"_s},         // a field of another table
        {&in, u"(収入日>='2024/02/30')"_s},  // not a date
        {&in, u"(収入日>='2024/13/01')"_s},
        {&in, u"(収入日>='2024/03')"_s},
        {&in, u"(収入日>='2024-03-15')"_s},
        {&in, u"(収入日>='    /  /  ')"_s},
        {&in, u"(収入日>='20240/1/1')"_s},
        {&in, u"(収入日>='2024/3/1*')"_s},
        {&in, u"(収入日>=20240101)"_s},  // wrong kind
        {&in, u"(金額='10000')"_s},
        {&in, u"(氏名=123)"_s},
        {&in, u"(氏名=山田)"_s},      // unquoted text
        {&in, u"(物品='x')"_s},       // memo
        {&in, u"(写真='x')"_s},       // picture
        {&in, u"(氏名='山田') x"_s},  // trailing garbage
        {&in, u"収入番号=99999999x"_s},
        {&in, u"収入番号=99999999 収入番号=1"_s},
        {&in, u"(氏名='山田') andx (氏名='a')"_s},
        {&in, u"(氏名='山田)"_s},  // unterminated quote
        {&in, u"(氏名='O'Hara')"_s},
        {&in, u"()"_s},  // empty parentheses
        {&in, u"(氏名='a') and ( )"_s},
        {&in, u"(氏名='a') and"_s},  // dangling keyword
        {&in, u"(氏名='a') or or (氏名='b')"_s},
        {&in, u"and (氏名='a')"_s},
        {&in, u"(金額=1.2.3)"_s},  // malformed numbers
        {&in, u"(金額=--5)"_s},
        {&in, u"(金額=-)"_s},
        {&in, u"(金額=1e5)"_s},
        {&in, u"(金額==5)"_s},
        {&in, u"(金額="_s + QString(400, u'9') + u")"_s},
        {&in, u"(氏名<'山田*')"_s},  // prefix only with = and <>
        {&in, u"(氏名='𠮷田')"_s},   // not in CP932
        {&ai, u"(世帯代表>'T')"_s},
        {&ai, u"(世帯代表='X')"_s},
        {&ai, u"(世帯代表=1)"_s},
        {&in, u"(氏名='%0%1') %2 x"_s},  // place markers in the text stay as they are
        {&in, u"(収入日='%1')"_s},
        {&in, QString(1000, u'(') + u"氏名='a'"_s + QString(1000, u')')},  // nested too deep
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        try {
            Filter::parse(c.text, *c.def);
            ADD_FAILURE() << "accepted";
        } catch (const EngineError& e) {
            EXPECT_TRUE(
                e.message().startsWith(u"フィルタ '"_s + c.text + u"' を解釈できません: "_s))
                << e.message().toStdString();
        }
    }
}
