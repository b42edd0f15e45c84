// bench_report [--entries N] [--pdf FILE]: the income list layout over a sample ledger with
// pictures. Prints the time to lay the pages out and to write them as PDF (elapsed, and the
// processor time of the process), and the peak resident memory.
#include "report/report.h"
#include "bench/benchsample.h"
#include "data/cursor.h"
#include "tests/report/incomelayout.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

long peakRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Processor time of this process in milliseconds: on a machine shared with other work, the
// elapsed time says more about the others than about the report.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int entries = 1000;
    QString keep;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--entries") && i + 1 < args.size())
            entries = args[++i].toInt();
        else if (args[i] == QStringLiteral("--pdf") && i + 1 < args.size())
            keep = args[++i];
    }

    QTemporaryDir tmp;
    const QString dir = mz::bench::makeSampleFolder(tmp, entries);
    if (dir.isEmpty()) return 1;
    const QString pdf = keep.isEmpty() ? tmp.filePath(QStringLiteral("list.pdf"))
                                       : QFileInfo(keep).absoluteFilePath();
    QDir::setCurrent(dir);

    mz::data::Cursor income;
    income.open(QStringLiteral("Indata.DBF"));
    // The sample photographs a few entries; photograph every tenth besides, with a picture the
    // size of a scanned print.
    const QByteArray photo = mz::test::colourBitmap(320, 240, qRgb(90, 140, 200));
    int pictures = 0;
    int row = 0;
    for (income.first(); !income.eof(); income.next(), ++row) {
        if (row % 10 == 0) {
            income.edit();
            income.setValue(QStringLiteral("写真"), photo);
            income.post();
        }
        if (!mz::data::isNull(income.value(QStringLiteral("写真")))) ++pictures;
    }

    const mz::report::Report report = mz::test::incomeListReport();
    QElapsedTimer timer;
    timer.start();
    double cpu = cpuMs();
    const std::vector<mz::report::Page> pages = mz::report::run(report, income);
    const qint64 layoutMs = timer.elapsed();
    const double layoutCpuMs = cpuMs() - cpu;
    size_t items = 0;
    for (const auto& page : pages) items += page.items.size();

    timer.restart();
    cpu = cpuMs();
    const bool written = mz::report::writePdf(pdf, report, pages, mz::report::picturesOf(income));
    const qint64 pdfMs = timer.elapsed();
    const double pdfCpuMs = cpuMs() - cpu;
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pdf));
        return 1;
    }

    std::printf("entries          %d\n", income.recordCount());
    std::printf("with pictures    %d\n", pictures);
    std::printf("pages            %zu\n", pages.size());
    std::printf("page items       %zu\n", items);
    std::printf("layout ms        %lld\n", static_cast<long long>(layoutMs));
    std::printf("write PDF ms     %lld\n", static_cast<long long>(pdfMs));
    std::printf("layout cpu ms    %.0f\n", layoutCpuMs);
    std::printf("write PDF cpu ms %.0f\n", pdfCpuMs);
    std::printf("PDF bytes        %lld\n", static_cast<long long>(QFileInfo(pdf).size()));
    std::printf("peak RSS kB      %ld\n", peakRssKb());
    return 0;
}
