#pragma once
// Copying the thirteen data files into a backup folder, without the window.
//
// A backup is all or nothing for a folder that already holds a backup: every file is first
// written under a temporary name in the destination folder, flushed to disk and compared with
// its source; only when all thirteen copies are complete and equal to their sources are they
// renamed over the earlier copies. So a failed backup (a missing data file, a full disk, a
// folder that cannot be written) leaves an earlier backup exactly as it was, and never mixes
// files of two backups. In a folder that holds none of the thirteen names, the copies that did
// complete are kept even when another one failed: they replace nothing, all come from the same
// data, and the user is told that the backup failed.
//
// The file operations go through FileOperations so that tests can make any single step fail.

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace mz::backup {

// One data file: its name in the data directory and its name in the backup folder.
struct BackupFile {
    const char16_t* source;
    const char16_t* destination;
};

// The thirteen data files in the order they are copied. The two master tables' record files
// are named with a lower-case extension in the data directory and an upper-case one in the
// backup.
inline constexpr std::array<BackupFile, 13> kBackupFiles{{
    {u"Aitesaki.DBF", u"Aitesaki.DBF"},
    {u"Aitesaki.DBT", u"Aitesaki.DBT"},
    {u"Aitesaki.MDX", u"Aitesaki.MDX"},
    {u"Indata.DBF", u"Indata.DBF"},
    {u"Indata.DBT", u"Indata.DBT"},
    {u"Indata.MDX", u"Indata.MDX"},
    {u"Outdata.DBF", u"Outdata.DBF"},
    {u"Outdata.DBT", u"Outdata.DBT"},
    {u"Outdata.MDX", u"Outdata.MDX"},
    {u"Kazoku.dbf", u"Kazoku.DBF"},
    {u"Kazoku.MDX", u"Kazoku.MDX"},
    {u"Moku.dbf", u"Moku.DBF"},
    {u"Moku.MDX", u"Moku.MDX"},
}};

// The file-system steps of a backup. The default implementation works on the real file system
// and reports failures in Japanese with the system's reason; tests derive from it to make one
// step fail. Each step that fails returns false and sets `error`.
class FileOperations {
public:
    virtual ~FileOperations();

    // Creates `target`, which must not exist yet, as a complete copy of `source` with the
    // source's permissions, and flushes it to disk. While it is being written it is readable by
    // its owner alone.
    virtual bool copyToNewFile(const QString& source, const QString& target, QString& error);
    // Whether the two files have the same size and the same bytes.
    virtual bool sameContents(const QString& a, const QString& b, QString& error);
    // Renames `from` to `to` in one step, replacing a file named `to`.
    virtual bool replace(const QString& from, const QString& to, QString& error);
    // Removes a file if it is there (a temporary copy that is given up).
    virtual void remove(const QString& path);
    // Flushes a folder's entries (the renames) to disk; failures are ignored, as some file
    // systems cannot do it.
    virtual void syncFolder(const QString& path);
};

enum class BackupOutcome {
    Succeeded,  // all thirteen files copied and equal to their sources
    Failed,     // at least one file missing or not copied
    Refused,    // the destination is the data directory itself
};

struct BackupResult {
    BackupOutcome outcome = BackupOutcome::Failed;
    // Why the backup failed, one line per problem (Japanese, for the log).
    QStringList problems;
    // The destination names that now hold a new copy, in the order they were put in place.
    QStringList written;
};

// Whether two folder names lead to the same folder, however they are spelt: through a symbolic
// link, with a trailing slash or "..", or as a bind mount of the same folder. An empty name is
// no folder.
bool isSameFolder(const QString& a, const QString& b);

// The path of a data file in `dataDir`: the file of exactly that name, or else the one whose
// name differs only in letter case (the table engine finds its tables the same way); an empty
// string when there is none.
QString findDataFile(const QString& dataDir, const QString& name);

// Backs up the data files of `dataDir` into the folder `destination`, as described above.
BackupResult backUp(const QString& dataDir, const QString& destination, FileOperations& ops);

// The same with the real file system.
BackupResult backUp(const QString& dataDir, const QString& destination);

}  // namespace mz::backup
