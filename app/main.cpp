#include "app/Main.h"
#include "app/modFunc.h"
#include "platform/Application.h"
#include "platform/Error.h"
#include "platform/InstanceLock.h"
#include "platform/PrivateFiles.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/backup/StartupBackup.h"
#include "store/search/SearchService.h"
#include "windows/WindowLookup.h"

int main(int argc, char** argv) {
    // Before any thread or file exists: nothing the program creates is ever open to others.
    platform::keepFilesPrivate();
    platform::Application app(argc, argv);
    // No organisation, so the data folder is ~/.local/share/orvane.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
    // The base name of the installed .desktop file: a Wayland desktop finds the program's icon
    // and name by it (the app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(ORVANE_APP_ID));
    platform::installFontSubstitutions();
    platform::installInterfaceFont();

    // 終了 ends the process at once: an export or a PDF under way is stopped first, so that it
    // takes its unfinished files with it.
    platform::addEndCleanup(windows::stopBackgroundWork);

    if (!platform::guard([] { app::Main(); }))
        return 1;
    const int code = QApplication::exec();
    // The search finishes its work while the journal is still open.
    app::modFunc().Search.reset();
    app::modFunc().Backup.reset();
    platform::releaseInstanceLock();
    return code;
}
