#pragma once
// The line under a ledger management window's grid: how many entries the grid shows and the
// sum of their amounts ("該当 12 件　合計 ￥180,000"). It follows the ledger cursor: a search, a
// re-read after an edit or a delete, any change of the table. Several changes in one handler
// (the search sets options and then the filter) are summed once, before the window is painted.

#include "data/cursor.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;

namespace mz::ledger {

class TotalsLine : public QObject {
    Q_OBJECT
public:
    // Shows the totals of `ledger` in `label`; owned by the label.
    TotalsLine(mz::data::Cursor* ledger, QLabel* label);

    // Brings the line up to date now (the timer does it otherwise once events are processed).
    void update();

private:
    QPointer<mz::data::Cursor> ledger_;
    QLabel* label_;
    QTimer timer_;
};

}  // namespace mz::ledger
