#include "ledger/TOUTsrSrForm.h"

#include "platform/keepopen.h"

TOUTsrSrForm::TOUTsrSrForm(QWidget* parent)
    : mz::ledger::LedgerManagerForm(mz::ledger::expenseSide(), parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    initialise({
        .Label11 = Label11,
        .CheckBox1 = CheckBox1,
        .CheckBox2 = CheckBox2,
        .CheckBox3 = nullptr,
        .CheckBox4 = CheckBox4,
        .Edit1 = Edit1,
        .Edit2 = Edit2,
        .ComboBox1 = nullptr,
        .MaskEditDate1 = MaskEditDate1,
        .MaskEditDate2 = MaskEditDate2,
        .Label1 = Label1,
        .DBGrid1 = DBGrid1,
        .LabelTotals = LabelTotals,
        .ColorButtons = {nullptr, ColorButton1, ColorButton2, ColorButton3, ColorButton4,
                         ColorButton5, ColorButton6, ColorButton7, ColorButton8, ColorButton9,
                         ColorButton10, ColorButton11, nullptr},
    });
}

TOUTsrSrForm::~TOUTsrSrForm() = default;
