#pragma once
// Started from the desktop menu, Mizorel works in ~/Mizorel. The menu entry sets
// MIZOREL_DESKTOP_START=1; before start-up the program then makes that folder its data
// directory, creating it with an empty data directory (as mizorel-newdata does) on first start.
// Started any other way, the program works on the directory that is current, as always.

#include <QString>

namespace mz::app {

inline constexpr char kDesktopStartVariable[] = "MIZOREL_DESKTOP_START";

// Whether the program was started from the desktop menu.
bool startedFromDesktop();

// ~/Mizorel.
QString desktopDataFolder();

// Makes `folder` the current directory: creates it when it does not exist and puts an empty
// data directory into it when it holds no data yet. A folder that holds its data is left as it
// is. When the folder cannot be created or prepared, an error box says so, in Japanese, and
// the result is false.
bool enterDesktopDataFolder(const QString& folder);

}  // namespace mz::app
