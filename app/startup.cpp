#include "app/startup.h"

#include "app/TMizorelMenuForm.h"
#include "app/helpcommand.h"
#include "data/table.h"
#include "data/tabledefs.h"
#include "data/types.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <algorithm>

namespace mz::app {

namespace {

// Whether the current directory lacks a table file (names compared without letter case, as the
// tables are opened): then it is most likely no data directory at all, and the user is told how
// to make one.
bool lacksDataFiles() {
    const QStringList present = QDir::current().entryList(QDir::Files);
    for (const data::TableDef& def : data::tableDefs()) {
        const bool found = std::any_of(present.begin(), present.end(), [&](const QString& f) {
            return f.compare(def.dbfName, Qt::CaseInsensitive) == 0;
        });
        if (!found) return true;
    }
    return false;
}

template <class Form>
void create(Startup& s, QPointer<Form>& reference) {
    auto form = std::make_unique<Form>();
    reference = form.get();
    s.printouts.push_back(std::move(form));
}

}  // namespace

void upgradeDataDirectory(QWidget* owner) {
    QStringList created;
    try {
        created = data::createMissingTables(platform::currentDir());
    } catch (const data::EngineError& e) {
        platform::notice(owner,
                         QStringLiteral("データフォルダに新しいテーブルを作成できませんでした。"
                                        "お返し管理など、そのテーブルを使う機能は使えません。\n%1")
                             .arg(e.message()));
        return;
    }
    if (created.isEmpty()) return;
    platform::notice(
        owner, QStringLiteral("このデータフォルダに、お返し管理などの新しい機能のためのテーブル"
                              "（%1）を作成しました。これまでのデータはそのままです。")
                   .arg(created.join(QStringLiteral("、"))));
}

bool startUp(Startup& s) {
    s.mainWindow = std::make_unique<TMizorelMenuForm>();
    SharedState& st = state();
    try {
        create(s, st.RepAite1Form);
        create(s, st.RepAite2Form);
        create(s, st.RepKazo1Form);
        create(s, st.RepMoku1Form);
        create(s, st.RepIn1Form);
        create(s, st.RepIn2Form);
        create(s, st.RepOut2Form);
        create(s, st.RepOut1Form);
        // Only a folder that holds the five tables is a data directory to bring up to date.
        upgradeDataDirectory(s.mainWindow.get());
    } catch (const mz::data::EngineError& e) {
        QString text = QStringLiteral("データベースエラー\n%1").arg(e.message());
        if (lacksDataFiles())
            text += QStringLiteral(
                        "\n\nフォルダ「%1」には Mizorel のデータがありません。データフォルダで起動して"
                        "ください。新しいデータフォルダは「mizorel-newdata フォルダ名」"
                        "（開発中は「scripts/run フォルダ名」）で作成できます。")
                        .arg(QDir::toNativeSeparators(platform::currentDir()));
        platform::errorBox(nullptr, QStringLiteral("アプリケーションエラー"), text);
        s.printouts.clear();
        s.mainWindow.reset();
        return false;
    }
    return true;
}

int runMizorel() {
    Startup s;
    if (!startUp(s)) return 1;
    installHelpKey();
    s.mainWindow->show();
    // The check that an installed program starts and finds its help (the package test):
    // MIZOREL_STARTUP_CHECK=help opens the help once the main window shows, reports it and ends.
    // MIZOREL_STARTUP_CHECK=window ends as soon as the main window shows (bench/start times it).
    const QString check = qEnvironmentVariable("MIZOREL_STARTUP_CHECK");
    if (check == QLatin1String("help"))
        QTimer::singleShot(0, s.mainWindow.get(), [&s] {
            QCoreApplication::exit(reportHelpCheck(s.mainWindow.get()));
        });
    else if (check == QLatin1String("window"))
        QTimer::singleShot(0, s.mainWindow.get(), [] { QCoreApplication::exit(0); });
    // MIZOREL_STARTUP_CHECK=income opens the income window as its button does and ends once it
    // shows (bench/start measures the memory it takes).
    else if (check == QLatin1String("income"))
        QTimer::singleShot(0, s.mainWindow.get(), [&s] {
            QTimer::singleShot(0,
                               [] { QCoreApplication::exit(0); });  // runs inside the window's loop
            s.mainWindow->S2Click();
        });
    const int rc = QApplication::exec();
    s.printouts.clear();
    s.mainWindow.reset();
    return rc;
}

}  // namespace mz::app
