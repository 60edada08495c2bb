#include "windows/book/DayPicture.h"

#include "platform/Error.h"
#include "platform/Pictures.h"
#include "platform/System.h"

#include <QFileInfo>
#include <QImageReader>

namespace windows::book {

DayPicture loadDayPicture(const QString& storedPath, const QString& pictureFolder) {
    if (storedPath.isEmpty())
        return {};
    QString path = storedPath;
    if (!QFileInfo(path).isFile() && !pictureFolder.isEmpty())
        path = platform::joinPath(pictureFolder, platform::fileTitle(storedPath));
    try {
        QImage image = platform::loadPicture(path);
        return {std::move(image), QImageReader::imageFormat(path) == "jpeg"};
    } catch (const platform::Error&) {
        return {};
    }
}

} // namespace windows::book
