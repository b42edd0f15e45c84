#pragma once
// Enter as Tab for the entry windows: Enter moves the focus to the next control in the window's
// tab order and the key goes no further. Inside a memo (QPlainTextEdit, QTextEdit) Enter starts
// a new line, and on a push button Enter presses the button, as usual.
//
//     mz::widgets::EnterAsTab::install(this);   // in the window's constructor
//
// The filter sees keys before the controls do (it watches the application for keys meant for
// this window) and goes away with the window.

#include <QObject>

class QWidget;

namespace mz::widgets {

class EnterAsTab : public QObject {
    Q_OBJECT
public:
    static EnterAsTab* install(QWidget* window);

    // Whether Enter on this control moves the focus on (not a memo, not a push button).
    static bool movesOn(const QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit EnterAsTab(QWidget* window);
    QWidget* window_;  // the filter is its child and goes with it
};

}  // namespace mz::widgets
