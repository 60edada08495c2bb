#include "windows/book/DayPicture.h"

#include "platform/Error.h"
#include "platform/Pictures.h"
#include "platform/System.h"

#include <QFileInfo>

namespace windows::book {

QImage loadDayPicture(const QString& storedPath, const QString& pictureFolder) {
    if (storedPath.isEmpty())
        return {};
    QString path = storedPath;
    if (!QFileInfo(path).isFile() && !pictureFolder.isEmpty())
        path = platform::joinPath(pictureFolder, platform::fileTitle(storedPath));
    try {
        return platform::loadPicture(path);
    } catch (const platform::Error&) {
        return {};
    }
}

} // namespace windows::book
