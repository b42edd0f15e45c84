// Posts into a table made from fuzz input, as the windows do after reading it: a new record with
// a value in every field (memo text and a picture included), an edit of the first record in a
// tag's order and a delete. Damaged files must give an EngineError, never a crash, a hang or
// undefined behaviour; and a post that reports success must be listed exactly once by every
// tag's order, which must hold every live record.
#include "data/cursor.h"
#include "fuzzinput.h"

#include <QTemporaryDir>

#include <algorithm>

using namespace mz::data;

namespace {

Value sampleValue(const FieldDef& f, int variant) {
    switch (f.type) {
        case FieldType::Text: return variant ? QStringLiteral("ﾔﾏﾀﾞ") : QStringLiteral("山田 太郎");
        case FieldType::Number: return double(101 + variant);
        case FieldType::SmallInt: return double(2 + variant);
        case FieldType::Date: return QDate(2024, 3, 15).addDays(variant * 400);
        case FieldType::Logical: return variant == 0;
        case FieldType::Memo: return variant ? Value{} : Value{QStringLiteral("商品券 一万円")};
        case FieldType::Picture: return variant ? Value{} : Value{grayBitmap(2, 2)};
    }
    return {};
}

// A successful post leaves every order listing each live record once.
void checkOrders(Table& t, quint32 posted) {
    for (const TagDef& tag : t.def().tags) {
        const std::vector<quint32>& order = t.order(tag.name);
        if (order.size() != t.liveCount()) __builtin_trap();
        if (posted && std::count(order.begin(), order.end(), posted) != 1) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const TableDef* def = mz::fuzz::writeTableFiles(QDir(dir.path()), data, size);
    if (!def) return 0;
    try {
        Cursor c;
        c.open(QDir(dir.path()).filePath(def->dbfName));
        c.append();
        for (int f = 0; f < static_cast<int>(def->fields.size()); ++f)
            c.setValue(f, sampleValue(def->fields[static_cast<size_t>(f)], 0));
        c.post();
        checkOrders(c.table(), c.recno());
        c.setIndexName(def->tags.front().name);
        c.first();
        c.edit();
        for (int f = 0; f < static_cast<int>(def->fields.size()); ++f)
            c.setValue(f, sampleValue(def->fields[static_cast<size_t>(f)], 1));
        c.post();
        checkOrders(c.table(), c.recno());
        c.last();
        c.remove();
        checkOrders(c.table(), 0);
        for (c.first(); !c.eof(); c.next())
            for (int f = 0; f < static_cast<int>(def->fields.size()); ++f) (void)c.value(f);
    } catch (const EngineError&) {
    }
    return 0;
}
