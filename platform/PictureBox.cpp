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
#include <cmath>
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
// Works in 64 bits so far-away rectangles cannot overflow.
QRect clipped(qint64 x, qint64 y, qint64 width, qint64 height, const QRect& bounds) {
    if (width <= 0 || height <= 0)
        return {};
    const qint64 left = std::max<qint64>(x, bounds.left());
    const qint64 top = std::max<qint64>(y, bounds.top());
    const qint64 right = std::min<qint64>(x + width - 1, bounds.right());
    const qint64 bottom = std::min<qint64>(y + height - 1, bounds.bottom());
    if (left > right || top > bottom)
        return {};
    return QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom)));
}

// The first device pixel of pixel v at a ratio; the end of a run of pixels maps the same way,
// so every edge lands on one device pixel whichever rectangle it belongs to.
int deviceEdge(qint64 v, qreal ratio) {
    const double d = std::floor(double(v) * ratio + 0.5);
    return int(std::clamp(d, -1e9, 1e9));
}

// The device pixels of a rectangle of pixels at a ratio.
QRect toDevice(const QRect& area, qreal ratio) {
    if (area.isEmpty())
        return {};
    return QRect(QPoint(deviceEdge(area.left(), ratio), deviceEdge(area.top(), ratio)),
                 QPoint(deviceEdge(qint64(area.right()) + 1, ratio) - 1,
                        deviceEdge(qint64(area.bottom()) + 1, ratio) - 1));
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
    ratio_ = devicePixelRatioF();
    size_ = size();
    image_ = newImage(size_, ratio_);
}

QImage PictureBox::newImage(QSize size, qreal ratio) const {
    const QRect device = toDevice(QRect(QPoint(0, 0), size), ratio);
    if (device.isEmpty())
        return {};
    QImage image(device.size(), QImage::Format_RGB32);
    // Dots per inch count pixels, not device pixels: fonts keep their size in pixels and the
    // painter scales them with everything else.
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    image.setDevicePixelRatio(ratio);
    image.fill(backColor_);
    return image;
}

QRect PictureBox::deviceArea(qint64 x, qint64 y, qint64 width, qint64 height) const {
    return toDevice(clipped(x, y, width, height, QRect(QPoint(0, 0), size_)), ratio_)
        .intersected(image_.rect());
}

void PictureBox::fillDevice(const QRect& area, const QColor& color) {
    if (area.isEmpty())
        return;
    const QRgb value = color.rgb() | 0xff000000u;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(row));
        std::fill(line + area.left(), line + area.right() + 1, value);
    }
    update();
}

void PictureBox::setOuterSize(int width, int height) {
    resize(std::max(0, width), std::max(0, height));
    // A hidden widget gets its resize event only when shown; the owners must hear of it now.
    followSize();
}

void PictureBox::followSize() {
    const qreal ratio = devicePixelRatioF();
    if (size_ == size() && ratio_ == ratio)
        return;
    QImage next = newImage(size(), ratio);
    if (!next.isNull() && !image_.isNull()) {
        if (ratio == ratio_) {
            const int rows = std::min(next.height(), image_.height());
            const auto bytes = std::size_t(std::min(next.width(), image_.width())) * sizeof(QRgb);
            for (int y = 0; y < rows; ++y)
                std::memcpy(next.scanLine(y), image_.constScanLine(y), bytes);
        } else {
            // Scaled until the owner draws it anew.
            QPainter painter(&next);
            painter.drawImage(QPointF(0, 0), image_);
        }
    }
    image_ = std::move(next);
    size_ = size();
    ratio_ = ratio;
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
    // A level or upright line is a rectangle one pixel across, which covers whole device
    // pixels at any ratio.
    if (x1 == x2 || y1 == y2) {
        fillRect(x1, y1, x2, y2, color);
        return;
    }
    QPainter painter(&image_);
    // A cosmetic pen as wide as one pixel with square caps, no smoothing: every pixel from the
    // first point to the last one inclusive, in exactly the colour given.
    QPen pen(QColor(color.rgb()), std::max<qreal>(1, std::round(ratio_)), Qt::SolidLine,
             Qt::SquareCap);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawLine(x1, y1, x2, y2);
    update();
}

void PictureBox::fillRect(int x1, int y1, int x2, int y2, const QColor& color) {
    const qint64 left = std::min(x1, x2);
    const qint64 top = std::min(y1, y2);
    const QRect area = clipped(left, top, std::max(x1, x2) - left + 1, std::max(y1, y2) - top + 1,
                               QRect(QPoint(0, 0), size_));
    fillDevice(toDevice(area, ratio_).intersected(image_.rect()), color);
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
    const QRect area = deviceArea(x, y, width, height);
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
    blitScaled(x, y, width, height, source, source.deviceIndependentSize().toSize(), srcX, srcY,
               op);
}

void PictureBox::blit(int x, int y, int width, int height, const PictureBox& source, int srcX,
                      int srcY, RasterOp op) {
    blitScaled(x, y, width, height, source.image_, source.size_, srcX, srcY, op);
}

void PictureBox::blitScaled(int x, int y, int width, int height, const QImage& source,
                            QSize sourceSize, int srcX, int srcY, RasterOp op) {
    if (image_.isNull() || source.isNull())
        return;
    // The destination rectangle in pixels, cut to the destination and to what the source can
    // supply.
    QRect area = clipped(x, y, width, height, QRect(QPoint(0, 0), size_));
    area = area.intersected(clipped(
        x, y, width, height, QRect(QPoint(0, 0), sourceSize).translated(x - srcX, y - srcY)));
    if (area.isEmpty())
        return;
    const QRect to = toDevice(area, ratio_).intersected(image_.rect());
    const QRect from = toDevice(area.translated(srcX - x, srcY - y), source.devicePixelRatio())
                           .intersected(source.rect());
    if (to.isEmpty() || from.isEmpty())
        return;
    // A copy: the source may be this very image, with overlapping rectangles.
    QImage src = source.copy(from).convertToFormat(QImage::Format_RGB32);
    if (src.size() != to.size())
        src = src.scaled(to.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    for (int row = 0; row < to.height(); ++row) {
        auto* d = reinterpret_cast<QRgb*>(image_.scanLine(to.top() + row)) + to.left();
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(row));
        for (int col = 0; col < to.width(); ++col)
            d[col] = combine(s[col], d[col], op);
    }
    update();
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
    const QPoint at(deviceEdge(x, ratio_), deviceEdge(y, ratio_));
    if (!QRect(QPoint(0, 0), size_).contains(x, y) || !image_.valid(at))
        return {};
    return QColor(image_.pixel(at));
}

bool PictureBox::event(QEvent* event) {
    // On another screen the ratio may differ: the image follows before anything is painted.
    if (event->type() == QEvent::ScreenChangeInternal)
        guard([&] { followSize(); });
    return QWidget::event(event);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    guard([&] {
        QPainter painter(this);
        painter.fillRect(event->rect(), backColor_);
        // The painter keeps to the area being painted; the image is at the screen's ratio, so
        // its device pixels land one to one on the screen's.
        if (!image_.isNull())
            painter.drawImage(QPointF(0, 0), image_);
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
