#include "windows/book/BookPdf.h"

#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "platform/FileErrors.h"
#include "platform/PrivateFiles.h"
#include "windows/book/BookDocument.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cerrno>

namespace windows::book {
namespace {

[[noreturn]] void failWriting(const QString& path, int error) {
    throw platform::Error(platform::errnum::PathFileAccess,
                          platform::fileErrorText(error) + QLatin1Char('\n') + path);
}

} // namespace

bool writeBookPdf(const QString& path, const QList<BookDay>& days, const BookPageStyle& style,
                  const QString& pictureFolder, const std::function<bool(int)>& progress) {
    const QFileInfo target(path);
    // Beside the target, so the rename stays on one file system.
    QTemporaryFile part(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX"));
    errno = 0;
    if (!part.open())
        failWriting(path, errno != 0 ? errno : EACCES);
    {
        QPdfWriter writer(&part);
        writer.setCreator(QStringLiteral("Velmora絵日記"));
        writer.setTitle(QStringLiteral("絵日記"));
        writer.setPageLayout(
            QPageLayout(pageSize(style.paper), QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            failWriting(path, EIO);
        if (!paintBook(painter, writer, days, style, pictureFolder, progress))
            return false;
        if (!painter.end())
            failWriting(path, EIO);
    }
    if (!part.flush() || part.error() != QFileDevice::NoError)
        failWriting(path, errno != 0 ? errno : EIO);
    part.close();
    // A file the user asked for: the user's umask, not the program's private mode.
    platform::followUserUmask(part.fileName());
    platform::syncFile(part.fileName(), platform::errnum::PathFileAccess);
    platform::renameDurably(part.fileName(), path, platform::errnum::PathFileAccess);
    part.setAutoRemove(false);
    return true;
}

} // namespace windows::book
