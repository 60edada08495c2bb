#include "windows/calendar/PenImages.h"

#include <QColor>

#include <array>

namespace windows::calendar {

namespace {

constexpr int Side = 11;
using Rows = std::array<const char*, Side>;

// One letter per pixel, rows from the top. The pen is white exactly where the mask is white,
// so drawing the mask and then the pen leaves the cell untouched around the pen.
constexpr Rows PenRows = {
    "WWWWWWGWWWW", //
    "WWWWWGYGWWW", //
    "WWWWGYGGDWW", //
    "WWWGYGGDDDW", //
    "WWGYGGDDDKD", //
    "WGYGGDDDKDW", //
    "GYGGDDDKDWW", //
    "YGGDDDKDWWW", //
    "YSDDDKDWWWW", //
    "KYODKDWWWWW", //
    "KKOODWWWWWW", //
};

constexpr Rows MaskRows = {
    "......#....", //
    ".....###...", //
    "....#####..", //
    "...#######.", //
    "..#########", //
    ".#########.", //
    "#########..", //
    "########...", //
    "#######....", //
    "######.....", //
    "#####......", //
};

QRgb colourOf(char letter) {
    switch (letter) {
    case 'G':
        return qRgb(0, 255, 0);
    case 'Y':
        return qRgb(255, 255, 0);
    case 'D':
        return qRgb(0, 128, 0);
    case 'K':
    case '#':
        return qRgb(0, 0, 0);
    case 'O':
        return qRgb(128, 128, 0);
    case 'S':
        return qRgb(192, 192, 192);
    default: // 'W' and '.'
        return qRgb(255, 255, 255);
    }
}

QImage fromRows(const Rows& rows) {
    QImage image(Side, Side, QImage::Format_RGB32);
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            image.setPixel(x, y, colourOf(rows[std::size_t(y)][x]));
    return image;
}

} // namespace

QImage penPicture() {
    return fromRows(PenRows);
}

QImage penMask() {
    return fromRows(MaskRows);
}

} // namespace windows::calendar
