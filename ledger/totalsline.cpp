#include "ledger/totalsline.h"

#include "ledger/balance.h"
#include "widgets/fonts.h"

#include <QLabel>

namespace mz::ledger {

TotalsLine::TotalsLine(mz::data::Cursor* ledger, QLabel* label)
    : QObject(label), ledger_(ledger), label_(label) {
    label_->setFont(mz::widgets::pixelFont(mz::widgets::kGothic, 12));
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &TotalsLine::update);
    connect(ledger, &mz::data::Cursor::contentsChanged, &timer_, qOverload<>(&QTimer::start));
    timer_.start();
}

void TotalsLine::update() {
    timer_.stop();
    if (!ledger_ || !ledger_->isOpen()) {
        label_->clear();
        return;
    }
    label_->setText(balance::sumText(balance::sumAmounts(*ledger_)));
}

}  // namespace mz::ledger
