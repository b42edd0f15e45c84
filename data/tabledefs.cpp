#include "data/tabledefs.h"

#include <QFileInfo>

namespace mz::data {

namespace {

// The one field name longer than the 10 bytes a dBASE field name may take on disk.
const QString kCodeName = QStringLiteral("相手先コード");
const QString kCodeDiskName = QStringLiteral("相手先ｺｰﾄﾞ");

FieldDef num(const char* name) { return {QString::fromUtf8(name), FieldType::Number, 20, 4}; }
FieldDef date(const char* name) { return {QString::fromUtf8(name), FieldType::Date, 8, 0}; }
FieldDef text(const char* name, int width) {
    return {QString::fromUtf8(name), FieldType::Text, width, 0};
}
FieldDef memo(const char* name) { return {QString::fromUtf8(name), FieldType::Memo, 10, 0}; }
FieldDef picture(const char* name) { return {QString::fromUtf8(name), FieldType::Picture, 10, 0}; }
FieldDef logical(const char* name) { return {QString::fromUtf8(name), FieldType::Logical, 1, 0}; }
FieldDef smallInt(const char* name) { return {QString::fromUtf8(name), FieldType::SmallInt, 6, 0}; }
TagDef tag(const char* name, const char* field) {
    return {QString::fromUtf8(name), QString::fromUtf8(field)};
}

std::vector<TableDef> makeDefs() {
    std::vector<TableDef> defs;
    defs.push_back({QStringLiteral("Aitesaki.DBF"), QStringLiteral("Aitesaki.DBT"),
                    QStringLiteral("Aitesaki.MDX"),
                    {num("相手先コード"), text("氏名", 16), text("フリガナ", 16), text("〒", 8),
                     text("住所1", 38), text("住所2", 38), text("自宅電話", 12),
                     text("携帯電話", 13), text("ＦＡＸ", 12), text("Email", 38),
                     logical("世帯代表"), memo("メモ")},
                    {tag("相手先コード", "相手先コード"), tag("フリガナ", "フリガナ")}});
    defs.push_back({QStringLiteral("Indata.DBF"), QStringLiteral("Indata.DBT"),
                    QStringLiteral("Indata.MDX"),
                    {num("収入番号"), date("収入日"), num("相手先コード"), text("氏名", 16),
                     num("目的コード"), text("目的", 12), num("家族コード"), text("家族名", 10),
                     num("金額"), memo("物品"), text("物品／備考", 10), picture("写真"),
                     text("予備1", 12)},
                    {tag("収入日", "収入日")}});
    defs.push_back({QStringLiteral("Outdata.DBF"), QStringLiteral("Outdata.DBT"),
                    QStringLiteral("Outdata.MDX"),
                    {num("支出番号"), date("支出日"), num("相手先コード"), text("氏名", 16),
                     num("目的コード"), text("目的", 12), num("金額"), memo("物品"),
                     text("物品／備考", 10), picture("写真"), text("予備1", 12)},
                    {tag("支出日", "支出日")}});
    defs.push_back({QStringLiteral("Kazoku.dbf"), QString(), QStringLiteral("Kazoku.MDX"),
                    {num("家族コード"), text("家族名", 10)},
                    {tag("家族コード", "家族コード")}});
    defs.push_back({QStringLiteral("Moku.dbf"), QString(), QStringLiteral("Moku.MDX"),
                    {num("目的コード"), text("目的", 12), text("目的区分", 12), smallInt("区分番号")},
                    {tag("目的区分", "目的区分"), tag("区分番号", "区分番号")}});
    return defs;
}

// The tables beside the five: what the program keeps that the five have no place for. Other
// programs read the five as they are, so new data goes here, never into them.
std::vector<TableDef> makeExtraDefs() {
    std::vector<TableDef> defs;
    // The return gift (お返し) of each income entry, keyed by its 収入番号: whether one is due,
    // by when, how far it has got (状況: 未手配 / 手配済 / 送付済 / 不要), when it was sent, what
    // and for how much.
    defs.push_back({QStringLiteral("Okaeshi.DBF"),
                    QStringLiteral("Okaeshi.DBT"),
                    QStringLiteral("Okaeshi.MDX"),
                    {num("収入番号"), logical("返礼要"), date("期日"), text("状況", 8),
                     date("送付日"), text("品物", 40), num("返礼額"), memo("メモ")},
                    {tag("収入番号", "収入番号"), tag("期日", "期日")}});
    // The return rules per purpose category (区分番号 0 to 4, 5 for the rest): whether a return
    // is customary, its budget as a fraction of the amount received (下限 to 上限), and when it
    // is due after the receipt (日数 days, or 月数 months; neither: no fixed date). A category
    // without a row follows the built-in defaults.
    defs.push_back({QStringLiteral("Henrei.dbf"),
                    QString(),
                    QStringLiteral("Henrei.MDX"),
                    {smallInt("区分番号"), logical("返礼"), num("下限割合"), num("上限割合"),
                     num("期日日数"), num("期日月数")},
                    {tag("区分番号", "区分番号")}});
    // 行事: one reception desk (a wake, a funeral, a wedding). Its entries are income entries
    // dated 行事日, with the event's 目的 and 家族名.
    defs.push_back({QStringLiteral("Gyoji.DBF"), QString(), QStringLiteral("Gyoji.MDX"),
                    {num("行事番号"), text("行事名", 40), date("行事日"), text("目的", 12),
                     text("家族名", 10)},
                    {tag("行事番号", "行事番号")}});
    // 受付: one guest taken at the desk of an event, pointing at its income entry by 収入番号.
    // 連番 counts up over the event, whichever PC takes the guest; 受付番号 is the text shown
    // and printed: the desk's name and the 連番 ("受付1-0012").
    defs.push_back({QStringLiteral("Uketsuke.DBF"), QString(), QStringLiteral("Uketsuke.MDX"),
                    {num("行事番号"), num("連番"), text("端末", 16), text("受付番号", 24),
                     num("収入番号"), num("相手先コード"), text("関係", 16)},
                    {tag("行事番号", "行事番号")}});
    return defs;
}

// Field names compare with ASCII letter case ignored; other characters must match exactly.
bool sameName(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar x = a[i], y = b[i];
        if (x.unicode() < 128) x = x.toLower();
        if (y.unicode() < 128) y = y.toLower();
        if (x != y) return false;
    }
    return true;
}

bool sameFieldName(const QString& a, const QString& b) {
    auto canon = [](const QString& s) { return sameName(s, kCodeDiskName) ? kCodeName : s; };
    return sameName(canon(a), canon(b));
}

}  // namespace

