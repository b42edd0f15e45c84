// TColorButton: its painting checked pixel by pixel on renders of the button, and its push-button
// behaviour (focus, active state, keys, mouse) driven through real events.
#include "widgets/colorbutton.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QPixmap>
#include <QSet>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr QRgb kGreen = 0x88FF88;       // face of the action buttons
constexpr QRgb kWhite = 0xFFFFFF;       // Lighten(#88FF88, 128), clamped
constexpr QRgb kGreenDark = 0x087F08;   // Darken(#88FF88, 128)
constexpr QRgb kGreenFrame = 0x003F00;  // Darken(#88FF88, 192), clamped
constexpr QRgb kBlack = 0x000000;

QRgb at(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xFFFFFFu;
}

QImage shot(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounding box of every pixel in area that differs from the face colour.
QRect inkBox(const QImage& img, const QRect& area, QRgb face) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (at(img, x, y) != face) box |= QRect(x, y, 1, 1);
    return box;
}

// Number of separate horizontal bands of rows holding ink (lines of a caption).
int inkBands(const QImage& img, const QRect& area, QRgb face) {
    int bands = 0;
    bool inBand = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        bool ink = false;
        for (int x = area.left(); x <= area.right() && !ink; ++x) ink = at(img, x, y) != face;
        if (ink && !inBand) ++bands;
        inBand = ink;
    }
    return bands;
}

// The pixels in area of exactly the given colour.
QSet<QPoint> pixelsOf(const QImage& img, const QRect& area, QRgb colour) {
    QSet<QPoint> found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (at(img, x, y) == colour) found.insert(QPoint(x, y));
    return found;
}

int countColour(const QImage& img, const QRect& area, QRgb colour) {
    return static_cast<int>(pixelsOf(img, area, colour).size());
}

QString hex(QRgb c) {
    return QStringLiteral("#%1").arg(c, 6, 16, QLatin1Char('0')).toUpper();
}

#define EXPECT_PIXEL(img, x, y, colour) \
    EXPECT_EQ(hex(at(img, x, y)).toStdString(), hex(colour).toStdString()) << "at " << x << "," << y

class ColorButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    }

    // A free-standing button of the given size and face, with black caption ink.
    static std::unique_ptr<TColorButton> button(QRgb face, int w = 100, int h = 40,
                                                const QString& caption = QString()) {
        auto b = std::make_unique<TColorButton>(caption);
        b->setColor(QColor::fromRgb(face));
        b->setFixedSize(w, h);
        b->setFont(captionFont(27));
        QPalette pal = b->palette();
        pal.setColor(QPalette::ButtonText, Qt::black);
        b->setPalette(pal);
        return b;
    }

    static QFont captionFont(int px) {
        QFont f(QStringLiteral("ＭＳ ゴシック"));
        f.setPixelSize(px);
        return f;
    }
};

// A shown, active window holding a line edit and two coloured buttons, closed when it goes.
struct Window {
    QWidget top;
    QLineEdit* edit;
    TColorButton* first;
    TColorButton* second;

