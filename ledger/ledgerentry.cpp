#include "ledger/ledgerentry.h"

#include "counterparts/TNAMEsentakuForm.h"
#include "data/tabledefs.h"
#include "data/types.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "ledger/ledgermanager.h"
#include "ledger/returns.h"
#include "masters/TMOKUsentakuForm.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "printouts/printoutforms.h"
#include "widgets/colorbutton.h"
#include "widgets/datasource.h"
#include "widgets/datetimepicker.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbimage.h"
#include "widgets/dbmemo.h"
#include "widgets/entertab.h"
#include "widgets/fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <limits>

using namespace Qt::StringLiterals;

namespace mz::ledger {

namespace {

const QString kRemarkField = u"物品／備考"_s;
const QString kRemarkPresent = u"有り"_s;

mz::data::Cursor* incomeManagerTable() {
    TINsrSrForm* form = mz::state().INsrSrForm;
    return form ? form->Table1 : nullptr;
}
mz::data::Cursor* expenseManagerTable() {
    TOUTsrSrForm* form = mz::state().OUTsrSrForm;
    return form ? form->Table1 : nullptr;
}
mz::data::Cursor* incomePrintoutTable() {
    TRepIn2Form* form = mz::state().RepIn2Form;
    return form ? form->MasterTable : nullptr;
}
mz::data::Cursor* expensePrintoutTable() {
    TRepOut2Form* form = mz::state().RepOut2Form;
    return form ? form->MasterTable : nullptr;
}
TQuickRep* incomePrintoutReport() {
    TRepIn2Form* form = mz::state().RepIn2Form;
    return form ? form->QuickRep1 : nullptr;
}
TQuickRep* expensePrintoutReport() {
    TRepOut2Form* form = mz::state().RepOut2Form;
    return form ? form->QuickRep1 : nullptr;
}

void styleHeading(QLabel* heading) {
    heading->setFont(mz::widgets::pixelFont(mz::widgets::kPGothic, 16, true));
    QPalette blue = heading->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    heading->setPalette(blue);
    heading->adjustSize();
}

void styleWindow(QDialog* w) {
    w->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint);
    w->setFixedSize(w->size());
    w->setFont(mz::widgets::pixelFont(mz::widgets::kPGothic, 12));
}

void centreOnScreen(QWidget* w) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = w->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        w->move(r.topLeft());
    }
}

// Whether `path` names the neutral picture of the data directory.
bool isPlaceholderPicture(const QString& path) {
    if (path.isEmpty()) return false;
    const QString placeholder =
        QDir(mz::state().DataDir).filePath(QString::fromLatin1(mz::data::kPlaceholderPicture));
    const QString a = QFileInfo(path).canonicalFilePath();
    const QString b = QFileInfo(placeholder).canonicalFilePath();
    if (!a.isEmpty() && !b.isEmpty()) return a == b;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(placeholder).absoluteFilePath());
}

// Opens a selection window in mode `code` that hands its pick back through `answer`, and tells
// whether the user picked. The variable is null while the window is up; a pick sets it (an empty
// name included), and closing without a pick leaves it null, after which it gets its old value
// back. The answer and the mode are both put back when the window throws.
template <class W>
bool pickThrough(QWidget* owner, QPointer<W>& reference, qint32 SharedState::*mode, qint32 code,
                 QString SharedState::*answer) {
    SharedState& st = mz::state();
    const QString before = st.*answer;
    st.*answer = QString();
    struct Restore {
        QString& value;
        const QString& old;
        ~Restore() {
            if (value.isNull()) value = old;
        }
    } restore{st.*answer, before};
    const mz::mode::Scope scope(mode, code);
    mz::platform::openModal(owner, reference);
    return !(st.*answer).isNull();
}

}  // namespace

const EntrySideInfo& incomeEntrySide() {
    static const EntrySideInfo side{
        u"Indata.DBF"_s,
        u"収入番号"_s,
        u"収入日"_s,
        &SharedState::IncomeNo,
        /*hasFamily=*/true,
        u"収入データが登録されました。"_s,
        u"収入データが修正されました。"_s,
        u"収入データが削除されました。"_s,
        &incomeManagerTable,
        &incomePrintoutTable,
        &incomePrintoutReport,
        /*hasReturns=*/true,
    };
    return side;
}

const EntrySideInfo& expenseEntrySide() {
    static const EntrySideInfo side{
        u"Outdata.DBF"_s,
        u"支出番号"_s,
        u"支出日"_s,
        &SharedState::ExpenseNo,
        /*hasFamily=*/false,
        u"支出データが登録されました。"_s,
        u"支出データが修正されました。"_s,
        u"支出データが削除されました。"_s,
        &expenseManagerTable,
        &expensePrintoutTable,
        &expensePrintoutReport,
    };
    return side;
}

