#pragma once
// Records that tests put into a data directory (the current directory) through the engine.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace mz::test {

// One ledger entry; the family member is written on the income side only.
struct LedgerEntry {
    int number;
    QDate date;
    QString name;
    QString purpose = QStringLiteral("結婚祝");
    QString family = QStringLiteral("花子");
    double amount = 10000;
    QString memo = {};
    QByteArray picture = {};
};

// Appends the entries to Indata.DBF or Outdata.DBF in the order given (their stored order).
void addEntries(const QString& table, const std::vector<LedgerEntry>& entries);

// Appends a counterpart; a null reading leaves フリガナ empty, no `head` leaves 世帯代表 empty.
void addPerson(double code, const QString& name, const QString& reading,
               std::optional<bool> head = std::nullopt);

// Appends a family member to Kazoku.dbf.
void addFamily(double code, const QString& name);

}  // namespace mz::test
