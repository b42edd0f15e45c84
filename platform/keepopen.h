#pragma once
// Entry and edit windows stay open on Escape.
//
// Japanese users press Escape to cancel an input-method conversion, and one press too many
// would reach the window: a QDialog closes on Escape, and with it whatever was typed into the
// entry. A window that holds typed data installs this in its constructor, with one line:
//
//     mz::platform::keepOpenOnEscape(this);
//
// Escape then goes on doing what it does inside a control (closing a drop-down list or the
// calendar of a date box, ending an input-method conversion), but a press that no control used
// ends at the window and closes nothing. The close box and the window's own buttons close it as
// before. Windows that hold no typed data (the about box, the selection windows) do not install
// it and close on Escape as their 戻る button would.

class QWidget;

namespace mz::platform {

void keepOpenOnEscape(QWidget* window);

// Whether the window has been made to stay open on Escape.
bool keepsOpenOnEscape(const QWidget* window);

}  // namespace mz::platform
