#include "data/fieldcodec.h"

#include "data/cp932.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace mz::data {

namespace {

bool allBlank(QByteArrayView raw) {
    for (char c : raw)
        if (c != ' ' && c != '\0') return false;
    return true;
}

QString fieldError(const FieldDef& field, const QString& what) {
    return QStringLiteral("フィールド '%1' に値を格納できません: %2").arg(field.name, what);
}

}  // namespace

QByteArrayView trimmedText(QByteArrayView raw) {
    qsizetype n = raw.size();
    while (n > 0 && (raw[n - 1] == ' ' || raw[n - 1] == '\0')) --n;
    return raw.first(n);
}

Value decodeField(const FieldDef& field, QByteArrayView raw) {
    switch (field.type) {
        case FieldType::Text: {
            QByteArrayView t = trimmedText(raw);
            if (t.isEmpty()) return {};
            return cp932::decode(t);
        }
        case FieldType::Number:
        case FieldType::SmallInt: {
            if (allBlank(raw)) return {};
            qsizetype b = 0, e = raw.size();
            while (b < e && raw[b] == ' ') ++b;
            while (e > b && (raw[e - 1] == ' ' || raw[e - 1] == '\0')) --e;
            double v = 0;
            const char* first = raw.data() + b;
            if (first != raw.data() + e && *first == '+') ++first;
            auto [ptr, ec] = std::from_chars(first, raw.data() + e, v);
            if (ec != std::errc() || ptr != raw.data() + e || !std::isfinite(v)) return {};
            return v;
        }
        case FieldType::Date: {
            if (allBlank(raw) || raw.size() != 8) return {};
            int ymd[3] = {0, 0, 0};
            const int lens[3] = {4, 2, 2};
            qsizetype pos = 0;
            for (int k = 0; k < 3; ++k) {
                for (int j = 0; j < lens[k]; ++j, ++pos) {
                    const char c = raw[pos];
                    if (c < '0' || c > '9') return {};
                    ymd[k] = ymd[k] * 10 + (c - '0');
                }
            }
            QDate d(ymd[0], ymd[1], ymd[2]);
            if (!d.isValid()) return {};
            return d;
        }
        case FieldType::Logical: {
            if (raw.isEmpty()) return {};
            switch (raw[0]) {
                case 'T': case 't': case 'Y': case 'y': return true;
                case 'F': case 'f': case 'N': case 'n': return false;
                default: return {};
            }
        }
        case FieldType::Memo:
        case FieldType::Picture:
            return {};  // memo contents live in the memo file; see Table
    }
    return {};
}

quint32 decodeMemoBlock(QByteArrayView raw) {
    quint64 n = 0;
    bool any = false;
    for (char c : raw) {
        if (c == ' ' || c == '\0') continue;
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<quint64>(c - '0');
        if (n > 0xFFFFFFFFu) return 0;
        any = true;
    }
    return any ? static_cast<quint32>(n) : 0;
}

QByteArray encodeMemoBlock(quint32 block, int width) {
    if (block == 0) return QByteArray(width, ' ');
    QByteArray digits = QByteArray::number(block);
    return QByteArray(width - digits.size(), ' ') + digits;
}

QByteArray encodeField(const FieldDef& field, const Value& value) {
    const int w = field.width;
    if (isNull(value)) return QByteArray(w, ' ');
    switch (field.type) {
        case FieldType::Text: {
            const QString* s = std::get_if<QString>(&value);
            if (!s) throw EngineError(fieldError(field, QStringLiteral("文字列ではありません")));
            if (s->isEmpty()) return QByteArray(w, ' ');
            auto bytes = cp932::encode(*s);
            if (!bytes)
                throw EngineError(fieldError(
                    field, QStringLiteral("文字 '%1' はシフトJISで表せません")
                               .arg(cp932::firstUnencodable(*s))));
            QByteArray cut = cp932::truncate(*bytes, w);
            return cut + QByteArray(w - cut.size(), ' ');
        }
        case FieldType::Number:
        case FieldType::SmallInt: {
            const double* d = std::get_if<double>(&value);
            if (!d) throw EngineError(fieldError(field, QStringLiteral("数値ではありません")));
            if (!std::isfinite(*d))
                throw EngineError(fieldError(field, QStringLiteral("数値が有限ではありません")));
            double v = *d;
            if (field.type == FieldType::SmallInt) {
                v = std::trunc(v);
                if (v < -32768 || v > 32767)
                    throw EngineError(fieldError(field, QStringLiteral("範囲外の値です")));
            }
            char buf[64];
            const int n = std::snprintf(buf, sizeof buf, "%*.*f", w, field.decimals, v);
            if (n < 0 || n > w)
                throw EngineError(fieldError(field, QStringLiteral("桁数が多すぎます")));
            return QByteArray(buf, n);
        }
        case FieldType::Date: {
            const QDate* d = std::get_if<QDate>(&value);
            if (!d) throw EngineError(fieldError(field, QStringLiteral("日付ではありません")));
            if (!d->isValid()) return QByteArray(w, ' ');
            if (d->year() < 1 || d->year() > 9999)
                throw EngineError(fieldError(field, QStringLiteral("範囲外の日付です")));
            return d->toString(QStringLiteral("yyyyMMdd")).toLatin1();
        }
        case FieldType::Logical: {
            const bool* b = std::get_if<bool>(&value);
            if (!b) throw EngineError(fieldError(field, QStringLiteral("論理値ではありません")));
            return QByteArray(1, *b ? 'T' : 'F');
        }
        case FieldType::Memo:
        case FieldType::Picture:
            break;
    }
    throw EngineError(fieldError(field, QStringLiteral("メモフィールドは直接書けません")));
}

}  // namespace mz::data
