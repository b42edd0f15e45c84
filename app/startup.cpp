#include "app/startup.h"

#include "app/TMizorelMenuForm.h"
#include "data/types.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"

#include <QApplication>

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
    s.mainWindow->show();
    const int rc = QApplication::exec();
    s.printouts.clear();
    s.mainWindow.reset();
    return rc;
}

}  // namespace mz::app
