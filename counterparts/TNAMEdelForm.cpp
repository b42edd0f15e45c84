#include "counterparts/TNAMEdelForm.h"

#include "counterparts/registration.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/datasource.h"
#include "widgets/dbgrid.h"

using namespace Qt::StringLiterals;
using namespace mz::counterparts;

TNAMEdelForm::TNAMEdelForm(QWidget* parent) : PersonWindow(parent) {
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
    styleButtons({ColorButton1, ColorButton2});

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TNAMEdelForm::~TNAMEdelForm() = default;

void TNAMEdelForm::FormCreate() {
    if (!selectPerson(*Table1, *Table2, mz::state().CurrentNameCode)) refuseOpening(kPersonMissing);
}

// Deletes without asking first; only this one record goes.
void TNAMEdelForm::ColorButton1Click() {
    if (Table1->recordCount() == 0) return;  // a window that refused to open
    Table1->remove();
    mz::platform::notice(this, mz::platform::padded(u"データが削除されました。"_s));
    // The selection window that opened this one lists the person no more.
    if (TNAMEsentakuForm* selection = mz::state().NAMEsentakuForm.data())
        selection->Table1->refresh();
    close();
}

void TNAMEdelForm::ColorButton2Click() {
    close();
}
