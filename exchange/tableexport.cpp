#include "exchange/tableexport.h"

#include "exchange/values.h"

#include "data/fieldcodec.h"

#include <QFileInfo>

namespace mz::exchange {

QString tableTitle(const data::TableDef& def) {
    const QString base = QFileInfo(def.dbfName).completeBaseName();
    static const std::vector<std::pair<QString, QString>> titles = {
        {QStringLiteral("Aitesaki"), QStringLiteral("相手先")}, {QStringLiteral("Indata"), QStringLiteral("収入")},
        {QStringLiteral("Outdata"), QStringLiteral("支出")},    {QStringLiteral("Kazoku"), QStringLiteral("家族")},
        {QStringLiteral("Moku"), QStringLiteral("目的")},     {QStringLiteral("Okaeshi"), QStringLiteral("お返し")},
        {QStringLiteral("Henrei"), QStringLiteral("お返しの目安")}, {QStringLiteral("Gyoji"), QStringLiteral("行事")},
        {QStringLiteral("Uketsuke"), QStringLiteral("受付")},
    };
    for (const auto& [file, title] : titles)
        if (base.compare(file, Qt::CaseInsensitive) == 0) return title;
    return base;
}

QString proposedFileName(const data::TableDef& def, const QDate& date) {
    return tableTitle(def) + u'_' + date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv");
}

QStringList exportHeader(const data::TableDef& def) {
    QStringList names;
    for (const data::FieldDef& f : def.fields) names << f.name;
    return names;
}

QStringList exportRow(const data::Table& table, quint32 recno) {
    const data::TableDef& def = table.def();
    QStringList row;
    row.reserve(qsizetype(def.fields.size()));
    for (size_t i = 0; i < def.fields.size(); ++i) {
        const data::FieldDef& f = def.fields[i];
        const int field = static_cast<int>(i);
        if (f.type == data::FieldType::Picture) {
            // Only whether there is one: a memo block is named; the picture itself is not read.
            row << (data::decodeMemoBlock(table.rawField(recno, field)) != 0 ? kHasPicture : QString());
            continue;
        }
        const data::Value v = table.value(recno, field);
        if (const double* d = std::get_if<double>(&v))
            row << formatNumber(*d);
        else if (const QDate* date = std::get_if<QDate>(&v))
            row << formatDate(*date);
        else if (const QString* s = std::get_if<QString>(&v))
            row << *s;
        else if (const bool* b = std::get_if<bool>(&v))
            row << (*b ? QStringLiteral("1") : QStringLiteral("0"));
        else
            row << QString();
    }
    return row;
}

CsvRows exportRows(const data::Table& table, const std::vector<quint32>& recnos) {
    CsvRows rows;
    rows.reserve(recnos.size());
    for (quint32 r : recnos) rows.push_back(exportRow(table, r));
    return rows;
}

CsvRows exportAllRows(const data::Table& table) {
    CsvRows rows;
    rows.reserve(table.liveCount());
    for (quint32 r = 1; r <= table.recordCount(); ++r)
        if (!table.isDeleted(r)) rows.push_back(exportRow(table, r));
    return rows;
}

}  // namespace mz::exchange
