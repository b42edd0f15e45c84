#pragma once
// The application object of Mizorel. Handlers do not catch errors: an error raised while an
// event is handled (a table-engine error, a text that does not convert) ends that handler and
// arrives here, where it is shown in the error display (platform/errorreport.h) and the event
// loop goes on. The window in which the error arose stays open, and whatever its handler did
// before the error stays done.

#include <QApplication>

#include <functional>

namespace mz::app {

// Delivers one event: runs `deliver` and, if it throws, shows the error and reports the event
// as not handled (false). A TestFailure of the platform seam is passed on.
bool deliverShowingErrors(const std::function<bool()>& deliver);

class MizorelApplication : public QApplication {
    Q_OBJECT
public:
    MizorelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace mz::app
