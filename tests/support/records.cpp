#include "records.h"

#include "data/cursor.h"

namespace mz::test {

void addEntries(const QString& table, const std::vector<LedgerEntry>& entries) {
    mz::data::Cursor c;
    c.open(table);
    const bool income = table.compare(QStringLiteral("Indata.DBF"), Qt::CaseInsensitive) == 0;
    for (const LedgerEntry& e : entries) {
        c.append();
        c.setValue(income ? QStringLiteral("収入番号") : QStringLiteral("支出番号"), double(e.number));
        c.setValue(income ? QStringLiteral("収入日") : QStringLiteral("支出日"), e.date);
        c.setValue(QStringLiteral("氏名"), e.name);
        c.setValue(QStringLiteral("目的"), e.purpose);
        if (income) c.setValue(QStringLiteral("家族名"), e.family);
        c.setValue(QStringLiteral("金額"), e.amount);
        if (!e.memo.isEmpty()) c.setValue(QStringLiteral("物品"), e.memo);
        if (!e.picture.isEmpty()) c.setValue(QStringLiteral("写真"), e.picture);
        c.post();
    }
}

void addPerson(double code, const QString& name, const QString& reading, std::optional<bool> head) {
    mz::data::Cursor c;
    c.open(QStringLiteral("Aitesaki.DBF"));
    c.append();
    c.setValue(QStringLiteral("相手先コード"), code);
    c.setValue(QStringLiteral("氏名"), name);
    if (!reading.isNull()) c.setValue(QStringLiteral("フリガナ"), reading);
    if (head) c.setValue(QStringLiteral("世帯代表"), *head);
    c.post();
}

void addFamily(double code, const QString& name) {
    mz::data::Cursor c;
    c.open(QStringLiteral("Kazoku.dbf"));
    c.append();
    c.setValue(QStringLiteral("家族コード"), code);
    c.setValue(QStringLiteral("家族名"), name);
    c.post();
}

}  // namespace mz::test
