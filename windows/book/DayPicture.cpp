#include "windows/book/DayPicture.h"

#include "platform/Error.h"
#include "platform/Pictures.h"

#include <QImageReader>

namespace windows::book {

DayPicture loadDayPicture(const QString& storedPath, const QString& pictureFolder) {
    if (storedPath.isEmpty())
        return {};
    const QString path = platform::findPicture(storedPath, pictureFolder);
    try {
        QImage image = platform::loadPicture(path);
        return {std::move(image), QImageReader::imageFormat(path) == "jpeg"};
    } catch (const platform::Error&) {
        return {};
    }
}

} // namespace windows::book
