#include "windows/editor/EditorCanvas.h"

#include "platform/Error.h"

#include <QPaintEvent>
#include <QPainter>

namespace windows::editor {

EditorCanvas::EditorCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EditorCanvas"));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(128, 128, 255));
    setPalette(colours);
    setAutoFillBackground(true);
}

void EditorCanvas::setBackground(QImage background) {
    background_ = std::move(background);
    update();
}

void EditorCanvas::paintEvent(QPaintEvent* event) {
    platform::guard([&] {
        if (background_.isNull())
            return;
        QPainter painter(this);
        painter.drawImage(event->rect().topLeft(), background_, event->rect());
    });
}

} // namespace windows::editor
