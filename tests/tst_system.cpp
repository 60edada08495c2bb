#include "platform/InstanceLock.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QtTest>

using namespace platform;

namespace {

QString makeFile(const QString& path, bool executable) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    auto permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    QFile::setPermissions(path, permissions);
    return path;
}

} // namespace

class SystemTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QByteArray savedPath;

private Q_SLOTS:
    void init() {
        env.reset();
        env = std::make_unique<testing::TestEnv>();
        savedPath = qgetenv("PATH");
    }
    void cleanup() {
        qputenv("PATH", savedPath);
        releaseInstanceLock();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void folders() {
        const QString data = env->root() + QStringLiteral("/data/orvane");
        QVERIFY(!QFileInfo::exists(data));
        QCOMPARE(dataFolder(), data);
        QVERIFY(QFileInfo(data).isDir());
        QCOMPARE(joinPath(QStringLiteral("/a/b"), QStringLiteral("c.mdb")),
                 QStringLiteral("/a/b/c.mdb"));
        QCOMPARE(joinPath(QStringLiteral("/a/b/"), QStringLiteral("c.mdb")),
                 QStringLiteral("/a/b/c.mdb"));
        QVERIFY(QFileInfo(programFilesFolder()).isDir());
    }

    void paintPrograms() {
        const QString first = env->root() + QStringLiteral("/bin1");
        const QString second = env->root() + QStringLiteral("/bin2");
        makeFile(second + QStringLiteral("/gimp"), true);
        makeFile(second + QStringLiteral("/mtpaint"), true);
        makeFile(first + QStringLiteral("/pinta"), true);
        makeFile(first + QStringLiteral("/kolourpaint"), false); // not runnable
        qputenv("PATH", QFile::encodeName(first + QLatin1Char(':') + second));
        // The order of preference counts, not the order of the folders.
        QCOMPARE(defaultPaintProgram(), second + QStringLiteral("/mtpaint"));
        qputenv("PATH", QFile::encodeName(env->root() + QStringLiteral("/empty")));
        QCOMPARE(defaultPaintProgram(), QStringLiteral("/usr/bin/kolourpaint"));

        QVERIFY(isProgramFile(QStringLiteral("C:\\Windows\\pbrush.exe")));
        QVERIFY(!isProgramFile(QStringLiteral("C:\\Windows\\PBRUSH.EXE"))); // as before
        QVERIFY(isProgramFile(second + QStringLiteral("/gimp")));
        QVERIFY(!isProgramFile(first + QStringLiteral("/kolourpaint")));
        QVERIFY(!isProgramFile(makeFile(first + QStringLiteral("/day.BMP"), true)));
        QVERIFY(!isProgramFile(makeFile(first + QStringLiteral("/day.jpeg"), true)));
        QVERIFY(!isProgramFile(first));
        QVERIFY(!isProgramFile(env->root() + QStringLiteral("/missing")));
    }

    void namesAndWindows() {
        QVERIFY(computerName().size() <= 30);
        QCOMPARE(computerName(), QSysInfo::machineHostName().left(30));

        QWidget hidden;
        hidden.setWindowTitle(QStringLiteral("Velmora絵日記"));
        QWidget shown;
        shown.setWindowTitle(QStringLiteral("Velmora絵日記"));
        QVERIFY(findTopLevelWindow(QStringLiteral("Velmora絵日記")) == nullptr);
        shown.show();
        QCOMPARE(findTopLevelWindow(QStringLiteral("Velmora絵日記")), &shown);
        QVERIFY(findTopLevelWindow(QStringLiteral("Velmora")) == nullptr); // exact titles only

        // Qt keeps substituted family names in lower case.
        installFontSubstitutions();
        QCOMPARE(QFont::substitute(QStringLiteral("ＭＳ Ｐ明朝")), QStringLiteral("ipapmincho"));
        QCOMPARE(QFont::substitute(QStringLiteral("ＭＳ Ｐゴシック")),
                 QStringLiteral("ipapgothic"));
        QCOMPARE(QFont::substitute(QStringLiteral("Times New Roman")),
                 QStringLiteral("liberation serif"));
    }

    void instanceLock() {
        QCOMPARE(instanceLockPath(), env->root() + QStringLiteral("/runtime/orvane.lock"));
        QVERIFY(acquireInstanceLock());
        QVERIFY(holdsInstanceLock());
        QVERIFY(acquireInstanceLock()); // this process holds it already
        QLockFile other(instanceLockPath());
        QVERIFY(!other.tryLock(0));
        releaseInstanceLock();
        QVERIFY(!holdsInstanceLock());
        QVERIFY(other.tryLock(0));
        QVERIFY(!acquireInstanceLock());
        other.unlock();

        // Without a runtime folder the lock goes to the temp folder under a per-user name.
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const QString fallback = instanceLockPath();
        qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(QFileInfo(fallback).absolutePath(),
                 QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(QFileInfo(fallback).fileName().startsWith(QStringLiteral("orvane-")));
    }

    void settingsValues() {
        QDir().mkpath(QFileInfo(env->settingsFile()).absolutePath());
        QFile file(env->settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Edited by hand: an unquoted comma and Japanese text.
        file.write("[Option]\npPath=/opt/paint,new/bin\ngPath=/home/u/絵日記\n");
        file.close();
        const SettingsStore store;
        QCOMPARE(store.value(QStringLiteral("Option"), QStringLiteral("pPath")),
                 QStringLiteral("/opt/paint,new/bin"));
        QCOMPARE(store.value(QStringLiteral("Option"), QStringLiteral("gPath")),
                 QStringLiteral("/home/u/絵日記"));
        QVERIFY(!store.value(QStringLiteral("Mirel"), QStringLiteral("Top")));
        QCOMPARE(SettingsStore::filePath(), env->settingsFile());

        SettingsStore writer;
        writer.setValue(QStringLiteral("Mirel"), QStringLiteral("bgPath"),
                        QStringLiteral("It's \"here\", a;b"));
        writer.sync();
        QCOMPARE(SettingsStore().value(QStringLiteral("Mirel"), QStringLiteral("bgPath")),
                 QStringLiteral("It's \"here\", a;b"));
        QCOMPARE(SettingsStore().value(QStringLiteral("Option"), QStringLiteral("gPath")),
                 QStringLiteral("/home/u/絵日記")); // other values stay
    }
};

ORVANE_TEST_MAIN(SystemTest)
#include "tst_system.moc"
