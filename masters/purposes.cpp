#include "masters/purposes.h"

#include "masters/masterlook.h"
#include "masters/tabcontrol.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace mz::masters {

const std::vector<PurposeCategory>& purposeCategories() {
    static const std::vector<PurposeCategory> categories{
        {u"お 祝 い"_s, u"お祝い"_s, 0},     {u"一般行事"_s, u"一般行事"_s, 1},
        {u"お 返 し"_s, u"お返し"_s, 2},     {u"お見舞い"_s, u"お見舞い"_s, 3},
        {u"弔事全般"_s, u"弔事全般"_s, 4},
    };
    return categories;
}

QString purposeCategoryFilter(const QString& categoryText) {
    QString quoted = categoryText;
    quoted.replace(u"'"_s, u"''"_s);
    return u"("_s + QString::fromUtf16(kCategoryField) + u"='"_s + quoted + u"')"_s;
}

std::optional<int> purposeCategoryNumber(const QString& text) {
    // Compared as the table will store it: a text field keeps no trailing blanks, so "お祝い "
    // is stored as お祝い and must get its number, or it would list under お祝い unnumbered.
    QString stored = text;
    while (stored.endsWith(u' ')) stored.chop(1);
    for (const PurposeCategory& c : purposeCategories())
        if (c.text == stored) return c.number;
    return std::nullopt;
}

void setupCategoryTabs(TTabControl* tabs) {
    QStringList texts;
    for (const PurposeCategory& c : purposeCategories()) texts << c.tabText;
    tabs->setMultiLine(true);
    tabs->setTabs(texts);
    tabs->setTabIndex(0);
}

void setupPurposeGrid(TDBGrid* grid, bool selectionColumns) {
    styleListGrid(grid);
    std::vector<TColumn> columns;
    columns.push_back({QString::fromUtf16(kCodeField), u"目的コード"_s, selectionColumns ? 102 : 88,
                       Qt::AlignHCenter | Qt::AlignVCenter, false, Qt::AlignLeft});
    columns.push_back({QString::fromUtf16(kNameField), u"目的名称"_s, 108, Qt::AlignLeft | Qt::AlignVCenter,
                       false, Qt::AlignLeft});
    if (!selectionColumns)
        columns.push_back({QString::fromUtf16(kCategoryField), u"目的区分"_s, 96,
                           Qt::AlignLeft | Qt::AlignVCenter, false, Qt::AlignLeft});
    grid->setColumns(std::move(columns));
}

void showFirstCategory(data::Cursor& table, TTabControl* tabs) {
    tabs->setTabIndex(0);
    table.setIndexName(QString::fromUtf16(kCategoryTag));
    table.setFiltered(true);
    table.setFilter(purposeCategoryFilter(purposeCategories().front().text));
}

void showSelectedCategory(data::Cursor& table, const TTabControl* tabs) {
    const int i = tabs->tabIndex();
    if (i < 0 || i >= static_cast<int>(purposeCategories().size())) return;
    table.setCaseInsensitive(true);
    table.setFilter(purposeCategoryFilter(purposeCategories()[static_cast<size_t>(i)].text));
}

void setupPurposeBoxes(QLineEdit* code, TDBEdit* name, TComboBox* category) {
    styleBox(code);
    code->setEnabled(false);
    code->setReadOnly(true);
    code->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    code->setFocusPolicy(Qt::NoFocus);

    styleBox(name);
    name->setMaxBytes(12);  // 目的 holds 12 bytes
    name->setImeMode(widgets::ImeMode::Hiragana);

    styleBox(category);
    category->setMaxBytes(12);  // 目的区分 holds 12 bytes
    category->setImeMode(widgets::ImeMode::Hiragana);
    QStringList items;
    for (const PurposeCategory& c : purposeCategories()) items << c.text;
    category->addItems(items);
    category->setEditText(QString());
}

void writeCategory(data::Cursor& table, const QString& categoryText) {
    table.setValue(QString::fromUtf16(kCategoryField), categoryText);
    if (const std::optional<int> number = purposeCategoryNumber(categoryText))
        table.setValue(QString::fromUtf16(kNumberField), static_cast<double>(*number));
}

void PurposeBoxes::showCurrent(const data::Cursor& table) const {
    if (table.recno() == 0) return clear();
    code->setText(codeText(table.number(QString::fromUtf16(kCodeField))));
    name->setText(table.text(QString::fromUtf16(kNameField)));
    category->setEditText(table.text(QString::fromUtf16(kCategoryField)));
}

void PurposeBoxes::clear() const {
    code->clear();
    name->clear();
    category->setEditText(QString());
}

bool currentCodeIsOne(const data::Cursor& table, const QString& codeField) {
    if (!table.isOpen() || table.recno() == 0) return false;
    const data::Value v = table.value(codeField);
    return std::holds_alternative<double>(v) && std::get<double>(v) == 1.0;
}

}  // namespace mz::masters

namespace mz::masters {

PurposePicker::PurposePicker(data::Cursor* table, TTabControl* tabs, PurposeBoxes boxes, QObject* owner)
    : table_(table), tabs_(tabs), boxes_(boxes), watch_(new RecordMoveWatch(table, owner)) {}

void PurposePicker::formCreate() {
    boxes_.clear();
    {
        RecordMoveWatch::Hold hold(*watch_);
        showFirstCategory(*table_, tabs_);
    }
    afterScroll();  // a change of filter counts as a move
}

void PurposePicker::tabChange() {
    {
        RecordMoveWatch::Hold hold(*watch_);
        showSelectedCategory(*table_, tabs_);
    }
    afterScroll();
}

void PurposePicker::cellClick() { boxes_.showCurrent(*table_); }

void PurposePicker::gridEnter() {
    if (currentCodeIsOne(*table_, QString::fromUtf16(kCodeField))) boxes_.showCurrent(*table_);
}

void PurposePicker::afterScroll() {
    if (!currentCodeIsOne(*table_, QString::fromUtf16(kCodeField))) boxes_.clear();
}

}  // namespace mz::masters
