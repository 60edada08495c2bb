#include "platform/Help.h"

#include "platform/System.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {

void openHelpPage() {
    const QString page = programFilesFolder() + QStringLiteral("/MReadme.htm");
    if (!QFileInfo(page).isFile())
        return;
    // The answer of the desktop is not used: there is nothing sensible to add to its own message.
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

} // namespace platform
