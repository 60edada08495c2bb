#pragma once

#include <QImage>
#include <QSize>

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

// The tiled background for that screen: texture tiles at (i * stepX, j * stepY) for every column
// i and row j of the grid, later tiles drawn over earlier ones.
QImage tileBackground(const QImage& texture, const QSize& screenPixels);

} // namespace windows::editor
