#pragma once

#include <QImage>

// The small pen drawn into the cell of every day that has an entry, and its mask.
namespace windows::calendar {

// 11 x 11 pixels: the pen, lying from its dark tip at the lower left to the upper right, on
// white.
QImage penPicture();
// 11 x 11 pixels: black where the pen is, white around it.
QImage penMask();

} // namespace windows::calendar
