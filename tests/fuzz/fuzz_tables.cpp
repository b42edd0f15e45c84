// Opens a record, memo and index file triple of any of the five tables made from fuzz input and
// reads everything the windows would read: every value in record order, every tag's order.
// Damaged files must give an EngineError, never a crash, a hang or undefined behaviour.
#include "data/cursor.h"
#include "fuzzinput.h"

#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const mz::data::TableDef* def = mz::fuzz::writeTableFiles(QDir(dir.path()), data, size);
    if (!def) return 0;
    try {
        mz::data::Cursor c;
        c.open(QDir(dir.path()).filePath(def->dbfName));
        int n = 0;
        for (c.first(); !c.eof() && n < 1000; c.next(), ++n)
            for (int f = 0; f < static_cast<int>(def->fields.size()); ++f) (void)c.value(f);
        for (const mz::data::TagDef& tag : def->tags) {
            c.setIndexName(tag.name);
            for (c.first(); !c.eof() && n < 3000; c.next(), ++n) (void)c.value(tag.field);
        }
    } catch (const mz::data::EngineError&) {
    }
    return 0;
}
