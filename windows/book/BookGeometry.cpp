#include "windows/book/BookGeometry.h"

namespace windows::book {
namespace {

// Between the picture and the squares, and between two tiers.
constexpr double GapMm = 5;

} // namespace

PageGeometry::PageGeometry(Paper paper, Direction direction, bool firstPage)
    : grid_(gridFor(paper, direction)), direction_(direction), paper_(paperSizeMm(paper)),
      first_(firstPage) {
    const double s = grid_.squareMm;
    const double width = paper_.width() - 2 * grid_.marginMm;
    const int rows = first_ ? grid_.rowsFirstPage : grid_.rowsFollowingPage;
    const int tierCount = first_ ? 1 : grid_.tiersFollowingPage;
    rowsPerTier_ = rows / tierCount;
    const double bottom = paper_.height() - grid_.marginMm - grid_.footerMm;
    if (direction_ == Direction::Horizontal) {
        // Half a square on the right for each of two hanging marks.
        const double left = grid_.marginMm + (width - (grid_.squaresPerRow + 1) * s) / 2;
        const double height = rows * s;
        const double top = first_ ? bottom - height : grid_.marginMm;
        tiers_ << QRectF(left, top, grid_.squaresPerRow * s, height);
        return;
    }
    // 縦書き: the hanging marks below each tier.
    const double left = grid_.marginMm + (width - rowsPerTier_ * s) / 2;
    const double height = grid_.squaresPerRow * s;
    const double pitch = height + s + GapMm;
    const double top = first_ ? bottom - height - s : grid_.marginMm;
    for (int tier = 0; tier < tierCount; ++tier)
        tiers_ << QRectF(left, top + tier * pitch, rowsPerTier_ * s, height);
}

QRectF PageGeometry::header() const {
    return first_ ? QRectF(grid_.marginMm, grid_.marginMm, paper_.width() - 2 * grid_.marginMm,
                           grid_.headerMm)
                  : QRectF();
}

QRectF PageGeometry::picture() const {
    if (!first_)
        return {};
    const QRectF squares = tiers_.front();
    const double top = grid_.marginMm + grid_.headerMm;
    return QRectF(squares.left(), top, squares.width(), squares.top() - GapMm - top);
}

QRectF PageGeometry::footer() const {
    return QRectF(grid_.marginMm, paper_.height() - grid_.marginMm - grid_.footerMm,
                  paper_.width() - 2 * grid_.marginMm, grid_.footerMm);
}

QRectF PageGeometry::square(const Cell& cell) const {
    const double s = grid_.squareMm;
    const int squares = grid_.squaresPerRow;
    // Along the row: a hanging mark takes half a square after the last one.
    const double along =
        cell.column < squares ? cell.column * s : squares * s + (cell.column - squares) * s / 2;
    const QRectF& tier = tiers_[std::min<qsizetype>(cell.row / rowsPerTier_, tiers_.size() - 1)];
    const int row = cell.row % rowsPerTier_;
    if (direction_ == Direction::Horizontal)
        return QRectF(tier.left() + along, tier.top() + row * s, s, s);
    return QRectF(tier.right() - (row + 1) * s, tier.top() + along, s, s);
}

} // namespace windows::book
