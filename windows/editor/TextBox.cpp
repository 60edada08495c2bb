#include "windows/editor/TextBox.h"

#include <QMimeData>

namespace windows::editor {

void TextBox::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || source->text().isEmpty())
        return;
    QPlainTextEdit::insertFromMimeData(source);
}

} // namespace windows::editor
