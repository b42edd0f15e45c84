#pragma once
// What the benchmarks over a sample data folder share: the --entries argument, and a folder of
// sample data made by mizorel-sample (MIZOREL_SAMPLE_TOOL, set by the build) in a temporary
// directory.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

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

}  // namespace mz::bench
