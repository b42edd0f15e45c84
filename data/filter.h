#pragma once
// Filter texts of the table engine. A text is parsed once against a table layout into a small
// expression program; the program is then evaluated on the raw bytes of each record, so that
// filtering a large table never decodes a field into a QString.
//
// The texts the windows build:
//   comparison  = field-name blanks? operator blanks? literal
//   operator    = "=" | "<" | ">" | "<=" | ">=" | "<>"
//   literal     = number (optional sign, digits, optional fraction)
//               | 'text' with an inner quote written twice; a date is 'yyyy/mm/dd'
//   expression  = term { or term };  term = factor { and factor }
//   factor      = "(" expression ")" | comparison
// "and" and "or" are matched without regard to letter case; "and" binds tighter than "or".
// A text literal ending in * matches every value that begins with the text before the *.

#include "data/types.h"

#include <QByteArrayView>

#include <memory>

namespace mz::data {

namespace filterimpl {
struct Program;
}

class Filter {
public:
    // The empty filter: passes every record.
    Filter();

    // Parses text for a table. An empty or all-blank text passes every record. Throws
    // EngineError, quoting the text, when the text is malformed, names a field the table does
    // not have (or a memo or picture field), or holds a literal that does not suit its field.
    static Filter parse(const QString& text, const TableDef& def);

    const QString& text() const { return text_; }  // exactly as given to parse()
    bool isEmpty() const { return !program_; }

    // record: the whole raw record, deletion flag first, then the fields in layout order. A
    // record shorter than the layout reads the missing bytes as blanks. With caseInsensitive,
    // ASCII and full-width Latin letters compare without regard to case.
    bool matches(QByteArrayView record, bool caseInsensitive) const;

private:
    QString text_;
    std::shared_ptr<const filterimpl::Program> program_;  // immutable, shared by copies
};

}  // namespace mz::data
