#include "ledger/ledgerfilter.h"

#include <QStringList>

namespace mz::ledger {

QString quoteLiteral(const QString& text) {
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

QString NoCriteriaFilter(LedgerSide side) {
    return side == LedgerSide::Income ? QStringLiteral("収入番号=99999999") : QStringLiteral("支出番号=99999999");
}

QString BuildLedgerFilter(LedgerSide side, const LedgerCriteria& c) {
    const QString dateField = side == LedgerSide::Income ? QStringLiteral("収入日") : QStringLiteral("支出日");
    QStringList terms;
    if (!c.name.isEmpty()) terms << QStringLiteral("(氏名=%1)").arg(quoteLiteral(c.name));
    if (!c.purpose.isEmpty()) terms << QStringLiteral("(目的=%1)").arg(quoteLiteral(c.purpose));
    if (side == LedgerSide::Income && !c.family.isEmpty())
        terms << QStringLiteral("(家族名=%1)").arg(quoteLiteral(c.family));
    if (c.from != kEmptyMaskedDate) terms << QStringLiteral("(%1>=%2)").arg(dateField, quoteLiteral(c.from));
    if (c.to != kEmptyMaskedDate) terms << QStringLiteral("(%1<=%2)").arg(dateField, quoteLiteral(c.to));
    if (terms.isEmpty()) return NoCriteriaFilter(side);
    if (terms.size() == 1) return terms.front();
    return QStringLiteral("(%1)").arg(terms.join(QStringLiteral(" and ")));
}

}  // namespace mz::ledger
