#pragma once
// The input layout of the table targets: one byte choosing one of the five tables, then two
// 32-bit little-endian numbers that split the rest into its record, memo and index files (any
// input is valid: the numbers are taken modulo what is left). Seeds are made by
// mizorel-fuzzseeds (tests/fuzz/seedgen.cpp).

#include "data/tabledefs.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstring>

namespace mz::fuzz {

inline void writeFile(const QString& path, const uint8_t* data, size_t size) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

// Writes the table files of the input into dir; returns the table, or nullptr for an input too
// short to choose one.
inline const mz::data::TableDef* writeTableFiles(const QDir& dir, const uint8_t* data, size_t size) {
    if (size < 9) return nullptr;
    const auto& defs = mz::data::tableDefs();
    const mz::data::TableDef& def = defs[data[0] % defs.size()];
    uint32_t a = 0, b = 0;
    std::memcpy(&a, data + 1, 4);
    std::memcpy(&b, data + 5, 4);
    data += 9;
    size -= 9;
    const size_t dbfSize = a % (size + 1);
    const size_t dbtSize = b % (size - dbfSize + 1);
    writeFile(dir.filePath(def.dbfName), data, dbfSize);
    if (def.hasMemo()) writeFile(dir.filePath(def.dbtName), data + dbfSize, dbtSize);
    writeFile(dir.filePath(def.mdxName), data + dbfSize + dbtSize, size - dbfSize - dbtSize);
    return &def;
}

// The seed layout for a table whose files are given.
inline QByteArray packTableFiles(int table, const QByteArray& dbf, const QByteArray& dbt, const QByteArray& mdx) {
    QByteArray out(9, '\0');
    out[0] = static_cast<char>(table);
    const uint32_t a = static_cast<uint32_t>(dbf.size()), b = static_cast<uint32_t>(dbt.size());
    std::memcpy(out.data() + 1, &a, 4);
    std::memcpy(out.data() + 5, &b, 4);
    return out + dbf + dbt + mdx;
}

}  // namespace mz::fuzz
