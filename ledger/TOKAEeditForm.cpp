#include "ledger/TOKAEeditForm.h"

#include "data/tabledefs.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/colorbutton.h"
#include "widgets/dbedit.h"
#include "widgets/entertab.h"
#include "widgets/fonts.h"
#include "widgets/format.h"
#include "widgets/look.h"

#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;
namespace rt = mz::ledger::returns;

namespace {

const QString kBadDate = u"%1は 2024/03/15 のように入力してください（空欄もできます）。"_s;

}  // namespace

TOKAEeditForm::TOKAEeditForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    styleControls();
    table_ = rt::openReturnTable();  // an error here means there is no window

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TOKAEeditForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TOKAEeditForm::ColorButton2Click));
    connect(ComboBox1, &QComboBox::activated, this, guarded(this, &TOKAEeditForm::ComboBox1Change));
    mz::widgets::EnterAsTab::install(this);

    mz::widgets::centreOnScreen(this);
    mz::platform::runCreationHandler([this] { FormCreate(); });
    CheckBox1->setFocus();
}

TOKAEeditForm::~TOKAEeditForm() = default;

void TOKAEeditForm::styleControls() {
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;
    mz::widgets::styleFixedWindow(this, Label11);
    mz::widgets::setDataFont(
        {LabelEntry, LabelBudget, CheckBox1, Edit1, ComboBox1, Edit2, Edit3, Edit4, Memo1});
    for (TColorButton* b : {ColorButton1, ColorButton2}) b->setFont(pixelFont(kPGothic, 13));
    ComboBox1->clear();
    for (int i = 0; i < rt::kStatusCount; ++i) ComboBox1->addItem(rt::statusText(rt::Status(i)));
    if (const mz::data::TableDef* def =
            mz::data::tableDefForFile(QString::fromUtf16(rt::kReturnTable)))
        Edit3->setMaxBytes(def->fields[static_cast<size_t>(def->fieldIndex(u"品物"_s))].width);
    Edit3->setImeMode(mz::widgets::ImeMode::Hiragana);
    Edit4->setMaxLength(9);
    Memo1->setTabChangesFocus(true);
}

void TOKAEeditForm::FormCreate() {
    const qint32 number = mz::state().ReturnIncomeNo;
    rt::Filter all;
    all.status = rt::StatusFilter::All;
    std::optional<rt::Row> row;
    for (rt::Row& r : rt::gatherRows(all))
        if (r.incomeNo == number) row = std::move(r);
    if (!row) throw mz::data::EngineError(u"収入番号 %1 の収入データがありません"_s.arg(number));
    LabelEntry->setText(u"%1　%2 様　%3　%4"_s.arg(
        mz::format::formatDate(row->received), row->name, row->purpose,
        row->amount ? mz::format::formatYen(*row->amount) : u"（物品）"_s));
    LabelBudget->setText(row->budget ? u"予算の目安 "_s + rt::budgetText(row->budget)
                                     : u"予算の目安はありません"_s);
    record_ = row->record
                  ? *row->record
                  : rt::defaultsFor(rt::Rules::load(), row->category, number, row->received);
    CheckBox1->setChecked(record_.due);
    Edit1->setText(mz::format::formatDate(record_.dueDate));
    ComboBox1->setCurrentIndex(static_cast<int>(record_.status));
    Edit2->setText(mz::format::formatDate(record_.sentDate));
    Edit3->setText(record_.item);
    Edit4->setText(record_.spent ? mz::format::formatNumber(*record_.spent) : QString());
    Memo1->setPlainText(record_.memo);
    loaded_ = true;
}

void TOKAEeditForm::ComboBox1Change() {
    if (ComboBox1->currentIndex() == static_cast<int>(rt::Status::Sent) &&
        Edit2->text().trimmed().isEmpty())
        Edit2->setText(mz::format::formatDate(QDate::currentDate()));
}

void TOKAEeditForm::ColorButton1Click() {
    // A window whose entry was not found (deleted meanwhile) has nothing to store.
    if (!loaded_) throw mz::data::EngineError(u"登録するお返しの記録がありません"_s);
    auto date = [this](QLineEdit* e, const QString& what, QDate& out) {
        out = QDate();
        if (e->text().trimmed().isEmpty()) return true;
        const std::optional<QDate> d = mz::format::parseDate(e->text());
        if (d && d->isValid()) {
            out = *d;
            return true;
        }
        mz::platform::notice(this, mz::platform::padded(kBadDate.arg(what)));
        e->setFocus();
        return false;
    };
    rt::Record r = record_;
    if (!date(Edit1, u"期日"_s, r.dueDate) || !date(Edit2, u"送付日"_s, r.sentDate)) return;
    r.spent.reset();
    if (!Edit4->text().trimmed().isEmpty()) {
        const std::optional<double> amount =
            mz::format::parseInteger(Edit4->text().trimmed(), 0, 999999999);
        if (!amount) {
            mz::platform::notice(
                this, mz::platform::padded(u"返礼額は 0 以上の整数で入力してください。"_s));
            Edit4->setFocus();
            return;
        }
        r.spent = amount;
    }
    r.due = CheckBox1->isChecked();
    r.status = rt::Status(std::clamp(ComboBox1->currentIndex(), 0, rt::kStatusCount - 1));
    if (r.status == rt::Status::Sent && !r.sentDate.isValid()) {
        mz::platform::notice(this, mz::platform::padded(u"送付済には送付日を入力してください。"_s));
        Edit2->setFocus();
        return;
    }
    r.item = Edit3->text().trimmed();
    r.memo = Memo1->toPlainText();
    rt::store(*table_, r);  // a refused value stops here: nothing is written, the window stays
    mz::platform::notice(this, mz::platform::padded(u"お返しの記録が登録されました。"_s));
    close();
}

void TOKAEeditForm::ColorButton2Click() {
    close();
}
