#pragma once

#include <QApplication>

namespace platform {

// The program's application object. Every event it delivers runs through platform::guard, so an
// error that escaped a handler is shown and the program keeps running.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace platform
