// bench_returns [--entries N]: return records on a sample data directory of N income entries
// (default 100,000, every one with its return record): the overdue reminder of the main window
// at start, お返し管理 opening on its default list and on every entry, the list for sending of
// the default list, and marking 20 entries as sent at once. The windows run offscreen unless
// QT_QPA_PLATFORM says otherwise.
#include "ledger/returns.h"
#include "bench/benchsample.h"
#include "data/cursor.h"
#include "ledger/TOKAEshiForm.h"
#include "ledger/returnslist.h"
#include "platform/recorder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace rt = mz::ledger::returns;

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The median of three runs, elapsed and processor time (the machine is shared: both are shown).
void timed(const char* what, const std::function<qsizetype()>& step) {
    std::vector<double> ms, cpu;
    qsizetype rows = 0;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        const double c0 = threadCpuMs();
        t.start();
        rows = step();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - c0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-44s %8.1f ms (cpu %7.1f ms)  %7lld rows\n", what, ms[1], cpu[1],
                static_cast<long long>(rows));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = mz::bench::entriesArgument(app.arguments(), 100000);

    QTemporaryDir tmp;
    const QString dir = mz::bench::makeSampleFolder(tmp, entries);
    if (dir.isEmpty()) return 1;
    QDir::setCurrent(dir);
    mz::platform::Recorder recorder;  // notices are recorded, not shown
    // The program's printouts keep the income table open: so does the benchmark.
    mz::data::Cursor income;
    income.open(QStringLiteral("Indata.DBF"));
    std::printf("income entries: %d\n", entries);

    const QDate today = QDate::currentDate();
    timed("overdue reminder (main window at start)",
          [&] { return rt::overdueReminder(today).count; });
    timed("お返し管理 opens on its default list", [] {
        TOKAEshiForm w;
        return static_cast<qsizetype>(w.rows().size());
    });
    rt::Filter all;
    all.status = rt::StatusFilter::All;
    timed("list of every entry (すべて)",
          [&] { return static_cast<qsizetype>(rt::gatherRows(all).size()); });
    const std::vector<rt::Row> pending = rt::gatherRows(rt::Filter{});
    timed("list for sending: pages of the default list", [&] {
        const auto pages = rt::sendingListPages(pending, rt::AddressBook::load(), today, today);
        return static_cast<qsizetype>(pages.size());
    });
    std::vector<qint32> twenty;
    for (size_t i = 0; i < pending.size() && twenty.size() < 20; ++i)
        twenty.push_back(pending[i].incomeNo);
    timed("20 entries marked 送付済 at once",
          [&] { return static_cast<qsizetype>(rt::markSent(twenty, today)); });
    return 0;
}
