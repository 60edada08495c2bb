// The background texture, tiled over the whole screen behind the controls.
#include "windows/editor/frmMirel.h"

#include "app/modFunc.h"
#include "platform/Error.h"
#include "platform/Pictures.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/EditorCanvas.h"
#include "windows/editor/TextureTiling.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QSize screenPixels(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(1024, 768);
}

} // namespace

void frmMirel::bgTile() {
    QImage texture;
    const QString& path = app::modFunc().bgPath;
    if (!path.isEmpty()) {
        try {
            texture = platform::loadPicture(path);
        } catch (const platform::Error&) {
            // A texture that is gone or no picture: the built-in one stands in.
        }
    }
    if (texture.isNull())
        texture = windows::editor::builtinImage(windows::editor::BuiltinImage::Texture);
    picture2_ = texture;
    // The tiles are laid out once for the whole screen, so resizing never needs to redo it.
    canvas_->setBackground(windows::editor::TiledBackground(picture2_, screenPixels(*this)));
    canvas_->update();
}

QImage frmMirel::background() const {
    return canvas_->background().toImage();
}
