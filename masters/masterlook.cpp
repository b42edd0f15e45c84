#include "masters/masterlook.h"

#include "widgets/colorbutton.h"
#include "widgets/dbgrid.h"
#include "widgets/fonts.h"
#include "widgets/format.h"
#include "widgets/look.h"

#include <QDialog>
#include <QLabel>

namespace mz::masters {

using widgets::kGothic;
using widgets::kPGothic;
using widgets::pixelFont;

namespace {

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

}  // namespace

void styleWindow(QDialog* window, int clientWidth, int clientHeight, QLabel* heading) {
    window->resize(clientWidth, clientHeight);
    widgets::styleFixedWindow(window, heading);
    widgets::centreOnScreen(window);
}

void styleFieldLabel(QLabel* label) {
    label->setFont(pixelFont(kGothic, 12));
    label->adjustSize();
}

void styleBox(QWidget* box) { box->setFont(pixelFont(kGothic, 12)); }

void styleHint(QLabel* label) {
    setTextColour(label, QColor(0, 0, 255));
    label->adjustSize();
}

void styleListGrid(TDBGrid* grid) {
    grid->setFont(pixelFont(kGothic, 12));
    grid->setTitleFont(pixelFont(kGothic, 12));
    grid->setColor(QPalette().color(QPalette::ToolTipBase));
    grid->setFixedColor(QColor(0, 255, 0));
}

void styleButtons(TColorButton* action, TColorButton* back) {
    const auto style = [](TColorButton* b, const QColor& face) {
        b->setColor(face);
        b->setFont(pixelFont(kPGothic, 13));
        b->setAutoDefault(false);
        QPalette p = b->palette();
        p.setColor(QPalette::ButtonText, QColor(0, 0, 0));
        b->setPalette(p);
    };
    style(action, QColor(0x88, 0xFF, 0x88));
    style(back, QColor(0xFF, 0xA2, 0xFF));
}

QString codeText(double code) { return format::formatNumber(code); }

RecordMoveWatch::RecordMoveWatch(data::Cursor* cursor, QObject* parent)
    : QObject(parent), cursor_(cursor) {
    connect(cursor, &data::Cursor::currentChanged, this, &RecordMoveWatch::check);
    connect(cursor, &data::Cursor::contentsChanged, this, &RecordMoveWatch::check);
    sync();
}

void RecordMoveWatch::sync() {
    last_ = cursor_ && cursor_->isOpen() ? cursor_->recno() : 0;
}

void RecordMoveWatch::check() {
    if (held_ > 0 || !cursor_ || !cursor_->isOpen()) return;
    // A record being appended is not a move; the watch looks again once it is posted or dropped.
    if (cursor_->state() == data::Cursor::State::Insert) return;
    const quint32 now = cursor_->recno();
    if (now == last_) return;
    last_ = now;
    Q_EMIT moved();
}

}  // namespace mz::masters
