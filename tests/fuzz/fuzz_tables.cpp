// Opens a record, memo and index file triple made from fuzz input and reads everything the
// windows would read: every value, every order. Damaged files must give an EngineError, never a
// crash, a hang or undefined behaviour.
#include "data/cursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstring>

namespace {

void writeFile(const QString& path, const uint8_t* data, size_t size) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    if (size < 8) return 0;
    // The first two 32-bit numbers split the rest into the three files.
    uint32_t a = 0, b = 0;
    std::memcpy(&a, data, 4);
    std::memcpy(&b, data + 4, 4);
    data += 8;
    size -= 8;
    const size_t dbfSize = a % (size + 1);
    const size_t dbtSize = b % (size - dbfSize + 1);
    writeFile(dir.filePath(QStringLiteral("Indata.DBF")), data, dbfSize);
    writeFile(dir.filePath(QStringLiteral("Indata.DBT")), data + dbfSize, dbtSize);
    writeFile(dir.filePath(QStringLiteral("Indata.MDX")), data + dbfSize + dbtSize, size - dbfSize - dbtSize);
    try {
        mz::data::Cursor c;
        c.open(dir.filePath(QStringLiteral("Indata.DBF")));
        int n = 0;
        for (c.first(); !c.eof() && n < 1000; c.next(), ++n)
            for (int f = 0; f < static_cast<int>(c.def().fields.size()); ++f) (void)c.value(f);
        c.setIndexName(QStringLiteral("収入日"));
        for (c.first(); !c.eof() && n < 2000; c.next(), ++n) (void)c.date(QStringLiteral("収入日"));
    } catch (const mz::data::EngineError&) {
    }
    return 0;
}
