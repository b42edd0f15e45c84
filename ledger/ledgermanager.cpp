#include "ledger/ledgermanager.h"

#include "ledger/TINdelForm.h"
#include "ledger/TINeditForm.h"
#include "ledger/TINregiForm.h"
#include "ledger/TINsrchForm.h"
#include "ledger/TOUTdelForm.h"
#include "ledger/TOUTeditForm.h"
#include "ledger/TOUTregiForm.h"
#include "ledger/TOUTsrchForm.h"
#include "ledger/totalsline.h"

#include "masters/TKAZOregiForm.h"
#include "masters/TMOKUregiForm.h"
#include "masters/TMOKUsentakuForm.h"

#include "counterparts/TNAMEkubunForm.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "data/tabledefs.h"
#include "data/types.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "printouts/printoutforms.h"
#include "spreadsheet/TCSVoutForm.h"
#include "widgets/colorbutton.h"
#include "widgets/datasource.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/fonts.h"
#include "widgets/format.h"
#include "widgets/maskedit.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace mz::ledger {

namespace {

const QString kDateMask = u"9999/99/99;1; "_s;

mz::data::Cursor* incomeListTable() {
    TRepIn1Form* form = mz::state().RepIn1Form;
    return form ? form->MasterTable : nullptr;
}

mz::data::Cursor* expenseListTable() {
    TRepOut1Form* form = mz::state().RepOut1Form;
    return form ? form->MasterTable : nullptr;
}

}  // namespace

// The registration and single-entry windows of each side, opened with the management window as
// their owner.
const LedgerSideInfo& incomeSide() {
    static const LedgerSideInfo side{
        LedgerSide::Income,
        u"Indata.DBF"_s,
        u"収入番号"_s,
        u"収入日"_s,
        &SharedState::IncomeNo,
        /*hasFamily=*/true,
        /*purposePickFocusesFamily=*/true,
        EntryWindow::View,
        EntryWindow::Edit,
        // Both grids open the entry on a double click: a user who learnt it on one ledger
        // expects it on the other.
        /*gridDoubleClickViews=*/true,
        mz::widgets::kPGothic,
        {
            {u"氏名"_s, u"氏  名"_s, -1, Qt::AlignLeft},
            {u"収入日"_s, u"収入日"_s, 65, Qt::AlignLeft},
            {u"目的"_s, u"目  的"_s, -1, Qt::AlignLeft},
            {u"家族名"_s, u"家族名"_s, -1, Qt::AlignLeft},
            {u"金額"_s, u"金  額"_s, 78, Qt::AlignRight, true},
            {u"物品／備考"_s, u"物品／備考"_s, -1, Qt::AlignHCenter},
        },
        &incomeListTable,
        [](QWidget* o) {
            if (auto* f = mz::state().RepIn1Form.data()) f->QuickRep1->Preview(o);
        },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().INregiForm); },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().INsrchForm); },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().INeditForm); },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().INdelForm); },
    };
    return side;
}

const LedgerSideInfo& expenseSide() {
    static const LedgerSideInfo side{
        LedgerSide::Expense,
        u"Outdata.DBF"_s,
        u"支出番号"_s,
        u"支出日"_s,
        &SharedState::ExpenseNo,
        /*hasFamily=*/false,
        /*purposePickFocusesFamily=*/false,
        EntryWindow::Edit,
        EntryWindow::View,
        /*gridDoubleClickViews=*/true,
        mz::widgets::kGothic,
        {
            {u"氏名"_s, u"氏  名"_s, 112, Qt::AlignLeft},
            {u"支出日"_s, u"支出日"_s, 73, Qt::AlignLeft},
            {u"目的"_s, u"目  的"_s, 89, Qt::AlignLeft},
            {u"金額"_s, u"金  額"_s, 85, Qt::AlignRight, true},
            {u"物品／備考"_s, u"物品／備考"_s, 89, Qt::AlignHCenter},
        },
        &expenseListTable,
        [](QWidget* o) {
            if (auto* f = mz::state().RepOut1Form.data()) f->QuickRep1->Preview(o);
        },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().OUTregiForm); },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().OUTsrchForm); },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().OUTeditForm); },
        [](QWidget* o) { mz::platform::openModal(o, mz::state().OUTdelForm); },
    };
    return side;
}

