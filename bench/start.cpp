// bench_start [--cache DIR] [N ...]: how long the program takes until its main window shows, and
// its peak resident memory, on sample data of N entries per ledger (default 2,000 and 100,000),
// side by side with a bare Qt window in the same run; then the peak memory of the program with
// its income window open as well (MIZOREL_STARTUP_CHECK=income). Each figure is the best of
// three starts; both run offscreen and end at the first turn of their event loop after the
// window shows (MIZOREL_STARTUP_CHECK=window). --cache DIR keeps the sample folders in DIR/N.
// It prints figures; nothing here is a test.
#include "bench/benchsample.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

struct Figures {
    double ms = 1e300;
    long peakKb = 0;
};

// Starts program with args in dir, waits for it, and takes the best time and lowest peak of
// three starts.
Figures measure(const QString& program, const QStringList& args, const QString& dir,
                const QString& runtime, const char* check = "window") {
    Figures best;
    best.peakKb = 1L << 40;
    for (int i = 0; i < 3; ++i) {
        std::vector<std::string> argStrings{program.toStdString()};
        for (const QString& a : args) argStrings.push_back(a.toStdString());
        std::vector<char*> argv;
        for (std::string& s : argStrings) argv.push_back(s.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStrings;
        for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
        envStrings.push_back("QT_QPA_PLATFORM=offscreen");
        envStrings.push_back(std::string("MIZOREL_STARTUP_CHECK=") + check);
        envStrings.push_back("XDG_RUNTIME_DIR=" + runtime.toStdString());
        std::vector<char*> envp;
        for (std::string& s : envStrings) envp.push_back(s.data());
        envp.push_back(nullptr);

        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        QElapsedTimer t;
        t.start();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            std::fprintf(stderr, "cannot start %s\n", argv[0]);
            std::exit(1);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        posix_spawn_file_actions_destroy(&actions);
        QDir::setCurrent(cwd);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s ended with status %d\n", argv[0], status);
            std::exit(1);
        }
        best.ms = std::min(best.ms, ms);
        best.peakKb = std::min(best.peakKb, usage.ru_maxrss);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    // The bare window: a Qt main window shown, and the process ends at the first turn of the
    // event loop.
    if (argc > 1 && std::string(argv[1]) == "--bare") {
        QApplication app(argc, argv);
        QMainWindow w;
        w.resize(640, 480);
        w.show();
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
        return QApplication::exec();
    }
    QCoreApplication app(argc, argv);
    const auto [cache, sizes] = mz::bench::sizesArguments(app.arguments(), {2000, 100000});
    QTemporaryDir runtime;
    const QString self = QCoreApplication::applicationFilePath();
    const QString program = QString::fromUtf8(MIZOREL_PROGRAM);
    std::printf(
        "time to the main window (ms) and peak resident memory (MB), best of three starts;\n"
        "+income: peak memory with the income window open too\n");
    std::printf("%9s  %9s %9s %6s  %9s %9s %6s  %12s %6s\n", "entries", "bare ms", "mizorel",
                "ratio", "bare MB", "mizorel", "ratio", "+income MB", "ratio");
    for (int n : sizes) {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(u("data"));
        mz::bench::cachedSampleFolder(cache, n, dir);
        const Figures bare = measure(self, {u("--bare")}, dir, runtime.path());
        const Figures mz = measure(program, {}, dir, runtime.path());
        const Figures income = measure(program, {}, dir, runtime.path(), "income");
        std::printf("%9d  %9.1f %9.1f %6.2f  %9.1f %9.1f %6.2f  %12.1f %6.2f\n", n, bare.ms, mz.ms,
                    mz.ms / bare.ms, static_cast<double>(bare.peakKb) / 1024,
                    static_cast<double>(mz.peakKb) / 1024,
                    static_cast<double>(mz.peakKb) / static_cast<double>(bare.peakKb),
                    static_cast<double>(income.peakKb) / 1024,
                    static_cast<double>(income.peakKb) / static_cast<double>(bare.peakKb));
        std::fflush(stdout);
    }
    return 0;
}
