#include "counterparts/registration.h"

#include "counterparts/personwindow.h"
#include "data/cursor.h"
#include "platform/errorreport.h"
#include "platform/platform.h"
#include "widgets/dbedit.h"

#include <optional>

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

namespace {

// The highest code of the book (in (low, high) when given), or nothing.
std::optional<double> highestCode(const data::Table& t, double low = -1e300, double high = 1e300) {
    const int field = t.def().fieldIndex(kCodeField);
    std::optional<double> best;
    for (quint32 r = 1; r <= t.recordCount(); ++r) {
        if (t.isDeleted(r)) continue;
        const data::Value v = t.value(r, field);
        const double* code = std::get_if<double>(&v);
        if (code && *code > low && *code < high && (!best || *code > *best)) best = *code;
    }
    return best;
}

}  // namespace

void numberNewHouseholds(data::Cursor& table) {
    table.setAppendCompletion([](data::Table& t, data::FieldChanges& changes) {
        const std::optional<double> highest = highestCode(t);
        data::setChange(changes, t.def().fieldIndex(kCodeField), highest ? newHouseholdCode(*highest) : kFirstCode);
    });
}

void numberHouseholdMembers(data::Cursor& table, double member) {
    const double base = householdBase(member);
    table.setAppendCompletion([base](data::Table& t, data::FieldChanges& changes) {
        const std::optional<double> last = highestCode(t, base, base + 100.0);
        if (!last) throw data::EngineError(kPersonMissing);
        if (!inHousehold(*last + 1.0, *last)) throw data::EngineError(kHouseholdFull);
        data::setChange(changes, t.def().fieldIndex(kCodeField), *last + 1.0);
    });
}

bool postPerson(data::Cursor& table) {
    try {
        table.post();
    } catch (const data::ChangeStoredError&) {
        platform::reportCurrentException();
        return false;
    }
    return true;
}

}  // namespace mz::counterparts
