#pragma once
// TColorButton: the command button of every Mizorel window. It keys, focuses and clicks like an
// ordinary push button but paints its own face in a colour of its own, with a bevel and shades
// derived from that colour.
//
// The class lives in the global namespace so that Designer .ui files can name it as a promoted
// widget; every property below can be set from a .ui file.

#include <QChar>
#include <QColor>
#include <QMetaObject>
#include <QPushButton>

class TColorButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ color WRITE setColor RESET resetColor)
    Q_PROPERTY(TColorButtonBevel BevelStyle READ bevelStyle WRITE setBevelStyle)
    Q_PROPERTY(int BevelWidth READ bevelWidth WRITE setBevelWidth)
    Q_PROPERTY(QChar CaptionSeparator READ captionSeparator WRITE setCaptionSeparator)
    Q_PROPERTY(bool WordWrap READ wordWrap WRITE setWordWrap)
    Q_PROPERTY(Qt::Alignment Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool Active READ isActive WRITE setActive)

public:
    // cbStd: raised, sunken while pressed; cbLowered: always sunken; cbRaised: always raised.
    enum TColorButtonBevel { cbStd, cbLowered, cbRaised };
    Q_ENUM(TColorButtonBevel)

    explicit TColorButton(QWidget* parent = nullptr);
    explicit TColorButton(const QString& text, QWidget* parent = nullptr);
    ~TColorButton() override;

    // The face colour. Until one is set, the face follows the palette's button colour; setting
    // an invalid colour returns to that. Only the 24 RGB bits count (alpha is ignored).
    QColor color() const;
    void setColor(const QColor& color);
    void resetColor() { setColor(QColor()); }

    TColorButtonBevel bevelStyle() const { return bevelStyle_; }
    void setBevelStyle(TColorButtonBevel style);

    // Width of the bevel in pixels; anything below 1 is stored as 1.
    int bevelWidth() const { return bevelWidth_; }
    void setBevelWidth(int width);

    // Each occurrence of this character in the caption starts a new line. A null QChar (the
    // default) means no separator.
    QChar captionSeparator() const { return separator_; }
    void setCaptionSeparator(QChar separator);

    // Break the caption into lines at word boundaries to fit the face (default on).
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool on);

    // Horizontal alignment of the caption: Qt::AlignLeft, Qt::AlignRight or centred (default).
    // The caption block is always centred vertically, so vertical flags are ignored.
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);

    // The button is its window's active button: the focused push button, or the default button
    // while no push button of the window has the focus. It follows the focus by itself; a window
    // may also set it, and the next focus change of the window sets it again.
    bool isActive() const { return active_; }
    void setActive(bool active);

    // Colour arithmetic for the shades: add or subtract k on each RGB channel, clamped to
    // 0..255. Alpha is dropped.
    static QColor lighten(const QColor& color, int k);
    static QColor darken(const QColor& color, int k);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void init();
    // Recomputes the active state from the window's focus and this button's default flag.
    void followFocus();
    bool activeByFocus() const;
    QString captionText() const;

    QColor color_;  // invalid: the palette's button colour
    TColorButtonBevel bevelStyle_ = cbStd;
    int bevelWidth_ = 2;
    QChar separator_;
    bool wordWrap_ = true;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    bool active_ = false;
    bool defaultSeen_ = false;  // isDefault() when the active state was last derived
    QMetaObject::Connection focusConnection_;
};

using TColorButtonBevel = TColorButton::TColorButtonBevel;
