#include "masters/TMOKUeditForm.h"

#include "data/cursor.h"
#include "masters/masterlook.h"
#include "masters/purposes.h"
#include "platform/errorreport.h"
#include "platform/keepopen.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/datasource.h"

using namespace Qt::StringLiterals;
using mz::platform::guarded;
using namespace mz::masters;

TMOKUeditForm::TMOKUeditForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    styleWindow(this, 317, 373, Label1);
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

    connect(TabControl1, &TTabControl::change, this,
            guarded(this, &TMOKUeditForm::TabControl1Change));
    connect(DBGrid1, &TDBGrid::cellClick, this,
            [this](int) { guarded(this, &TMOKUeditForm::DBGrid1CellClick)(); });
    connect(DBGrid1, &TDBGrid::focusEntered, this, guarded(this, &TMOKUeditForm::DBGrid1Enter));
    connect(picker_->watch(), &RecordMoveWatch::moved, this, guarded(this, &TMOKUeditForm::Table1AfterScroll));
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TMOKUeditForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TMOKUeditForm::ColorButton2Click));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TMOKUeditForm::~TMOKUeditForm() = default;

void TMOKUeditForm::FormCreate() { picker_->formCreate(); }
void TMOKUeditForm::TabControl1Change() { picker_->tabChange(); }
void TMOKUeditForm::DBGrid1CellClick() { picker_->cellClick(); }
void TMOKUeditForm::DBGrid1Enter() { picker_->gridEnter(); }
void TMOKUeditForm::Table1AfterScroll() { picker_->afterScroll(); }
void TMOKUeditForm::ColorButton2Click() { close(); }

void TMOKUeditForm::ColorButton1Click() {
    const QString name = Edit2->text();
    const QString category = ComboBox1->text();
    if (name.isEmpty() || category.isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(u"目的の名称又は区分が設定されていません。"_s));
        Edit2->setFocus();
        return;
    }
    // An empty list has no record to correct; nothing is written, so no record without a code
    // can come into the table.
    if (Table1->recno() == 0) {
        mz::platform::notice(this, mz::platform::padded(u"修正する目的がありません。"_s));
        Edit2->setFocus();
        return;
    }
    {
        // The corrected record may leave the category shown; the boxes keep their texts.
        RecordMoveWatch::Hold hold(*picker_->watch());
        Table1->edit();
        try {
            Table1->setValue(QString::fromUtf16(kNameField), name);
            writeCategory(*Table1, category);
            Table1->post();
        } catch (...) {
            Table1->cancel();
            throw;
        }
    }
    mz::platform::notice(this, mz::platform::padded(u"目的が修正されました。"_s));
    Edit2->setFocus();
}
