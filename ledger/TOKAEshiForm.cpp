#include "ledger/TOKAEshiForm.h"

#include "data/tabledefs.h"
#include "ledger/TOKAEeditForm.h"
#include "ledger/TOKAErulesForm.h"
#include "ledger/returnslist.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
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
#include <QKeyEvent>
#include <QScreen>

#include <set>

using namespace Qt::StringLiterals;
namespace rt = mz::ledger::returns;

namespace {

constexpr int kRowHeight = 18;

const QStringList kTitles{u"期日"_s, u"状況"_s,       u"収入日"_s, u"氏名"_s,  u"目的"_s,
                          u"金額"_s, u"予算の目安"_s, u"品物"_s,   u"送付日"_s};
enum Column { kDue, kStatus, kReceived, kName, kPurpose, kAmount, kBudget, kItem, kSent };

const QString kNoneSelected = u"お返しを選んでください。"_s;

// A date box: empty is no date; anything else must be a date.
std::optional<QDate> dateBox(const QString& text, bool& bad) {
    bad = false;
    if (text.trimmed().isEmpty()) return QDate();
    const std::optional<QDate> d = mz::format::parseDate(text);
    if (!d || !d->isValid()) {
        bad = true;
        return std::nullopt;
    }
    return d;
}

}  // namespace

// The rows as the grid shows them, formatted when painted; overdue rows in red.
class TOKAEshiForm::RowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const std::vector<rt::Row>* rows) {
        beginResetModel();
        rows_ = rows;
        today_ = QDate::currentDate();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !rows_ ? 0 : static_cast<int>(rows_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(kTitles.size());
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < kTitles.size())
            return kTitles[section];
        return {};
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!rows_ || !index.isValid() || index.row() >= rowCount()) return {};
        const rt::Row& r = (*rows_)[static_cast<size_t>(index.row())];
        const bool overdue = r.overdue(today_);
        if (role == Qt::ForegroundRole && overdue) return QColor(0xCC, 0x00, 0x00);
        if (role == Qt::TextAlignmentRole) {
            const bool right = index.column() == kAmount || index.column() == kBudget;
            return QVariant::fromValue(
                Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
        }
        if (role != Qt::DisplayRole) return {};
        return cellText(r, index.column(), overdue);
    }

    static QString cellText(const rt::Row& r, int column, bool overdue) {
        using mz::format::formatDate;
        switch (column) {
            case kDue:
                if (!r.record) return QString();
                if (r.record->due && !r.record->dueDate.isValid()) return u"期日なし"_s;
                return formatDate(r.record->dueDate);
            case kStatus:
                if (!r.record) return u"記録なし"_s;
                return rt::statusText(r.record->status) + (overdue ? u"・超過"_s : QString());
            case kReceived:
                return formatDate(r.received);
            case kName:
                return r.name;
            case kPurpose:
                return r.purpose;
            case kAmount:
                return r.amount ? mz::format::formatYen(*r.amount) : QString();
            case kBudget:
                return rt::budgetText(r.budget);
            case kItem:
                return r.record ? r.record->item : QString();
            case kSent:
                return r.record ? formatDate(r.record->sentDate) : QString();
            default:
                return {};
        }
    }

private:
    const std::vector<rt::Row>* rows_ = nullptr;
    QDate today_;
};

