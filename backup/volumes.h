#pragma once
// The volumes that the backup window's drive box offers: the root of the file system, the
// user's home folder, and the volumes mounted under /media, /run/media and /mnt (USB sticks,
// memory cards, other disks).

#include <QList>
#include <QString>

namespace mz::backup {

struct Volume {
    QString path;   // the folder the folder list opens when the volume is picked
    QString label;  // the volume's name, or a word saying what it is; may be empty

    // What the drive box shows: the path, followed by the label in brackets when there is one.
    QString displayText() const;
    bool operator==(const Volume&) const = default;
};

// The volumes mounted now, root first, then the home folder, then the others by path. A volume
// that cannot be read at the moment is listed all the same: picking it asks whether to retry.
QList<Volume> backupVolumes();

// The volume of `volumes` that holds the folder `path`: the one with the longest path that is
// `path` itself or one of its parent folders; -1 when there is none.
qsizetype volumeIndexOf(const QList<Volume>& volumes, const QString& path);

// Whether a system error number from entering a volume's folder means that the volume cannot
// be read now (no medium, medium removed, input/output error, no access), as opposed to a
// fault of the program.
bool isNotReady(int code);

}  // namespace mz::backup
