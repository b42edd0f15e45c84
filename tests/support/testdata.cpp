#include "testdata.h"

#include "data/table.h"

#include <QDir>

namespace mz::test {

DataDir::DataDir() { mz::data::createDataDirectory(dir_.path()); }

QString sourcePath(const QString& relative) {
    return QDir(QString::fromUtf8(MIZOREL_SOURCE_DIR)).filePath(relative);
}

QString binaryPath(const QString& relative) {
    return QDir(QString::fromUtf8(MIZOREL_BINARY_DIR)).filePath(relative);
}

}  // namespace mz::test
