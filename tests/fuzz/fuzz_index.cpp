// Opens an index file (.MDX) made from fuzz input for any of the five tables and works it as a
// post does: reads every tag, inserts and removes keys, and rebuilds a tag it finds damaged.
// Damaged files must give an EngineError, never a crash, a hang or undefined behaviour; a rebuilt
// tag must read back exactly what it was rebuilt with.
#include "data/fieldcodec.h"
#include "data/mdx.h"
#include "data/tabledefs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace mz::data;

namespace {

IndexKey keyFor(const FieldDef& f, int i) {
    Value v;
    switch (f.type) {
        case FieldType::Text: v = QStringLiteral("ｱｲｳ%1").arg(i); break;
        case FieldType::Date: v = QDate(2020, 1, 1).addDays(i * 13); break;
        default: v = double(i * 7 % 50); break;
    }
    return makeIndexKey(f, encodeField(f, v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    if (size < 1) return 0;
    const auto& defs = tableDefs();
    const TableDef& def = defs[data[0] % defs.size()];
    const QString path = QDir(dir.path()).filePath(def.mdxName);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
    }
    try {
        MdxFile mdx(path, def);
        for (const TagDef& tag : def.tags) {
            if (!mdx.hasTag(tag.name)) continue;
            const FieldDef& field = def.fields[static_cast<size_t>(def.fieldIndex(tag.field))];
            try {
                (void)mdx.read(tag.name);
                for (int i = 1; i <= 40; ++i) mdx.insert(tag.name, keyFor(field, i), quint32(i));
                for (int i = 1; i <= 40; i += 3) mdx.remove(tag.name, keyFor(field, i), quint32(i));
                (void)mdx.read(tag.name);
            } catch (const EngineError&) {
                std::vector<MdxEntry> entries;
                for (int i = 1; i <= 30; ++i) entries.push_back({keyFor(field, i), quint32(i)});
                std::stable_sort(entries.begin(), entries.end(),
                                 [](const MdxEntry& a, const MdxEntry& b) { return a.key < b.key; });
                mdx.rebuild(tag.name, entries);
                const std::vector<MdxEntry> back = mdx.read(tag.name);
                if (back.size() != entries.size()) __builtin_trap();
                for (size_t i = 0; i < back.size(); ++i)
                    if (back[i].recno != entries[i].recno) __builtin_trap();
            }
        }
    } catch (const EngineError&) {
    }
    return 0;
}
