#pragma once
// Basic vocabulary of the table engine: field types, table layouts, values and engine errors.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <stdexcept>
#include <variant>
#include <vector>

namespace mz::data {

enum class FieldType {
    Number,    // N(20,4): a 64-bit floating-point number; codes and entry numbers are whole
    Date,      // D(8): a calendar date, YYYYMMDD on disk
    Text,      // C(n): n bytes of CP932 text
    Memo,      // M(10): text of any length in the memo file
    Picture,   // B(10): raw bytes (Windows bitmaps) in the memo file
    Logical,   // L(1)
    SmallInt,  // N(6,0): a 16-bit signed integer
};

struct FieldDef {
    QString name;  // the name every caller uses (UTF-8); see diskName() for the stored one
    FieldType type;
    int width;     // bytes in the record
    int decimals;  // for N fields

    // The name as stored in the table and index files (at most 10 bytes of CP932).
    QString diskName() const;
    char typeChar() const;
    bool isMemoLike() const { return type == FieldType::Memo || type == FieldType::Picture; }
};

struct TagDef {
    QString name;   // the tag name callers ask for
    QString field;  // the field it is keyed on
};

struct TableDef {
    QString dbfName;  // spelled as the data directory holds it, e.g. "Kazoku.dbf"
    QString dbtName;  // empty when the table has no memo file
    QString mdxName;
    std::vector<FieldDef> fields;
    std::vector<TagDef> tags;

    bool hasMemo() const { return !dbtName.isEmpty(); }
    // Index of the field with this name (ASCII case ignored, on-disk alias accepted), or -1.
    int fieldIndex(const QString& name) const;
    const TagDef* tagByName(const QString& name) const;
    const TagDef* tagForField(const QString& fieldName) const;
};

// A field value. Empty (null) is std::monostate. Numbers and small integers are doubles, memo
// text is a QString, a picture is its raw bytes.
using Value = std::variant<std::monostate, double, QDate, QString, bool, QByteArray>;

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// Every failure of the table engine: a missing or damaged file, a missing tag, a malformed
// filter text, a value that cannot be stored. The message is meant for the user and names the
// file, field or filter text concerned.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

}  // namespace mz::data
