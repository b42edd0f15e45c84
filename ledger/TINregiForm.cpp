#include "ledger/TINregiForm.h"

#include "platform/keepopen.h"

TINregiForm::TINregiForm(QWidget* parent)
    : mz::ledger::LedgerEntryForm(mz::ledger::incomeEntrySide(), Role::Register, parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise({
        .Label11 = Label11,
        .DBEdit2 = DBEdit2,
        .DBEdit4 = DBEdit4,
        .DBEdit5 = DBEdit5,
        .DBEdit7 = DBEdit7,
        .DBComboBox1 = DBComboBox1,
        .DBMemo1 = DBMemo1,
        .DBImage1 = DBImage1,
        .DateTimePicker1 = DateTimePicker1,
        .BitBtnGazo = BitBtnGazo,
        .BitBtnGazoDel = BitBtnGazoDel,
        .ColorButton1 = ColorButton1,
        .ColorButton2 = ColorButton2,
        .ColorButton3 = ColorButton3,
        .ColorButton4 = ColorButton4,
    });
}

TINregiForm::~TINregiForm() = default;
