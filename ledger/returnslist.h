#pragma once
// The list for sending return gifts, printed from お返し管理: for each entry of the list the
// name, the address from the address book, the item and the suggested budget, with the totals at
// the end. A4 portrait; its rows come from two tables, so the pages are laid out here as the
// report engine's page items, and the engine's preview, printer and PDF writer take them.

#include "ledger/returns.h"
#include "report/report.h"

#include <QDate>

#include <map>
#include <vector>

class QWidget;

namespace mz::ledger::returns {

// The addresses of the address book by name. The ledgers hold names, not codes: a name is
// matched as stored, blanks ignored (balance::normalisedName).
class AddressBook {
public:
    // Reads Aitesaki.DBF of the current directory.
    static AddressBook load();
    // "〒100-0001 東京都千代田区… 千代田ハイツ101" (with `lines`, a line feed before 住所2);
    // "（住所録にありません）" for a name that is no one's, and "（同名の相手先が 2 件あります）"
    // for a name that several people share.
    QString addressOf(const QString& name, bool lines = false) const;

private:
    std::map<QString, std::vector<QString>> byName_;
};

mz::report::Report sendingListReport();
// The pages of the list, printed on `printed` (the date in the heading).
std::vector<mz::report::Page> sendingListPages(const std::vector<Row>& rows,
                                               const AddressBook& book, const QDate& printed,
                                               const QDate& today);

// Shows the list's preview over `owner`; returns when the preview has been closed.
void previewSendingList(QWidget* owner, const std::vector<Row>& rows);

}  // namespace mz::ledger::returns
