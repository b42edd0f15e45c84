#include "exchange/csv.h"

#include "data/cp932.h"
#include "data/syserror.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>

namespace mz::exchange {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

bool needsQuotes(const QString& field) {
    for (const QChar c : field)
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r') return true;
    return false;
}

void appendLine(QString& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) out += u',';
        const QString& f = fields[i];
        if (needsQuotes(f)) {
            out += u'"';
            for (const QChar c : f) {
                if (c == u'"') out += u'"';
                out += c;
            }
            out += u'"';
        } else {
            out += f;
        }
    }
    out += QStringLiteral("\r\n");
}

}  // namespace

QString encodingName(Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf8Bom: return QStringLiteral("UTF-8 (BOM付き)");
        case Encoding::Utf8: return QStringLiteral("UTF-8");
        case Encoding::Cp932: return QStringLiteral("シフトJIS");
    }
    return QString();
}

QString csvText(const QStringList& header, const CsvRows& rows) {
    QString out;
    appendLine(out, header);
    for (const QStringList& r : rows) appendLine(out, r);
    return out;
}

QByteArray csvBytes(const QStringList& header, const CsvRows& rows, Encoding encoding) {
    if (encoding != Encoding::Cp932) {
        const QByteArray body = csvText(header, rows).toUtf8();
        return encoding == Encoding::Utf8Bom ? kUtf8Bom + body : body;
    }
    // Line by line, so that a character Shift-JIS cannot hold is reported with its row.
    QByteArray out;
    auto put = [&out](const QStringList& fields, qsizetype line) {
        QString text;
        appendLine(text, fields);
        const std::optional<QByteArray> bytes = data::cp932::encode(text);
        if (!bytes)
            throw ExchangeError(QStringLiteral("%1行目の文字「%2」はシフトJISで表せないため、書き出せません。"
                                               "UTF-8 で書き出してください。")
                                    .arg(line)
                                    .arg(data::cp932::firstUnencodable(text)));
        out += *bytes;
    };
    put(header, 1);
    for (size_t i = 0; i < rows.size(); ++i) put(rows[i], qsizetype(i) + 2);
    return out;
}

void writeCsvFile(const QString& path, const QStringList& header, const CsvRows& rows, Encoding encoding) {
    const QByteArray bytes = csvBytes(header, rows, encoding);  // refuses before anything is written
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw ExchangeError(data::fileErrorMessage(QStringLiteral("ファイル '%1' を作成できません").arg(shown), file, errno));
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int saved = errno;
        const QString message =
            data::fileErrorMessage(QStringLiteral("ファイル '%1' に書き込めません").arg(shown), file, saved);
        file.cancelWriting();
        throw ExchangeError(message);
    }
    errno = 0;
    if (!file.commit())
        throw ExchangeError(data::fileErrorMessage(QStringLiteral("ファイル '%1' に書き込めません").arg(shown), file, errno));
}

Encoding detectEncoding(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView(kUtf8Bom))) return Encoding::Utf8Bom;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);  // decoding happens on conversion
    return utf8.hasError() ? Encoding::Cp932 : Encoding::Utf8;
}

QString decodeText(QByteArrayView bytes, Encoding encoding) {
    if (encoding == Encoding::Cp932) return data::cp932::decode(bytes);
    if (bytes.startsWith(QByteArrayView(kUtf8Bom))) bytes = bytes.sliced(3);
    return QString::fromUtf8(bytes);
}

CsvRows parseCsv(const QString& text) {
    CsvRows rows;
    QStringList row;
    QString field;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    bool rowStarted = false;
    auto endField = [&] {
        row << field;
        field.clear();
    };
    auto endRow = [&] {
        endField();
        rows.push_back(row);
        row.clear();
        rowStarted = false;
    };
    while (i < n) {
        const QChar c = text[i];
        if (c == u'"' && field.isEmpty()) {
            // A quoted field: runs to the next quote that is not doubled.
            const int startLine = line;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar q = text[i];
                if (q == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (q == u'\n' || (q == u'\r' && !(i + 1 < n && text[i + 1] == u'\n'))) ++line;
                field += q;
                ++i;
            }
            if (!closed)
                throw ExchangeError(QStringLiteral("%1行目の \" で始まる項目が閉じられていません。").arg(startLine));
            rowStarted = true;
            // Anything between the closing quote and the next separator is kept as it stands.
            continue;
        }
        if (c == u',') {
            endField();
            rowStarted = true;
            ++i;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            ++line;
            endRow();
            continue;
        }
        field += c;
        rowStarted = true;
        ++i;
    }
    if (rowStarted || !field.isEmpty() || !row.isEmpty()) endRow();
    return rows;
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw ExchangeError(data::fileErrorMessage(
            QStringLiteral("ファイル '%1' を開けません").arg(QDir::toNativeSeparators(path)), file, errno));
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ExchangeError(data::fileErrorMessage(
            QStringLiteral("ファイル '%1' を読み込めません").arg(QDir::toNativeSeparators(path)), file, errno));
    return bytes;
}

}  // namespace mz::exchange
