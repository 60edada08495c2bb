#pragma once

#include <QPageSize>
#include <QSizeF>

// The fixed squares (原稿用紙) of a 絵日記 page for each paper and writing direction.
namespace windows::book {

enum class Direction {
    Horizontal, // 横書き: rows from the top, squares from left to right
    Vertical,   // 縦書き: rows (columns of squares) from the right, squares from the top
};

enum class Paper { A4, B5, A5 };

// A row is one line of writing: across the page in 横書き, down the page in 縦書き. Lengths in
// millimetres on the paper.
struct Grid {
    int squaresPerRow;
    int rowsFirstPage;     // under the day's picture
    int rowsFollowingPage; // a page of squares only
    // 縦書き rows are short (the picture sits above them), so a following page stacks two tiers
    // of them, the upper tier read first.
    int tiersFollowingPage;
    double squareMm;
    double marginMm; // around the page
    double headerMm; // the date and title above the picture
    double footerMm; // the page number below the squares
};

Grid gridFor(Paper paper, Direction direction);

// JIS B5 (182 × 257 mm), the Japanese notebook size, not ISO B5.
QPageSize pageSize(Paper paper);
QSizeF paperSizeMm(Paper paper);

} // namespace windows::book
