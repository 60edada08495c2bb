#pragma once

#include <QImage>
#include <QString>

namespace windows::book {

// A day's picture found as the editor finds it: at its stored path, else in the picture folder
// by its file name (a path stored on another computer). A null image when it is in neither
// place or cannot be read: the page then shows its empty frame.
QImage loadDayPicture(const QString& storedPath, const QString& pictureFolder);

} // namespace windows::book
