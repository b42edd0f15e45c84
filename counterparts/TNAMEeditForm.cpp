#include "counterparts/TNAMEeditForm.h"

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

TNAMEeditForm::TNAMEeditForm(QWidget* parent) : PersonWindow(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry

    // The tables open with the window; an error here means there is no window.
    const PersonTables tables = openPersonTables(this);
    Table1 = tables.person;
    Table2 = tables.household;
    DataSource1 = tables.personSource;
    DataSource2 = tables.householdSource;
    Table1->setIndexFieldNames(kCodeField);

    setupPersonWindow(this, Label1, personFields(*this), DataSource1, FieldAccess::Editable);
    setupHouseholdList(Panel1, DBGrid1, DataSource2);
    styleButtons({ColorButton1, ColorButton2});

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TNAMEeditForm::~TNAMEeditForm() = default;

void TNAMEeditForm::FormCreate() {
    if (!selectPerson(*Table1, *Table2, mz::state().CurrentNameCode)) refuseOpening(kPersonMissing);
}

void TNAMEeditForm::ColorButton1Click() {
    if (Table1->recordCount() == 0) return;  // a window that refused to open
    if (Table1->state() == mz::data::Cursor::State::Browse) Table1->edit();
    if (!requiredFieldsFilled(this, DBEdit1, DBEdit2, DBEdit3)) return;
    Table1->post();
    mz::platform::notice(this, mz::platform::padded(u"データが修正されました。"_s));
    close();
}

// Changes typed but not stored go with the window.
void TNAMEeditForm::ColorButton2Click() {
    close();
}
