#pragma once
// The data directory of the balance tests: two households (山田 in block 1, 佐藤 in block 2) and
// a second 山田 花子 heading block 3; purposes in the five categories; entries under exact,
// blank-variant and unknown names, one without an amount.
//
//   income  1 2020/01/10 山田 太郎   結婚祝   30,000      expenditure 1 2019/12/01 山田 太郎    結婚祝   50,000
//           2 2021/05/01 山田　太郎  お中元    5,000                  2 2022/04/04 " 山田 太郎 " 病気見舞 10,000
//           3 2022/03/03 山田太郎    香典     10,000                  3 2023/03/03 山田 花子    香典      5,000
//           4 2021/06/01 山田 花子   内祝      3,000                  4 2023/04/04 佐藤 花子    お中元    4,000
//           5 2023/01/01 佐藤 次郎   結婚祝   20,000
//           6 2023/02/02 田中 未登録 結婚祝    7,000
//           7 2022/07/07 山田 一郎   手作り   (none)

#include "data/cursor.h"
#include "platform/sharedstate.h"
#include "records.h"
#include "testdata.h"

#include <QDir>

#include <gtest/gtest.h>

#include <optional>

inline void addPurpose(double code, const QString& name, const QString& category,
                       std::optional<int> number) {
    mz::data::Cursor c;
    c.open(QStringLiteral("Moku.dbf"));
    c.append();
    c.setValue(QStringLiteral("目的コード"), code);
    c.setValue(QStringLiteral("目的"), name);
    c.setValue(QStringLiteral("目的区分"), category);
    if (number) c.setValue(QStringLiteral("区分番号"), double(*number));
    c.post();
}

// An entry whose 金額 is left empty.
inline void addEntryWithoutAmount(const QString& table, int number, QDate date, const QString& name,
                                  const QString& purpose) {
    const bool income = table == QStringLiteral("Indata.DBF");
    mz::data::Cursor c;
    c.open(table);
    c.append();
    c.setValue(income ? QStringLiteral("収入番号") : QStringLiteral("支出番号"), double(number));
    c.setValue(income ? QStringLiteral("収入日") : QStringLiteral("支出日"), date);
    c.setValue(QStringLiteral("氏名"), name);
    c.setValue(QStringLiteral("目的"), purpose);
    c.setValue(QStringLiteral("物品"), QStringLiteral("手作りの品"));
    c.setValue(QStringLiteral("物品／備考"), QStringLiteral("有り"));
    c.post();
}

struct BalanceTest : ::testing::Test {
    mz::test::DataDir dir;
    QString cwd = QDir::currentPath();
    BalanceTest() {
        mz::state().reset();
        QDir::setCurrent(dir.path());
        using mz::test::addPerson;
        addPerson(101, QStringLiteral("山田 太郎"), QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"), true);
        addPerson(102, QStringLiteral("山田 花子"), QStringLiteral("ﾔﾏﾀﾞ ﾊﾅｺ"), false);
        addPerson(201, QStringLiteral("佐藤 次郎"), QStringLiteral("ｻﾄｳ ｼﾞﾛｳ"), true);
        addPerson(103, QStringLiteral("山田 一郎"), QStringLiteral("ﾔﾏﾀﾞ ｲﾁﾛｳ"), false);
        addPerson(202, QStringLiteral("佐藤 花子"), QStringLiteral("ｻﾄｳ ﾊﾅｺ"), false);
        addPerson(301, QStringLiteral("山田 花子"), QStringLiteral("ﾔﾏﾀﾞ ﾊﾅｺ"), true);
        addPerson(200, QStringLiteral("境界 二百"), QStringLiteral("ｷｮｳｶｲ"), false);  // no block's

        addPurpose(1, QStringLiteral("結婚祝"), QStringLiteral("お祝い"), 0);
        addPurpose(2, QStringLiteral("お中元"), QStringLiteral("一般行事"), 1);
        addPurpose(3, QStringLiteral("内祝"), QStringLiteral("お返し"), 2);
        addPurpose(4, QStringLiteral("病気見舞"), QStringLiteral("お見舞い"), 3);
        addPurpose(5, QStringLiteral("香典"), QStringLiteral("弔事全般"), 4);

        using E = mz::test::LedgerEntry;
        mz::test::addEntries(QStringLiteral("Indata.DBF"),
                             {
                                 E{1, QDate(2020, 1, 10), QStringLiteral("山田 太郎"), QStringLiteral("結婚祝"), {}, 30000},
                                 E{2, QDate(2021, 5, 1), QStringLiteral("山田　太郎"), QStringLiteral("お中元"), {}, 5000},
                                 E{3, QDate(2022, 3, 3), QStringLiteral("山田太郎"), QStringLiteral("香典"), {}, 10000},
                                 E{4, QDate(2021, 6, 1), QStringLiteral("山田 花子"), QStringLiteral("内祝"), {}, 3000},
                                 E{5, QDate(2023, 1, 1), QStringLiteral("佐藤 次郎"), QStringLiteral("結婚祝"), {}, 20000},
                                 E{6, QDate(2023, 2, 2), QStringLiteral("田中 未登録"), QStringLiteral("結婚祝"), {}, 7000},
                             });
        addEntryWithoutAmount(QStringLiteral("Indata.DBF"), 7, QDate(2022, 7, 7),
                              QStringLiteral("山田 一郎"), QStringLiteral("手作り"));
        mz::test::addEntries(QStringLiteral("Outdata.DBF"),
                             {
                                 E{1, QDate(2019, 12, 1), QStringLiteral("山田 太郎"), QStringLiteral("結婚祝"), {}, 50000},
                                 E{2, QDate(2022, 4, 4), QStringLiteral(" 山田 太郎 "), QStringLiteral("病気見舞"), {}, 10000},
                                 E{3, QDate(2023, 3, 3), QStringLiteral("山田 花子"), QStringLiteral("香典"), {}, 5000},
                                 E{4, QDate(2023, 4, 4), QStringLiteral("佐藤 花子"), QStringLiteral("お中元"), {}, 4000},
                             });
    }
    ~BalanceTest() override {
        QDir::setCurrent(cwd);
        mz::state().reset();
    }
};