QString FieldDef::diskName() const { return name == kCodeName ? kCodeDiskName : name; }

char FieldDef::typeChar() const {
    switch (type) {
        case FieldType::Number:
        case FieldType::SmallInt: return 'N';
        case FieldType::Date: return 'D';
        case FieldType::Text: return 'C';
        case FieldType::Memo: return 'M';
        case FieldType::Picture: return 'B';
        case FieldType::Logical: return 'L';
    }
    return 'C';
}

int TableDef::fieldIndex(const QString& name) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (sameFieldName(fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

const TagDef* TableDef::tagByName(const QString& name) const {
    for (const TagDef& t : tags)
        if (sameFieldName(t.name, name)) return &t;
    return nullptr;
}

const TagDef* TableDef::tagForField(const QString& fieldName) const {
    for (const TagDef& t : tags)
        if (sameFieldName(t.field, fieldName)) return &t;
    return nullptr;
}

const std::vector<TableDef>& tableDefs() {
    static const std::vector<TableDef> defs = makeDefs();
    return defs;
}

const std::vector<TableDef>& extraTableDefs() {
    static const std::vector<TableDef> defs = makeExtraDefs();
    return defs;
}

std::vector<const TableDef*> allTableDefs() {
    std::vector<const TableDef*> all;
    for (const TableDef& d : tableDefs()) all.push_back(&d);
    for (const TableDef& d : extraTableDefs()) all.push_back(&d);
    return all;
}

const TableDef* tableDefForFile(const QString& fileName) {
    const QString base = QFileInfo(fileName).fileName();
    for (const TableDef* d : allTableDefs())
        if (base.compare(d->dbfName, Qt::CaseInsensitive) == 0) return d;
    return nullptr;
}

QStringList tableFileNames(const TableDef& d) {
    QStringList names{d.dbfName};
    if (d.hasMemo()) names << d.dbtName;
    names << d.mdxName;
    return names;
}

QStringList dataFileNames() {
    QStringList names;
    for (const TableDef* d : allTableDefs()) names << tableFileNames(*d);
    names << QString::fromLatin1(kPlaceholderPicture);
    return names;
}

}  // namespace mz::data
