#include "widgets/colorbutton.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

// The eight dark colours of the basic 16-colour palette. On these faces the focus rectangle is
// drawn with the inverse of the face, on every other face with the face itself; either way the
// dots come out in a colour that stands off the face (see drawFocusDots).
constexpr QRgb kDarkFaces[] = {0x000000, 0x800000, 0x008000, 0x808000,
                               0x000080, 0x800080, 0x008080, 0x0000FF};

QRgb rgb24(const QColor& c) {
    return c.rgb() & 0xFFFFFFu;
}

int clampChannel(int v) {
    return std::clamp(v, 0, 255);
}

QColor shifted(const QColor& color, int delta) {
    const QRgb v = rgb24(color);
    return QColor(clampChannel(qRed(v) + delta), clampChannel(qGreen(v) + delta),
                  clampChannel(qBlue(v) + delta));
}

// One-pixel outline of r (inclusive coordinates).
void frameRect(QPainter& p, const QRect& r, const QColor& c) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

// A bevel of `width` rings inside r; returns what is left inside it. The top-left colour owns the
// top row and the left column except their far ends; the bottom-right colour owns the whole
// right column and bottom row, so it also takes the top-right and bottom-left corners.
QRect drawBevel(QPainter& p, QRect r, int width, const QColor& topLeft, const QColor& bottomRight) {
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        r.adjust(1, 1, -1, -1);
    }
    return r;
}

// The dotted focus rectangle on the outline of r. As on the classic desktop, the rectangle is
// an XOR pattern: every other pixel of the outline (those whose x + y is even in widget
// coordinates) is XOR-ed with the brush colour, the pixels between are left alone. The outline
// always lies on the plain face, so a dot is face XOR brush.
void drawFocusDots(QPainter& p, const QRect& r, const QColor& face) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const QRgb f = rgb24(face);
    const bool dark =
        std::find(std::begin(kDarkFaces), std::end(kDarkFaces), f) != std::end(kDarkFaces);
    const QRgb brush = dark ? (~f & 0xFFFFFFu) : f;
    const QColor dot = QColor::fromRgb(f ^ brush);
    auto put = [&](int x, int y) {
        if ((x + y) % 2 == 0) p.fillRect(QRect(x, y, 1, 1), dot);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        put(x, r.top());
        if (r.bottom() != r.top()) put(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        put(r.left(), y);
        if (r.right() != r.left()) put(r.right(), y);
    }
}

}  // namespace

TColorButton::TColorButton(QWidget* parent) : QPushButton(parent) {
    init();
}

TColorButton::TColorButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    init();
}

TColorButton::~TColorButton() {
    // The focus moves while the widgets are torn down; this button must not hear of it once
    // its own part is gone.
    QObject::disconnect(focusConnection_);
}

void TColorButton::init() {
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget*, QWidget*) { followFocus(); });
}

QColor TColorButton::color() const {
    return color_.isValid() ? color_ : QColor::fromRgb(rgb24(palette().color(QPalette::Button)));
}

void TColorButton::setColor(const QColor& color) {
    const QColor next = color.isValid() ? QColor::fromRgb(rgb24(color)) : QColor();
    if (next == color_) return;
    color_ = next;
    update();
}

void TColorButton::setBevelStyle(TColorButtonBevel style) {
    if (style == bevelStyle_) return;
    bevelStyle_ = style;
    update();
}

void TColorButton::setBevelWidth(int width) {
    width = std::max(width, 1);
    if (width == bevelWidth_) return;
    bevelWidth_ = width;
    updateGeometry();
    update();
}

void TColorButton::setCaptionSeparator(QChar separator) {
    if (separator == separator_) return;
    separator_ = separator;
    update();
}

void TColorButton::setWordWrap(bool on) {
    if (on == wordWrap_) return;
    wordWrap_ = on;
    update();
}

