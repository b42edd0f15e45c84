#include "platform/keepopen.h"

#include <QKeyEvent>
#include <QWidget>

namespace mz::platform {

namespace {

// Sits on the window and takes the Escape presses that the focused control left unused, so they
// never reach QDialog's own handling (which rejects the dialog). Escape on the window itself,
// when no control has the focus, is taken the same way.
class EscapeKeeper : public QObject {
public:
    explicit EscapeKeeper(QWidget* window) : QObject(window) {
        setObjectName(QStringLiteral("mz_EscapeKeeper"));
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != parent() || event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::Cancel) && key->key() != Qt::Key_Escape) return false;
        key->accept();
        return true;
    }
};

}  // namespace

void keepOpenOnEscape(QWidget* window) {
    if (!window || keepsOpenOnEscape(window)) return;
    new EscapeKeeper(window);
}

bool keepsOpenOnEscape(const QWidget* window) {
    return window && window->findChild<QObject*>(QStringLiteral("mz_EscapeKeeper"),
                                                   Qt::FindDirectChildrenOnly) != nullptr;
}

}  // namespace mz::platform
