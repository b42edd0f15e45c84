#include "counterparts/TNAMEregi2Form.h"

#include "counterparts/registration.h"
#include "platform/errorreport.h"
#include "platform/keepopen.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/datasource.h"
#include "widgets/dbgrid.h"

using namespace Qt::StringLiterals;
using namespace mz::counterparts;

TNAMEregi2Form::TNAMEregi2Form(QWidget* parent) : PersonWindow(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry

    // The tables open with the window; an error here means there is no window.
    const PersonTables tables = openPersonTables(this);
    Table1 = tables.person;
    Table2 = tables.household;
    DataSource1 = tables.personSource;
    DataSource2 = tables.householdSource;

    setupPersonWindow(this, Label1, personFields(*this), DataSource1, FieldAccess::Editable);
    setupHouseholdList(Panel1, DBGrid1, DataSource2);
    styleButtons({ColorButton1, ColorButton2});

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TNAMEregi2Form::~TNAMEregi2Form() = default;

void TNAMEregi2Form::FormCreate() {
    Table1->setIndexFieldNames(kCodeField);
    Table1->setFiltered(true);
    Table1->setFilter(QString());
    Table2->setFiltered(true);
    Table2->setFilter(householdFilter(mz::state().CurrentNameCode));
    if (Table2->recordCount() == 0) {
        // The picked person and the whole household have gone since the list was read.
        refuseOpening(kPersonMissing);
        return;
    }
    if (!prepareNext()) refuseOpening(kHouseholdFull);
    numberHouseholdMembers(*Table1, mz::state().CurrentNameCode);
}

// The household's codes are stored in rising order, so its last record holds the highest code.
bool TNAMEregi2Form::prepareNext() {
    if (Table2->recordCount() == 0) return false;
    Table2->last();
    const double last = Table2->number(kCodeField);
    const double next = last + 1.0;
    // n×100+99 is the last code of a household; the next one would belong to no household.
    if (!inHousehold(next, last)) return false;
    appendPerson(*Table1, DBEdit1, next, false);
    return true;
}

void TNAMEregi2Form::ColorButton1Click() {
    // A window that refused to open has no record prepared.
    if (Table1->state() != mz::data::Cursor::State::Insert) return;
    if (!requiredFieldsFilled(this, DBEdit1, DBEdit2, DBEdit3)) return;
    if (postPerson(*Table1)) mz::platform::notice(this, mz::platform::padded(kRegistered));
    if (!prepareNext()) {
        mz::platform::notice(this, mz::platform::padded(kHouseholdFull));
        close();
        return;
    }
    DBEdit2->setFocus();
}

// The record prepared for the next member goes with the window, never stored.
void TNAMEregi2Form::ColorButton2Click() {
    close();
}
