#include "app/desktopstart.h"

#include "data/table.h"
#include "data/types.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>

namespace mz::app {

namespace {

void cannotPrepare(const QString& folder, const QString& reason) {
    platform::errorBox(nullptr, QStringLiteral("Mizorel"),
                       QStringLiteral("データフォルダ %1 を用意できないため、Mizorel を起動できません。\n%2")
                           .arg(QDir::toNativeSeparators(folder), reason));
}

}  // namespace

bool startedFromDesktop() {
    return qEnvironmentVariable(kDesktopStartVariable) == QLatin1String("1");
}

QString desktopDataFolder() {
    return QDir::home().filePath(QStringLiteral("Mizorel"));
}

bool enterDesktopDataFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        cannotPrepare(folder, QStringLiteral("同じ名前のファイルがあります。"));
        return false;
    }
    if (!QDir().mkpath(folder)) {
        cannotPrepare(folder, QStringLiteral("フォルダを作成できません（書き込みの権限がないか、ディスクがいっぱいです）。"));
        return false;
    }
    // The income table stands for the data: a folder without it gets a new data directory. One
    // that holds some of the other files is refused by createDataDirectory, not overwritten.
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Indata.DBF")))) {
        try {
            data::createDataDirectory(folder);
        } catch (const data::EngineError& e) {
            cannotPrepare(folder, e.message());
            return false;
        }
    }
    try {
        platform::setCurrentDir(folder);
    } catch (const platform::IoError& e) {
        cannotPrepare(folder, e.message());
        return false;
    }
    return true;
}

}  // namespace mz::app
