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
    const PersonTables tables = openPersonTables(this);
    Table1 = tables.person;
    Table2 = tables.household;
    DataSource1 = tables.personSource;
    DataSource2 = tables.householdSource;
    Table1->setIndexFieldNames(kCodeField);

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
