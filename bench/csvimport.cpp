// bench_csvimport [ROWS]: importing a spreadsheet's 香典帳 of ROWS rows (10,000 unless given)
// into an empty income ledger: reading and decoding the file, splitting it into rows, checking
// every row and storing them all as one change. Prints each step's time, with the record file
// waiting for the disk as in use (MIZOREL_SYNC_WRITES=0 turns that off).
#include "exchange/tableimport.h"

#include "data/table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace mz::exchange;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = app.arguments().value(1, QStringLiteral("10000")).toInt();
    QTemporaryDir tmp;
    const QString dataDir = tmp.filePath(QStringLiteral("data"));
    try {
        mz::data::createDataDirectory(dataDir);
        QDir::setCurrent(dataDir);
        // Amounts and dates written as people write them; every fifth row with goods on two lines.
        static const char* const kNames[] = {"山田 太郎", "鈴木 花子", "佐藤 一郎", "髙橋 美咲", "渡辺 健太"};
        CsvRows rows;
        for (int i = 0; i < count; ++i) {
            const QDate date = QDate(2024, 5, 3).addDays(-(i % 3650));
            rows.push_back({date.toString(QStringLiteral("yyyy/M/d")),
                            QString::fromUtf8(kNames[i % 5]) + QString::number(i % 300),
                            QStringLiteral("香典"), QStringLiteral("￥%1,000").arg(3 + i % 50),
                            i % 5 ? QString() : QStringLiteral("お茶, 海苔\r\n%1").arg(i)});
        }
        const QString path = tmp.filePath(QStringLiteral("香典帳.csv"));
        writeCsvFile(path, {QStringLiteral("収入日"), QStringLiteral("氏名"), QStringLiteral("目的"),
                            QStringLiteral("金額"), QStringLiteral("物品")},
                     rows);

        QElapsedTimer all;
        all.start();
        QElapsedTimer step;
        step.start();
        const ImportFile file = readImportFile(path);
        const qint64 readMs = step.restart();
        auto table = mz::data::Table::open(targetFile(ImportTarget::Income));
        const auto checks = checkRows(ImportTarget::Income, file.rows,
                                      guessColumns(ImportTarget::Income, file.rows.front()), {}, *table);
        const qint64 checkMs = step.restart();
        const int stored = storeRows(ImportTarget::Income, *table, checks);
        const qint64 storeMs = step.restart();
        std::printf("%d rows (%s): read and split %lld ms, checked %lld ms, stored %d in %lld ms; total %lld ms "
                    "(waiting for the disk: %s)\n",
                    count, qPrintable(encodingName(file.encoding)), readMs, checkMs, stored, storeMs,
                    all.elapsed(), mz::data::Table::syncWrites() ? "on" : "off");
    } catch (const mz::data::EngineError& e) {
        std::fprintf(stderr, "bench_csvimport: %s\n", e.message().toUtf8().constData());
        return 1;
    } catch (const ExchangeError& e) {
        std::fprintf(stderr, "bench_csvimport: %s\n", e.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