    explicit Window(QRgb face = kGreen) {
        auto* layout = new QVBoxLayout(&top);
        edit = new QLineEdit(&top);
        first = new TColorButton(QString(), &top);
        second = new TColorButton(QString(), &top);
        for (TColorButton* b : {first, second}) {
            b->setColor(QColor::fromRgb(face));
            b->setFixedSize(100, 40);
        }
        layout->addWidget(edit);
        layout->addWidget(first);
        layout->addWidget(second);
        top.show();
        top.activateWindow();
        QApplication::setActiveWindow(&top);
        edit->setFocus();
        settle();
    }
    ~Window() { top.close(); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    static void settle() { QApplication::processEvents(); }
    void focus(QWidget* w) {
        w->setFocus(Qt::OtherFocusReason);
        settle();
    }
};

void sendKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// --- bevel ---------------------------------------------------------------------------------

TEST_F(ColorButtonTest, RaisedBevelIsLightAtTopLeftAndDarkAtBottomRight) {
    auto b = button(kGreen);
    const QImage img = shot(*b);
    ASSERT_EQ(img.size(), QSize(100, 40));
    for (int i : {0, 1}) {
        EXPECT_PIXEL(img, i, 20, kWhite);           // left
        EXPECT_PIXEL(img, 50, i, kWhite);           // top
        EXPECT_PIXEL(img, 99 - i, 20, kGreenDark);  // right
        EXPECT_PIXEL(img, 50, 39 - i, kGreenDark);  // bottom
    }
    EXPECT_PIXEL(img, 0, 0, kWhite);
    EXPECT_PIXEL(img, 99, 39, kGreenDark);
    // The dark edges own the top-right and bottom-left corners.
    EXPECT_PIXEL(img, 99, 0, kGreenDark);
    EXPECT_PIXEL(img, 0, 39, kGreenDark);
    // Inside the two-pixel bevel: the face, and no frame since the button is not active.
    EXPECT_PIXEL(img, 2, 2, kGreen);
    EXPECT_PIXEL(img, 97, 37, kGreen);
    EXPECT_EQ(countColour(img, img.rect(), kGreenFrame), 0);
    EXPECT_EQ(countColour(img, QRect(2, 2, 96, 36), kGreen), 96 * 36);
}

TEST_F(ColorButtonTest, StandardBevelSinksWhilePressedAndCaptionFollows) {
    auto b = button(kGreen, 100, 40, QStringLiteral("登録"));
    const QImage up = shot(*b);
    b->setDown(true);
    const QImage down = shot(*b);
    EXPECT_PIXEL(down, 0, 0, kGreenDark);
    EXPECT_PIXEL(down, 1, 20, kGreenDark);
    EXPECT_PIXEL(down, 99, 39, kWhite);
    EXPECT_PIXEL(down, 50, 38, kWhite);
    const QRect inner(2, 2, 96, 36);
    const QRect inkUp = inkBox(up, inner, kGreen);
    ASSERT_FALSE(inkUp.isEmpty());
    EXPECT_EQ(inkBox(down, inner, kGreen), inkUp.translated(1, 1));
}

TEST_F(ColorButtonTest, MouseHeldOnTheButtonSinksItAndReleaseClicks) {
    auto b = button(kGreen);
    int clicks = 0;
    QObject::connect(b.get(), &QAbstractButton::clicked, [&] { ++clicks; });
    sendMouse(b.get(), QEvent::MouseButtonPress, QPoint(1, 1));  // on the bevel still counts
    EXPECT_PIXEL(shot(*b), 0, 0, kGreenDark);
    EXPECT_EQ(clicks, 0);
    sendMouse(b.get(), QEvent::MouseButtonRelease, QPoint(1, 1));
    EXPECT_EQ(clicks, 1);
    EXPECT_PIXEL(shot(*b), 0, 0, kWhite);
}

TEST_F(ColorButtonTest, LoweredAndRaisedStylesIgnoreThePress) {
    auto b = button(kGreen, 100, 40, QStringLiteral("登録"));
    const QRect inner(2, 2, 96, 36);
    b->setBevelStyle(TColorButton::cbLowered);
    const QImage lowered = shot(*b);
    EXPECT_PIXEL(lowered, 0, 0, kGreenDark);
    EXPECT_PIXEL(lowered, 99, 39, kWhite);
    b->setDown(true);
    const QImage loweredDown = shot(*b);
    EXPECT_PIXEL(loweredDown, 0, 0, kGreenDark);
    EXPECT_EQ(inkBox(loweredDown, inner, kGreen), inkBox(lowered, inner, kGreen));

    b->setBevelStyle(TColorButton::cbRaised);
    const QImage raisedDown = shot(*b);
    EXPECT_PIXEL(raisedDown, 0, 0, kWhite);
    EXPECT_PIXEL(raisedDown, 99, 39, kGreenDark);
    EXPECT_EQ(inkBox(raisedDown, inner, kGreen), inkBox(lowered, inner, kGreen));
}

TEST_F(ColorButtonTest, BevelWidthBelowOneIsStoredAsOne) {
    auto b = button(kGreen);
    b->setBevelWidth(0);
    EXPECT_EQ(b->bevelWidth(), 1);
    b->setBevelWidth(-5);
    EXPECT_EQ(b->bevelWidth(), 1);
    QImage img = shot(*b);
    EXPECT_PIXEL(img, 0, 20, kWhite);
    EXPECT_PIXEL(img, 1, 20, kGreen);
    EXPECT_PIXEL(img, 98, 20, kGreen);
    EXPECT_PIXEL(img, 99, 20, kGreenDark);

    b->setBevelWidth(4);
    img = shot(*b);
    EXPECT_PIXEL(img, 3, 20, kWhite);
    EXPECT_PIXEL(img, 4, 20, kGreen);
    EXPECT_PIXEL(img, 96, 20, kGreenDark);
    EXPECT_PIXEL(img, 95, 20, kGreen);
}

TEST_F(ColorButtonTest, ShadesClampEachChannel) {
    // Channels already at the limit stay there; the others move by the full amount.
    auto b = button(0x00FF80);
    const QImage img = shot(*b);
    EXPECT_PIXEL(img, 0, 20, 0x80FFFF);   // Lighten(#00FF80, 128)
    EXPECT_PIXEL(img, 99, 20, 0x007F00);  // Darken(#00FF80, 128)
}

TEST_F(ColorButtonTest, FaceFollowsThePaletteUntilAColourIsSet) {
    TColorButton b;
    b.setFixedSize(60, 30);
    QPalette pal = b.palette();
    pal.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56));
    b.setPalette(pal);
    EXPECT_EQ(b.color(), QColor(0x12, 0x34, 0x56));
    EXPECT_PIXEL(shot(b), 30, 15, 0x123456);
    b.setColor(QColor(255, 162, 255, 10));  // alpha does not count
    EXPECT_EQ(b.color(), QColor(255, 162, 255));
    EXPECT_PIXEL(shot(b), 30, 15, 0xFFA2FF);
    b.resetColor();
    EXPECT_PIXEL(shot(b), 30, 15, 0x123456);
}

