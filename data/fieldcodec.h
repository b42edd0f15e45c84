#pragma once
// The bytes of one field inside a dBASE record, and the values they stand for.

#include "data/types.h"

namespace mz::data {

// The value of a non-memo field from its raw bytes. Blank bytes are the empty value. A number or
// date that does not parse is empty too (a damaged field costs that field, not the table).
Value decodeField(const FieldDef& field, QByteArrayView raw);

// Memo and picture fields hold the number of their first memo block, or blanks.
quint32 decodeMemoBlock(QByteArrayView raw);
QByteArray encodeMemoBlock(quint32 block, int width);

// Raw bytes (exactly field.width of them) for value. Text is converted to CP932 and cut to the
// field's width at a character boundary. Throws EngineError naming the field when the value
// cannot be stored (a character CP932 cannot hold, a number too wide, a value of the wrong kind).
QByteArray encodeField(const FieldDef& field, const Value& value);

// Text fields: the stored text with its padding blanks removed.
QByteArrayView trimmedText(QByteArrayView raw);

}  // namespace mz::data
