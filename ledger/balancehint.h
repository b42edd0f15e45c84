#pragma once
// The quiet hint of the expenditure registration window: once 氏名 holds a name, what that
// counterpart gave most recently (date, purpose, amount) and the totals received and given so
// far, in a label in the window's free space. Nothing is shown when nothing is known, and the
// hint never fills a field.

#include "ledger/balance.h"

#include <QObject>
#include <QString>

class QLabel;
class QLineEdit;

namespace mz::ledger {

class BalanceHint : public QObject {
    Q_OBJECT
public:
    // Follows the text of `name` (typed, or written there by a pick) and shows the hint in
    // `label`; owned by the label.
    BalanceHint(QLineEdit* name, QLabel* label);

    // Brings the hint up to date with the name now in the edit.
    void update();

    // The hint's lines for what is known of a person; empty when there is no entry.
    static QString text(const balance::Result& result);

private:
    QLineEdit* name_;
    QLabel* label_;
    QString shownFor_;  // the normalised name the hint was last read for
};

}  // namespace mz::ledger
