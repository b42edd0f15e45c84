// The ledger search filter: every combination of filled criteria gives exactly the text the
// management windows install, for both ledgers.
#include "data/filter.h"
#include "data/tabledefs.h"
#include "ledger/ledgerfilter.h"

#include <gtest/gtest.h>

using namespace mz::ledger;
using namespace Qt::StringLiterals;

namespace {

struct Combination {
    const char* filled;  // one digit per criterion in order: name, purpose, (family,) from, to
    QString expected;    // with N P F A B standing for the quoted criteria
};

// N, P, F, A and B as the tables write them, replaced by the quoted criterion texts.
QString expand(QString t, const LedgerCriteria& c) {
    t.replace(u"N"_s, quoteLiteral(c.name));
    t.replace(u"P"_s, quoteLiteral(c.purpose));
    t.replace(u"F"_s, quoteLiteral(c.family));
    t.replace(u"A"_s, quoteLiteral(c.from));
    t.replace(u"B"_s, quoteLiteral(c.to));
    return t;
}

const Combination kIncome[] = {
    {"11111", u"((氏名=N) and (目的=P) and (家族名=F) and (収入日>=A) and (収入日<=B))"_s},
    {"11110", u"((氏名=N) and (目的=P) and (家族名=F) and (収入日>=A))"_s},
    {"11101", u"((氏名=N) and (目的=P) and (家族名=F) and (収入日<=B))"_s},
    {"11011", u"((氏名=N) and (目的=P) and (収入日>=A) and (収入日<=B))"_s},
    {"10111", u"((氏名=N) and (家族名=F) and (収入日>=A) and (収入日<=B))"_s},
    {"01111", u"((目的=P) and (家族名=F) and (収入日>=A) and (収入日<=B))"_s},
    {"11100", u"((氏名=N) and (目的=P) and (家族名=F))"_s},
    {"11010", u"((氏名=N) and (目的=P) and (収入日>=A))"_s},
    {"11001", u"((氏名=N) and (目的=P) and (収入日<=B))"_s},
    {"10110", u"((氏名=N) and (家族名=F) and (収入日>=A))"_s},
    {"10101", u"((氏名=N) and (家族名=F) and (収入日<=B))"_s},
    {"10011", u"((氏名=N) and (収入日>=A) and (収入日<=B))"_s},
    {"01110", u"((目的=P) and (家族名=F) and (収入日>=A))"_s},
    {"01101", u"((目的=P) and (家族名=F) and (収入日<=B))"_s},
    {"01011", u"((目的=P) and (収入日>=A) and (収入日<=B))"_s},
    {"00111", u"((家族名=F) and (収入日>=A) and (収入日<=B))"_s},
    {"11000", u"((氏名=N) and (目的=P))"_s},
    {"10100", u"((氏名=N) and (家族名=F))"_s},
    {"10010", u"((氏名=N) and (収入日>=A))"_s},
    {"10001", u"((氏名=N) and (収入日<=B))"_s},
    {"01100", u"((目的=P) and (家族名=F))"_s},
    {"01010", u"((目的=P) and (収入日>=A))"_s},
    {"01001", u"((目的=P) and (収入日<=B))"_s},
    {"00110", u"((家族名=F) and (収入日>=A))"_s},
    {"00101", u"((家族名=F) and (収入日<=B))"_s},
    {"00011", u"((収入日>=A) and (収入日<=B))"_s},
    {"10000", u"(氏名=N)"_s},
    {"01000", u"(目的=P)"_s},
    {"00100", u"(家族名=F)"_s},
    {"00010", u"(収入日>=A)"_s},
    {"00001", u"(収入日<=B)"_s},
    {"00000", u"収入番号=99999999"_s},
};

const Combination kExpense[] = {
    {"1111", u"((氏名=N) and (目的=P) and (支出日>=A) and (支出日<=B))"_s},
    {"1110", u"((氏名=N) and (目的=P) and (支出日>=A))"_s},
    {"1101", u"((氏名=N) and (目的=P) and (支出日<=B))"_s},
    {"1011", u"((氏名=N) and (支出日>=A) and (支出日<=B))"_s},
    {"0111", u"((目的=P) and (支出日>=A) and (支出日<=B))"_s},
    {"1100", u"((氏名=N) and (目的=P))"_s},
    {"1010", u"((氏名=N) and (支出日>=A))"_s},
    {"1001", u"((氏名=N) and (支出日<=B))"_s},
    {"0110", u"((目的=P) and (支出日>=A))"_s},
    {"0101", u"((目的=P) and (支出日<=B))"_s},
    {"0011", u"((支出日>=A) and (支出日<=B))"_s},
    {"1000", u"(氏名=N)"_s},
    {"0100", u"(目的=P)"_s},
    {"0010", u"(支出日>=A)"_s},
    {"0001", u"(支出日<=B)"_s},
    {"0000", u"支出番号=99999999"_s},
};

}  // namespace

