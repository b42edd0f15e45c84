#include "ledger/TAITEbetuForm.h"

#include "counterparts/TNAMEsentakuForm.h"
#include "data/tabledefs.h"
#include "ledger/balancestatement.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/colorbutton.h"
#include "widgets/dbedit.h"
#include "widgets/fonts.h"
#include "widgets/format.h"
#include "widgets/look.h"

#include <QAbstractTableModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>

using namespace Qt::StringLiterals;
namespace bal = mz::ledger::balance;

namespace {

const QString kNoName = u"相手先を入力してください。"_s;
const QString kNothingShown = u"データが表示されていません。"_s;

constexpr int kRowHeight = 18;

const QStringList kEntryTitles{u"日付"_s, u"氏名"_s, u"目的"_s, u"区分"_s, u"いただいた"_s, u"お贈りした"_s};

// The look of the two tables: the data font, whole rows selected, nothing edited.
void styleTable(QTableView* t, const QList<int>& widths) {
    using mz::widgets::kGothic;
    using mz::widgets::pixelFont;
    t->setFont(pixelFont(kGothic, 12));
    t->horizontalHeader()->setFont(pixelFont(kGothic, 12));
    for (int c = 0; c < widths.size(); ++c) t->setColumnWidth(c, widths[c]);
    t->horizontalHeader()->setStretchLastSection(false);
    t->horizontalHeader()->setHighlightSections(false);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(kRowHeight);
    t->verticalHeader()->setMinimumSectionSize(kRowHeight);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setWordWrap(false);
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align | Qt::AlignVCenter);
    return item;
}

}  // namespace

// The entries of the result as Grid1 shows them, formatted when a row is painted, so that a
// household of thousands of entries fills the grid at once.
class TAITEbetuForm::EntriesModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(const std::vector<bal::Entry>* entries) {
        beginResetModel();
        entries_ = entries;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !entries_ ? 0 : static_cast<int>(entries_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(kEntryTitles.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!entries_ || !index.isValid() || index.row() >= rowCount()) return {};
        const bal::Entry& e = (*entries_)[static_cast<size_t>(index.row())];
        const bool income = e.side == mz::ledger::LedgerSide::Income;
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>((index.column() >= 4 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
            case 0: return mz::format::formatDate(e.date);
            case 1: return e.name;
            case 2: return e.purpose;
            case 3: return bal::categoryName(e.category);
            case 4: return income ? bal::amountText(e.amount) : QString();
            case 5: return income ? QString() : bal::amountText(e.amount);
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kEntryTitles.size())
            return kEntryTitles[section];
        return QAbstractTableModel::headerData(section, o, role);
    }

private:
    const std::vector<bal::Entry>* entries_ = nullptr;
};

TAITEbetuForm::TAITEbetuForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    styleControls();

    // The tables open with the window; an error here means there is no window.
    auto open = [this](const char* name, const QString& file) {
        auto* c = new mz::data::Cursor(this);
        c->setObjectName(QString::fromLatin1(name));
        c->open(file);
        return c;
    };
    Table1 = open("Table1", u"Aitesaki.DBF"_s);
    Table2 = open("Table2", u"Indata.DBF"_s);
    Table3 = open("Table3", u"Outdata.DBF"_s);
    purposes_ = bal::PurposeCategories::load();

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded(this, &TAITEbetuForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this, guarded(this, &TAITEbetuForm::ColorButton2Click));
    connect(ColorButton3, &QPushButton::clicked, this, guarded(this, &TAITEbetuForm::ColorButton3Click));
    connect(ColorButton5, &QPushButton::clicked, this, guarded(this, &TAITEbetuForm::ColorButton5Click));
    connect(RadioButton1, &QRadioButton::clicked, this, guarded(this, &TAITEbetuForm::RadioButton1Click));
    connect(RadioButton2, &QRadioButton::clicked, this, guarded(this, &TAITEbetuForm::RadioButton2Click));
    // Enter in the name shows the result, as 表示 does.
    connect(Edit1, &QLineEdit::returnPressed, this, guarded(this, &TAITEbetuForm::ColorButton5Click));

    mz::widgets::centreOnScreen(this);
    mz::platform::runCreationHandler([this] { FormCreate(); });
    Edit1->setFocus();
}

TAITEbetuForm::~TAITEbetuForm() = default;

