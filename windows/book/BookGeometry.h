#pragma once

#include "windows/book/BookGrid.h"
#include "windows/book/BookLayout.h"

#include <QList>
#include <QRectF>

// Where the parts of a 絵日記 page lie on the paper, in millimetres from its top left corner.
namespace windows::book {

class PageGeometry {
public:
    // The first page of a day (date, picture and squares) or a following one (squares only).
    PageGeometry(Paper paper, Direction direction, bool firstPage);

    const Grid& grid() const { return grid_; }
    double square() const { return grid_.squareMm; }
    QRectF header() const;
    QRectF picture() const; // empty on a following page
    QRectF footer() const;
    // The block of squares of each tier, the first one read first.
    const QList<QRectF>& tiers() const { return tiers_; }
    int rowsPerTier() const { return rowsPerTier_; }
    // The square of a cell; a hanging cell gets a square whose first half lies beside the row.
    QRectF square(const Cell& cell) const;

private:
    Grid grid_;
    Direction direction_;
    QSizeF paper_;
    bool first_;
    int rowsPerTier_;
    QList<QRectF> tiers_;
};

} // namespace windows::book
