#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QSize>

class QPainter;

// The editor's background: one texture repeated over the whole screen.
namespace windows::editor {

struct TileGrid {
    int columns = 0; // the last column index; columns 0..columns are drawn
    int rows = 0;    // the last row index; rows 0..rows are drawn
    int stepX = 1;   // distance between tiles, pixels
    int stepY = 1;   // one pixel less than the texture's height, so tiles overlap by a row
    QSize extent;    // the area the tiles cover, pixels
};

// Counts for a texture of the given pixel size on a screen of the given pixel size: screen width
// over texture width and screen height over (texture height - 1), each rounded to the nearest
// whole number with halves to the even one. The counts are not limited, so a tiny texture still
// covers the screen.
TileGrid tileGrid(const QSize& screenPixels, const QSize& texturePixels);

// Texture tiles at (i * stepX, j * stepY) for every column i and row j of the grid, later tiles
// drawn over earlier ones. It keeps only the texture, not a picture of the whole screen, and
// paints whatever part of the screen is asked for.
class TiledBackground {
public:
    TiledBackground() = default;
    TiledBackground(const QImage& texture, const QSize& screenPixels);

    const TileGrid& grid() const { return grid_; }
    // Paints the tiles that fall into the area; the rest of it is left as it was.
    void paint(QPainter& painter, const QRect& area) const;
    // The whole tiled area as one picture.
    QImage toImage() const;

private:
    TileGrid grid_;
    QPixmap band_;    // the texture without its last row, the step of every tile
    QPixmap lastRow_; // the texture's last row, shown only below the bottom tiles
};

} // namespace windows::editor
