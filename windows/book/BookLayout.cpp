#include "windows/book/BookLayout.h"

#include "windows/book/BookCharacters.h"

namespace windows::book {
namespace {

Cell::Kind kindOf(const QString& cluster, Direction direction) {
    if (direction == Direction::Horizontal)
        return Cell::Kind::Normal;
    switch (verticalForm(cluster)) {
    case VerticalForm::Rotated:
        return Cell::Kind::Rotated;
    case VerticalForm::OffsetSmall:
        return Cell::Kind::OffsetSmall;
    case VerticalForm::OffsetPunct:
        return Cell::Kind::OffsetPunct;
    case VerticalForm::Upright:
        break;
    }
    return Cell::Kind::Normal;
}

// The cells with their rows counted through the whole text, row 0 on the first page.
QList<Cell> placeInRows(const QStringList& clusters, Direction direction, int squares) {
    QList<Cell> cells;
    int row = 0;
    int column = 0;
    int hung = 0;
    const auto newRow = [&] {
        ++row;
        column = 0;
        hung = 0;
    };
    for (const QString& cluster : clusters) {
        if (cluster == QStringLiteral("\n")) {
            newRow();
            continue;
        }
        if (column == squares) {
            if (hangsAtRowEnd(cluster) && hung < 2) {
                cells << Cell{row, squares + hung, cluster, Cell::Kind::Hanging};
                ++hung;
                continue;
            }
            // The character before ！？ー or a small kana comes down with it, unless it would
            // itself start the row against the rules (a closing mark) or nothing would be left.
            const bool carry = takesPrecedingAlong(cluster) && hung == 0 && squares > 1 &&
                               !cells.isEmpty() && cells.back().row == row &&
                               !hangsAtRowEnd(cells.back().text);
            newRow();
            if (carry) {
                cells.back().row = row;
                cells.back().column = 0;
                column = 1;
            }
        } else if (opensAtRowStart(cluster) && column == squares - 1 && squares > 1) {
            newRow();
        }
        cells << Cell{row, column, cluster, kindOf(cluster, direction)};
        ++column;
    }
    return cells;
}

} // namespace

QList<Page> layoutText(const QString& text, Direction direction, Paper paper) {
    const Grid grid = gridFor(paper, direction);
    const QList<Cell> cells = placeInRows(splitClusters(text, direction == Direction::Horizontal),
                                          direction, grid.squaresPerRow);
    QList<Page> pages(1);
    for (Cell cell : cells) {
        int page = 0;
        if (cell.row >= grid.rowsFirstPage) {
            const int following = cell.row - grid.rowsFirstPage;
            page = 1 + following / grid.rowsFollowingPage;
            cell.row = following % grid.rowsFollowingPage;
        }
        if (page >= pages.size())
            pages.resize(page + 1);
        pages[page] << cell;
    }
    return pages;
}

} // namespace windows::book
