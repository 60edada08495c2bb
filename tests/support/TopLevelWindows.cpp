#include "support/Testing.h"

namespace testing {

void runDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void deleteAllWindows() {
    runDeferredDeletes();
    QList<QPointer<QWidget>> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->parentWidget() == nullptr)
            windows << widget;
    for (const QPointer<QWidget>& window : windows)
        delete window.data();
    runDeferredDeletes();
}

bool activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace testing
