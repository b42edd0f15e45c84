#include "ledger/TOUTsrchForm.h"

TOUTsrchForm::TOUTsrchForm(QWidget* parent)
    : mz::ledger::LedgerEntryViewForm(mz::ledger::expenseEntrySide(), Role::View, parent) {
    setupUi(this);
    initialise({
        .Label11 = Label11,
        .DBEdit2 = DBEdit2,
        .DBEdit1 = DBEdit1,
        .DBEdit4 = DBEdit4,
        .DBEdit5 = DBEdit5,
        .DBEdit3 = nullptr,
        .DBEdit7 = DBEdit7,
        .DBMemo1 = DBMemo1,
        .DBImage1 = DBImage1,
        .ColorButton1 = ColorButton1,
        .ColorButton2 = ColorButton2,
        .ColorButton3 = ColorButton3,
    });
}

TOUTsrchForm::~TOUTsrchForm() = default;