TOKAEshiForm::TOKAEshiForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    styleControls();
    // The return table opens with the window: without it (a data directory that could not be
    // brought up to date) there is no window, and the error says which file is missing.
    rt::openReturnTable();

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TOKAEshiForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TOKAEshiForm::ColorButton2Click));
    connect(ColorButton5, &QPushButton::clicked, this,
            guarded(this, &TOKAEshiForm::ColorButton5Click));
    connect(ColorButton6, &QPushButton::clicked, this,
            guarded(this, &TOKAEshiForm::ColorButton6Click));
    connect(ColorButton7, &QPushButton::clicked, this,
            guarded(this, &TOKAEshiForm::ColorButton7Click));
    connect(ColorButton8, &QPushButton::clicked, this,
            guarded(this, &TOKAEshiForm::ColorButton8Click));
    connect(Grid1, &QTableView::doubleClicked, this, guarded(this, &TOKAEshiForm::Grid1DblClick));
    // Enter in a criterion shows the list, as 表示 does; the status box shows it when changed.
    for (QLineEdit* e :
         {static_cast<QLineEdit*>(Edit1), static_cast<QLineEdit*>(Edit2), Edit3, Edit4})
        connect(e, &QLineEdit::returnPressed, this,
                guarded(this, &TOKAEshiForm::ColorButton5Click));
    connect(ComboBox1, &QComboBox::activated, this,
            guarded(this, &TOKAEshiForm::ColorButton5Click));
    Grid1->installEventFilter(this);

    mz::widgets::centreOnScreen(this);
    mz::platform::runCreationHandler([this] { FormCreate(); });
    Grid1->setFocus();
}

TOKAEshiForm::~TOKAEshiForm() = default;

void TOKAEshiForm::styleControls() {
    using mz::widgets::kGothic;
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;

    mz::widgets::styleFixedWindow(this, Label11);

    mz::widgets::setDataFont({ComboBox1, Edit1, Edit2, Edit3, Edit4, Edit5, Label1, Label2, Label3,
                              Label4, Label5, Label6});
    LabelTotals->setFont(pixelFont(kGothic, 13, true));
    for (TColorButton* b : {ColorButton1, ColorButton2, ColorButton6, ColorButton7, ColorButton8})
        b->setFont(pixelFont(kPGothic, 13));
    ColorButton5->setFont(pixelFont(kPGothic, 15, true));

    if (const mz::data::TableDef* def = mz::data::tableDefForFile(u"Indata.DBF"_s)) {
        Edit1->setMaxBytes(def->fields[static_cast<size_t>(def->fieldIndex(u"氏名"_s))].width);
        Edit2->setMaxBytes(def->fields[static_cast<size_t>(def->fieldIndex(u"目的"_s))].width);
    }
    Edit1->setImeMode(mz::widgets::ImeMode::Hiragana);
    Edit2->setImeMode(mz::widgets::ImeMode::Hiragana);

    model_ = new RowsModel(this);
    Grid1->setModel(model_);
    mz::widgets::setDataFont({Grid1, Grid1->horizontalHeader()});
    const int widths[] = {76, 90, 76, 92, 64, 70, 136, 76, 76};
    for (int c = 0; c < static_cast<int>(std::size(widths)); ++c)
        Grid1->setColumnWidth(c, widths[c]);
    Grid1->horizontalHeader()->setHighlightSections(false);
    Grid1->verticalHeader()->setVisible(false);
    Grid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    Grid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Grid1->setWordWrap(false);
}

void TOKAEshiForm::FormCreate() {
    ComboBox1->clear();
    ComboBox1->addItems(rt::statusFilterTexts());
    ComboBox1->setCurrentIndex(static_cast<int>(rt::StatusFilter::Pending));
    Edit5->setText(mz::format::formatDate(QDate::currentDate()));
    showRows();
}

bool TOKAEshiForm::showRows() {
    rt::Filter f;
    f.status = static_cast<rt::StatusFilter>(std::max(0, ComboBox1->currentIndex()));
    f.purpose = Edit2->text();
    f.name = Edit1->text();
    bool bad = false;
    const std::optional<QDate> from = dateBox(Edit3->text(), bad);
    if (bad) {
        mz::platform::notice(
            this, mz::platform::padded(u"収入日は 2024/03/15 のように入力してください。"_s));
        Edit3->setFocus();
        return false;
    }
    const std::optional<QDate> to = dateBox(Edit4->text(), bad);
    if (bad) {
        mz::platform::notice(
            this, mz::platform::padded(u"収入日は 2024/03/15 のように入力してください。"_s));
        Edit4->setFocus();
        return false;
    }
    f.from = *from;
    f.to = *to;
    if (f.from.isValid() && f.to.isValid() && f.from > f.to) {
        mz::platform::notice(
            this, mz::platform::padded(u"収入日の範囲の始めが終わりより後になっています。"_s));
        Edit3->setFocus();
        return false;
    }
    model_->setRows(nullptr);
    rows_ = rt::gatherRows(f);
    model_->setRows(&rows_);
    LabelTotals->setText(rt::totalsText(rt::totalsOf(rows_, QDate::currentDate())));
    if (!rows_.empty()) Grid1->selectRow(0);
    return true;
}

