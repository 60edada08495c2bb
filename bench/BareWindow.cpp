// The floor the program's start-up and memory are compared with: a plain Qt window with a menu
// bar, a month calendar and a status bar, started the same way as the program.
#include <QApplication>
#include <QCalendarWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare Qt window"));
    for (const char* title : {"File", "Previous", "Next", "Today", "Options"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        menu->addAction(QStringLiteral("Item"));
    }
    window.setCentralWidget(new QCalendarWidget(&window));
    window.statusBar()->showMessage(QStringLiteral("ready"));
    window.resize(400, 360);
    window.show();
    return QApplication::exec();
}
