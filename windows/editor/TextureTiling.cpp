#include "windows/editor/TextureTiling.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace windows::editor {

namespace {

int roundHalfEven(double value) {
    // std::nearbyint follows the default rounding mode, which sends halves to the even number.
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

TileGrid tileGrid(const QSize& screenPixels, const QSize& texturePixels) {
    TileGrid grid;
    grid.stepX = std::max(1, texturePixels.width());
    // A texture one pixel high cannot lose a row; it is stepped by its own height.
    grid.stepY = std::max(1, texturePixels.height() - 1);
    grid.columns = std::max(0, roundHalfEven(double(screenPixels.width()) / grid.stepX));
    grid.rows = std::max(0, roundHalfEven(double(screenPixels.height()) / grid.stepY));
    const int height = std::max(1, texturePixels.height());
    grid.extent = QSize((grid.columns + 1) * grid.stepX, grid.rows * grid.stepY + height);
    return grid;
}

QImage tileBackground(const QImage& texture, const QSize& screenPixels) {
    const TileGrid grid = tileGrid(screenPixels, texture.size());
    QImage background(grid.extent, QImage::Format_RGB32);
    background.fill(Qt::white);
    if (texture.isNull())
        return background;

    // Drawing tens of thousands of single tiles for a tiny texture would take long; the same
    // picture comes from two tiled fills. Every row band shows the texture without its last
    // row, since the next tile covers it; only the bottom tiles keep their last row.
    QImage opaque(texture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white); // see-through parts of a texture show white
    {
        QPainter flatten(&opaque);
        flatten.drawImage(0, 0, texture);
    }
    QPainter painter(&background);
    const int width = grid.extent.width();
    const QPixmap band = QPixmap::fromImage(opaque.copy(0, 0, grid.stepX, grid.stepY));
    painter.drawTiledPixmap(QRect(0, 0, width, (grid.rows + 1) * grid.stepY), band);
    if (opaque.height() > grid.stepY) {
        const QPixmap lastRow =
            QPixmap::fromImage(opaque.copy(0, opaque.height() - 1, grid.stepX, 1));
        painter.drawTiledPixmap(QRect(0, (grid.rows + 1) * grid.stepY, width, 1), lastRow);
    }
    return background;
}

} // namespace windows::editor
