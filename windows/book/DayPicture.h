#pragma once

#include <QImage>
#include <QString>

namespace windows::book {

struct DayPicture {
    QImage image; // null when there is none to show: the page then shows its empty frame
    // Read from a JPEG file, so a PDF may keep it as JPEG again; drawings (BMP, PNG) are kept
    // lossless, their sharp lines unblurred.
    bool lossy = false;
};

// A day's picture found as the editor finds it: at its stored path, else in the picture folder
// by its file name (a path stored on another computer). Nothing when it is in neither place or
// cannot be read.
DayPicture loadDayPicture(const QString& storedPath, const QString& pictureFolder);

} // namespace windows::book
