#include "windows/book/BookDocument.h"

#include "platform/Error.h"
#include "platform/Printer.h"
#include "windows/book/DayPicture.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace windows::book {

bool paintBook(QPainter& painter, QPagedPaintDevice& device, const QList<BookDay>& days,
               const BookPageStyle& style, const QString& pictureFolder,
               const std::function<bool(int)>& progress) {
    int pageNumber = 1;
    for (int done = 0; done < days.size(); ++done) {
        if (done > 0 && !device.newPage())
            throw platform::Error(platform::errnum::PrinterFailed,
                                  QStringLiteral("プリンタに出力できません。"));
        const BookDay& day = days[done];
        const DayPicture picture = loadDayPicture(day.picturePath, pictureFolder);
        // Without the hint a PDF stores every picture as JPEG, a drawing too.
        painter.setRenderHint(QPainter::LosslessImageRendering, !picture.lossy);
        pageNumber += paintBookDay(painter, device, day, picture.image, pageNumber, style);
        if (progress && !progress(done + 1))
            return false;
    }
    return true;
}

} // namespace windows::book
