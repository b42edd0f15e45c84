#include "app/startup.h"

#include "app/TMizorelMenuForm.h"
#include "app/helpcommand.h"
#include "data/types.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"

#include <QApplication>
#include <QTimer>

namespace mz::app {

namespace {

template <class Form>
void create(Startup& s, QPointer<Form>& reference) {
    auto form = std::make_unique<Form>();
    reference = form.get();
    s.printouts.push_back(std::move(form));
}

}  // namespace

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
    } catch (const mz::data::EngineError& e) {
        platform::errorBox(nullptr, QStringLiteral("アプリケーションエラー"),
                           QStringLiteral("データベースエラー\n%1").arg(e.message()));
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
    if (qEnvironmentVariable("MIZOREL_STARTUP_CHECK") == QLatin1String("help"))
        QTimer::singleShot(0, s.mainWindow.get(), [&s] {
            QCoreApplication::exit(reportHelpCheck(s.mainWindow.get()));
        });
    const int rc = QApplication::exec();
    s.printouts.clear();
    s.mainWindow.reset();
    return rc;
}

}  // namespace mz::app
