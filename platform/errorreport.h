#pragma once
// The application's error display. An error that a handler does not catch (a table-engine
// error, a text that does not convert) is shown in a message box with the error icon, whose
// caption is the application's title and whose text is the error's message with a full stop
// added by the rule of errorDisplayText(); then the program goes on.
//
// The application object (app/errordisplay.h) sends every error that escapes an event handler
// here; runCreationHandler() (modal.h) sends errors of a window's creation handler here.

#include <QString>

#include <utility>

namespace mz::platform {

// The text of the error box for an error message: the message followed by "." whenever its
// last character's code is above that of "." (U+002E). So "…ません" and "…。" get a full stop,
// while a message ending in "." or "!" or a blank keeps its last character, and an empty
// message stays empty.
QString errorDisplayText(const QString& message);

// Shows the error box for this message.
void reportError(const QString& message);

// Shows the error box for the exception being handled; call it inside a catch (...) block.
// Engine errors and standard exceptions show their message; anything else a general one. A
// TestFailure (recorder.h) is passed on, never shown: it belongs to the test.
void reportCurrentException();

// A handler wrapped for connect(): an error that it raises is shown by the error display at
// once and the rest of the handler is skipped, exactly as when the error reaches the
// application object, but the exception never unwinds through Qt's own signal and event code,
// which is not built to clean up after exceptions (it leaks and may leave a widget half-way
// through a click). Tests that call the handler directly still see the exception.
//     connect(ColorButton1, &TColorButton::clicked, this, guarded(this, &TFoo::ColorButton1Click));
template <class Window, class... Args>
auto guarded(Window* window, void (Window::*handler)(Args...)) {
    return [window, handler](Args... args) {
        try {
            (window->*handler)(std::forward<Args>(args)...);
        } catch (...) {
            reportCurrentException();
        }
    };
}

// The same for a function object taking no arguments.
template <class F>
auto guarded(F handler) {
    return [handler = std::move(handler)]() mutable {
        try {
            handler();
        } catch (...) {
            reportCurrentException();
        }
    };
}

}  // namespace mz::platform
