#include "store/export/ExportPictures.h"

#include "platform/Error.h"
#include "platform/Pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

namespace store::exporting {

namespace {

// Little compression: the export of a journal with thousands of pictures would otherwise spend
// most of its time in zlib, for files a sixth smaller.
constexpr int PngQuality = 80;

} // namespace

Picture convertPicture(const QString& stored, const QString& pictureFolder) {
    const QString path = platform::findPicture(stored, pictureFolder);
    QImage image;
    try {
        image = platform::loadPicture(path);
    } catch (const platform::Error& e) {
        return {{}, e.description()};
    }
    if (QImageReader(path).format() == "png") {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return {file.readAll(), {}};
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(PngQuality);
    if (!writer.write(image))
        throw platform::Error(platform::errnum::PathFileAccess,
                              writer.errorString() + QLatin1Char('\n') + path);
    return {png, {}};
}

} // namespace store::exporting
