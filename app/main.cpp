#include "app/Main.h"
#include "platform/Application.h"
#include "platform/Error.h"
#include "platform/InstanceLock.h"
#include "platform/System.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    // No organisation, so the data folder is ~/.local/share/orvane.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
    platform::installFontSubstitutions();
    platform::installInterfaceFont();

    if (!platform::guard([] { app::Main(); }))
        return 1;
    const int code = QApplication::exec();
    platform::releaseInstanceLock();
    return code;
}
