#include "platform/PictureBox.h"

#include "platform/Error.h"
#include "platform/System.h"

#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Drawing is laid out in pixels for 96 dots per inch, so point sizes must map to pixels the same
// way on every screen: a 12-point font is 16 pixels high.
constexpr int DotsPerMeter96 = 3780;

QFont toQFont(const PictureFont& font) {
    QFont f = namedFont(font.family, std::max(1.0, font.pointSize), font.bold);
    // Plain pixels in the exact text colour, like the old screen fonts; mixed edge colours
    // would also spoil the inversions drawn over the text.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// The part of a rectangle that lies inside bounds; empty when nothing does.
QRect clipped(int x, int y, int width, int height, const QRect& bounds) {
    if (width <= 0 || height <= 0)
        return {};
    // Work in 64 bits so far-away rectangles cannot overflow.
    const qint64 left = std::max<qint64>(x, bounds.left());
    const qint64 top = std::max<qint64>(y, bounds.top());
    const qint64 right = std::min<qint64>(qint64(x) + width - 1, bounds.right());
    const qint64 bottom = std::min<qint64>(qint64(y) + height - 1, bounds.bottom());
    if (left > right || top > bottom)
        return {};
    return QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom)));
}

QRgb combine(QRgb s, QRgb d, RasterOp op) {
    switch (op) {
    case RasterOp::SrcCopy:
        return s | 0xff000000u;
    case RasterOp::SrcErase:
        return (s & ~d) | 0xff000000u;
    case RasterOp::SrcInvert:
        return (s ^ d) | 0xff000000u;
    }
    return d;
}

} // namespace

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), backColor_(palette().color(QPalette::Window)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    image_ = newImage(width(), height());
}

QImage PictureBox::newImage(int width, int height) const {
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    image.fill(backColor_);
    return image;
}

void PictureBox::setOuterSize(int width, int height) {
    resize(std::max(0, width), std::max(0, height));
    // A hidden widget gets its resize event only when shown; the owners must hear of it now.
    followSize();
}

void PictureBox::followSize() {
    if (image_.size() == size())
        return;
    QImage next = newImage(width(), height());
    if (!next.isNull() && !image_.isNull()) {
        const int rows = std::min(next.height(), image_.height());
        const auto bytes = std::size_t(std::min(next.width(), image_.width())) * sizeof(QRgb);
        for (int y = 0; y < rows; ++y)
            std::memcpy(next.scanLine(y), image_.constScanLine(y), bytes);
    }
    image_ = std::move(next);
    update();
    Q_EMIT resized();
}

void PictureBox::setBackColor(const QColor& color) {
    backColor_ = color.isValid() ? color.toRgb() : QColor(Qt::black);
}

void PictureBox::clear() {
    ++clearCount_;
    if (!image_.isNull())
        image_.fill(backColor_);
    update();
}

void PictureBox::line(int x1, int y1, int x2, int y2, const QColor& color) {
    if (image_.isNull())
        return;
    QPainter painter(&image_);
    // A cosmetic one-pixel pen with square caps, no smoothing: every pixel from the first point
    // to the last one inclusive, in exactly the colour given.
    QPen pen(color, 1, Qt::SolidLine, Qt::SquareCap);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawLine(x1, y1, x2, y2);
    update();
}

void PictureBox::fillRect(int x1, int y1, int x2, int y2, const QColor& color) {
    const int left = std::min(x1, x2);
    const int top = std::min(y1, y2);
    const QRect area =
        clipped(left, top, std::max(x1, x2) - left + 1, std::max(y1, y2) - top + 1, image_.rect());
    if (area.isEmpty())
        return;
    QPainter painter(&image_);
    painter.fillRect(area, color);
    update();
}

void PictureBox::text(int x, int y, const QString& text, const PictureFont& font,
                      const QColor& color) {
    if (image_.isNull() || text.isEmpty())
        return;
    const QFont f = toQFont(font);
    QPainter painter(&image_);
    painter.setFont(f);
    painter.setPen(color);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    const QFontMetrics metrics(f, &image_);
    painter.drawText(x, y + metrics.ascent(), text);
    update();
}

int PictureBox::textWidth(const QString& text, const PictureFont& font) const {
    return QFontMetrics(toQFont(font), &image_).horizontalAdvance(text);
}

void PictureBox::invert(int x, int y, int width, int height) {
    ++invertCount_;
    const QRect area = clipped(x, y, width, height, image_.rect());
    if (area.isEmpty())
        return;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(row));
        for (int col = area.left(); col <= area.right(); ++col)
            line[col] ^= 0x00ffffffu;
    }
    update();
}

void PictureBox::blit(int x, int y, int width, int height, const QImage& source, int srcX, int srcY,
                      RasterOp op) {
    if (image_.isNull() || source.isNull())
        return;
    // Copy first: the source may be this very image, with overlapping rectangles.
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    // The destination rectangle, cut to the destination and to what the source can supply.
    QRect area = clipped(x, y, width, height, image_.rect());
    area =
        area.intersected(clipped(x, y, width, height, src.rect().translated(x - srcX, y - srcY)));
    if (area.isEmpty())
        return;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        auto* d = reinterpret_cast<QRgb*>(image_.scanLine(row));
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(row - y + srcY));
        for (int col = area.left(); col <= area.right(); ++col)
            d[col] = combine(s[col - x + srcX], d[col], op);
    }
    update();
}

void PictureBox::blit(int x, int y, int width, int height, const PictureBox& source, int srcX,
                      int srcY, RasterOp op) {
    blit(x, y, width, height, source.image_, srcX, srcY, op);
}

void PictureBox::refresh() {
    ++refreshCount_;
    if (isVisible())
        repaint();
}

void PictureBox::setToolTipText(const QString& text) {
    if (text == toolTip())
        return;
    setToolTip(text);
    // A tip already on screen follows the new text at once.
    if (QToolTip::isVisible() && underMouse()) {
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(QCursor::pos(), text, this);
    }
}

QColor PictureBox::pixel(int x, int y) const {
    if (!image_.valid(x, y))
        return {};
    return QColor(image_.pixel(x, y));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    guard([&] {
        QPainter painter(this);
        const QRect area = event->rect();
        painter.fillRect(area, backColor_);
        if (!image_.isNull())
            painter.drawImage(area.topLeft(), image_, area);
    });
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    guard([&] { followSize(); });
}

void PictureBox::press(QMouseEvent* event) {
    press_ = Press::Single;
    pressButton_ = event->button();
    lastPressClicked_ = false;
    const QPointF at = event->position();
    Q_EMIT buttonDown(event->button(), event->modifiers(), at.x(), at.y());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    guard([&] { press(event); });
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    guard([&] {
        // The second press of a double-click stands for the double-click alone, as on the old
        // platform; without a click before it, it is an ordinary press.
        if (event->button() == Qt::LeftButton && lastPressClicked_) {
            lastPressClicked_ = false;
            press_ = Press::Double;
            pressButton_ = event->button();
            Q_EMIT doubleClicked();
        } else {
            press(event);
        }
    });
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    guard([&] {
        const Press was = press_;
        if (event->button() != pressButton_)
            return;
        press_ = Press::None;
        if (was == Press::Single && event->button() == Qt::LeftButton &&
            rect().contains(event->position().toPoint())) {
            lastPressClicked_ = true;
            Q_EMIT clicked();
        }
    });
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    guard([&] {
        const QPointF at = event->position();
        Q_EMIT pointerMove(event->buttons(), event->modifiers(), at.x(), at.y());
    });
}

} // namespace platform
