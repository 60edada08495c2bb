#pragma once

#include "windows/book/BookPainter.h"

#include <QList>
#include <QString>

#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace windows::book {

// Paints the pages of the days, in the order given, onto a paged device whose origin is the
// paper's corner (a PDF writer without margins, a printer in full-page mode), the first on its
// current page. One day after another: each day's picture is read, painted and let go before the
// next. progress is told the number of days done after each; when it answers false the painting
// stops and the function returns false. Raises Error when the device refuses a page.
bool paintBook(QPainter& painter, QPagedPaintDevice& device, const QList<BookDay>& days,
               const BookPageStyle& style, const QString& pictureFolder,
               const std::function<bool(int daysDone)>& progress = {});

} // namespace windows::book
