#include "counterparts/TNAMEregi1Form.h"

#include "counterparts/registration.h"
#include "platform/errorreport.h"
#include "platform/keepopen.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/datasource.h"

using namespace Qt::StringLiterals;
using namespace mz::counterparts;

TNAMEregi1Form::TNAMEregi1Form(QWidget* parent) : PersonWindow(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry

    // The table opens with the window; an error here means there is no window.
    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    Table1->open(kAddressBook);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(Table1);

    setupPersonWindow(this, Label1, personFields(*this), DataSource1, FieldAccess::Editable);
    styleButtons({ColorButton1, ColorButton2});

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TNAMEregi1Form::~TNAMEregi1Form() = default;

void TNAMEregi1Form::FormCreate() {
    Table1->setIndexFieldNames(kCodeField);
    Table1->setFiltered(true);
    Table1->setFilter(QString());
    numberNewHouseholds(*Table1);
    prepareNext();
}

// The first code of the block after the block of the highest code; 101 in an empty book.
void TNAMEregi1Form::prepareNext() {
    double next = kFirstCode;
    if (Table1->recordCount() > 0) {
        Table1->last();
        next = newHouseholdCode(Table1->number(kCodeField));
    }
    appendPerson(*Table1, DBEdit1, next, true);
}

void TNAMEregi1Form::ColorButton1Click() {
    // A window that refused to open has no record prepared.
    if (Table1->state() != mz::data::Cursor::State::Insert) return;
    if (!requiredFieldsFilled(this, DBEdit1, DBEdit2, DBEdit3)) return;
    if (postPerson(*Table1)) mz::platform::notice(this, mz::platform::padded(kRegistered));
    prepareNext();
    DBEdit2->setFocus();
}

// The record prepared for the next registration goes with the window, never stored.
void TNAMEregi1Form::ColorButton2Click() {
    close();
}