QString entryFilter(const EntrySideInfo& side, qint32 number) {
    return side.numberField + u"= "_s + QString::number(number);
}

qint32 nextEntryNumber(mz::data::Cursor& table, const QString& numberField) {
    if (table.recordCount() == 0) return 1;
    table.last();
    const qint32 last = toInt32(table.number(numberField));
    // A ledger whose last number is the largest integer gets no number past it.
    return last == std::numeric_limits<qint32>::max() ? last : last + 1;
}

qint32 nextEntryNumber(const mz::data::Table& table, const QString& numberField) {
    const int field = table.def().fieldIndex(numberField);
    for (quint32 r = table.recordCount(); r >= 1; --r) {
        if (table.isDeleted(r)) continue;
        const mz::data::Value v = table.value(r, field);
        const double* d = std::get_if<double>(&v);
        const qint32 last = toInt32(d ? *d : 0.0);
        return last == std::numeric_limits<qint32>::max() ? last : last + 1;
    }
    return 1;
}

// --- the entry form ----------------------------------------------------------------------

LedgerEntryForm::LedgerEntryForm(const EntrySideInfo& side, Role role, QWidget* parent)
    : QDialog(parent), side_(side), role_(role) {}

LedgerEntryForm::~LedgerEntryForm() = default;

void LedgerEntryForm::initialise(const EntryFormControls& c) {
    heading_ = c.Label11;
    dbEdit2_ = c.DBEdit2;
    dbEdit4_ = c.DBEdit4;
    dbEdit5_ = c.DBEdit5;
    dbEdit7_ = c.DBEdit7;
    dbComboBox1_ = side_.hasFamily ? c.DBComboBox1 : nullptr;
    dbMemo1_ = c.DBMemo1;
    dbImage1_ = c.DBImage1;
    dateTimePicker1_ = c.DateTimePicker1;
    bitBtnGazo_ = c.BitBtnGazo;
    bitBtnGazoDel_ = c.BitBtnGazoDel;
    colorButton1_ = c.ColorButton1;
    colorButton2_ = c.ColorButton2;
    colorButton3_ = c.ColorButton3;
    colorButton4_ = c.ColorButton4;

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

    dbEdit2_->setDataSource(DataSource1);
    dbEdit2_->setDataField(side_.numberField);
    dbEdit4_->setDataSource(DataSource1);
    dbEdit4_->setDataField(u"氏名"_s);
    dbEdit5_->setDataSource(DataSource1);
    dbEdit5_->setDataField(u"目的"_s);
    if (dbComboBox1_) {
        dbComboBox1_->setDataSource(DataSource1);
        dbComboBox1_->setDataField(u"家族名"_s);
    }
    dbEdit7_->setDataSource(DataSource1);
    dbEdit7_->setDataField(u"金額"_s);
    dbMemo1_->setDataSource(DataSource1);
    dbMemo1_->setDataField(u"物品"_s);
    dbImage1_->setDataSource(DataSource1);
    dbImage1_->setDataField(u"写真"_s);

    // The open-picture dialog is the platform's; this part only carries its filter.
    openPictureDialog1_ = new QObject(this);
    openPictureDialog1_->setObjectName(u"OpenPictureDialog1"_s);
    openPictureDialog1_->setProperty("Filter", kPictureFilter);

    mz::widgets::EnterAsTab::install(this);
    connectHandlers();
    centreOnScreen(this);

    mz::platform::runCreationHandler([this] { FormCreate(); });
    dbEdit4_->setFocus();
}

void LedgerEntryForm::styleControls() {
    using mz::widgets::ImeMode;
    using mz::widgets::kGothic;
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;

    styleWindow(this);
    styleHeading(heading_);

    const QFont dataFont = pixelFont(kGothic, 12);
    for (QWidget* w : std::initializer_list<QWidget*>{dbEdit2_, dbEdit4_, dbEdit5_, dbEdit7_,
                                                      dbComboBox1_, dbMemo1_, dateTimePicker1_})
        if (w) w->setFont(dataFont);
    const QFont caption = pixelFont(kPGothic, 13);
    colorButton1_->setFont(caption);
    colorButton2_->setFont(caption);

    dbEdit2_->setEnabled(false);
    dbEdit2_->setReadOnly(true);
    dbEdit2_->setMaxLength(8);
    dbEdit4_->setImeMode(ImeMode::Hiragana);
    dbEdit5_->setImeMode(ImeMode::Hiragana);
    if (dbComboBox1_) {
        dbComboBox1_->setEditable(true);
        dbComboBox1_->setImeMode(ImeMode::Hiragana);
    }
    dbEdit7_->setMaxLength(9);
    dbEdit7_->setImeMode(ImeMode::Off);
    dbMemo1_->setImeMode(ImeMode::Hiragana);
    dbMemo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbImage1_->setStretch(true);
    dateTimePicker1_->setImeMode(ImeMode::Off);
    dateTimePicker1_->setDisplayFormat(u"yyyy/MM/dd"_s);
}

