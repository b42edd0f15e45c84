#pragma once
// The printout of 相手先別の贈答: a statement of what has been received from and given to one
// counterpart or household. Its rows come from both ledgers, so it is not a report over one
// cursor: the pages are laid out here, as the report engine's page items, and the engine's
// preview, printer and PDF writer take them from there.
//
// A4 portrait. The first page carries the heading, the person or household and the notes; every
// page the column titles of the entries and its page number; after the last entry come the
// totals per purpose category and the last gift each way, kept together on one page.

#include "ledger/balance.h"
#include "report/report.h"

#include <vector>

class QWidget;

namespace mz::ledger::balance {

// The page set-up, fonts and name of the statement (no bands: the pages are laid out below).
mz::report::Report statementReport();

// The pages of the statement of a result.
std::vector<mz::report::Page> statementPages(const Result& result);

// "山田 太郎" for a person, "山田 太郎 の世帯" for a household: the heading's subject.
QString subjectText(const Result& result);

// The people gathered, "山田 太郎（101）、山田 花子（102）"; empty for an unknown name.
QString peopleText(const Result& result);

// "2022/03/03　香典　￥10,000": a last gift as the window and the statement show it, with
// "（山田 花子）" after it when withName (a household's gifts come from several people);
// "なし" when there is none.
QString lastGiftText(const std::optional<Entry>& entry, bool withName = false);

// The text of an amount of an entry: yen, or empty when the entry has none.
QString amountText(const std::optional<double>& amount);

// Shows the statement's preview over `owner`; returns when the preview has been closed.
void previewStatement(QWidget* owner, const Result& result);

}  // namespace mz::ledger::balance
