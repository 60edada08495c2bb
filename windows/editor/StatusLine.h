#pragma once

#include <QString>

// The editor's status line, reached through StatusRef so that it works on whichever editor is
// open; without one nothing is written and the text is empty.
namespace windows::editor {

void setStatusText(const QString& text);
QString statusText();

} // namespace windows::editor
