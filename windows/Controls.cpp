#include "windows/Controls.h"

#include "platform/Error.h"
#include "platform/Services.h"

#include <QWidget>

namespace windows {

void named(QWidget* widget, const QString& objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
}

void say(const QString& text, platform::Icon icon) {
    platform::dialogs().message(text, platform::Buttons::Ok, icon, platform::programTitle());
}

} // namespace windows
