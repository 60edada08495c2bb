#pragma once

#include <QApplication>
#include <QTranslator>

namespace platform {

// The program's application object. Every event it delivers runs through platform::guard, so an
// error that escaped a handler is shown and the program keeps running.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    // Qt's own texts (file dialog, edit menus) in Japanese, like the rest of the program.
    QTranslator qtTranslator_;
};

} // namespace platform
