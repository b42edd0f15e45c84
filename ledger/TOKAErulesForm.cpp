#include "ledger/TOKAErulesForm.h"

#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/colorbutton.h"
#include "widgets/fonts.h"
#include "widgets/format.h"
#include "widgets/look.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>

#include <cmath>

using namespace Qt::StringLiterals;
namespace rt = mz::ledger::returns;
namespace bal = mz::ledger::balance;

namespace {

enum Column { kCategory, kCustomary, kLow, kHigh, kDays, kMonths, kColumnCount };

QString percentText(double fraction) {
    return mz::format::formatNumber(std::round(fraction * 10000) / 100);
}

}  // namespace

TOKAErulesForm::TOKAErulesForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    using mz::widgets::kGothic;
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;
    mz::widgets::styleFixedWindow(this, Label11);
    Label1->setFont(pixelFont(kGothic, 12));
    for (TColorButton* b : {ColorButton1, ColorButton2, ColorButton3})
        b->setFont(pixelFont(kPGothic, 13));

    Grid1->setFont(pixelFont(kGothic, 12));
    Grid1->horizontalHeader()->setFont(pixelFont(kGothic, 12));
    Grid1->setColumnCount(kColumnCount);
    Grid1->setHorizontalHeaderLabels(
        {u"目的区分"_s, u"お返し"_s, u"予算 下限(%)"_s, u"上限(%)"_s, u"期日 日後"_s, u"か月後"_s});
    Grid1->setRowCount(bal::kCategoryCount);
    Grid1->verticalHeader()->setVisible(false);
    Grid1->verticalHeader()->setDefaultSectionSize(20);
    const int widths[] = {96, 60, 96, 80, 80, 80};
    for (int c = 0; c < kColumnCount; ++c) Grid1->setColumnWidth(c, widths[c]);
    Grid1->setEditTriggers(QAbstractItemView::AllEditTriggers);

    // The rule table opens with the window: an error here means there is no window.
    (void)rt::Rules::load();

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TOKAErulesForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TOKAErulesForm::ColorButton2Click));
    connect(ColorButton3, &QPushButton::clicked, this,
            guarded(this, &TOKAErulesForm::ColorButton3Click));
    mz::widgets::centreOnScreen(this);
    mz::platform::runCreationHandler([this] { FormCreate(); });
    Grid1->setFocus();
}

TOKAErulesForm::~TOKAErulesForm() = default;

void TOKAErulesForm::FormCreate() {
    showRules(rt::Rules::load());
}

void TOKAErulesForm::showRules(const rt::Rules& rules) {
    for (int c = 0; c < bal::kCategoryCount; ++c) {
        const rt::Rule& r = rules.of(c);
        auto* name = new QTableWidgetItem(bal::categoryName(c));
        name->setFlags(Qt::ItemIsEnabled);
        Grid1->setItem(c, kCategory, name);
        auto* customary = new QTableWidgetItem();
        customary->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        customary->setCheckState(r.customary ? Qt::Checked : Qt::Unchecked);
        Grid1->setItem(c, kCustomary, customary);
        auto number = [&](int column, const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Grid1->setItem(c, column, item);
        };
        number(kLow, percentText(r.lowFraction));
        number(kHigh, percentText(r.highFraction));
        number(kDays, r.dueDays ? QString::number(r.dueDays) : QString());
        number(kMonths, r.dueMonths ? QString::number(r.dueMonths) : QString());
    }
}

std::optional<rt::Rules> TOKAErulesForm::rulesShown() {
    rt::Rules rules;
    for (int c = 0; c < bal::kCategoryCount; ++c) {
        const QString category = bal::categoryName(c);
        auto cell = [&](int column) {
            return Grid1->item(c, column) ? Grid1->item(c, column)->text().trimmed() : QString();
        };
        auto refuse = [&](int column, const QString& text) {
            mz::platform::notice(this, mz::platform::padded(u"%1：%2"_s.arg(category, text)));
            Grid1->setCurrentCell(c, column);
            return std::nullopt;
        };
        rt::Rule r;
        r.customary =
            Grid1->item(c, kCustomary) && Grid1->item(c, kCustomary)->checkState() == Qt::Checked;
        const auto low =
            cell(kLow).isEmpty() ? std::optional<double>(0) : mz::format::parseNumber(cell(kLow));
        if (!low || *low < 0 || *low > 100)
            return refuse(kLow, u"予算の下限は 0 から 100 の数で入力してください。"_s);
        const auto high = cell(kHigh).isEmpty() ? low : mz::format::parseNumber(cell(kHigh));
        if (!high || *high < *low || *high > 100)
            return refuse(kHigh, u"予算の上限は下限から 100 までの数で入力してください。"_s);
        const auto days = cell(kDays).isEmpty() ? std::optional<double>(0)
                                                : mz::format::parseInteger(cell(kDays), 0, 3660);
        if (!days) return refuse(kDays, u"期日の日数は 0 から 3660 の整数で入力してください。"_s);
        const auto months = cell(kMonths).isEmpty()
                                ? std::optional<double>(0)
                                : mz::format::parseInteger(cell(kMonths), 0, 120);
        if (!months)
            return refuse(kMonths, u"期日の月数は 0 から 120 の整数で入力してください。"_s);
        if (*days > 0 && *months > 0)
            return refuse(kDays, u"期日は日数か月数のどちらか一方で入力してください。"_s);
        // The table keeps four decimals of a fraction: two of a percentage.
        r.lowFraction = std::round(*low * 100) / 10000;
        r.highFraction = std::round(*high * 100) / 10000;
        r.dueDays = static_cast<int>(*days);
        r.dueMonths = static_cast<int>(*months);
        rules.set(c, r);
    }
    return rules;
}

void TOKAErulesForm::ColorButton1Click() {
    const std::optional<rt::Rules> rules = rulesShown();
    if (!rules) return;
    rules->save();
    mz::platform::notice(this, mz::platform::padded(u"お返しの目安が登録されました。"_s));
    close();
}

void TOKAErulesForm::ColorButton2Click() {
    close();
}

void TOKAErulesForm::ColorButton3Click() {
    showRules(rt::Rules::defaults());
}