void LedgerEntryForm::connectHandlers() {
    using mz::platform::guarded;
    using Self = LedgerEntryForm;
    connect(colorButton1_, &QPushButton::clicked, this, guarded(this, &Self::ColorButton1Click));
    connect(colorButton2_, &QPushButton::clicked, this, guarded(this, &Self::ColorButton2Click));
    connect(colorButton3_, &QPushButton::clicked, this, guarded(this, &Self::ColorButton3Click));
    connect(colorButton4_, &QPushButton::clicked, this, guarded(this, &Self::ColorButton4Click));
    connect(bitBtnGazo_, &QPushButton::clicked, this, guarded(this, &Self::BitBtnGazoClick));
    connect(bitBtnGazoDel_, &QPushButton::clicked, this, guarded(this, &Self::BitBtnGazoDelClick));
    // Only the registration windows react to leaving the name and purpose edits.
    if (role_ == Role::Register) {
        dbEdit4_->installEventFilter(this);
        dbEdit5_->installEventFilter(this);
    }
}

bool LedgerEntryForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window leaves an edit; another window coming
        // up (a selection window, a message box) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == dbEdit4_)
                mz::platform::guarded(this, &LedgerEntryForm::dbEdit4Exit)();
            else if (watched == dbEdit5_)
                mz::platform::guarded(this, &LedgerEntryForm::dbEdit5Exit)();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LedgerEntryForm::FormCreate() {
    if (role_ == Role::Register) {
        mz::state().*(side_.entryNo) = nextEntryNumber(*Table1, side_.numberField);
        // The number shown is the one expected; the post decides it again under the table's
        // lock, where no other Mizorel registering at the same moment can take it too.
        // The return record of an income entry is written there too, once the number is
        // decided, so that the entry and its record go in together.
        if (side_.hasReturns && returns::returnTableExists())
            newReturn_ = std::make_unique<returns::NewEntryReturn>();
        Table1->setAppendCompletion([field = side_.numberField, companion = newReturn_.get()](
                                        mz::data::Table& t, mz::data::FieldChanges& changes) {
            mz::data::setChange(changes, t.def().fieldIndex(field), double(nextEntryNumber(t, field)));
            if (companion) companion->write(t, changes);
        });
    } else {
        Table1->setFiltered(true);
        Table1->setFilter(entryFilter(side_, mz::state().*(side_.entryNo)));
        Table1->edit();  // an error when the entry is gone: the window stays empty
    }
    if (side_.hasFamily && Table2 && dbComboBox1_) {
        QStringList names;
        for (Table2->first(); !Table2->eof(); Table2->next()) names << Table2->text(u"家族名"_s);
        dbComboBox1_->addItems(names);
    }
    if (role_ == Role::Register) {
        startNewEntry();
    } else {
        const QDate date = Table1->date(side_.dateField);
        if (date.isValid()) dateTimePicker1_->setDate(date);
        dateTimePicker1_->setDisplayFormat(u"yyyy/MM/dd"_s);
    }
}

void LedgerEntryForm::startNewEntry() {
    Table1->append();
    dbEdit2_->setText(QString::number(mz::state().*(side_.entryNo)));
    dateTimePicker1_->setDate(QDate::currentDate());
    dateTimePicker1_->setDisplayFormat(u"yyyy/MM/dd"_s);
    // The picture state belongs to the entry being shown.
    PictureFile.clear();
    PictureCleared = false;
}

void LedgerEntryForm::dbEdit4Exit() {
    mz::state().EntryName.clear();
}

void LedgerEntryForm::dbEdit5Exit() {
    mz::state().EntryPurpose.clear();
}

bool LedgerEntryForm::requiredDataPresent() const {
    if (dbEdit4_->text().isEmpty() || dbEdit5_->text().isEmpty()) return false;
    if (side_.hasFamily && dbComboBox1_ && dbComboBox1_->text().isEmpty()) return false;
    return !dbEdit7_->text().isEmpty() || !dbMemo1_->text().isEmpty();
}

