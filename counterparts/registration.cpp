#include "counterparts/registration.h"

#include "counterparts/personwindow.h"
#include "data/cursor.h"
#include "platform/platform.h"
#include "widgets/dbedit.h"

namespace mz::counterparts {

bool requiredFieldsFilled(QWidget* window, TDBEdit* code, TDBEdit* name, TDBEdit* reading) {
    for (const TDBEdit* box : {code, name, reading}) {
        if (box->text().isEmpty()) {
            platform::notice(window, platform::padded(kFieldsMissing));
            return false;
        }
    }
    return true;
}

void appendPerson(data::Cursor& table, TDBEdit* codeBox, double code, bool head) {
    table.append();
    table.setValue(kCodeField, code);
    codeBox->setText(codeText(code));
    table.setValue(kHeadField, head);
}

}  // namespace mz::counterparts
