#pragma once
// Shift-JIS (code page 932) text as it is stored in the table files. Only the engine sees CP932;
// everything above it works with QString.

#include <QByteArray>
#include <QString>

#include <optional>

namespace mz::data::cp932 {

// The CP932 bytes of text, or nothing when text holds a character CP932 cannot hold.
std::optional<QByteArray> encode(const QString& text);

// The text of CP932 bytes. Bytes that are not valid CP932 become U+FFFD; decoding never fails.
QString decode(QByteArrayView bytes);

// Length of the CP932 character that starts with byte b: 2 for a lead byte, else 1.
inline int charLength(unsigned char b) {
    return ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
}

// The longest prefix of bytes that fits in maxBytes without splitting a two-byte character.
QByteArray truncate(const QByteArray& bytes, int maxBytes);

// Width of text in CP932 bytes (a character CP932 cannot hold counts two).
int byteWidth(const QString& text);

// The first character of text that CP932 cannot hold, or an empty string.
QString firstUnencodable(const QString& text);

}  // namespace mz::data::cp932
