#pragma once
// Keys of the production index: what a tag sorts on, and the order it sorts in. The in-memory
// orders of a table and the B-trees of its .MDX file use the same keys and the same order.

#include "data/types.h"

#include <algorithm>
#include <compare>
#include <cstring>

namespace mz::data {

struct IndexKey {
    char type = 'C';   // 'C' text, 'N' number, 'D' date
    QByteArray text;   // C: CP932 bytes padded with blanks to the field's width
    double number = 0; // N: the value (empty = 0); D: the Julian day (empty = 0)

    // C keys sort in CP932 byte order, N and D keys numerically.
    std::weak_ordering operator<=>(const IndexKey& o) const {
        if (type == 'C') {
            const int c = std::memcmp(text.constData(), o.text.constData(),
                                      static_cast<size_t>(std::min(text.size(), o.text.size())));
            if (c != 0) return c < 0 ? std::weak_ordering::less : std::weak_ordering::greater;
            return text.size() <=> o.text.size();
        }
        if (number < o.number) return std::weak_ordering::less;
        if (number > o.number) return std::weak_ordering::greater;
        return std::weak_ordering::equivalent;
    }
    bool operator==(const IndexKey& o) const { return (*this <=> o) == 0; }
};

// The key of a field from its raw record bytes (the field's slice of the record).
IndexKey makeIndexKey(const FieldDef& field, QByteArrayView raw);

}  // namespace mz::data
