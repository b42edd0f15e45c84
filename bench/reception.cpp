// bench_reception [--entries N] [--guests G]: the reception desk on a sample data directory of N
// entries per ledger (default 100,000), made in a temporary folder by mizorel-sample. Prints how
// long the reception window takes to open, to show the matches of one typed key, and, for G
// guests (default 200, every other one new to the address book), the time from the guest's last
// key (Enter on the memo) to the form ready and painted for the next: stored in the address
// book, the ledger, the desk's table and the return records, list and totals shown. Writes wait
// for the disk as in use unless MIZOREL_SYNC_WRITES=0. Offscreen unless QT_QPA_PLATFORM says
// otherwise.
#include "data/table.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "reception/TUKEregiForm.h"
#include "reception/desk.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Timing {
    double ms = 0, cpu = 0;
};

template <class F>
Timing timed(QWidget* w, F step) {
    QElapsedTimer t;
    const double cpu0 = threadCpuMs();
    t.start();
    step();
    QCoreApplication::processEvents();
    (void)w->grab();
    return {static_cast<double>(t.nsecsElapsed()) / 1e6, threadCpuMs() - cpu0};
}

void key(int k, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(QApplication::focusWidget(), &press);
}

void type(const QString& s) {
    for (QChar c : s) key(0, QString(c));
}

void summary(const char* what, std::vector<Timing> t) {
    std::vector<double> ms, cpu;
    for (const Timing& x : t) ms.push_back(x.ms), cpu.push_back(x.cpu);
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    auto at = [](const std::vector<double>& v, double q) { return v[std::min(v.size() - 1, size_t(q * v.size()))]; };
    std::printf("%-44s median %7.2f ms  p90 %7.2f ms  max %7.2f ms  (cpu median %6.2f ms)  n=%zu\n", what,
                at(ms, 0.5), at(ms, 0.9), ms.back(), at(cpu, 0.5), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int entries = 100000, guests = 200;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--entries")) entries = args[i + 1].toInt();
        if (args[i] == QLatin1String("--guests")) guests = args[i + 1].toInt();
    }
    QTemporaryDir dir;
    std::printf("making a sample of %d entries per ledger...\n", entries);
    std::fflush(stdout);
    QProcess sample;
    sample.setProcessChannelMode(QProcess::ForwardedChannels);
    sample.start(QStringLiteral(MIZOREL_SAMPLE_TOOL),
                 {dir.path(), QStringLiteral("--entries"), QString::number(entries)});
    if (!sample.waitForFinished(-1) || sample.exitCode() != 0) return 1;
    QDir::setCurrent(dir.path());
    std::printf("writes wait for the disk: %s\n", mz::data::Table::syncWrites() ? "yes" : "no");

    const auto event = mz::reception::createEvent(
        {0, QStringLiteral("故 山田太郎 告別式"), QDate(2026, 12, 5), QStringLiteral("香典"), QString()});
    mz::state().CurrentEvent = event.number;
    mz::state().DeskName = QStringLiteral("受付A");
    mz::platform::Recorder rec;  // a notice would be a fault of the benchmark's input

    std::unique_ptr<TUKEregiForm> w;
    QElapsedTimer open;
    open.start();
    w = std::make_unique<TUKEregiForm>();
    w->show();
    QApplication::setActiveWindow(w.get());
    QCoreApplication::processEvents();
    std::printf("%-44s %7.1f ms\n", "reception window open (tables read)", double(open.nsecsElapsed()) / 1e6);

    // Readings of the sample's people to type: the first two kana pick a short list.
    const std::vector<mz::reception::Person> people = w->desk().match(QStringLiteral("ｱ"), 1000);
    std::vector<Timing> keys, stores;
    for (int g = 0; g < guests; ++g) {
        const bool known = g % 2 == 0 && !people.empty();
        if (known) {
            const QString reading = people[size_t(g) % people.size()].reading.left(2);
            keys.push_back(timed(w.get(), [&] { type(reading.left(1)); }));
            type(reading.mid(1));
            key(Qt::Key_Return);
        } else {
            // A name not in the book: it goes to the new person's name, the reading follows.
            type(QStringLiteral("新規 %1").arg(g));
            key(Qt::Key_Return);
            type(QStringLiteral("べんち"));
            for (int k = 0; k < 5; ++k) key(Qt::Key_Return);
        }
        type(QString::number(1000 * (g % 10 + 1)));
        key(Qt::Key_Return);
        key(Qt::Key_Return);
        // The guest's last key: Enter on the memo stores and clears the form.
        stores.push_back(timed(w.get(), [&] { key(Qt::Key_Return); }));
        if (QApplication::focusWidget() != w->Edit1 || !w->Edit1->text().isEmpty()) {
            std::fprintf(stderr, "guest %d was not stored: %s\n", g, qPrintable(rec.notices().join(QStringLiteral(" / "))));
            return 1;
        }
    }
    summary("first key of a reading: matches shown", keys);
    summary("last key of a guest to the form ready", stores);
    std::printf("guests stored: %d, total %.0f yen\n", w->desk().count(), w->desk().total());
    w->close();
    return 0;
}
