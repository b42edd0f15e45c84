#include "widgets/look.h"

#include "widgets/fonts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace mz::widgets {

void styleFixedWindow(QWidget* window, QLabel* heading) {
    window->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(window->size());
    window->setFont(pixelFont(kPGothic, 12));
    if (!heading) return;
    heading->setFont(pixelFont(kPGothic, 16, true));
    QPalette blue = heading->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    heading->setPalette(blue);
    heading->adjustSize();
}

void setDataFont(std::initializer_list<QWidget*> widgets) {
    const QFont dataFont = pixelFont(kGothic, 12);
    for (QWidget* w : widgets) w->setFont(dataFont);
}

void centreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = window->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        window->move(r.topLeft());
    }
}

}  // namespace mz::widgets
