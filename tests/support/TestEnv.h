#pragma once

#include "platform/Clock.h"
#include "support/ScriptedDialogs.h"

#include <QDateTime>
#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

namespace testing {

// A private world for one test function: fresh XDG data, config and runtime folders and settings
// file, the scripted dialogs, a clock fixed at 2026-12-06 21:05:09 and an ending that is only
// recorded. Restores the real services when destroyed. Not copyable (it owns its folder).
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    ScriptedDialogs dialogs;
    platform::FixedClock clock{QDateTime(QDate(2026, 12, 6), QTime(21, 5, 9))};
    // Exit codes of every ending of the program, in order.
    QList<int> endings;

    QString root() const { return dir_.path(); }
    // The per-user data folder (~/.local/share/orvane in real life).
    QString dataDir() const {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    // The settings file (~/.config/orvane/orvane.ini in real life).
    QString settingsFile() const { return root() + QStringLiteral("/config/orvane/orvane.ini"); }

private:
    QTemporaryDir dir_;
};

// Sets up the process before QApplication exists: offscreen platform, private XDG folders,
// the program's application name.
void prepareProcess(int argc, char** argv);

} // namespace testing

// Like QTEST_MAIN, with the private XDG folders and the program's application name.
#define ORVANE_TEST_MAIN(TestObject) ORVANE_TEST_MAIN_AFTER(TestObject, )
// The same, with a statement that runs first (what must be set before the application exists).
#define ORVANE_TEST_MAIN_AFTER(TestObject, first)                                                  \
    int main(int argc, char** argv) {                                                              \
        first;                                                                                     \
        testing::prepareProcess(argc, argv);                                                       \
        QApplication app(argc, argv);                                                              \
        QCoreApplication::setApplicationName(QStringLiteral("orvane"));                            \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// Fails the test when the dialog script met a dialog it did not expect or kept an answer.
#define ORVANE_VERIFY_ENV(env)                                                                     \
    QVERIFY2((env).dialogs.problems().isEmpty(),                                                   \
             qPrintable((env).dialogs.problems().join(QLatin1Char('\n'))))
