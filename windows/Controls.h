#pragma once

#include "platform/Dialogs.h"

#include <QString>

class QWidget;

// Small things every window does with its controls and messages.
namespace windows {

// Names a control for the code (its object name) and for a screen reader (its accessible name).
void named(QWidget* widget, const QString& objectName, const QString& accessibleName);

// A message box with an OK button under the program's title.
void say(const QString& text, platform::Icon icon);

} // namespace windows
