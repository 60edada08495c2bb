#include "windows/editor/EditorGeometry.h"

#include <algorithm>

namespace windows::editor {

ResizeResult resizeRule(const QSize& outerTwips) {
    const int width = std::max(outerTwips.width(), MinWidthTwips);
    const int height = std::max(outerTwips.height(), MinHeightTwips);
    return {QSize(width, height), width - TextMarginTwips, width - CloseButtonOffsetTwips};
}

} // namespace windows::editor
