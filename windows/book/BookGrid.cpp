#include "windows/book/BookGrid.h"

namespace windows::book {

Grid gridFor(Paper paper, Direction direction) {
    // The sizes are chosen so that a row and its hanging punctuation fit between the margins,
    // the picture keeps roughly the upper half of the first page, and each following page is
    // filled with squares; the README lists the resulting grids.
    const bool across = direction == Direction::Horizontal;
    switch (paper) {
    case Paper::A4:
        return across ? Grid{20, 12, 30, 1, 8.5, 15, 14, 10} : Grid{12, 20, 40, 2, 8.5, 15, 14, 10};
    case Paper::B5:
        return across ? Grid{20, 11, 29, 1, 7.4, 13, 12, 9} : Grid{11, 20, 40, 2, 7.4, 13, 12, 9};
    case Paper::A5:
        break;
    }
    return across ? Grid{20, 10, 30, 1, 6, 10, 10, 8} : Grid{10, 20, 40, 2, 6, 10, 10, 8};
}

QPageSize pageSize(Paper paper) {
    switch (paper) {
    case Paper::A4:
        return QPageSize(QPageSize::A4);
    case Paper::B5:
        return QPageSize(QPageSize::JisB5);
    case Paper::A5:
        break;
    }
    return QPageSize(QPageSize::A5);
}

QSizeF paperSizeMm(Paper paper) {
    return pageSize(paper).size(QPageSize::Millimeter);
}

} // namespace windows::book
