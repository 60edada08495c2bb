#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Sizes and places of the editor window, in twips (15 to a pixel).
namespace windows::editor {

inline constexpr int TwipsPerPixel = 15;

constexpr int toPixels(int twips) {
    return (twips + (twips >= 0 ? TwipsPerPixel / 2 : -(TwipsPerPixel / 2))) / TwipsPerPixel;
}
constexpr int toTwips(int pixels) {
    return pixels * TwipsPerPixel;
}
inline QSize toTwips(const QSize& pixels) {
    return {toTwips(pixels.width()), toTwips(pixels.height())};
}
inline QSize toPixels(const QSize& twips) {
    return {toPixels(twips.width()), toPixels(twips.height())};
}
// A control's place in twips (left, top, width, height) as a rectangle in pixels.
inline QRect twipsRect(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

// The smallest size of the window (without the frame the desktop draws, like the stored layout).
inline constexpr int MinWidthTwips = 6855;
inline constexpr int MinHeightTwips = 6885;
// The text boxes leave this much of the window's width; the close button sits this far from its
// right edge.
inline constexpr int TextMarginTwips = 960;
inline constexpr int CloseButtonOffsetTwips = 1500;

// What the resize handler makes of a window of the given size (twips).
struct ResizeResult {
    QSize sizeTwips;    // the size the window must have (grown to the minimum)
    int textWidthTwips; // width of the journal and remark boxes
    int closeLeftTwips; // left edge of the close button
};
ResizeResult resizeRule(const QSize& sizeTwips);

} // namespace windows::editor