// --- focus, active state and the focus rectangle -------------------------------------------

TEST_F(ColorButtonTest, FocusedButtonGetsFrameAndDottedFocusRectangle) {
    Window w;
    ASSERT_TRUE(w.edit->hasFocus());
    EXPECT_FALSE(w.first->isActive());
    EXPECT_PIXEL(shot(*w.first), 0, 0, kWhite);

    w.focus(w.first);
    ASSERT_TRUE(w.first->hasFocus());
    EXPECT_TRUE(w.first->isActive());
    EXPECT_FALSE(w.second->isActive());
    const QImage img = shot(*w.first);
    // Frame, then the two-pixel bevel inside it.
    EXPECT_PIXEL(img, 0, 0, kGreenFrame);
    EXPECT_PIXEL(img, 99, 39, kGreenFrame);
    EXPECT_PIXEL(img, 1, 1, kWhite);
    EXPECT_PIXEL(img, 2, 20, kWhite);
    EXPECT_PIXEL(img, 98, 38, kGreenDark);
    // Focus rectangle on the outline of (3,3)-(96,36): dots where x + y is even. On a light
    // face the brush is the face itself, so a dot is face XOR face = black.
    for (int x = 3; x <= 96; ++x) {
        EXPECT_PIXEL(img, x, 3, (x + 3) % 2 == 0 ? kBlack : kGreen);
        EXPECT_PIXEL(img, x, 36, (x + 36) % 2 == 0 ? kBlack : kGreen);
    }
    for (int y = 3; y <= 36; ++y) {
        EXPECT_PIXEL(img, 3, y, (y + 3) % 2 == 0 ? kBlack : kGreen);
        EXPECT_PIXEL(img, 96, y, (96 + y) % 2 == 0 ? kBlack : kGreen);
    }
    EXPECT_EQ(countColour(img, QRect(4, 4, 92, 32), kGreen), 92 * 32);
    EXPECT_PIXEL(shot(*w.second), 0, 0, kWhite);

    // Focus elsewhere: neither frame nor dots any more.
    w.focus(w.edit);
    EXPECT_FALSE(w.first->isActive());
    const QImage after = shot(*w.first);
    EXPECT_EQ(countColour(after, after.rect(), kGreenFrame), 0);
    EXPECT_EQ(countColour(after, after.rect(), kBlack), 0);
}

