#include "platform/modal.h"

#include "platform/errorreport.h"
#include "platform/recorder.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace mz::platform {

namespace {

ModalDriver* g_driver = nullptr;

// Tells when a modal window has been closed, as opposed to merely hidden. A QDialog is closed
// when it finishes (done, accept, reject, close box). Another widget is closed when it is
// hidden by an accepted close: a close event followed by the hide that close() does.
class CloseWatcher : public QObject {
public:
    explicit CloseWatcher(QWidget* window) : window_(window) {
        if (auto* dialog = qobject_cast<QDialog*>(window))
            connect(dialog, &QDialog::finished, this, &CloseWatcher::markClosed);
        else
            window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, &CloseWatcher::markClosed);
    }

    bool closed() const { return closed_; }

    // Runs an event loop until the window has been closed.
    void wait() {
        if (closed_) return;
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        loop_ = nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_) {
            switch (event->type()) {
                case QEvent::Close:
                    closing_ = true;
                    break;
                case QEvent::Show:
                    closing_ = false;
                    break;
                case QEvent::Hide:
                    if (closing_) markClosed();
                    break;
                default:
                    break;
            }
        }
        return false;
    }

private:
    void markClosed() {
        closed_ = true;
        if (loop_) loop_->quit();
    }

    QWidget* window_;
    QEventLoop* loop_ = nullptr;
    bool closed_ = false;
    bool closing_ = false;
};

}  // namespace

ModalDriver::ModalDriver() : previous_(g_driver) {
    g_driver = this;
}

ModalDriver::~ModalDriver() {
    g_driver = previous_;
}

ModalDriver* ModalDriver::active() {
    return g_driver;
}

ModalDriver::Action* ModalDriver::actionFor(std::type_index type) {
    const auto it = actions_.find(type);
    return it == actions_.end() ? nullptr : &it->second;
}

namespace detail {

int runModal(QWidget* window, std::type_index type) {
    QPointer<QWidget> guard(window);
    // Whatever happens below, the window does not outlive this call.
    const auto destroy = qScopeGuard([&guard] { delete guard.data(); });

    const QString className = QString::fromLatin1(window->metaObject()->className());
    if (!window->isWindow()) window->setWindowFlag(Qt::Window, true);
    window->setWindowModality(Qt::ApplicationModal);
    CloseWatcher watcher(window);

    if (ModalDriver* driver = ModalDriver::active()) {
        ModalDriver::Action* action = driver->actionFor(type);
        if (!action)
            testFailure(u"window %1 was opened but the test has no action for it"_s.arg(className));
        driver->noteOpened(className);
        window->show();
        (*action)(*window);
        // The action may have left the window open: close it as its close box would.
        if (guard && !watcher.closed()) guard->close();
    } else if (Recorder::active() || neverBlock()) {
        testFailure(u"window %1 was opened in a test without a ModalDriver"_s.arg(className));
    } else {
        window->show();
        watcher.wait();
    }

    auto* dialog = qobject_cast<QDialog*>(guard.data());
    return dialog ? dialog->result() : 0;
}

}  // namespace detail

void runCreationHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        reportCurrentException();
    }
}

}  // namespace mz::platform
