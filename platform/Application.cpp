#include "platform/Application.h"

#include "platform/Error.h"

#include <QLibraryInfo>

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The interface is Japanese whatever the user's locale; without the translation package the
    // toolkit's texts simply stay in English.
    if (qtTranslator_.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTranslator_);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guard([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace platform
