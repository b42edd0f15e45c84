#pragma once
// The search of the ledger management windows: the filled criteria become one filter text that
// the window installs on its ledger cursor and that the list printout copies unchanged.

#include <QString>

namespace mz::ledger {

enum class LedgerSide { Income, Expense };

struct LedgerCriteria {
    QString name;     // 相手先: Edit1
    QString purpose;  // 目的: Edit2
    QString family;   // 家族名: ComboBox1 (income only; ignored for expenditure)
    QString from;     // MaskEditDate1, with the mask's blanks
    QString to;       // MaskEditDate2
};

// The text of an untouched date criterion.
inline const QString kEmptyMaskedDate = QStringLiteral("    /  /  ");

// The filter that matches no entry, used when nothing was asked.
QString NoCriteriaFilter(LedgerSide side);

// The filter text of the filled criteria: each filled one as a term in a fixed order, quoted
// with inner quotes doubled, joined by " and " inside one more pair of parentheses when there is
// more than one. A text of blanks counts as filled; a date criterion is filled when it differs
// from the untouched mask. Nothing filled gives NoCriteriaFilter(side).
QString BuildLedgerFilter(LedgerSide side, const LedgerCriteria& c);

// A criterion text as a quoted filter literal: 'O''Hara'.
QString quoteLiteral(const QString& text);

}  // namespace mz::ledger
