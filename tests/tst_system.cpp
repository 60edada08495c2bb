#include "platform/InstanceLock.h"
#include "platform/System.h"
#include "support/Files.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

using namespace platform;
using testing::writeFile;

class SystemTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

private Q_SLOTS:
    void init() {
        env.reset();
        env = std::make_unique<testing::TestEnv>();
    }
    void cleanup() {
        releaseInstanceLock();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void foldersAndPrograms() {
        QVERIFY(QFileInfo(programFilesFolder()).isDir());
        const QString bin1 = env->root() + QStringLiteral("/bin1/");
        const QString bin2 = env->root() + QStringLiteral("/bin2/");
        for (const QString& path : {bin2 + "gimp", bin2 + "mtpaint", bin1 + "pinta"})
            writeFile(path, "#!/bin/sh\n", true);
        writeFile(bin1 + QStringLiteral("kolourpaint")); // not runnable
        const QByteArray savedPath = qgetenv("PATH");
        const auto paintOn = [](const QString& path) {
            qputenv("PATH", QFile::encodeName(path));
            return defaultPaintProgram();
        };
        // The order of preference counts, not the order of the folders.
        QCOMPARE(paintOn(bin1 + QLatin1Char(':') + bin2), bin2 + QStringLiteral("mtpaint"));
        QCOMPARE(paintOn(env->root() + QStringLiteral("/empty")),
                 QStringLiteral("/usr/bin/kolourpaint"));
        qputenv("PATH", savedPath);

        QVERIFY(isProgramFile(QStringLiteral("C:\\Windows\\pbrush.exe")));
        QVERIFY(!isProgramFile(QStringLiteral("C:\\Windows\\PBRUSH.EXE"))); // letter case as before
        QVERIFY(isProgramFile(bin2 + QStringLiteral("gimp")));
        for (const QString& path :
             {bin1 + "kolourpaint", writeFile(bin1 + "day.BMP", {}, true), bin1})
            QVERIFY2(!isProgramFile(path), qPrintable(path));
    }

    void windowsAndFonts() {
        const QString title = QStringLiteral("Velmora絵日記");
        QWidget hidden;
        QWidget shown;
        hidden.setWindowTitle(title);
        shown.setWindowTitle(title);
        QVERIFY(findTopLevelWindow(title) == nullptr);
        shown.show();
        QCOMPARE(findTopLevelWindow(title), &shown);
        QVERIFY(findTopLevelWindow(QStringLiteral("Velmora")) == nullptr); // exact titles only

        installFontSubstitutions(); // Qt keeps substituted names in lower case
        const char* const fonts[][2] = {{"ＭＳ Ｐ明朝", "ipapmincho"},
                                        {"ＭＳ Ｐゴシック", "ipapgothic"},
                                        {"Times New Roman", "liberation serif"}};
        for (const auto& [name, standIn] : fonts)
            QCOMPARE(QFont::substitute(QString::fromUtf8(name)), QString::fromUtf8(standIn));
    }

    void instanceLock() {
        QCOMPARE(instanceLockPath(), env->root() + QStringLiteral("/runtime/orvane.lock"));
        QVERIFY(acquireInstanceLock());
        QLockFile other(instanceLockPath()); // a second copy
        QVERIFY(!other.tryLock(0));
        releaseInstanceLock();
        QVERIFY(other.tryLock(0));
        other.unlock();

        // A lock left by a copy that died on this computer is taken over.
        QProcess gone;
        gone.start(QStringLiteral("/bin/true"), QStringList());
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        writeFile(instanceLockPath(), QByteArray::number(deadPid) + "\norvane\n" +
                                          QSysInfo::machineHostName().toUtf8() + "\n");
        QVERIFY(acquireInstanceLock());

        // Without a runtime folder the lock goes to the temp folder under a per-user name.
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const QFileInfo fallback(instanceLockPath());
        qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(fallback.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(fallback.fileName().startsWith(QStringLiteral("orvane-")));
    }
};

ORVANE_TEST_MAIN(SystemTest)
#include "tst_system.moc"
