#include "app/errordisplay.h"

#include "platform/errorreport.h"

namespace mz::app {

bool deliverShowingErrors(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (...) {
        mz::platform::reportCurrentException();
        return false;
    }
}

MizorelApplication::MizorelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool MizorelApplication::notify(QObject* receiver, QEvent* event) {
    return deliverShowingErrors([&] { return QApplication::notify(receiver, event); });
}

}  // namespace mz::app
