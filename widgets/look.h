#pragma once
// The look the program's own tool windows share: a fixed-size dialog frame in the window font,
// a bold blue heading, data controls in the fixed-pitch font, and a place in the middle of the
// screen.

#include <initializer_list>

class QLabel;
class QWidget;

namespace mz::widgets {

// The frame of a window whose size the layout fixes: a dialog with a title and a close button,
// not resizable, its current size kept, "ＭＳ Ｐゴシック" 12 px. The heading, when given, is bold
// blue 16 px and sized to its text.
void styleFixedWindow(QWidget* window, QLabel* heading);

// Data controls and their labels: "ＭＳ ゴシック" 12 px.
void setDataFont(std::initializer_list<QWidget*> widgets);

// Moves the window so that its frame stands in the middle of the primary screen.
void centreOnScreen(QWidget* window);

}  // namespace mz::widgets
