#pragma once
// Copying the data files (the files of every table, backupFiles()) into a backup folder,
// without the window.
//
// A backup is all or nothing for a folder that already holds a backup: every file is first
// written under a temporary name in the destination folder, flushed to disk and compared with
// its source; only when all the copies are complete and equal to their sources are they
// renamed over the earlier copies. So a failed backup (a missing data file, a full disk, a
// folder that cannot be written) leaves an earlier backup exactly as it was, and never mixes
// files of two backups. In a folder that holds none of the backup names, the copies that did
// complete are kept even when another one failed: they replace nothing, all come from the same
// data, and the user is told that the backup failed.
//
// The file operations go through FileOperations so that tests can make any single step fail.

#include <QList>
#include <QString>
#include <QStringList>

namespace mz::backup {

// One data file: its name in the data directory and its name in the backup folder.
struct BackupFile {
    QString source;
    QString destination;
    // The record file of the table, when it is one beside the five (data/tabledefs.h
    // extraTableDefs()): its files are backed up and verified like the others when the data
    // directory holds that record file, and left out without a complaint when it does not (a
    // data directory not yet brought up to date by start-up). Empty for the five.
    QString optionalWith;
};

// The files of every table the table engine defines (data/tabledefs.h), table by table: record
// file, memo file, index file; the five first, then the tables beside them (optional). A table
// added there is backed up without a change here. The
// backup name has an upper-case extension, so the master tables' record files (Kazoku.dbf,
// Moku.dbf) are Kazoku.DBF and Moku.DBF in the backup. The placeholder picture is not a table
// file and is not backed up.
QList<BackupFile> backupFiles();

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
    Succeeded,  // every file copied and equal to their sources
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
