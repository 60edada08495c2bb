#include "windows/book/BookDocument.h"

#include "platform/Error.h"
#include "platform/Printer.h"
#include "store/export/RangeReader.h"
#include "windows/book/DayPicture.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

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

QList<BookDay> readBookDays(const store::exporting::JournalFile& journal,
                            const store::exporting::Range& range, const std::atomic<bool>* cancel) {
    QList<BookDay> days;
    store::exporting::RangeReader reader(journal, range);
    while (const auto entries = reader.nextMonth()) {
        for (const auto& entry : *entries)
            days.append({entry.date, entry.remark, entry.text, entry.picture});
        if (cancel && *cancel)
            break;
    }
    return days;
}

std::optional<QList<int>> pageStarts(const QList<BookDay>& days, const BookPageStyle& style,
                                     const std::atomic<bool>* cancel) {
    QList<int> starts{0};
    starts.reserve(days.size() + 1);
    for (const BookDay& day : days) {
        if (cancel && *cancel)
            return std::nullopt;
        starts.append(starts.last() +
                      int(layoutText(day.text, style.direction, style.paper).size()));
    }
    return starts;
}

QImage renderBookPage(const QList<BookDay>& days, const QList<int>& starts, int page,
                      const BookPageStyle& style, const QString& pictureFolder,
                      double dotsPerInch) {
    // The day whose pages hold this one: the last that starts at or before it.
    const auto after = std::upper_bound(starts.cbegin(), starts.cend() - 1, page);
    const auto dayIndex = std::distance(starts.cbegin(), after) - 1;
    const QSizeF paper = paperSizeMm(style.paper) * dotsPerInch / 25.4;
    QImage image(paper.toSize(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    image.fill(Qt::white);
    if (dayIndex < 0 || dayIndex >= days.size())
        return image;
    const BookDay& day = days[dayIndex];
    const int pageOfDay = page - starts[dayIndex];
    const QList<Page> pages = layoutText(day.text, style.direction, style.paper);
    if (pageOfDay >= pages.size())
        return image;
    const QImage picture =
        pageOfDay == 0 ? loadDayPicture(day.picturePath, pictureFolder).image : QImage();
    QPainter painter(&image);
    paintBookPage(painter, day, pages[pageOfDay], pageOfDay, page + 1, picture, style);
    return image;
}

} // namespace windows::book