TEST_F(ColorButtonTest, FocusWithoutActiveStateDrawsFrameButNoDots) {
    Window w;
    w.focus(w.first);
    w.first->setActive(false);
    const QImage img = shot(*w.first);
    EXPECT_PIXEL(img, 0, 0, kGreenFrame);
    EXPECT_EQ(countColour(img, img.rect(), kBlack), 0);
    // The next focus change of the window derives the state again.
    w.focus(w.second);
    w.focus(w.first);
    EXPECT_TRUE(w.first->isActive());
}

TEST_F(ColorButtonTest, DefaultButtonIsActiveWhileNoOtherButtonHasFocus) {
    Window w;
    w.first->setDefault(true);
    // The edit keeps the focus: the default button is the active one, framed but without dots.
    QImage img = shot(*w.first);
    EXPECT_TRUE(w.first->isActive());
    EXPECT_PIXEL(img, 0, 0, kGreenFrame);
    EXPECT_EQ(countColour(img, img.rect(), kBlack), 0);

    // Another button takes the focus and with it the active state.
    w.focus(w.second);
    EXPECT_FALSE(w.first->isActive());
    EXPECT_TRUE(w.second->isActive());
    EXPECT_PIXEL(shot(*w.first), 0, 0, kWhite);
    EXPECT_PIXEL(shot(*w.second), 0, 0, kGreenFrame);

    // Back to the edit: the default button is active again.
    w.focus(w.edit);
    EXPECT_TRUE(w.first->isActive());
    EXPECT_FALSE(w.second->isActive());
}

TEST_F(ColorButtonTest, InADialogTheActiveStateFollowsTheHandedOnDefault) {
    // Dialog buttons hand the default flag on as the focus moves; the frame goes with it.
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new TColorButton(QStringLiteral("登録"), &dialog);
    auto* back = new TColorButton(QStringLiteral("戻る"), &dialog);
    layout->addWidget(edit);
    layout->addWidget(ok);
    layout->addWidget(back);
    ok->setDefault(true);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    edit->setFocus();
    Window::settle();
    EXPECT_TRUE(ok->isActive());
    EXPECT_FALSE(back->isActive());

    back->setFocus();
    Window::settle();
    EXPECT_FALSE(ok->isActive());
    EXPECT_TRUE(back->isActive());

    edit->setFocus();
    Window::settle();
    EXPECT_TRUE(ok->isActive());
    EXPECT_FALSE(back->isActive());
    dialog.close();
}

TEST_F(ColorButtonTest, DarkFacesGetInverseBrushOthersTheirOwn) {
    struct Case {
        QRgb face;
        QRgb dot;  // face XOR brush
    };
    // The eight dark colours take their inverse as brush (navy: light yellow #FFFF7F), so the
    // dots come out white; every other face, even one next to a dark colour, takes itself.
    const Case cases[] = {
        {0x000080, 0x000080 ^ 0xFFFF7F},
        {0x000000, 0xFFFFFF},
        {0x800000, 0xFFFFFF},
        {0x008000, 0xFFFFFF},
        {0x808000, 0xFFFFFF},
        {0x800080, 0xFFFFFF},
        {0x008080, 0xFFFFFF},
        {0x0000FF, 0xFFFFFF},
        {0xFFFF80, 0x000000},
        {0x000081, 0x000000},
        {0x00FFFF, 0x000000},
    };
    for (const Case& c : cases) {
        Window w(c.face);
        w.focus(w.first);
        const QImage img = shot(*w.first);
        SCOPED_TRACE(hex(c.face).toStdString());
        EXPECT_PIXEL(img, 3, 3, c.dot);
        EXPECT_PIXEL(img, 5, 3, c.dot);
        EXPECT_PIXEL(img, 4, 3, c.face);
        EXPECT_PIXEL(img, 20, 20, c.face);
    }
}

