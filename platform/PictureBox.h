#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

namespace platform {

// How a block transfer combines the source pixel s with the destination pixel d.
enum class RasterOp {
    SrcCopy,   // s
    SrcErase,  // s AND NOT d
    SrcInvert, // s XOR d
};

// A font for text drawn into a picture box.
struct PictureFont {
    QString family;
    double pointSize = 10; // below 1 counts as 1
    bool bold = false;
};

// A picture box with a persistent drawing surface: an RGB32 image of the widget's size that
// survives repaints and is what the screen shows.
//
// Drawing is immediate and goes into the image; coordinates are pixels, x to the right and y
// downwards from the top-left corner. Everything outside the image is clipped away.
//
// On a screen with several device pixels per pixel the image holds device pixels, so lines,
// fills and text are as sharp as the screen allows while every coordinate stays in pixels.
// Pixel x covers the device columns from round(x * ratio) up to round((x + 1) * ratio), so
// neighbouring rectangles meet without a gap or an overlap at any ratio.
//
// Events reach the owners as Qt signals, delivered synchronously (connect directly, as same-thread
// connections are). For one press the order is buttonDown, then clicked on the release; a
// double-click delivers buttonDown, clicked, doubleClicked: the second press of a double-click
// raises no buttonDown of its own, and a double-click whose first press ended without a click
// counts as an ordinary press. Clicks and double-clicks come from the left button only;
// buttonDown comes from any button.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Outer size in pixels. Setting it resizes the widget and raises resized() before returning,
    // also while the widget is hidden. The image keeps its contents where they still fit; new
    // area is filled with the background colour. When the screen's pixel ratio changed, the image
    // is made anew at the new ratio with the old contents scaled into it, and resized() is raised
    // too, so the owner can draw them sharp again.
    int outerWidth() const { return width(); }
    int outerHeight() const { return height(); }
    void setOuterSize(int width, int height);
    void setOuterWidth(int width) { setOuterSize(width, height()); }
    void setOuterHeight(int height) { setOuterSize(width(), height); }

    QColor backColor() const { return backColor_; }
    // Only the colour used by clear() and by area gained on growth; what is drawn stays.
    void setBackColor(const QColor& color);

    // Fills the whole image with the background colour.
    void clear();
    // A one-pixel line; both end points are drawn. Colours are drawn opaque.
    void line(int x1, int y1, int x2, int y2, const QColor& color);
    // A filled rectangle between two corners, both corners included; the colour is drawn opaque.
    void fillRect(int x1, int y1, int x2, int y2, const QColor& color);
    // Text whose line box has its top-left corner at (x, y): the top of the tallest letters'
    // line sits on row y and the first character's cell starts at column x. Drawn without
    // anti-aliasing, so every inked pixel has exactly the given colour.
    void text(int x, int y, const QString& text, const PictureFont& font, const QColor& color);
    // Width in pixels of text in a font, as text() would draw it.
    int textWidth(const QString& text, const PictureFont& font) const;
    // Complements every pixel of the rectangle (destination inversion).
    void invert(int x, int y, int width, int height);
    // Combines the source rectangle at (srcX, srcY) with the image at (x, y), pixel by pixel. A
    // source image's pixels are its device-independent pixels; where the two sides have
    // different device sizes the source is scaled without smoothing, so a black and white mask
    // stays black and white.
    void blit(int x, int y, int width, int height, const QImage& source, int srcX, int srcY,
              RasterOp op);
    void blit(int x, int y, int width, int height, const PictureBox& source, int srcX, int srcY,
              RasterOp op);

    // Shows the image on screen now (when the box is visible). Drawing alone only schedules a
    // repaint.
    void refresh();

    // The box's own tool tip.
    QString toolTipText() const { return toolTip(); }
    void setToolTipText(const QString& text);

    // The image in device pixels; its devicePixelRatio() is the number of them per pixel.
    const QImage& image() const { return image_; }
    // The colour of one pixel (its top-left device pixel); an invalid colour outside the image.
    QColor pixel(int x, int y) const;

    // How often refresh(), clear() and invert() ran: lets tests and the benchmark prove what
    // was and was not redrawn.
    int refreshCount() const { return refreshCount_; }
    int clearCount() const { return clearCount_; }
    int invertCount() const { return invertCount_; }

Q_SIGNALS:
    // Any button pressed; x and y in pixels of the box.
    void buttonDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, double x, double y);
    // The pointer moved over the box (or anywhere while a button is held after a press on it).
    void pointerMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, double x, double y);
    void clicked();
    void doubleClicked();
    // The outer size, or the screen's pixel ratio, changed; outerWidth()/outerHeight() give the
    // new size.
    void resized();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    enum class Press { None, Single, Double };

    // Brings the image to the widget's size and the screen's ratio and tells the owners; nothing
    // when it already fits.
    void followSize();
    void press(QMouseEvent* event);
    QImage newImage(QSize size, qreal ratio) const;
    // The device pixels of a rectangle of pixels, cut to the image.
    QRect deviceArea(qint64 x, qint64 y, qint64 width, qint64 height) const;
    void fillDevice(const QRect& area, const QColor& color);
    // A block transfer from an image whose size in pixels is sourceSize.
    void blitScaled(int x, int y, int width, int height, const QImage& source, QSize sourceSize,
                    int srcX, int srcY, RasterOp op);

    QImage image_;
    QSize size_;      // the image's size in pixels
    qreal ratio_ = 1; // device pixels per pixel
    QColor backColor_;
    Press press_ = Press::None;
    Qt::MouseButton pressButton_ = Qt::NoButton;
    bool lastPressClicked_ =
        false; // the previous press ended in a click: a double-click may follow
    int refreshCount_ = 0;
    int clearCount_ = 0;
    int invertCount_ = 0;
};

} // namespace platform
