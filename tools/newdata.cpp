// mizorel-newdata DIR: creates an empty Mizorel data directory (the five ledger tables and the
// tables beside them, Okaeshi and Henrei, with their memo and index files, and the placeholder
// picture Gray.bmp). Refuses a directory that already holds any of those files.
#include "data/table.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].startsWith(u'-')) {
        std::fprintf(stderr,
                     "使い方: mizorel-newdata フォルダ\n"
                     "空のデータフォルダ (台帳の 5 つのテーブル、お返しのテーブルと Gray.bmp) "
                     "を作成します。\n");
        return 2;
    }
    const QString dir = args[1];
    try {
        mz::data::createDataDirectory(dir);
    } catch (const mz::data::EngineError& e) {
        std::fprintf(stderr, "mizorel-newdata: %s\n", e.message().toUtf8().constData());
        return 1;
    }
    std::printf("空のデータフォルダを作成しました: %s\n",
                QDir::toNativeSeparators(QDir(dir).absolutePath()).toUtf8().constData());
    return 0;
}
