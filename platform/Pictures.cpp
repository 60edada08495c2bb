#include "platform/Pictures.h"

#include "platform/Error.h"
#include "platform/System.h"

#include <QFileInfo>
#include <QImageReader>

namespace platform {

QImage loadPicture(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw Error(errnum::PictureMissing, QStringLiteral("ファイルが見つかりません。"));
    QImageReader reader(path);
    // Pictures are shown at their own pixel size, whatever resolution the file claims.
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull())
        throw Error(errnum::PictureInvalid, QStringLiteral("ピクチャが不正です。"));
    return image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                   : image.convertToFormat(QImage::Format_RGB32);
}

QString findPicture(const QString& storedPath, const QString& pictureFolder) {
    if (QFileInfo(storedPath).isFile() || pictureFolder.isEmpty())
        return storedPath;
    return joinPath(pictureFolder, fileTitle(storedPath));
}

} // namespace platform
