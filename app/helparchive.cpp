#include "app/helparchive.h"

#include "help/unpackformat.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace mz::app {

namespace {

QString& unpackerOverride() {
    static QString program;
    return program;
}

int& timeLimitMs() {
    static int limit = ChmArchive::kDefaultTimeLimitMs;
    return limit;
}

QString findUnpacker() {
    if (!unpackerOverride().isEmpty()) return unpackerOverride();
    for (const QString& candidate : ChmArchive::unpackerCandidates())
        if (QFileInfo(candidate).isExecutable()) return candidate;
    return {};
}

}  // namespace

QStringList ChmArchive::unpackerCandidates() {
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString name = QLatin1String(kUnpackerName);
    return {QDir(programDir).filePath(name),
            QDir::cleanPath(programDir + QStringLiteral("/../libexec/mizorel/") + name)};
}

void ChmArchive::setUnpacker(const QString& program) {
    unpackerOverride() = program;
}

void ChmArchive::setTimeLimit(int milliseconds) {
    timeLimitMs() = milliseconds;
}

bool ChmArchive::open(const QString& path) {
    close();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        failure_ = Failure::Unreadable;
        return false;
    }
    const QString unpacker = findUnpacker();
    if (unpacker.isEmpty()) {
        failure_ = Failure::NoUnpacker;
        return false;
    }

    QProcess helper;
    helper.setStandardInputFile(QProcess::nullDevice());
    // A crash report of a damaged file is of no use to anyone reading the program's output.
    helper.setStandardErrorFile(QProcess::nullDevice());
    helper.start(unpacker, {info.absoluteFilePath()}, QIODevice::ReadOnly);
    if (!helper.waitForStarted()) {
        failure_ = Failure::NoUnpacker;
        return false;
    }
    const QDeadlineTimer deadline(timeLimitMs());
    QByteArray stream;
    bool withinLimits = true;
    while (helper.state() != QProcess::NotRunning) {
        if (deadline.hasExpired() ||
            static_cast<quint64>(stream.size()) > mz::help::kMaxTotalSize + (1u << 20)) {
            withinLimits = false;
            helper.kill();
            helper.waitForFinished();
            break;
        }
        helper.waitForReadyRead(deadline.remainingTime());
        stream += helper.readAllStandardOutput();
    }
    stream += helper.readAllStandardOutput();
    failure_ = Failure::Damaged;
    if (!withinLimits || helper.exitStatus() != QProcess::NormalExit ||
        helper.exitCode() != mz::help::kUnpacked)
        return false;

    // The records the helper wrote; output that does not add up is refused as a whole.
    const auto objects = parseUnpacked(stream);
    if (!objects) return false;
    for (const HelpObject& o : *objects) {
        objects_.insert(o.path.toLower(), o.data);
        names_ << o.path;
    }
    path_ = info.absoluteFilePath();
    open_ = true;
    failure_ = Failure::None;
    return true;
}

void ChmArchive::close() {
    open_ = false;
    failure_ = Failure::None;
    path_.clear();
    objects_.clear();
    names_.clear();
}

std::optional<QByteArray> ChmArchive::read(const QString& pathInArchive) const {
    QString key = pathInArchive.toLower();
    if (!key.startsWith(u'/')) key.prepend(u'/');
    const auto it = objects_.constFind(key);
    if (it == objects_.cend()) return std::nullopt;
    return *it;
}

bool ChmArchive::contains(const QString& pathInArchive) const {
    return read(pathInArchive).has_value();
}

QStringList ChmArchive::files() const {
    QStringList list;
    // The archive's bookkeeping objects start with # or $.
    for (const QString& name : names_)
        if (!name.startsWith(u"/#") && !name.startsWith(u"/$")) list << name;
    return list;
}

std::optional<ChmArchive::SystemInfo> ChmArchive::systemInfo() const {
    const auto bytes = read(QStringLiteral("/#SYSTEM"));
    if (!bytes) return std::nullopt;
    return parseSystemFile(*bytes);
}

}  // namespace mz::app
