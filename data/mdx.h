#pragma once
// The production index (.MDX): a dBASE IV multiple index file holding one B-tree per tag. The
// engine keeps it in step with every post and delete; other dBASE tools can read it.

#include "data/binaryfile.h"
#include "data/indexkey.h"

#include <functional>
#include <memory>
#include <vector>

namespace mz::data {

struct MdxEntry {
    IndexKey key;
    quint32 recno;  // 1-based record number in the .DBF
};

class MdxFile {
public:
    // Writes a new index file at path with every tag of def. entriesOf(tag) gives the keys of
    // that tag in any order. The .DBF's name (without extension) is recorded in the header.
    static void create(const QString& path, const TableDef& def,
                       const std::function<std::vector<MdxEntry>(const TagDef&)>& entriesOf);

    // Opens an existing index and reads its tag table. Throws EngineError naming the file when it
    // is not a dBASE IV multiple index or is damaged.
    MdxFile(const QString& path, const TableDef& def);
    ~MdxFile();

    QStringList tagNames() const;  // as callers spell them (相手先コード, not 相手先ｺｰﾄﾞ)
    bool hasTag(const QString& tagName) const;

    // Every entry of the tag in key order (equal keys by record number). Throws EngineError
    // when the tag is missing or its tree is damaged (a loop, a block past the end, keys out of
    // order), never loops or crashes on a damaged file.
    std::vector<MdxEntry> read(const QString& tagName) const;
    // The same entries handed to each one at a time, none of them kept.
    void forEach(const QString& tagName, const std::function<void(const MdxEntry&)>& each) const;

    // Keep the tag in step with one record. These touch only the blocks on the key's path
    // (plus new blocks on a split), never the whole tree.
    void insert(const QString& tagName, const IndexKey& key, quint32 recno);
    void remove(const QString& tagName, const IndexKey& key, quint32 recno);

    // Replaces the tag's whole tree with these entries (used to repair a damaged index).
    void rebuild(const QString& tagName, std::vector<MdxEntry> entries);

    void flush();

    // The file, for the table's undo log, locks and syncs; false when it opened read-only.
    BinaryFile& file();
    bool isWritable() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace mz::data
