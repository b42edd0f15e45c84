#pragma once
// Program start-up: the main window first (it records the data directory), then the eight
// printout forms, each opening its table. A table that cannot be opened stops start-up with the
// error box "アプリケーションエラー". Then a data directory made before a table beside the five
// existed gets that table, empty, with a notice (upgradeDataDirectory).

#include <QObject>

#include <memory>
#include <vector>

class QWidget;
class TMizorelMenuForm;

namespace mz::app {

struct Startup {
    std::unique_ptr<TMizorelMenuForm> mainWindow;
    std::vector<std::unique_ptr<QObject>> printouts;  // in creation order
};

// Creates, empty, every table beside the five that the current directory lacks (the five are
// never touched) and says so in a notice naming them; a table that cannot be created is told in
// a notice too, and the program goes on without it.
void upgradeDataDirectory(QWidget* owner);

// Creates the windows of a run. Returns false, after showing the error box, when a table cannot
// be opened; the windows created so far are destroyed.
bool startUp(Startup& s);

// The whole program after the application object exists: start-up, event loop, exit code.
int runMizorel();

}  // namespace mz::app
