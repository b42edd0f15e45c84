#pragma once
// The help command: where the help file is looked for, which page a window's F1 opens, and the
// one viewer window of a run, which stays usable while the program's other windows are modal.
//
// The help is a reading aid: the viewer follows the modal window on top (it becomes that
// window's transient child), so that it takes input while a ledger or address-book window is
// up, and it stays open when that window closes.

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

class QWidget;

namespace mz::app {

class HelpViewer;

// The places where openHelp looks for the help file, in order: the current directory (the data
// directory), beside the program, and ../share/mizorel from the program's directory, where an
// installed program (<prefix>/bin) and the build tree (build/app) keep it.
QStringList helpFileCandidates();

// The page of the help file that describes a window, by the window's class; for a window the
// help does not describe (a message box, a picker), the page of the window that owns it. Empty
// when none of them is described: the help then opens at its default topic.
QString helpTopicFor(const QWidget* window);
// The page of a window class ("TINregiForm", also inside a namespace); empty for a class the
// help does not describe.
QString helpTopicForClass(QLatin1StringView className);

// Opens the help in a viewer window of its own with owner as parent, without blocking, at
// `topic` (a page of the help file) or, when that is empty, at the default topic. The same
// viewer is raised, and shows that page, when it is already open. A missing or damaged help file is reported by the
// viewer's own message page. Returns the viewer.
HelpViewer* openHelp(QWidget* owner, const QString& topic = {});

// Makes F1 open the help everywhere in the program: at the page of the window that has the
// focus (helpTopicFor), with the main window as the viewer's owner. Installed once per run.
void installHelpKey();

// For the start-up check of an installed program: opens the help as the help menu does and
// writes what the viewer shows to standard output ("help file: ...", "help topic: ...",
// "help title: ...") and the caption of Qt's cancel button ("cancel button: キャンセル" once
// Qt's Japanese translations are loaded). Returns 0 when the help file was found and opened
// at its default topic.
int reportHelpCheck(QWidget* mainWindow);

}  // namespace mz::app