TEST(BuildLedgerFilter, EveryIncomeCombination) {
    for (const Combination& k : kIncome) {
        SCOPED_TRACE(k.filled);
        const QString f = QString::fromLatin1(k.filled);
        LedgerCriteria c;
        c.name = f[0] == u'1' ? u"山田"_s : QString();
        c.purpose = f[1] == u'1' ? u"結婚祝"_s : QString();
        c.family = f[2] == u'1' ? u"花子"_s : QString();
        c.from = f[3] == u'1' ? u"2024/01/01"_s : kEmptyMaskedDate;
        c.to = f[4] == u'1' ? u"2024/12/31"_s : kEmptyMaskedDate;
        const QString text = BuildLedgerFilter(LedgerSide::Income, c);
        EXPECT_EQ(text.toStdString(), expand(k.expected, c).toStdString());
        EXPECT_NO_THROW(mz::data::Filter::parse(text, *mz::data::tableDefForFile(u"Indata.DBF"_s)));
    }
}

TEST(BuildLedgerFilter, EveryExpenditureCombinationIgnoringTheFamily) {
    for (const Combination& k : kExpense) {
        SCOPED_TRACE(k.filled);
        const QString f = QString::fromLatin1(k.filled);
        LedgerCriteria c;
        c.name = f[0] == u'1' ? u"山田"_s : QString();
        c.purpose = f[1] == u'1' ? u"結婚祝"_s : QString();
        c.family = u"花子"_s;  // no family criterion on this side
        c.from = f[2] == u'1' ? u"2024/01/01"_s : kEmptyMaskedDate;
        c.to = f[3] == u'1' ? u"2024/12/31"_s : kEmptyMaskedDate;
        const QString text = BuildLedgerFilter(LedgerSide::Expense, c);
        EXPECT_EQ(text.toStdString(), expand(k.expected, c).toStdString());
        EXPECT_NO_THROW(mz::data::Filter::parse(text, *mz::data::tableDefForFile(u"Outdata.DBF"_s)));
    }
}

TEST(BuildLedgerFilter, QuotesBlanksAndMaskTexts) {
    LedgerCriteria c{u"O'Hara"_s, {}, {}, kEmptyMaskedDate, kEmptyMaskedDate};
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Income, c), u"(氏名='O''Hara')"_s);
    c.name = u"  "_s;  // blanks count as filled and are not trimmed
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Income, c), u"(氏名='  ')"_s);
    c.name = u"''"_s;
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Income, c), u"(氏名='''''')"_s);
    c = LedgerCriteria{{}, {}, {}, u"2024/ 3/  "_s, kEmptyMaskedDate};  // a partly filled date goes in unchanged
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Expense, c), u"(支出日>='2024/ 3/  ')"_s);
    c = LedgerCriteria{{}, {}, {}, kEmptyMaskedDate, kEmptyMaskedDate};
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Income, c), u"収入番号=99999999"_s);
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Expense, c), u"支出番号=99999999"_s);
    c.from = QString();  // an empty text is not the untouched mask: it counts as filled
    EXPECT_EQ(BuildLedgerFilter(LedgerSide::Income, c), u"(収入日>='')"_s);
}
