#include "tablecheck.h"

#include "data/cp932.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

using namespace mz::data;

namespace mz::test {

namespace {

QString pictureText(const QByteArray& bytes) {
    return QStringLiteral("picture %1 %2")
        .arg(bytes.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()));
}

}  // namespace

QString renderValue(const FieldDef& field, const Value& v) {
    if (isNull(v)) return QString();
    if (const double* d = std::get_if<double>(&v)) return QString::number(*d, 'g', 15);
    if (const QDate* d = std::get_if<QDate>(&v)) return d->toString(QStringLiteral("yyyyMMdd"));
    if (const bool* b = std::get_if<bool>(&v)) return *b ? QStringLiteral("1") : QStringLiteral("0");
    if (const QByteArray* b = std::get_if<QByteArray>(&v)) return pictureText(*b);
    const QString s = std::get<QString>(v);
    return field.type == FieldType::Text ? s.trimmed() : s;
}

std::vector<QStringList> liveRecords(Table& t) {
    std::vector<QStringList> out;
    const auto& fields = t.def().fields;
    for (quint32 r = 1; r <= t.recordCount(); ++r) {
        if (t.isDeleted(r)) continue;
        QStringList rec;
        for (size_t f = 0; f < fields.size(); ++f)
            rec << renderValue(fields[f], t.value(r, static_cast<int>(f)));
        out.push_back(rec);
    }
    return out;
}

std::vector<quint32> expectedOrder(Table& t, const QString& tag) {
    const int field = t.tagField(tag);
    std::vector<quint32> recnos;
    for (quint32 r = 1; r <= t.recordCount(); ++r)
        if (!t.isDeleted(r)) recnos.push_back(r);
    std::stable_sort(recnos.begin(), recnos.end(),
                     [&](quint32 a, quint32 b) { return t.indexKey(a, field) < t.indexKey(b, field); });
    return recnos;
}

QString orderProblems(Table& t) {
    QString problems;
    for (const TagDef& tag : t.def().tags) {
        const std::vector<quint32> want = expectedOrder(t, tag.name);
        const std::vector<quint32>& got = t.order(tag.name);
        if (got == want) continue;
        problems += QStringLiteral("tag %1 lists %2 records, the records give %3")
                        .arg(tag.name)
                        .arg(got.size())
                        .arg(want.size());
        for (size_t i = 0; i < std::min(got.size(), want.size()); ++i)
            if (got[i] != want[i]) {
                problems += QStringLiteral("; first difference at row %1: %2 instead of %3")
                                .arg(i)
                                .arg(got[i])
                                .arg(want[i]);
                break;
            }
        problems += u'\n';
    }
    return problems;
}

bool haveOutsideReader() { return QFileInfo::exists(QStringLiteral("/usr/bin/dbf_dump")); }

QString outsideReaderProblems(const QString& dbfPath, const TableDef& def,
                              const std::vector<QStringList>& expected) {
    QProcess p;
    p.start(QStringLiteral("dbf_dump"),
            {QStringLiteral("--fs=\x1f"), QStringLiteral("--rs=\x1e"), dbfPath});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("dbf_dump failed: %1").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    const QByteArray out = p.readAllStandardOutput();
    QList<QByteArray> records = out.split('\x1e');
    if (!records.isEmpty() && records.back().isEmpty()) records.pop_back();
    if (static_cast<size_t>(records.size()) != expected.size())
        return QStringLiteral("dbf_dump reads %1 records, the engine %2").arg(records.size()).arg(expected.size());
    for (qsizetype r = 0; r < records.size(); ++r) {
        const QList<QByteArray> raw = records[r].split('\x1f');
        if (static_cast<size_t>(raw.size()) != def.fields.size())
            return QStringLiteral("dbf_dump record %1 has %2 fields").arg(r + 1).arg(raw.size());
        for (size_t f = 0; f < def.fields.size(); ++f) {
            const FieldDef& field = def.fields[f];
            const QByteArray& bytes = raw[static_cast<qsizetype>(f)];
            QString seen;
            switch (field.type) {
                case FieldType::Number:
                case FieldType::SmallInt:
                    seen = bytes.trimmed().isEmpty() ? QString()
                                                     : QString::number(bytes.trimmed().toDouble(), 'g', 15);
                    break;
                case FieldType::Picture: seen = bytes.isEmpty() ? QString() : pictureText(bytes); break;
                case FieldType::Text: seen = cp932::decode(bytes).trimmed(); break;
                default: seen = cp932::decode(bytes); break;
            }
            const QString want = expected[static_cast<size_t>(r)][static_cast<qsizetype>(f)];
            if (seen != want)
                return QStringLiteral("record %1 field %2: dbf_dump reads '%3', the engine '%4'")
                    .arg(r + 1)
                    .arg(field.name, seen, want);
        }
    }
    return QString();
}

}  // namespace mz::test
