#pragma once

#include "windows/book/BookGrid.h"
#include "windows/book/BookLayout.h"

#include <QDate>
#include <QImage>
#include <QString>

class QPainter;
class QPagedPaintDevice;

// Paints 絵日記 pages onto any painter: the printer, a PDF, a preview image.
namespace windows::book {

struct BookDay {
    QDate date;
    QString remark;
    QString text;
    QString picturePath; // as stored with the entry
};

struct BookPageStyle {
    Direction direction = Direction::Horizontal;
    Paper paper = Paper::A4;
};

// Paints one page of a day. The painter's device has its origin at the paper's top left corner
// (a printer in full-page mode) and its resolution tells the millimetres. pageOfDay 0 is the
// first page, with the date, the title and the picture (a null picture leaves the frame empty);
// pageNumber goes at the foot.
void paintBookPage(QPainter& painter, const BookDay& day, const Page& cells, int pageOfDay,
                   int pageNumber, const QImage& picture, const BookPageStyle& style);

// Paints every page of a day: the first on the device's current page, each following one on a
// new page. Returns the number of pages painted; raises Error when the device refuses a page.
int paintBookDay(QPainter& painter, QPagedPaintDevice& device, const BookDay& day,
                 const QImage& picture, int firstPageNumber, const BookPageStyle& style);

} // namespace windows::book
