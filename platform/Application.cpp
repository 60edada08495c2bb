#include "platform/Application.h"

#include "platform/Error.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guard([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace platform
