#pragma once
// Helpers shared by the tests: fresh data directories and paths to checked-in golden files.

#include <QString>
#include <QTemporaryDir>

namespace mz::test {

// A temporary directory holding an empty data directory, made by the same code as
// mizorel-newdata. Removed when the object goes away.
class DataDir {
public:
    DataDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

QString sourcePath(const QString& relative);  // a file of the source tree
QString binaryPath(const QString& relative);  // a file of the build tree

}  // namespace mz::test
