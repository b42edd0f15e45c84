#include "ledger/TINsrchForm.h"

TINsrchForm::TINsrchForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::incomeEntrySide(), Role::View, parent) {
    setupUi(this);
    initialise({
        .Label11 = Label11,
        .DBEdit2 = DBEdit2,
        .DBEdit1 = DBEdit1,
        .DBEdit4 = DBEdit4,
        .DBEdit5 = DBEdit5,
        .DBEdit3 = DBEdit3,
        .DBEdit7 = DBEdit7,
        .DBMemo1 = DBMemo1,
        .DBImage1 = DBImage1,
        .ColorButton1 = ColorButton1,
        .ColorButton2 = ColorButton2,
        .ColorButton3 = ColorButton3,
    });
}

TINsrchForm::~TINsrchForm() = default;
