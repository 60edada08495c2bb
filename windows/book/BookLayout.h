#pragma once

#include "windows/book/BookGrid.h"

#include <QList>
#include <QString>

// Puts a text into the squares of 絵日記 pages: no painting, only where each character goes.
namespace windows::book {

struct Cell {
    enum class Kind {
        Normal,      // upright in its square (in 横書き, two half-width letters may share one)
        Hanging,     // 。、，．」』） beside the row's last square, outside the grid
        Rotated,     // 縦書き: turned 90° clockwise
        OffsetSmall, // 縦書き: a small kana towards the top right
        OffsetPunct, // 縦書き: 。、，． in the top right
    };
    // The row on its page (from the top in 横書き, from the right in 縦書き, the upper tier
    // before the lower on a following 縦書き page), and the square in the row (from the left,
    // or from the top). A hanging cell has column squaresPerRow, or squaresPerRow + 1 for a
    // second one; it takes half a square.
    int row = 0;
    int column = 0;
    QString text;
    Kind kind = Kind::Normal;

    bool operator==(const Cell&) const = default;
};

using Page = QList<Cell>;

// The pages of squares for a text: the first under the picture, the rest of squares only. An
// empty text still has its first page.
QList<Page> layoutText(const QString& text, Direction direction, Paper paper);

} // namespace windows::book
