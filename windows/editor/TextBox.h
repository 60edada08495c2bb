#pragma once

#include <QPlainTextEdit>

namespace windows::editor {

// The editor's text boxes: plain text boxes that take a paste or a drop only when it brings
// text. The toolkit's own box crashes on a paste from an empty clipboard under X11 (Qt 6.4),
// which would take the unsaved entry with it.
class TextBox : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace windows::editor
