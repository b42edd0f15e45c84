#pragma once
// One compiled help file (Mizorel_Help.chm), read into memory.
//
// chmlib trusts the file it reads and may crash or loop on a damaged one, so it never runs in
// the program: the helper mizorel-helpunpack (help/unpacker.cpp) unpacks the file in a process
// of its own, within a time limit, and only the objects it writes come back. A file on which
// the helper crashes, runs too long or fails, or whose output does not add up, is refused as
// damaged. Paths inside the archive are absolute and case-insensitive ("/index.html").

#include "app/helpformat.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace mz::app {

class ChmArchive {
public:
    using SystemInfo = HelpSystemInfo;

    enum class Failure {
        None,
        Unreadable,  // missing, not a file, not readable
        Damaged,     // not a help file, truncated, damaged
        NoUnpacker,  // the helper program is not installed or cannot be started
    };

    // Opens the file. False when it cannot be read as a help file (see failure()); the archive
    // is then closed.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return open_; }
    QString path() const { return path_; }
    // Why the last open() failed; None after a successful one.
    Failure failure() const { return failure_; }

    // The bytes of one object of the archive; nothing when it does not exist.
    std::optional<QByteArray> read(const QString& pathInArchive) const;
    bool contains(const QString& pathInArchive) const;

    // The paths of the ordinary files of the archive (its pages, style sheets, images, the
    // contents and index files), without the archive's own bookkeeping objects.
    QStringList files() const;

    // The parsed /#SYSTEM file; nothing when it is missing.
    std::optional<SystemInfo> systemInfo() const;

    // The file name of the helper, and where it is looked for: beside the program, then
    // ../libexec/mizorel from the program's directory (an installed program, the build tree).
    static constexpr char kUnpackerName[] = "mizorel-helpunpack";
    static QStringList unpackerCandidates();
    // Uses this helper instead of the one found; empty goes back to looking for it.
    static void setUnpacker(const QString& program);
    // How long the helper may take before the file is refused; its own processor-time limit
    // is shorter, so this is reached only by a helper that hangs without working.
    static constexpr int kDefaultTimeLimitMs = 30000;
    static void setTimeLimit(int milliseconds);

private:
    bool open_ = false;
    Failure failure_ = Failure::None;
    QString path_;
    QHash<QString, QByteArray> objects_;  // by lower-case path
    QStringList names_;                   // the paths as stored
};

}  // namespace mz::app
