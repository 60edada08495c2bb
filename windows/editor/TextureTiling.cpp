#include "windows/editor/TextureTiling.h"

#include <QPainter>

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

TiledBackground::TiledBackground(const QImage& texture, const QSize& screenPixels)
    : grid_(tileGrid(screenPixels, texture.size())) {
    if (texture.isNull())
        return;
    // Every row band shows the texture without its last row, since the next tile covers it;
    // only the bottom tiles keep their last row. So two tiled fills give the picture of all the
    // single tiles, however many a tiny texture needs.
    QImage opaque(texture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white); // see-through parts of a texture show white
    {
        QPainter flatten(&opaque);
        flatten.drawImage(0, 0, texture);
    }
    band_ = QPixmap::fromImage(opaque.copy(0, 0, grid_.stepX, grid_.stepY));
    if (opaque.height() > grid_.stepY)
        lastRow_ = QPixmap::fromImage(opaque.copy(0, opaque.height() - 1, grid_.stepX, 1));
}

void TiledBackground::paint(QPainter& painter, const QRect& area) const {
    if (band_.isNull())
        return;
    const int width = grid_.extent.width();
    const QRect bands(0, 0, width, (grid_.rows + 1) * grid_.stepY);
    // Tiles are counted from the top left corner of the screen, whatever part is painted.
    const QRect part = bands.intersected(area);
    if (!part.isEmpty())
        painter.drawTiledPixmap(part, band_,
                                QPoint(part.x() % grid_.stepX, part.y() % grid_.stepY));
    const QRect bottom = QRect(0, bands.bottom() + 1, width, 1).intersected(area);
    if (!lastRow_.isNull() && !bottom.isEmpty())
        painter.drawTiledPixmap(bottom, lastRow_, QPoint(bottom.x() % grid_.stepX, 0));
}

QImage TiledBackground::toImage() const {
    QImage image(grid_.extent, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter, image.rect());
    return image;
}

} // namespace windows::editor
