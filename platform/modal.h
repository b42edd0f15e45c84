#pragma once
// The modal-window pattern of every Mizorel window: create the window with its opener as
// owner, store it in its class's reference of the shared state, show it modally so that the
// owner takes no input until it closes, then destroy it.
//
//     const mz::mode::Scope scope(&SharedState::NameSelectMode, mz::mode::kNameCriterion);
//     mz::platform::openModal(this, mz::state().NAMEsentakuForm);
//     if (!state().SelectedName.isEmpty()) Edit1->setText(state().SelectedName);
//
// If the window's constructor throws (a table that cannot be opened), the exception goes on to
// the caller, the reference is left as it was and nothing is shown: the opener's handler stops
// there, and the error reaches the application's error display.
//
// The window runs until it is closed: done()/accept()/reject() or the close box for a QDialog,
// an accepted close() for any other widget. Hiding does not end it, so a window may hide
// itself while a window it opened is up and show itself again afterwards. (QDialog::exec()
// would end at the hide; this helper runs its own loop.)
//
// In tests a ModalDriver replaces the event loop: the window is created and shown (offscreen)
// as in the program, then handed to the test's action for its class, which acts on it as a
// user would; when the action returns, a window that is still open is closed as by its close
// box, and then destroyed. Actions may open further windows, so a whole road runs
// synchronously:
//
//     mz::platform::ModalDriver driver;
//     driver.onOpen<TNAMEsentakuForm>([](TNAMEsentakuForm& w) { w.DBGrid1DblClick(); });
//     management.ColorButton7Click();   // opens the selection window, which picks and closes
//
// A window opened while a Recorder or a ModalDriver is installed but the driver has no action
// for its class fails the test (TestFailure) instead of waiting for a user.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>
#include <typeindex>
#include <typeinfo>
#include <utility>

namespace mz::platform {

class ModalDriver {
public:
    using Action = std::function<void(QWidget&)>;

    // Installs this driver; the destructor restores the one installed before.
    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    static ModalDriver* active();

    // What to do each time a window of class W is opened. `action` is called with the window
    // (W&) while it is shown; a later onOpen for the same class replaces the earlier one.
    template <class W, class F>
    ModalDriver& onOpen(F action) {
        static_assert(std::is_base_of_v<QWidget, W>, "a window is a QWidget");
        actions_[std::type_index(typeid(W))] = [act = std::move(action)](QWidget& w) mutable {
            act(static_cast<W&>(w));
        };
        return *this;
    }

    // Class names of the windows opened while this driver was installed, in opening order.
    const QStringList& opened() const { return opened_; }
    qsizetype openCount(const QString& className) const { return opened_.count(className); }

    // Used by openModal(): the action for a window class, or null.
    Action* actionFor(std::type_index type);
    void noteOpened(const QString& className) { opened_ << className; }

private:
    ModalDriver* previous_ = nullptr;
    std::map<std::type_index, Action> actions_;
    QStringList opened_;
};

namespace detail {
// Shows the created window modally (or hands it to the test driver), waits until it closes and
// destroys it. Returns the QDialog result, 0 for other widgets.
int runModal(QWidget* window, std::type_index type);
}  // namespace detail

// Opens a window made by `make` (which returns a new W owned by `owner`); see above.
template <class W, class Make>
int openModal(QWidget* owner, QPointer<W>& reference, Make make) {
    static_assert(std::is_base_of_v<QWidget, W>, "a window is a QWidget");
    W* window = make(owner);  // may throw: then nothing is stored and nothing runs
    reference = window;
    return detail::runModal(window, std::type_index(typeid(W)));
}

// Opens a window of class W, created as W(owner).
template <class W>
int openModal(QWidget* owner, QPointer<W>& reference) {
    return openModal(owner, reference, [](QWidget* parent) { return new W(parent); });
}

// Runs a window's creation handler (FormCreate) so that an error in it is shown by the error
// display and the rest of the handler is skipped, but the window is still created and opens
// all the same. Call it at the end of the window's constructor:
//     mz::platform::runCreationHandler([this] { FormCreate(); });
// An error while the window opens its tables belongs before this call and is not caught: that
// window is not created at all.
void runCreationHandler(const std::function<void()>& handler);

}  // namespace mz::platform