// --- caption -------------------------------------------------------------------------------

TEST_F(ColorButtonTest, SeparatorBreaksCaptionIntoCentredLines) {
    auto b = button(0x95FF95, 193, 75, QStringLiteral("収入|情報"));
    const QRect inner(2, 2, 189, 71);
    QImage img = shot(*b);
    EXPECT_EQ(inkBands(img, inner, 0x95FF95), 1);  // no separator: "|" is just a character

    b->setCaptionSeparator(QLatin1Char('|'));
    img = shot(*b);
    EXPECT_EQ(inkBands(img, inner, 0x95FF95), 2);
    const QRect ink = inkBox(img, inner, 0x95FF95);
    ASSERT_FALSE(ink.isEmpty());
    const QPointF centre = QRectF(ink).center();
    EXPECT_NEAR(centre.y(), QRectF(inner).center().y(), 2.0);
    EXPECT_NEAR(centre.x(), QRectF(inner).center().x(), 2.0);
}

TEST_F(ColorButtonTest, TooWideCaptionWrapsAndStaysCentred) {
    auto b = button(0xFFFF80, 80, 90, QStringLiteral("検索結果一覧"));
    b->setFont(captionFont(24));
    const QRect inner(2, 2, 76, 86);
    QImage img = shot(*b);
    EXPECT_GE(inkBands(img, inner, 0xFFFF80), 2);
    const QRect ink = inkBox(img, inner, 0xFFFF80);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(QRectF(ink).center().y(), QRectF(inner).center().y(), 2.0);
    EXPECT_NEAR(QRectF(ink).center().x(), QRectF(inner).center().x(), 2.0);

    // Without word wrap the caption stays on one line (and is cut at the face).
    b->setWordWrap(false);
    img = shot(*b);
    EXPECT_EQ(inkBands(img, inner, 0xFFFF80), 1);
}

TEST_F(ColorButtonTest, AlignmentMovesCaptionToTheSide) {
    auto b = button(kGreen, 200, 40, QStringLiteral("戻る"));
    const QRect inner(2, 2, 196, 36);
    b->setAlignment(Qt::AlignLeft);
    const QRect left = inkBox(shot(*b), inner, kGreen);
    b->setAlignment(Qt::AlignRight | Qt::AlignBottom);  // vertical part is ignored
    EXPECT_EQ(b->alignment(), Qt::AlignRight);
    const QRect right = inkBox(shot(*b), inner, kGreen);
    ASSERT_FALSE(left.isEmpty());
    ASSERT_FALSE(right.isEmpty());
    // Glyphs keep a few pixels of side bearing from the edge of the face.
    EXPECT_LE(left.left(), inner.left() + 6);
    EXPECT_GE(right.right(), inner.right() - 6);
    EXPECT_GT(right.left(), left.right());
    EXPECT_EQ(left.top(), right.top());
}

