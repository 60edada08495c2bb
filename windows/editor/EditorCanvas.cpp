#include "windows/editor/EditorCanvas.h"

#include "platform/Error.h"

#include <QPaintEvent>
#include <QPainter>

namespace windows::editor {

EditorCanvas::EditorCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EditorCanvas"));
    // Painted here rather than through the palette, which the controls would inherit.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EditorCanvas::setBackground(TiledBackground background) {
    background_ = std::move(background);
    update();
}

void EditorCanvas::paintEvent(QPaintEvent* event) {
    platform::guard([&] {
        QPainter painter(this);
        // Scaled up to a screen with more device pixels per pixel, the texture is smoothed.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, devicePixelRatioF() != 1);
        painter.fillRect(event->rect(), windowColour());
        background_.paint(painter, event->rect());
    });
}

} // namespace windows::editor
