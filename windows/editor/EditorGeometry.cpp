#include "windows/editor/EditorGeometry.h"

#include <algorithm>

namespace windows::editor {

ResizeResult resizeRule(const QSize& sizeTwips) {
    const int width = std::max(sizeTwips.width(), MinWidthTwips);
    const int height = std::max(sizeTwips.height(), MinHeightTwips);
    return {QSize(width, height), width - TextMarginTwips, width - CloseButtonOffsetTwips};
}

} // namespace windows::editor
