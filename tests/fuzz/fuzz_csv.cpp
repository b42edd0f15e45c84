// Reads arbitrary bytes as a spreadsheet's CSV file: the encoding is detected, the text split into
// rows, and every field read as a date in each form and as an amount. A malformed file must give
// an ExchangeError, never a crash, a hang or undefined behaviour; rows that were read must come
// back unchanged when written and read again.
#include "exchange/csv.h"
#include "exchange/values.h"

#include <cstdint>

using namespace mz::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Encoding encoding = detectEncoding(bytes);
    CsvRows rows;
    try {
        rows = parseCsv(decodeText(bytes, encoding));
    } catch (const ExchangeError&) {
        return 0;
    }
    for (const QStringList& row : rows)
        for (const QString& field : row) {
            for (DateFormat f : {DateFormat::Slash, DateFormat::Dash, DateFormat::Wareki}) (void)parseDate(field, f);
            (void)parseAmount(field);
        }
    if (rows.empty()) return 0;
    const QStringList header = rows.front();
    const CsvRows body(rows.begin() + 1, rows.end());
    if (parseCsv(csvText(header, body)) != rows) __builtin_trap();
    return 0;
}