void LedgerEntryForm::ColorButton1Click() {
    using mz::data::Cursor;
    if (!requiredDataPresent()) {
        mz::platform::notice(this, mz::platform::padded(kMissingData));
        return;
    }
    const Cursor::State expected =
        role_ == Role::Register ? Cursor::State::Insert : Cursor::State::Edit;
    if (Table1->state() != expected)
        throw mz::data::EngineError(role_ == Role::Register ? u"登録するデータがありません"_s
                                                            : u"修正するデータがありません"_s);

    Table1->setValue(side_.dateField, dateTimePicker1_->date());
    const bool hasMemo = !dbMemo1_->text().isEmpty();
    if (hasMemo)
        Table1->setValue(kRemarkField, kRemarkPresent);
    else if (role_ == Role::Edit)
        Table1->setValue(kRemarkField, QString());
    bool postedCleanly = true;
    if (newReturn_) newReturn_->begin();
    try {
        Table1->post();  // a refused value stops here: nothing is written, the entry stays as typed
    } catch (const mz::data::ChangeStoredError&) {
        // Stored once although a later write failed: the user is told so, and the window moves
        // on as after a post, so that pressing again cannot store the entry a second time.
        mz::platform::reportCurrentException();
        postedCleanly = false;
    } catch (...) {
        // The entry is not stored: neither is its return record.
        if (newReturn_) newReturn_->undo();
        throw;
    }

    if (role_ == Role::Register) {
        if (postedCleanly) mz::platform::notice(this, mz::platform::padded(side_.registeredMessage));
        mz::state().*(side_.entryNo) = nextEntryNumber(*Table1, side_.numberField);
        startNewEntry();
        dbEdit4_->setFocus();
        return;
    }
    if (postedCleanly) mz::platform::notice(this, mz::platform::padded(side_.editedMessage));
    if (side_.hasReturns && returns::returnTableExists()) {
        // A return record still as it was made follows the entry's new purpose and date.
        try {
            returns::followEntryEdit(mz::state().*(side_.entryNo), dbEdit5_->text(),
                                     dateTimePicker1_->date());
        } catch (const mz::data::EngineError& e) {
            mz::platform::notice(
                this, u"お返しの記録を更新できませんでした。お返し管理で確かめてください。\n"_s +
                          e.message());
        }
    }
    if (mz::data::Cursor* grid = side_.managerTable ? side_.managerTable() : nullptr)
        grid->refresh();
    close();
}

void LedgerEntryForm::ColorButton2Click() {
    // The record that was not posted goes with the window's cursor.
    close();
}

void LedgerEntryForm::ColorButton3Click() {
    // A selection window closed without a pick leaves the name as it is.
    if (pickThrough(this, mz::state().NAMEsentakuForm, &SharedState::NameSelectMode,
                    mz::mode::kNameEntry, &SharedState::EntryName))
        dbEdit4_->setText(mz::state().EntryName);
    dbEdit5_->setFocus();
}

void LedgerEntryForm::ColorButton4Click() {
    if (pickThrough(this, mz::state().MOKUsentakuForm, &SharedState::PurposeSelectMode,
                    mz::mode::kPurposeEntry, &SharedState::EntryPurpose))
        dbEdit5_->setText(mz::state().EntryPurpose);
    if (dbComboBox1_)
        dbComboBox1_->setFocus();
    else
        dbEdit7_->setFocus();
}

void LedgerEntryForm::BitBtnGazoClick() {
    const QString path = mz::platform::openFileName(this, kPictureFilter, QDir::rootPath());
    if (path.isEmpty()) return;
    dbImage1_->loadFromFile(path);  // throws, keeping the picture shown, for a bad file
    PictureFile = path;
    PictureCleared = false;
}

void LedgerEntryForm::BitBtnGazoDelClick() {
    if (!dbImage1_->hasPicture()) return;
    if (isPlaceholderPicture(PictureFile) || PictureCleared) return;
    if (!mz::platform::askOkCancel(this, kDeletePictureTitle, kDeletePictureQuestion)) return;
    // The neutral picture is looked up in the data directory, which a file dialog may have
    // moved away from.
    mz::platform::setCurrentDir(mz::state().DataDir);
    dbImage1_->loadFromFile(QString::fromLatin1(mz::data::kPlaceholderPicture));
    PictureCleared = true;
}

// --- the read-only form ------------------------------------------------------------------

