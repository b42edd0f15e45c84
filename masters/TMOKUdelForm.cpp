#include "masters/TMOKUdelForm.h"

#include "data/cursor.h"
#include "masters/masterlook.h"
#include "masters/purposes.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/datasource.h"

using namespace Qt::StringLiterals;
using mz::platform::guarded;
using namespace mz::masters;

TMOKUdelForm::TMOKUdelForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    styleWindow(this, 315, 368, Label1);
    for (QLabel* l : {Label2, Label3, Label4}) styleFieldLabel(l);
    styleHint(Label5);
    setupPurposeBoxes(Memo1, Edit2, ComboBox1);
    styleButtons(ColorButton1, ColorButton2);
    setupCategoryTabs(TabControl1);

    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    Table1->open(QString::fromUtf16(kPurposeTable));
    DataSource1->setDataSet(Table1);
    DBGrid1->setDataSource(DataSource1);
    setupPurposeGrid(DBGrid1, false);
    picker_ = std::make_unique<PurposePicker>(Table1, TabControl1,
                                              PurposeBoxes{Memo1, Edit2, ComboBox1}, this);
    // The boxes only show the record here.
    Edit2->setEnabled(false);
    Edit2->setReadOnly(true);
    ComboBox1->setEnabled(false);

    connect(TabControl1, &TTabControl::change, this,
            guarded(this, &TMOKUdelForm::TabControl1Change));
    connect(DBGrid1, &TDBGrid::cellClick, this,
            [this](int) { guarded(this, &TMOKUdelForm::DBGrid1CellClick)(); });
    connect(DBGrid1, &TDBGrid::focusEntered, this, guarded(this, &TMOKUdelForm::DBGrid1Enter));
    connect(picker_->watch(), &RecordMoveWatch::moved, this, guarded(this, &TMOKUdelForm::Table1AfterScroll));
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TMOKUdelForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TMOKUdelForm::ColorButton2Click));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TMOKUdelForm::~TMOKUdelForm() = default;

void TMOKUdelForm::FormCreate() { picker_->formCreate(); }
void TMOKUdelForm::TabControl1Change() { picker_->tabChange(); }
void TMOKUdelForm::DBGrid1CellClick() { picker_->cellClick(); }
void TMOKUdelForm::DBGrid1Enter() { picker_->gridEnter(); }
void TMOKUdelForm::Table1AfterScroll() { picker_->afterScroll(); }
void TMOKUdelForm::ColorButton2Click() { close(); }

void TMOKUdelForm::ColorButton1Click() {
    // The table layer's own refusal, shown by the error display.
    if (Table1->recno() == 0)
        throw mz::data::EngineError(u"空のデータセットには, この操作は実行できません"_s);
    {
        // One move to the record that takes the deleted one's place, as after any scroll.
        RecordMoveWatch::Hold hold(*picker_->watch());
        Table1->remove();
    }
    Table1AfterScroll();
    mz::platform::notice(this, mz::platform::padded(u"目的が削除されました。"_s));
}
