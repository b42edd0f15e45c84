// Mizorel: a household's ledger of ceremonial gifts. The program works on the data directory that
// is current when it starts.
#include "app/desktopstart.h"
#include "app/errordisplay.h"
#include "app/startup.h"
#include "widgets/fonts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    mz::widgets::installFontSubstitutes();
    mz::app::MizorelApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // Standard buttons and dialogs in Japanese (はい / いいえ / キャンセル).
    QTranslator qtJapanese;
    if (qtJapanese.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtJapanese);
    if (mz::app::startedFromDesktop() &&
        !mz::app::enterDesktopDataFolder(mz::app::desktopDataFolder()))
        return 1;
    return mz::app::runMizorel();
}
