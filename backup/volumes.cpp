#include "backup/volumes.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace mz::backup {

namespace {

bool isRemovableMountPoint(const QString& path) {
    return path.startsWith(u"/media/"_s) || path.startsWith(u"/run/media/"_s) ||
           path.startsWith(u"/mnt/"_s) || path == u"/mnt"_s;
}

}  // namespace

QString Volume::displayText() const {
    return label.isEmpty() ? path : path + u" ["_s + label + u']';
}

QList<Volume> backupVolumes() {
    QList<Volume> volumes;
    const QList<QStorageInfo> mounted = QStorageInfo::mountedVolumes();
    QString rootName;
    QList<Volume> removable;
    for (const QStorageInfo& info : mounted) {
        if (!info.isValid()) continue;
        const QString root = QDir::cleanPath(info.rootPath());
        if (root == u"/"_s)
            rootName = info.name();
        else if (isRemovableMountPoint(root))
            removable.append({root, info.name()});
    }
    volumes.append({u"/"_s, rootName});
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != u"/"_s) volumes.append({home, u"ホーム"_s});
    std::sort(removable.begin(), removable.end(),
              [](const Volume& a, const Volume& b) { return a.path < b.path; });
    for (const Volume& v : removable)
        if (!volumes.contains(v) && v.path != home) volumes.append(v);
    return volumes;
}

qsizetype volumeIndexOf(const QList<Volume>& volumes, const QString& path) {
    const QString clean = QDir::cleanPath(path);
    qsizetype best = -1;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        const QString& v = volumes[i].path;
        const bool holdsIt = clean == v || clean.startsWith(v.endsWith(u'/') ? v : v + u'/');
        if (holdsIt && (best < 0 || v.size() > volumes[best].path.size())) best = i;
    }
    return best;
}

bool isNotReady(int code) {
    switch (code) {
        case EIO:
        case ENOMEDIUM:
        case ENXIO:
        case ENODEV:
        case ENOTCONN:
        case ESTALE:
        case ENOENT:
        case EACCES:
        case EPERM:
            return true;
        default:
            return false;
    }
}

}  // namespace mz::backup
