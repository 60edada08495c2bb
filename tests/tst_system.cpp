#include "platform/InstanceLock.h"
#include "platform/System.h"
#include "support/Files.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

#include <unistd.h>

using namespace platform;
using namespace Qt::StringLiterals;

class SystemTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void desktopServices() {
        // The first paint program in the order of preference, whatever the order of the folders
        // on the PATH (this process's own).
        const QString bin1 = env->root() + u"/bin1/"_s, bin2 = env->root() + u"/bin2/"_s;
        for (const QString& path : {bin2 + "gimp", bin2 + "mtpaint", bin1 + "pinta"})
            testing::writeFile(path, "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(bin1 + ':' + bin2));
        QCOMPARE(defaultPaintProgram(), bin2 + u"mtpaint"_s);

        QWidget hidden, shown; // only shown windows, by their exact titles
        hidden.setWindowTitle(u"Velmora絵日記"_s);
        shown.setWindowTitle(u"Velmora絵日記"_s);
        shown.show();
        QCOMPARE(findTopLevelWindow(u"Velmora絵日記"_s), &shown);
        QVERIFY(findTopLevelWindow(u"Velmora"_s) == nullptr);

        installFontSubstitutions(); // Qt keeps substituted names in lower case
        QCOMPARE(QFont::substitutes(u"ＭＳ Ｐ明朝"_s) + QFont::substitutes(u"ＭＳ Ｐゴシック"_s) +
                     QFont::substitutes(u"Times New Roman"_s),
                 (QStringList{"ipapmincho", "ipapgothic", "liberation serif"}));

        // The instance lock (refusing a second copy: tst_startup). A lock left by a copy that
        // died on this computer (no process has that number) is taken over.
        QCOMPARE(instanceLockPath(), env->root() + u"/runtime/orvane.lock"_s);
        testing::writeFile(instanceLockPath(),
                           "999999999\norvane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        QVERIFY(acquireInstanceLock());
        releaseInstanceLock();
        // Without a runtime folder the lock goes to the temp folder under a per-user name.
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(instanceLockPath(), QDir::temp().filePath(u"orvane-%1.lock"_s.arg(getuid())));
    }
};

ORVANE_TEST_MAIN(SystemTest)
#include "tst_system.moc"
