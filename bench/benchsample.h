#pragma once
// What the benchmarks over a sample data folder share: the --entries argument, and a folder of
// sample data made by mizorel-sample (MIZOREL_SAMPLE_TOOL, set by the build) in a temporary
// directory; for the benchmarks over several sizes, their arguments and a cache of sample folders.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace mz::bench {

// The number after --entries, or `fallback` when the arguments give none.
inline int entriesArgument(const QStringList& args, int fallback) {
    for (qsizetype i = 1; i + 1 < args.size(); ++i)
        if (args[i] == QStringLiteral("--entries")) return args[i + 1].toInt();
    return fallback;
}

// Makes a sample of `entries` entries per ledger in the folder "data" of `tmp` and returns its
// path, or an empty string (the tool's complaint on standard error) when the tool fails.
inline QString makeSampleFolder(const QTemporaryDir& tmp, int entries) {
    const QString dir = tmp.filePath(QStringLiteral("data"));
    QProcess sample;
    sample.start(QString::fromUtf8(MIZOREL_SAMPLE_TOOL),
                 {dir, QStringLiteral("--entries"), QString::number(entries)});
    if (!sample.waitForFinished(600000) || sample.exitCode() != 0) {
        std::fprintf(stderr, "mizorel-sample failed: %s\n",
                     sample.readAllStandardError().constData());
        return {};
    }
    return dir;
}

// The arguments of a benchmark over several sizes: [--cache DIR] [N ...], `fallback` when no size
// is given.
struct SizesArguments {
    QString cache;  // absolute; empty without --cache
    std::vector<int> sizes;
};
inline SizesArguments sizesArguments(const QStringList& args, std::vector<int> fallback) {
    SizesArguments out;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--cache") && i + 1 < args.size())
            out.cache = QFileInfo(args[++i]).absoluteFilePath();
        else
            out.sizes.push_back(args[i].toInt());
    }
    if (out.sizes.empty()) out.sizes = std::move(fallback);
    return out;
}

// Runs program and waits for it; false (its complaint on standard error) when it fails.
inline bool runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// A sample folder of n entries per ledger at dir: made afresh, or, with a cache folder, copied
// from cache/n (made there first when missing, so that repeated runs work on the same data; a
// cache made by an older sample tool must be deleted by hand). Ends the process when it fails.
inline void cachedSampleFolder(const QString& cache, int n, const QString& dir) {
    const QString tool = QString::fromUtf8(MIZOREL_SAMPLE_TOOL);
    const QStringList args{QStringLiteral("--entries"), QString::number(n)};
    if (cache.isEmpty()) {
        if (!runTool(tool, QStringList{dir} + args)) std::exit(1);
        return;
    }
    const QString cached = QDir(cache).filePath(QString::number(n));
    if (!QFileInfo::exists(QDir(cached).filePath(QStringLiteral("Indata.DBF"))) &&
        !runTool(tool, QStringList{cached} + args))
        std::exit(1);
    if (!runTool(QStringLiteral("cp"), {QStringLiteral("-r"), cached, dir})) std::exit(1);
}

}  // namespace mz::bench
