#pragma once
// Comma-separated files as spreadsheet programs read and write them (RFC 4180): a header row of
// column names, then one row per record; fields holding a comma, a double quote or a line break
// are quoted, a quote inside doubled. Files are written as UTF-8 with a byte-order mark (which
// spreadsheet programs need to take the text as Japanese) or as Shift-JIS (CP932) for older
// ones, and read in either, told apart by their bytes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace mz::exchange {

// A failure of reading or writing a file, or a value that cannot be taken. The message is
// Japanese and meant for the user.
class ExchangeError : public std::runtime_error {
public:
    explicit ExchangeError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

enum class Encoding {
    Utf8Bom,  // UTF-8 with a byte-order mark: what files are written in unless asked otherwise
    Utf8,     // UTF-8 without one (read only: files of other programs)
    Cp932,    // Shift-JIS as Windows writes it
};

// The user's name of an encoding: "UTF-8 (BOM付き)", "UTF-8", "シフトJIS".
QString encodingName(Encoding encoding);

using CsvRows = std::vector<QStringList>;

// One CSV text: the header, then the rows, each line ended by CR LF. Rows may have any number of
// fields.
QString csvText(const QStringList& header, const CsvRows& rows);

// The bytes of csvText in the encoding. Throws ExchangeError naming the row and the character
// when Shift-JIS cannot hold a character (row 1 is the header).
QByteArray csvBytes(const QStringList& header, const CsvRows& rows, Encoding encoding = Encoding::Utf8Bom);

// Writes the file all or nothing: the rows go to a temporary file beside it, which replaces the
// file only once it is complete, so a full disk or a cancelled write leaves any earlier file
// as it was. Throws ExchangeError with the reason in Japanese.
void writeCsvFile(const QString& path, const QStringList& header, const CsvRows& rows,
                  Encoding encoding = Encoding::Utf8Bom);

// The encoding of a file's bytes: UTF-8 with a byte-order mark, else UTF-8 when every byte
// sequence is valid UTF-8 (plain ASCII included), else Shift-JIS.
Encoding detectEncoding(QByteArrayView bytes);

// The text of the bytes in that encoding, byte-order mark removed. Bytes that are not valid in
// it become U+FFFD.
QString decodeText(QByteArrayView bytes, Encoding encoding);

// Splits CSV text into rows of fields. Line ends may be CR LF, LF or CR; a quoted field keeps its
// line breaks as they are. A quote inside an unquoted field is taken as it stands. A blank last
// line is no row. Throws ExchangeError when a quoted field is not closed, naming its line.
CsvRows parseCsv(const QString& text);

// Reads the whole file (a missing or unreadable file is an ExchangeError naming it).
QByteArray readFileBytes(const QString& path);

}  // namespace mz::exchange