qint32 toInt32(double value) {
    if (!std::isfinite(value)) return 0;
    const double r = std::round(value);
    if (r <= static_cast<double>(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (r >= static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(r);
}

LedgerManagerForm::LedgerManagerForm(const LedgerSideInfo& side, QWidget* parent)
    : QDialog(parent), side_(side) {}

LedgerManagerForm::~LedgerManagerForm() = default;

void LedgerManagerForm::initialise(const LedgerManagerControls& c) {
    heading_ = c.Label11;
    checkBox1_ = c.CheckBox1;
    checkBox2_ = c.CheckBox2;
    checkBox3_ = side_.hasFamily ? c.CheckBox3 : nullptr;
    checkBox4_ = c.CheckBox4;
    edit1_ = c.Edit1;
    edit2_ = c.Edit2;
    comboBox1_ = side_.hasFamily ? c.ComboBox1 : nullptr;
    maskEditDate1_ = c.MaskEditDate1;
    maskEditDate2_ = c.MaskEditDate2;
    label1_ = c.Label1;
    dbGrid1_ = c.DBGrid1;
    buttons_ = c.ColorButtons;
    if (!side_.hasFamily) buttons_[12] = nullptr;

    styleControls();

    // The tables open with the window; an error here means there is no window.
    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    Table1->open(side_.tableFile);
    if (side_.hasFamily) {
        Table2 = new mz::data::Cursor(this);
        Table2->setObjectName(u"Table2"_s);
        Table2->open(u"Kazoku.dbf"_s);
    }
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(Table1);
    dbGrid1_->setDataSource(DataSource1);
    // The count and sum of what the grid shows, on the line under it.
    new TotalsLine(Table1, c.LabelTotals);

    connectHandlers();

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    mz::platform::runCreationHandler([this] { FormCreate(); });
    edit1_->setFocus();
}

void LedgerManagerForm::styleControls() {
    using mz::widgets::kGothic;
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;

    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setFont(pixelFont(kPGothic, 12));

    heading_->setFont(pixelFont(kPGothic, 16, true));
    QPalette blue = heading_->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    heading_->setPalette(blue);
    heading_->adjustSize();

    const QFont dataFont = pixelFont(kGothic, 12);
    for (QWidget* w : std::initializer_list<QWidget*>{
             checkBox1_, checkBox2_, checkBox3_, checkBox4_, edit1_, edit2_, comboBox1_,
             maskEditDate1_, maskEditDate2_, label1_, dbGrid1_, buttons_[3], buttons_[4]})
        if (w) w->setFont(dataFont);
    dbGrid1_->setTitleFont(dataFont);
    label1_->adjustSize();

    const QFont caption = pixelFont(kPGothic, 13);
    for (int i : {1, 2, 6, 7, 8, 9, 10, 11, 12})
        if (TColorButton* b = buttons_[static_cast<size_t>(i)]) b->setFont(caption);
    buttons_[5]->setFont(pixelFont(side_.searchButtonFamily, 15, true));

    // Criteria take at most what their field holds (CP932 bytes).
    const mz::data::TableDef* def = mz::data::tableDefForFile(side_.tableFile);
    auto width = [def](const QString& field) {
        if (!def) return 0;
        const int i = def->fieldIndex(field);
        return i < 0 ? 0 : def->fields[static_cast<size_t>(i)].width;
    };
    edit1_->setMaxBytes(width(u"氏名"_s));
    edit2_->setMaxBytes(width(u"目的"_s));
    edit1_->setImeMode(mz::widgets::ImeMode::Hiragana);
    edit2_->setImeMode(mz::widgets::ImeMode::Hiragana);
    if (comboBox1_) {
        comboBox1_->setMaxBytes(width(u"家族名"_s));
        comboBox1_->setImeMode(mz::widgets::ImeMode::Hiragana);
    }
    for (TMaskEdit* m : {maskEditDate1_, maskEditDate2_}) {
        m->setEditMask(kDateMask);
        m->setImeMode(mz::widgets::ImeMode::Off);
    }

    dbGrid1_->setColumns(side_.columns);
}

void LedgerManagerForm::connectHandlers() {
    using mz::platform::guarded;
    using Self = LedgerManagerForm;
    connect(checkBox1_, &QCheckBox::toggled, this, guarded([this] { CheckBox1Click(); }));
    connect(checkBox2_, &QCheckBox::toggled, this, guarded([this] { CheckBox2Click(); }));
    connect(checkBox4_, &QCheckBox::toggled, this, guarded([this] { CheckBox4Click(); }));
    if (checkBox3_)
        connect(checkBox3_, &QCheckBox::toggled, this, guarded([this] { checkBox3Click(); }));
    if (comboBox1_)
        connect(comboBox1_, &TComboBox::textEditedByUser, this,
                guarded([this] { comboBox1Change(); }));

    // Leaving a criterion: the handlers run once the focus has settled on the control that
    // receives it, so that they can see which control that is and may put the focus back.
    for (QWidget* w : std::initializer_list<QWidget*>{edit1_, edit2_, comboBox1_, maskEditDate1_,
                                                      maskEditDate2_})
        if (w) w->installEventFilter(this);

    const std::array<void (Self::*)(), 13> clicks{
        nullptr,
        &Self::ColorButton1Click,
        &Self::ColorButton2Click,
        &Self::ColorButton3Click,
        &Self::ColorButton4Click,
        &Self::ColorButton5Click,
        &Self::ColorButton6Click,
        &Self::ColorButton7Click,
        &Self::ColorButton8Click,
        &Self::ColorButton9Click,
        &Self::ColorButton10Click,
        &Self::ColorButton11Click,
        &Self::colorButton12Click,
    };
    for (size_t i = 1; i < clicks.size(); ++i)
        if (TColorButton* b = buttons_[i])
            connect(b, &QPushButton::clicked, this,
                    guarded([this, h = clicks[i]] { (this->*h)(); }));

    if (side_.gridDoubleClickViews)
        connect(dbGrid1_, &TDBGrid::dblClick, this, guarded([this] { gridDoubleClick(); }));

    // CSV書き出し of the entries found: from the grid's context menu and Ctrl+E, so that no
    // control of the window moves for it.
    auto* csvExport = new QAction(u"検索結果をCSVに書き出す(&E)..."_s, this);
    csvExport->setObjectName(u"CsvExport1"_s);
    csvExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    csvExport->setShortcutContext(Qt::WindowShortcut);
    addAction(csvExport);
    dbGrid1_->addAction(csvExport);
    dbGrid1_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(csvExport, &QAction::triggered, this, guarded([this] { CsvExportClick(); }));
}

void LedgerManagerForm::CsvExportClick() {
    SharedState& st = mz::state();
    st.CsvExportTable = side_.tableFile;
    st.CsvExportRows.clear();
    // The rows of the grid, in its order.
    for (int row = 0; row < Table1->recordCount(); ++row) st.CsvExportRows.push_back(Table1->recnoAt(row));
    const mz::mode::Scope scope(&SharedState::CsvExportMode, mz::mode::kCsvExportRows);
    mz::platform::openModal(this, st.CSVoutForm);
    st.CsvExportRows.clear();
}

bool LedgerManagerForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window leaves a criterion; another window
        // coming up (a selection window, a message box, a drop-down list) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == edit1_)
                exitLater(&LedgerManagerForm::Edit1Exit);
            else if (watched == edit2_)
                exitLater(&LedgerManagerForm::Edit2Exit);
            else if (watched == comboBox1_)
                exitLater(&LedgerManagerForm::comboBox1Exit);
            else if (watched == maskEditDate1_)
                exitLater(&LedgerManagerForm::MaskEditDate1Exit);
            else if (watched == maskEditDate2_)
                exitLater(&LedgerManagerForm::MaskEditDate2Exit);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LedgerManagerForm::exitLater(void (LedgerManagerForm::*handler)()) {
    QTimer::singleShot(0, this, mz::platform::guarded([this, handler] { (this->*handler)(); }));
}

QWidget* LedgerManagerForm::receivingControl() const {
    return focusWidget();
}

bool LedgerManagerForm::resultIsEmpty() const {
    return Table1->eof() && Table1->recordCount() == 0;
}

// --- creation ----------------------------------------------------------------------------

void LedgerManagerForm::FormCreate() {
    mz::state().SelectedName.clear();
    mz::state().SelectedPurpose.clear();
    Table1->setFiltered(true);
    Table1->setIndexFieldNames(side_.dateField);
    if (side_.hasFamily && Table2 && comboBox1_) {
        QStringList names;
        for (Table2->first(); !Table2->eof(); Table2->next()) names << Table2->text(u"家族名"_s);
        comboBox1_->addItems(names);
    }
}

// --- check boxes: clearing one clears its criterion ---------------------------------------

void LedgerManagerForm::CheckBox1Click() {
    if (!checkBox1_->isChecked()) edit1_->setText(QString());
}

void LedgerManagerForm::CheckBox2Click() {
    if (!checkBox2_->isChecked()) edit2_->setText(QString());
}

void LedgerManagerForm::checkBox3Click() {
    if (checkBox3_ && comboBox1_ && !checkBox3_->isChecked()) comboBox1_->setEditText(QString());
}

void LedgerManagerForm::CheckBox4Click() {
    if (!checkBox4_->isChecked()) {
        maskEditDate1_->setMaskedText(kEmptyMaskedDate);
        maskEditDate2_->setMaskedText(kEmptyMaskedDate);
    }
}

// --- leaving a criterion ------------------------------------------------------------------

void LedgerManagerForm::Edit1Exit() {
    mz::state().SelectedName.clear();
    if (receivingControl() == buttons_[3]) return;
    checkBox1_->setChecked(!edit1_->text().isEmpty());
}

void LedgerManagerForm::Edit2Exit() {
    mz::state().SelectedPurpose.clear();
    if (receivingControl() == buttons_[4]) return;
    checkBox2_->setChecked(!edit2_->text().isEmpty());
}

void LedgerManagerForm::comboBox1Exit() {
    if (checkBox3_ && comboBox1_) checkBox3_->setChecked(!comboBox1_->text().isEmpty());
}

void LedgerManagerForm::comboBox1Change() {
    comboBox1Exit();
}

void LedgerManagerForm::MaskEditDate1Exit() {
    leaveDate(maskEditDate1_, maskEditDate2_);
}

void LedgerManagerForm::MaskEditDate2Exit() {
    leaveDate(maskEditDate2_, maskEditDate1_);
}

void LedgerManagerForm::leaveDate(TMaskEdit* edit, TMaskEdit* other) {
    const QString text = edit->maskedText();
    if (text != kEmptyMaskedDate) {
        if (!mz::format::parseDate(text)) {
            edit->setMaskedText(kEmptyMaskedDate);
            edit->setFocus();
            throw mz::data::EngineError(u"'%1' は日付ではありません"_s.arg(text));
        }
        if (receivingControl() != checkBox4_) checkBox4_->setChecked(true);
        return;
    }
    if (other->maskedText() == kEmptyMaskedDate && receivingControl() != other)
        checkBox4_->setChecked(false);
}

// --- picking criteria ---------------------------------------------------------------------

void LedgerManagerForm::ColorButton3Click() {
    {
        const mz::mode::Scope scope(&SharedState::NameSelectMode, mz::mode::kNameCriterion);
        mz::platform::openModal(this, mz::state().NAMEsentakuForm);
    }
    if (!mz::state().SelectedName.isEmpty()) edit1_->setText(mz::state().SelectedName);
    edit2_->setFocus();
    checkBox1_->setChecked(!edit1_->text().isEmpty());
}

void LedgerManagerForm::ColorButton4Click() {
    {
        const mz::mode::Scope scope(&SharedState::PurposeSelectMode, mz::mode::kPurposeCriterion);
        mz::platform::openModal(this, mz::state().MOKUsentakuForm);
    }
    if (!mz::state().SelectedPurpose.isEmpty()) edit2_->setText(mz::state().SelectedPurpose);
    if (side_.purposePickFocusesFamily && comboBox1_) comboBox1_->setFocus();
    checkBox2_->setChecked(!edit2_->text().isEmpty());
}

// --- adding master data -------------------------------------------------------------------

void LedgerManagerForm::ColorButton10Click() {
    const mz::mode::Scope scope(&SharedState::NameSelectMode, mz::mode::kNameAddFamily);
    mz::platform::openModal(this, mz::state().NAMEkubunForm);
}

void LedgerManagerForm::ColorButton11Click() {
    mz::platform::openModal(this, mz::state().MOKUregiForm);
}

void LedgerManagerForm::colorButton12Click() {
    mz::platform::openModal(this, mz::state().KAZOregiForm);
    // The family list is not reloaded afterwards: a new member shows at the next opening.
}

// --- working on entries -------------------------------------------------------------------

void LedgerManagerForm::openHidden(OpenWindow opener) {
    // The window hides while the entry window is up and comes back when it has been destroyed.
    const bool wasVisible = isVisible();
    hide();
    if (opener) opener(this);
    if (wasVisible) show();
}

void LedgerManagerForm::openEntryWindow(EntryWindow which) {
    if (resultIsEmpty()) {
        mz::platform::notice(this, mz::platform::padded(kNothingSelected));
        return;
    }
    mz::state().*(side_.entryNo) = toInt32(Table1->number(side_.numberField));
    switch (which) {
        case EntryWindow::View:
            openHidden(side_.openView);
            break;
        case EntryWindow::Edit:
            openHidden(side_.openEdit);
            break;
        case EntryWindow::Delete:
            openHidden(side_.openDelete);
            break;
    }
}

void LedgerManagerForm::ColorButton1Click() {
    openEntryWindow(side_.colorButton1Role);
}
void LedgerManagerForm::ColorButton8Click() {
    openEntryWindow(side_.colorButton8Role);
}
void LedgerManagerForm::ColorButton9Click() {
    openEntryWindow(EntryWindow::Delete);
}
void LedgerManagerForm::gridDoubleClick() {
    openEntryWindow(EntryWindow::View);
}

void LedgerManagerForm::ColorButton7Click() {
    // Entries registered meanwhile appear at the next search; the grid is not re-read here.
    openHidden(side_.openRegistration);
}

void LedgerManagerForm::ColorButton6Click() {
    if (resultIsEmpty()) {
        mz::platform::notice(this, mz::platform::padded(kNothingSearched));
        return;
    }
    if (mz::data::Cursor* list = side_.listPrintoutTable ? side_.listPrintoutTable() : nullptr) {
        // The list gets the grid's filter text unchanged; its cursor keeps the engine's default
        // options, so letters are compared with their case there.
        list->setFiltered(true);
        list->setFilter(Table1->filter());
    }
    // The handler returns when the preview has been closed.
    if (side_.previewListPrintout) side_.previewListPrintout(this);
}

void LedgerManagerForm::ColorButton5Click() {
    Table1->setCaseInsensitive(true);
    LedgerCriteria c;
    c.name = edit1_->text();
    c.purpose = edit2_->text();
    if (comboBox1_) c.family = comboBox1_->text();
    c.from = maskEditDate1_->maskedText();
    c.to = maskEditDate2_->maskedText();
    const QString filter = BuildLedgerFilter(side_.side, c);
    Table1->setFilter(filter);
    const bool noCriteria = filter == NoCriteriaFilter(side_.side);
    if (noCriteria) mz::platform::notice(this, mz::platform::padded(kNoCriteria));
    if (Table1->recordCount() == 0 && !noCriteria)
        mz::platform::notice(this, mz::platform::padded(kNoMatch));
}

void LedgerManagerForm::ColorButton2Click() {
    close();
}

}  // namespace mz::ledger
