#include "widgets/entertab.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>

namespace mz::widgets {

EnterAsTab::EnterAsTab(QWidget* window) : QObject(window), window_(window) {
    qApp->installEventFilter(this);
}

EnterAsTab* EnterAsTab::install(QWidget* window) {
    return new EnterAsTab(window);
}

bool EnterAsTab::movesOn(const QWidget* control) {
    if (!control) return false;
    for (const QWidget* w = control; w && !w->isWindow(); w = w->parentWidget())
        if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w))
            return false;
    if (qobject_cast<const QPushButton*>(control) || qobject_cast<const QToolButton*>(control))
        return false;
    return true;
}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !window_) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    // Only the first delivery, to the control that has the focus in this window.
    if (!w || w != QApplication::focusWidget() || w->window() != window_) return false;
    if (!movesOn(w)) return false;
    // A Tab sent to the window itself moves the focus along the window's tab order.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(window_, &tab);
    return true;
}

}  // namespace mz::widgets