void TAITEbetuForm::styleControls() {
    using mz::widgets::kGothic;
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;

    mz::widgets::styleFixedWindow(this, Label11);

    mz::widgets::setDataFont({Label1, Edit1, ColorButton3, RadioButton1, RadioButton2, Label2,
                              LabelNotes, LabelLastIncome, LabelLastExpense});
    LabelBalance->setFont(pixelFont(kGothic, 13, true));
    QPalette notes = LabelNotes->palette();
    notes.setColor(QPalette::WindowText, QColor(0x99, 0x00, 0x00));
    LabelNotes->setPalette(notes);

    for (TColorButton* b : {ColorButton1, ColorButton2}) b->setFont(pixelFont(kPGothic, 13));
    ColorButton5->setFont(pixelFont(kPGothic, 15, true));

    // The name takes at most what 氏名 holds (CP932 bytes).
    if (const mz::data::TableDef* def = mz::data::tableDefForFile(u"Indata.DBF"_s)) {
        const int i = def->fieldIndex(u"氏名"_s);
        if (i >= 0) Edit1->setMaxBytes(def->fields[static_cast<size_t>(i)].width);
    }
    Edit1->setImeMode(mz::widgets::ImeMode::Hiragana);

    entries_ = new EntriesModel(this);
    Grid1->setModel(entries_);
    styleTable(Grid1, {78, 124, 96, 72, 84, 84});
    Grid2->setColumnCount(4);
    Grid2->setHorizontalHeaderLabels({u"区分"_s, u"いただいた"_s, u"お贈りした"_s, u"差引"_s});
    styleTable(Grid2, {72, 84, 84, 84});
    Grid2->setRowCount(bal::kCategoryCount + 1);
    Grid2->setSelectionMode(QAbstractItemView::NoSelection);
    Grid2->setFocusPolicy(Qt::NoFocus);
    Grid2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TAITEbetuForm::FormCreate() {
    mz::state().SelectedName.clear();
    RadioButton1->setChecked(true);
    showResult();
}

bal::Scope TAITEbetuForm::scope() const {
    return RadioButton2->isChecked() ? bal::Scope::Household : bal::Scope::Person;
}

void TAITEbetuForm::ColorButton3Click() {
    // A cancelled selection leaves the name as it was: only a pick made now is taken.
    mz::state().SelectedName.clear();
    {
        mz::mode::Scope mode(&mz::SharedState::NameSelectMode, mz::mode::kNameBalance);
        mz::platform::openModal(this, mz::state().NAMEsentakuForm);
    }
    const QString picked = mz::state().SelectedName;
    mz::state().SelectedName.clear();
    if (picked.isEmpty()) {
        Edit1->setFocus();
        return;
    }
    Edit1->setText(picked);
    ColorButton5Click();
    ColorButton5->setFocus();
}

void TAITEbetuForm::ColorButton5Click() {
    const QString name = Edit1->text();
    if (bal::normalisedName(name).isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(kNoName));
        Edit1->setFocus();
        return;
    }
    result_ = bal::gather(bal::Tables{Table1, Table2, Table3, &purposes_}, name, scope());
    showResult();
}

void TAITEbetuForm::RadioButton1Click() {
    // Switching between the person and the household shows the other at once.
    if (result_ && result_->scope != scope()) ColorButton5Click();
}

void TAITEbetuForm::RadioButton2Click() {
    RadioButton1Click();
}

void TAITEbetuForm::showResult() {
    entries_->setEntries(result_ ? &result_->entries : nullptr);
    for (int r = 0; r < Grid2->rowCount(); ++r)
        for (int c = 0; c < Grid2->columnCount(); ++c) Grid2->setItem(r, c, nullptr);
    if (!result_) {
        Label2->clear();
        LabelNotes->clear();
        LabelLastIncome->clear();
        LabelLastExpense->clear();
        LabelBalance->clear();
        return;
    }
    const bal::Result& r = *result_;
    const QString people = bal::peopleText(r);
    Label2->setText(people.isEmpty() ? QString()
                                     : (r.scope == bal::Scope::Household ? u"世帯："_s : u"本人："_s) + people);
    Label2->setToolTip(Label2->text());
    QStringList notes = r.notes();
    if (r.entries.empty()) notes.prepend(u"この相手先の記録はありません。"_s);
    LabelNotes->setText(notes.join(u"\n"_s));
    // Two notes fill the space above the list; more are read in full on the tooltip and the
    // printout.
    LabelNotes->setToolTip(LabelNotes->text());

    if (!r.entries.empty()) Grid1->scrollToBottom();  // the latest gifts are the ones asked about

    auto totalRow = [this](int at, const QString& name, const bal::Totals& t, bool bold) {
        const QStringList texts{name, mz::format::formatYen(t.received), mz::format::formatYen(t.given),
                                mz::format::formatYen(t.balance())};
        for (int c = 0; c < texts.size(); ++c) {
            QTableWidgetItem* item = cell(texts[c], c == 0 ? Qt::AlignLeft : Qt::AlignRight);
            if (bold) {
                QFont f = Grid2->font();
                f.setBold(true);
                item->setFont(f);
            }
            Grid2->setItem(at, c, item);
        }
    };
    for (int c = 0; c < bal::kCategoryCount; ++c)
        totalRow(c, bal::categoryName(c), r.categories[static_cast<size_t>(c)], false);
    totalRow(bal::kCategoryCount, u"合計"_s, r.total, true);

    // A household's gifts come from several people: the giver's name on a line of its own.
    auto lastGift = [&r](const std::optional<bal::Entry>& e) {
        QString text = bal::lastGiftText(e);
        if (e && r.scope == bal::Scope::Household) text += u"\n（%1）"_s.arg(e->name.trimmed());
        return text;
    };
    LabelLastIncome->setText(lastGift(r.lastIncome));
    LabelLastExpense->setText(lastGift(r.lastExpense));
    LabelBalance->setText(u"差引　"_s + mz::format::formatYen(r.total.balance()));
}

void TAITEbetuForm::ColorButton1Click() {
    if (!result_) {
        mz::platform::notice(this, mz::platform::padded(kNothingShown));
        return;
    }
    bal::previewStatement(this, *result_);
}

void TAITEbetuForm::ColorButton2Click() {
    close();
}
