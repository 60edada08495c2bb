#include "windows/editor/BuiltinImages.h"

#include <QString>

namespace windows::editor {

QImage builtinImage(BuiltinImage which) {
    switch (which) {
    case BuiltinImage::Icon:
        return QImage(QStringLiteral(":/images/editor_icon1.png"));
    case BuiltinImage::Placeholder:
        return QImage(QStringLiteral(":/images/editor_placeholder.png"));
    case BuiltinImage::BlankCanvas:
        return QImage(QStringLiteral(":/images/editor_canvas.png"))
            .convertToFormat(QImage::Format_RGB32);
    case BuiltinImage::Texture:
        return QImage(QStringLiteral(":/images/editor_texture.png"))
            .convertToFormat(QImage::Format_RGB32);
    }
    return {};
}

QImage pictureButtonImage() {
    return QImage(QStringLiteral(":/images/editor_picbutton.png"));
}

} // namespace windows::editor
