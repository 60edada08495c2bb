#pragma once

#include "store/export/ExportRange.h"
#include "store/export/RangeReader.h"
#include "windows/book/BookPainter.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

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

// The days of the range that have an entry, in order, read through a connection of their own
// (any thread). Stops early, returning what it has, once cancel is set.
QList<BookDay> readBookDays(const store::exporting::JournalFile& journal,
                            const store::exporting::Range& range,
                            const std::atomic<bool>* cancel = nullptr);

// The number of the first page of each day (counted from 0) followed by the number of pages in
// all; cheap beside painting: only the texts are laid out. Nothing once cancel is set.
std::optional<QList<int>> pageStarts(const QList<BookDay>& days, const BookPageStyle& style,
                                     const std::atomic<bool>* cancel = nullptr);

// One page of the book, as paintBook would print it, as an image of the paper at the resolution;
// page counts from 0 and starts is pageStarts' answer. Runs on any thread.
QImage renderBookPage(const QList<BookDay>& days, const QList<int>& starts, int page,
                      const BookPageStyle& style, const QString& pictureFolder, double dotsPerInch);

} // namespace windows::book