std::vector<qint32> TOKAEshiForm::selectedNumbers() const {
    std::set<int> rowsSelected;
    for (const QModelIndex& i : Grid1->selectionModel()->selectedRows())
        rowsSelected.insert(i.row());
    std::vector<qint32> out;
    for (int r : rowsSelected)
        if (r >= 0 && r < static_cast<int>(rows_.size()))
            out.push_back(rows_[static_cast<size_t>(r)].incomeNo);
    return out;
}

void TOKAEshiForm::selectNumbers(const std::vector<qint32>& numbers) {
    Grid1->clearSelection();
    bool first = true;
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (std::find(numbers.begin(), numbers.end(), rows_[r].incomeNo) == numbers.end()) continue;
        const QModelIndex index = model_->index(static_cast<int>(r), 0);
        Grid1->selectionModel()->select(index,
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (first) Grid1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        first = false;
    }
}

void TOKAEshiForm::ColorButton5Click() {
    showRows();
}

void TOKAEshiForm::ColorButton6Click() {
    const QModelIndex current = Grid1->currentIndex();
    const std::vector<qint32> selected = selectedNumbers();
    if (selected.empty() || !current.isValid() || current.row() >= static_cast<int>(rows_.size())) {
        mz::platform::notice(this, mz::platform::padded(kNoneSelected));
        return;
    }
    const qint32 number = rows_[static_cast<size_t>(current.row())].incomeNo;
    mz::state().ReturnIncomeNo = number;
    mz::platform::openModal(this, mz::state().OKAEeditForm);
    if (showRows()) selectNumbers({number});
}

void TOKAEshiForm::Grid1DblClick() {
    ColorButton6Click();
}

void TOKAEshiForm::ColorButton7Click() {
    const std::vector<qint32> numbers = selectedNumbers();
    if (numbers.empty()) {
        mz::platform::notice(this, mz::platform::padded(kNoneSelected));
        return;
    }
    const std::optional<QDate> sent = mz::format::parseDate(Edit5->text());
    if (!sent || !sent->isValid()) {
        mz::platform::notice(
            this, mz::platform::padded(u"送付日は 2024/03/15 のように入力してください。"_s));
        Edit5->setFocus();
        return;
    }
    if (!mz::platform::askOkCancel(this, u"確認メッセージ"_s,
                                   u"選んだ %1 件を %2 に送付済にしますか?"_s.arg(numbers.size())
                                       .arg(mz::format::formatDate(*sent))))
        return;
    const int marked =
        rt::markSent(numbers, *sent);  // all or none; an error leaves the list as it was
    mz::platform::notice(this, mz::platform::padded(u"%1 件を送付済にしました。"_s.arg(marked)));
    showRows();
}

void TOKAEshiForm::ColorButton8Click() {
    mz::platform::openModal(this, mz::state().OKAErulesForm);
    showRows();
}

void TOKAEshiForm::ColorButton1Click() {
    if (rows_.empty()) {
        mz::platform::notice(this, mz::platform::padded(u"印刷するお返しがありません。"_s));
        return;
    }
    rt::previewSendingList(this, rows_);
}

void TOKAEshiForm::ColorButton2Click() {
    close();
}

bool TOKAEshiForm::eventFilter(QObject* watched, QEvent* event) {
    // Enter on the grid edits the current row, as a double click does.
    if (watched == Grid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            mz::platform::guarded(this, &TOKAEshiForm::ColorButton6Click)();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
