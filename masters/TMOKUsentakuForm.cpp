#include "masters/TMOKUsentakuForm.h"

#include "data/cursor.h"
#include "masters/masterlook.h"
#include "masters/purposes.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/datasource.h"

using namespace Qt::StringLiterals;
using mz::platform::guarded;
using namespace mz::masters;

TMOKUsentakuForm::TMOKUsentakuForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    styleWindow(this, 323, 326, Label1);
    styleButtons(ColorButton1, ColorButton2);
    setupCategoryTabs(TabControl1);

    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    Table1->open(QString::fromUtf16(kPurposeTable));
    DataSource1->setDataSet(Table1);
    DBGrid1->setDataSource(DataSource1);
    setupPurposeGrid(DBGrid1, true);

    connect(TabControl1, &TTabControl::change, this,
            guarded(this, &TMOKUsentakuForm::TabControl1Change));
    connect(DBGrid1, &TDBGrid::dblClick, this, guarded(this, &TMOKUsentakuForm::DBGrid1DblClick));
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TMOKUsentakuForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TMOKUsentakuForm::ColorButton2Click));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TMOKUsentakuForm::~TMOKUsentakuForm() = default;

void TMOKUsentakuForm::FormCreate() {
    showFirstCategory(*Table1, TabControl1);
}

void TMOKUsentakuForm::TabControl1Change() {
    showSelectedCategory(*Table1, TabControl1);
}

void TMOKUsentakuForm::ColorButton1Click() {
    if (Table1->recordCount() == 0 || Table1->recno() == 0) {
        mz::platform::notice(this, mz::platform::padded(u"目的が選択されていません。"_s));
        return;
    }
    const QString purpose = Table1->text(QString::fromUtf16(kNameField));
    switch (mz::state().PurposeSelectMode) {
    case mz::mode::kPurposeEntry:
        mz::state().EntryPurpose = purpose;
        break;
    case mz::mode::kPurposeCriterion:
        mz::state().SelectedPurpose = purpose;
        break;
    default:
        break;
    }
    close();
}

void TMOKUsentakuForm::DBGrid1DblClick() { ColorButton1Click(); }

void TMOKUsentakuForm::ColorButton2Click() { close(); }
