#pragma once

#include <QImage>
#include <QString>

namespace platform {

namespace errnum {
inline constexpr int PictureMissing = 53;  // no file of that name
inline constexpr int PictureInvalid = 481; // a file that holds no picture
} // namespace errnum

// Loads a picture file (BMP, JPEG, PNG and whatever else Qt reads), as RGB32 or ARGB32. A missing
// file raises error 53, a file that is no picture error 481.
QImage loadPicture(const QString& path);

// The file of a picture path stored with an entry, as the editor looks for it: the path itself
// when it names a file, else the file of that name in the picture folder (a path stored on
// another computer).
QString findPicture(const QString& storedPath, const QString& pictureFolder);

} // namespace platform
