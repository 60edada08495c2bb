#pragma once

#include <QImage>

// The editor's built-in pictures.
namespace windows::editor {

enum class BuiltinImage {
    Icon = 1,        // 32 x 32 icon, not used by the editor itself
    Placeholder = 2, // 32 x 32, shown in the picture box when an entry has no picture
    BlankCanvas = 3, // 240 x 120, all white: the canvas of a new drawing
    Texture = 4,     // 85 x 113, the background when no texture file is set
};

QImage builtinImage(BuiltinImage which);
// The 24 x 24 picture of the picture button.
QImage pictureButtonImage();

} // namespace windows::editor
