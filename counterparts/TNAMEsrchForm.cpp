#include "counterparts/TNAMEsrchForm.h"

#include "counterparts/registration.h"
#include "printouts/printoutforms.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/datasource.h"
#include "widgets/dbgrid.h"

using namespace Qt::StringLiterals;
using namespace mz::counterparts;

TNAMEsrchForm::TNAMEsrchForm(QWidget* parent) : PersonWindow(parent) {
    setupUi(this);

    // The tables open with the window; an error here means there is no window.
    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    Table1->open(kAddressBook);
    Table1->setIndexFieldNames(kCodeField);
    Table2 = new mz::data::Cursor(this);
    Table2->setObjectName(u"Table2"_s);
    Table2->open(kAddressBook);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(Table1);
    DataSource2 = new TDataSource(this);
    DataSource2->setObjectName(u"DataSource2"_s);
    DataSource2->setDataSet(Table2);

    setupPersonWindow(this, Label1, personFields(*this), DataSource1, FieldAccess::ReadOnly);
    setupHouseholdList(Panel1, DBGrid1, DataSource2);
    styleButtons({ColorButton1, ColorButton2, ColorButton3});
    DBNavigator1->setDataSource(DataSource1);

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));
    connect(ColorButton3, &QPushButton::clicked, this, guarded([this] { ColorButton3Click(); }));
    connect(DBNavigator1, &TDBNavigator::clicked, this,
            guarded(this, &TNAMEsrchForm::DBNavigator1Click));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TNAMEsrchForm::~TNAMEsrchForm() = default;

namespace {

// The one-counterpart printout's table filtered to the person numbered `code`.
TRepAite1Form* printoutFor(qint32 code) {
    TRepAite1Form* form = mz::state().RepAite1Form.data();
    if (!form) return nullptr;
    form->MasterTable->setFiltered(true);
    form->MasterTable->setFilter(personFilter(code));
    return form;
}

}  // namespace

void TNAMEsrchForm::FormCreate() {
    if (!selectPerson(*Table1, *Table2, mz::state().CurrentNameCode)) {
        refuseOpening(kPersonMissing);
        return;
    }
    // From the picked person, the navigator browses the whole book in code order.
    mz::data::Cursor::Bookmark picked = Table1->bookmark();
    Table1->setFiltered(false);
    Table1->gotoBookmark(picked);
    Table1->freeBookmark(picked);
}

void TNAMEsrchForm::DBNavigator1Click(TDBNavigator::NavigateBtn) {
    if (Table1->recordCount() == 0) return;
    mz::state().CurrentNameCode = intCode(Table1->number(kCodeField));
    Table2->setFilter(householdFilter(mz::state().CurrentNameCode));
}

void TNAMEsrchForm::ColorButton1Click() {
    if (TRepAite1Form* form = printoutFor(mz::state().CurrentNameCode)) form->QuickRep1->Print(this);
}

void TNAMEsrchForm::ColorButton3Click() {
    if (TRepAite1Form* form = printoutFor(mz::state().CurrentNameCode)) form->QuickRep1->Preview(this);
}

void TNAMEsrchForm::ColorButton2Click() {
    close();
}
