#pragma once

class QEvent;

namespace windows::editor {

// Whether an event of a text box is a character the user typed: printable text, committed
// input-method text, Backspace, Enter or Return, Ctrl+V or Ctrl+X (and the other paste and cut
// keys of the desktop). Delete, cursor keys, Tab, Control shortcuts and other keys without text
// are not; neither are edits made through the context menu or by the program, which never come
// as key events.
bool isTypedCharacter(const QEvent& event);

} // namespace windows::editor