LedgerEntryViewForm::LedgerEntryViewForm(const EntrySideInfo& side, Role role, QWidget* parent)
    : QDialog(parent), side_(side), role_(role) {}

LedgerEntryViewForm::~LedgerEntryViewForm() = default;

void LedgerEntryViewForm::initialise(const EntryViewControls& c) {
    c_ = c;
    if (!side_.hasFamily) c_.DBEdit3 = nullptr;
    if (role_ != Role::View) c_.ColorButton3 = nullptr;
    styleControls();

    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    Table1->open(side_.tableFile);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(Table1);
    DataSource1->setAutoEdit(false);

    const std::pair<TDBEdit*, QString> edits[] = {
        {c_.DBEdit2, side_.numberField}, {c_.DBEdit1, side_.dateField}, {c_.DBEdit4, u"氏名"_s},
        {c_.DBEdit5, u"目的"_s},         {c_.DBEdit3, u"家族名"_s},     {c_.DBEdit7, u"金額"_s},
    };
    for (const auto& [e, field] : edits) {
        if (!e) continue;
        e->setDataSource(DataSource1);
        e->setDataField(field);
    }
    c_.DBMemo1->setDataSource(DataSource1);
    c_.DBMemo1->setDataField(u"物品"_s);
    c_.DBImage1->setDataSource(DataSource1);
    c_.DBImage1->setDataField(u"写真"_s);

    using mz::platform::guarded;
    using Self = LedgerEntryViewForm;
    connect(c_.ColorButton1, &QPushButton::clicked, this, guarded(this, &Self::ColorButton1Click));
    connect(c_.ColorButton2, &QPushButton::clicked, this, guarded(this, &Self::ColorButton2Click));
    if (c_.ColorButton3)
        connect(c_.ColorButton3, &QPushButton::clicked, this, guarded(this, &Self::preview));
    centreOnScreen(this);

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

void LedgerEntryViewForm::styleControls() {
    using mz::widgets::kGothic;
    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;

    styleWindow(this);
    styleHeading(c_.Label11);
    const QFont dataFont = pixelFont(kGothic, 12);
    for (TDBEdit* e : {c_.DBEdit2, c_.DBEdit1, c_.DBEdit4, c_.DBEdit5, c_.DBEdit3, c_.DBEdit7}) {
        if (e) {
            e->setFont(dataFont);
            e->setReadOnly(true);
        }
    }
    c_.DBEdit2->setEnabled(false);
    c_.DBEdit2->setMaxLength(8);
    c_.DBMemo1->setFont(dataFont);
    c_.DBMemo1->setReadOnly(true);
    c_.DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c_.DBImage1->setStretch(true);
    const QFont caption = pixelFont(kPGothic, 13);
    for (TColorButton* b : {c_.ColorButton1, c_.ColorButton2, c_.ColorButton3})
        if (b) b->setFont(caption);
}

void LedgerEntryViewForm::FormCreate() {
    Table1->setFiltered(true);
    Table1->setFilter(entryFilter(side_, mz::state().*(side_.entryNo)));
    // The delete window holds the entry in edit state until it is deleted or the window closes;
    // its controls stay read-only.
    if (role_ == Role::Delete) Table1->edit();
}

TQuickRep* LedgerEntryViewForm::printoutForEntry() {
    mz::data::Cursor* table = side_.printoutTable ? side_.printoutTable() : nullptr;
    TQuickRep* report = side_.printoutReport ? side_.printoutReport() : nullptr;
    if (!table || !report) throw mz::data::EngineError(u"印刷用のフォームがありません"_s);
    table->setFiltered(true);
    table->setFilter(entryFilter(side_, mz::state().*(side_.entryNo)));
    return report;
}

void LedgerEntryViewForm::ColorButton1Click() {
    if (role_ == Role::View) {
        printoutForEntry()->Print(this);
        return;
    }
    // At once, without a question; an error when the entry is gone. An income entry's return
    // record goes in the same step.
    if (side_.hasReturns && returns::returnTableExists())
        returns::removeEntryWithReturn(*Table1, mz::state().*(side_.entryNo));
    else
        Table1->remove();
    mz::platform::notice(this, mz::platform::padded(side_.deletedMessage));
    if (mz::data::Cursor* grid = side_.managerTable ? side_.managerTable() : nullptr)
        grid->refresh();
    close();
}

void LedgerEntryViewForm::preview() {
    // Returns when the preview has been closed.
    printoutForEntry()->Preview(this);
}

void LedgerEntryViewForm::ColorButton2Click() {
    close();
}

}  // namespace mz::ledger