TEST_F(ColorButtonTest, DisabledCaptionIsDrawnTwiceInFaceShades) {
    constexpr QRgb face = 0x808080;
    constexpr QRgb light = 0xFFFFFF;  // Lighten(face, 128), clamped
    constexpr QRgb dark = 0x404040;   // Darken(face, 64)
    auto b = button(face, 120, 50, QStringLiteral("削除"));
    // Without antialiasing every caption pixel is either ink or face, so the copies can be
    // compared pixel for pixel.
    QFont f = b->font();
    f.setStyleStrategy(QFont::NoAntialias);
    b->setFont(f);
    const QRect inner(3, 3, 114, 44);
    auto inkIn = [&](QRgb colour) {
        QPalette pal = b->palette();
        pal.setColor(QPalette::ButtonText, QColor::fromRgb(colour));
        b->setPalette(pal);
        return shot(*b);
    };

    // Enabled: once, in the font colour.
    const QImage blue = inkIn(0x0000FF);
    EXPECT_GT(countColour(blue, inner, 0x0000FF), 0);
    EXPECT_EQ(countColour(blue, inner, dark), 0);
    EXPECT_EQ(countColour(blue, inner, light), 0);
    // Where the caption lands in each shade when drawn once in place.
    const QSet<QPoint> darkInPlace = pixelsOf(inkIn(dark), inner, dark);
    const QSet<QPoint> lightInPlace = pixelsOf(inkIn(light), inner, light);

    b->setEnabled(false);
    const QImage img = inkIn(0x0000FF);
    EXPECT_EQ(countColour(img, inner, 0x0000FF), 0);
    // The dark copy is drawn last, in place; the light one shows only where it lies, moved one
    // pixel right and down, outside the dark copy.
    EXPECT_EQ(pixelsOf(img, inner, dark), darkInPlace);
    ASSERT_FALSE(darkInPlace.isEmpty());
    QSet<QPoint> lightMoved;
    for (const QPoint& p : lightInPlace) lightMoved.insert(p + QPoint(1, 1));
    const QSet<QPoint> lightShown = pixelsOf(img, inner, light);
    EXPECT_EQ(lightShown, lightMoved - darkInPlace);
    EXPECT_GT(lightShown.size(), 20);
}

// --- keyboard and properties ---------------------------------------------------------------

TEST_F(ColorButtonTest, KeyboardPressesLikeAPushButton) {
    Window w;
    int clicks = 0;
    QObject::connect(w.first, &QAbstractButton::clicked, [&] { ++clicks; });
    EXPECT_EQ(w.first->focusPolicy(), Qt::StrongFocus);

    sendKey(w.edit, Qt::Key_Tab);
    Window::settle();
    ASSERT_TRUE(w.first->hasFocus());
    sendKey(w.first, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    sendKey(w.first, Qt::Key_Return);
    EXPECT_EQ(clicks, 2);
    sendKey(w.first, Qt::Key_Enter);
    EXPECT_EQ(clicks, 3);
    sendKey(w.first, Qt::Key_A);
    EXPECT_EQ(clicks, 3);

    w.first->setEnabled(false);
    sendKey(w.first, Qt::Key_Space);
    EXPECT_EQ(clicks, 3);
}

TEST_F(ColorButtonTest, PropertiesAreReachableByName) {
    // Designer forms set the button through these names.
    TColorButton b;
    EXPECT_TRUE(b.setProperty("Color", QColor(0x80, 0xFF, 0xFF)));
    EXPECT_EQ(b.color(), QColor(0x80, 0xFF, 0xFF));
    EXPECT_TRUE(b.setProperty("BevelStyle", QVariant::fromValue(TColorButton::cbLowered)));
    EXPECT_EQ(b.bevelStyle(), TColorButton::cbLowered);
    EXPECT_TRUE(b.setProperty("BevelWidth", 0));
    EXPECT_EQ(b.property("BevelWidth").toInt(), 1);
    EXPECT_TRUE(b.captionSeparator().isNull());
    EXPECT_TRUE(b.setProperty("CaptionSeparator", QChar(u'|')));
    EXPECT_EQ(b.captionSeparator(), QChar(u'|'));
    EXPECT_TRUE(b.property("WordWrap").toBool());
    EXPECT_EQ(b.property("Alignment").value<Qt::Alignment>(), Qt::AlignHCenter);
    EXPECT_FALSE(b.property("Active").toBool());
    EXPECT_TRUE(b.setProperty("Active", true));
    EXPECT_TRUE(b.isActive());

    const QMetaEnum bevel = QMetaEnum::fromType<TColorButton::TColorButtonBevel>();
    EXPECT_STREQ(bevel.name(), "TColorButtonBevel");
    EXPECT_EQ(bevel.keyToValue("cbRaised"), TColorButton::cbRaised);
}

}  // namespace
