#include "windows/editor/StatusLine.h"

#include "app/modFunc.h"

#include <QStatusBar>

namespace windows::editor {

void setStatusText(const QString& text) {
    if (QStatusBar* bar = app::modFunc().StatusRef)
        bar->showMessage(text);
}

QString statusText() {
    if (QStatusBar* bar = app::modFunc().StatusRef)
        return bar->currentMessage();
    return {};
}

} // namespace windows::editor