void TColorButton::setAlignment(Qt::Alignment alignment) {
    Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h != Qt::AlignLeft && h != Qt::AlignRight) h = Qt::AlignHCenter;
    if (h == alignment_) return;
    alignment_ = h;
    update();
}

void TColorButton::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    update();
}

QColor TColorButton::lighten(const QColor& color, int k) {
    return shifted(color, k);
}

QColor TColorButton::darken(const QColor& color, int k) {
    return shifted(color, -k);
}

bool TColorButton::activeByFocus() const {
    // A focused push button is the window's active button; with the focus anywhere else (or
    // nowhere) the default button is.
    const QWidget* focus = window()->focusWidget();
    if (qobject_cast<const QPushButton*>(focus)) return focus == this;
    return isDefault();
}

void TColorButton::followFocus() {
    defaultSeen_ = isDefault();
    setActive(activeByFocus());
}

void TColorButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    followFocus();
    update();
}

void TColorButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    followFocus();
    update();
}

void TColorButton::showEvent(QShowEvent* event) {
    QPushButton::showEvent(event);
    followFocus();
}

void TColorButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

bool TColorButton::hitButton(const QPoint& pos) const {
    // The whole face is the button, whatever the style would take for its bevel.
    return rect().contains(pos);
}

void TColorButton::keyPressEvent(QKeyEvent* event) {
    // Enter and Return press a focused button, as they press the active button of a dialog.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

QString TColorButton::captionText() const {
    QString caption = text();
    if (!separator_.isNull()) caption.replace(separator_, QLatin1Char('\n'));
    return caption;
}

void TColorButton::paintEvent(QPaintEvent*) {
    // QPushButton changes its default flag without telling anyone (setDefault, dialogs handing
    // the default on); catch up here so the frame never lags behind it.
    if (isDefault() != defaultSeen_) {
        defaultSeen_ = isDefault();
        active_ = activeByFocus();
    }

    QPainter p(this);
    const QColor face = color();
    const bool pressed = isDown();
    const bool focused = hasFocus();
    QRect r = rect();

    p.fillRect(r, face);

    if (active_ || focused) {
        frameRect(p, r, darken(face, 192));
        r.adjust(1, 1, -1, -1);
    }

    const bool sunken = bevelStyle_ == cbLowered || (bevelStyle_ == cbStd && pressed);
    const QColor light = lighten(face, 128);
    const QColor shadow = darken(face, 128);
    r = sunken ? drawBevel(p, r, bevelWidth_, shadow, light)
               : drawBevel(p, r, bevelWidth_, light, shadow);

    if (active_ && focused) drawFocusDots(p, r, face);

    if (bevelStyle_ == cbStd && pressed) r.translate(1, 1);

    const QString caption = captionText();
    if (caption.isEmpty()) return;

    // Measure the block of lines in the face less two pixels at the right and bottom, then
    // give it a rectangle of its own height centred on the face (half the difference, truncated
    // toward zero, off the top and bottom; one pixel off the left and right).
    int flags =
        static_cast<int>(Qt::TextExpandTabs) | static_cast<int>(Qt::AlignTop) | alignment_.toInt();
    if (wordWrap_) flags |= static_cast<int>(Qt::TextWordWrap);
    const QFontMetrics metrics(font());
    const QRect measureIn(r.left(), r.top(), std::max(r.width() - 2, 0),
                          std::max(r.height() - 2, 0));
    const int textHeight = metrics.boundingRect(measureIn, flags, caption).height();
    const int dy = (r.height() - textHeight) / 2;
    const QRect textRect = r.adjusted(1, dy, -1, -dy);

    p.setFont(font());
    if (isEnabled()) {
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(textRect, flags, caption);
    } else {
        p.setPen(lighten(face, 128));
        p.drawText(textRect.translated(1, 1), flags, caption);
        p.setPen(darken(face, 64));
        p.drawText(textRect, flags, caption);
    }
}
