// bench_balance [--entries N]: the balance of a counterpart on a sample data directory of N
// entries per ledger (default 100,000): how long 相手先別の贈答 takes to open on a household and
// on a person (tables opened, entries gathered, grids filled and painted), the gathering alone,
// the statement's pages, the hint of the registration window, and the management windows'
// searches with and without the count and sum under the grid, side by side.
// The windows run offscreen unless QT_QPA_PLATFORM says otherwise.
#include "ledger/balance.h"
#include "bench/benchsample.h"
#include "data/cursor.h"
#include "data/table.h"
#include "ledger/TAITEbetuForm.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/balancestatement.h"
#include "ledger/totalsline.h"
#include "platform/recorder.h"
#include "ui_TAITEbetuForm.h"
#include "ui_TINsrSrForm.h"
#include "widgets/dbgrid.h"
#include "widgets/maskedit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace bal = mz::ledger::balance;

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The processor time of the last timed step: on a shared, busy machine the elapsed time says
// more about the other processes than about this one, so both are printed.
double lastCpuMs = 0;

// Milliseconds that `step` takes, with the window painted afterwards as the user would see it.
double timed(QWidget* window, const std::function<void()>& step) {
    QElapsedTimer t;
    const double cpu0 = threadCpuMs();
    t.start();
    step();
    QCoreApplication::processEvents();
    if (window) (void)window->grab();
    lastCpuMs = threadCpuMs() - cpu0;
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The median of `runs` timings of `step` (elapsed; lastCpuMs gets the median processor time).
double median(int runs, const std::function<double()>& step) {
    std::vector<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        ms.push_back(step());
        cpu.push_back(lastCpuMs);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    lastCpuMs = cpu[cpu.size() / 2];
    return ms[ms.size() / 2];
}

void report(const char* what, double ms, qsizetype rows) {
    std::printf("%-52s %8.1f ms (cpu %7.1f ms)  %7lld rows\n", what, ms, lastCpuMs, static_cast<long long>(rows));
}

// The head of the household with the most members, and its size.
QString biggestHousehold() {
    mz::data::Cursor c;
    c.open(QStringLiteral("Aitesaki.DBF"));
    std::map<int, int> members;
    std::map<int, QString> heads;
    for (c.first(); !c.eof(); c.next()) {
        const int block = static_cast<int>(c.number(QStringLiteral("相手先コード"))) / 100;
        ++members[block];
        if (c.logical(QStringLiteral("世帯代表"))) heads[block] = c.text(QStringLiteral("氏名"));
    }
    int best = 0, size = 0;
    for (const auto& [block, n] : members)
        if (n > size && heads.count(block)) best = block, size = n;
    std::printf("household: %s, %d people\n", heads[best].toUtf8().constData(), size);
    return heads[best];
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

    std::printf("entries per ledger: %d\n", entries);
    const QString head = biggestHousehold();
    // From round 2 on the tables stay open, as the program's printouts keep them.
    std::vector<std::unique_ptr<mz::data::Cursor>> held;
    for (int round = 1; round <= 2; ++round) {
        std::printf("-- round %d%s\n", round, round == 1 ? " (tables read from disk)" : " (tables already read)");
        if (round == 2)
            for (const char* file : {"Aitesaki.DBF", "Indata.DBF", "Outdata.DBF", "Moku.dbf", "Kazoku.dbf"}) {
                held.push_back(std::make_unique<mz::data::Cursor>());
                held.back()->open(QString::fromLatin1(file));
            }
        // In the program the printouts keep the ledgers open, so the window finds them read;
        // round 1 reads them from disk as well.
        std::unique_ptr<TAITEbetuForm> w;
        double ms = timed(nullptr, [&] {
            w = std::make_unique<TAITEbetuForm>();
            w->Edit1->setText(head);
            w->RadioButton2->setChecked(true);
            w->ColorButton5Click();
            w->show();
            QCoreApplication::processEvents();
            (void)w->grab();
        });
        report("相手先別の贈答: open on a household, painted", ms, w->Grid1->model()->rowCount());
        w->RadioButton1->setChecked(true);
        ms = timed(w.get(), [&] { w->ColorButton5Click(); });
        report("相手先別の贈答: the person (本人), painted", ms, w->Grid1->model()->rowCount());
        w->RadioButton2->setChecked(true);
        ms = timed(w.get(), [&] { w->ColorButton5Click(); });
        report("相手先別の贈答: the household (世帯) again, painted", ms, w->Grid1->model()->rowCount());

        bal::Result r;
        ms = median(5, [&] {
            return timed(nullptr, [&] {
                r = bal::gather(bal::Tables{w->Table1, w->Table2, w->Table3, nullptr}, head, bal::Scope::Household);
            });
        });
        report("gather a household (median of 5)", ms, static_cast<qsizetype>(r.entries.size()));
        std::vector<mz::report::Page> pages;
        ms = timed(nullptr, [&] { pages = bal::statementPages(r); });
        std::printf("%-52s %8.1f ms (cpu %7.1f ms)  %7zu pages\n", "statement pages of the household", ms,
                    lastCpuMs, pages.size());
        ms = median(5, [&] { return timed(nullptr, [&] { r = bal::gather(head, bal::Scope::Person); }); });
        report("registration hint: gather a person (median of 5)", ms, static_cast<qsizetype>(r.entries.size()));
        w.reset();

        // The management window's search, with the line under the grid and without it.
        auto in = std::make_unique<TINsrSrForm>();
        ms = timed(nullptr, [&] {
            in->show();
            QCoreApplication::processEvents();
            (void)in->grab();
        });
        report("income window: shown with all entries and their sum", ms, in->DBGrid1->model()->rowCount());
        mz::data::Cursor* table = in->Table1;
        ms = median(5, [&] { return timed(nullptr, [&] { (void)bal::sumAmounts(*table); }); });
        report("sum of all entries alone (median of 5)", ms, table->recordCount());
        // The floor of any pass over a ledger on this machine: one byte of every record read.
        volatile int sink = 0;
        ms = median(5, [&] {
            return timed(nullptr, [&] {
                const mz::data::Table& t = table->table();
                int x = 0;
                for (quint32 rec = 1; rec <= t.recordCount(); ++rec) x += t.record(rec)[0];
                sink = x;
            });
        });
        report("reference: one byte of every income record read", ms, table->table().recordCount());
        (void)sink;

        struct Search {
            const char* what;
            QString name, from, to;
        };
        const std::vector<Search> searches{
            {"search: counterpart", head, QStringLiteral("    /  /  "), QStringLiteral("    /  /  ")},
            {"search: counterpart prefix (X*)", head.left(1) + QStringLiteral("*"), QStringLiteral("    /  /  "),
             QStringLiteral("    /  /  ")},
            {"search: one year", QString(), QStringLiteral("2010/01/01"), QStringLiteral("2010/12/31")},
            {"search: thirty years", QString(), QStringLiteral("1990/01/01"), QStringLiteral("2030/12/31")},
        };
        std::vector<double> with, withCpu;
        for (const Search& s : searches) {
            in->Edit1->setText(s.name);
            in->MaskEditDate1->setMaskedText(s.from);
            in->MaskEditDate2->setMaskedText(s.to);
            with.push_back(median(5, [&] { return timed(in.get(), [&] { in->ColorButton5Click(); }); }));
            withCpu.push_back(lastCpuMs);
        }
        const int rowsWith = in->DBGrid1->model()->rowCount();
        delete in->LabelTotals->findChild<mz::ledger::TotalsLine*>();
        in->LabelTotals->clear();
        for (size_t i = 0; i < searches.size(); ++i) {
            const Search& s = searches[i];
            in->Edit1->setText(s.name);
            in->MaskEditDate1->setMaskedText(s.from);
            in->MaskEditDate2->setMaskedText(s.to);
            const double without = median(5, [&] { return timed(in.get(), [&] { in->ColorButton5Click(); }); });
            std::printf("%-34s with sum %6.1f ms (cpu %6.1f), without %6.1f ms (cpu %6.1f)  %7d rows\n",
                        s.what, with[i], withCpu[i], without, lastCpuMs, in->DBGrid1->model()->rowCount());
        }
        (void)rowsWith;
        in.reset();
    }
    return 0;
}
