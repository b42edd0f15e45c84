#include "ledger/balancehint.h"

#include "ledger/balancestatement.h"
#include "widgets/fonts.h"
#include "widgets/format.h"

#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace mz::ledger {

BalanceHint::BalanceHint(QLineEdit* name, QLabel* label) : QObject(label), name_(name), label_(label) {
    label_->setFont(mz::widgets::pixelFont(mz::widgets::kPGothic, 12));
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette quiet = label_->palette();
    quiet.setColor(QPalette::WindowText, QColor(0x60, 0x60, 0x60));
    label_->setPalette(quiet);
    label_->clear();
    // Every change of the text: typed, or shown after a pick. The same name (blanks aside) is
    // not read again.
    connect(name_, &QLineEdit::textChanged, this, &BalanceHint::update);
}

void BalanceHint::update() {
    const QString key = balance::normalisedName(name_->text());
    if (key == shownFor_) return;
    shownFor_ = key;
    if (key.isEmpty()) {
        label_->clear();
        return;
    }
    label_->setText(text(balance::gather(name_->text(), balance::Scope::Person)));
}

QString BalanceHint::text(const balance::Result& r) {
    if (r.entries.empty()) return QString();
    QStringList lines;
    if (r.lastIncome)
        lines << u"前回いただいた物：%1"_s.arg(balance::lastGiftText(r.lastIncome));
    else
        lines << u"いただいた記録はありません。"_s;
    lines << u"これまでにいただいた合計：%1（%2件）"_s.arg(mz::format::formatYen(r.total.received))
                 .arg(r.total.receivedCount);
    lines << u"これまでにお贈りした合計：%1（%2件）"_s.arg(mz::format::formatYen(r.total.given))
                 .arg(r.total.givenCount);
    if (!r.ambiguous.empty())
        lines.last() += u"　※同じ氏名の相手先が %1 人います"_s.arg(r.ambiguous.front().codes.size());
    return lines.join(u"\n"_s);
}

}  // namespace mz::ledger
