#include "platform/InstanceLock.h"
#include "platform/System.h"
#include "support/Files.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
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
    }

    void instanceLock() {
        using Kind = LockOutcome::Kind;
        const auto outcome = [] {
            const auto o = acquireInstanceLock();
            releaseInstanceLock();
            return QString::number(int(o.kind)) + u'|' + o.cause;
        };
        // A lock file left by a copy that died (in any old form) is taken over.
        QCOMPARE(instanceLockPath(), env->root() + u"/runtime/orvane.lock"_s);
        testing::writeFile(instanceLockPath(), "4242\norvane\nhost\n");
        QCOMPARE(outcome(), u"0|"_s);
        // Held by a running copy: only then is it "running".
        const int other = ::open(QFile::encodeName(instanceLockPath()).constData(), O_RDWR);
        QVERIFY(other >= 0 && ::flock(other, LOCK_EX | LOCK_NB) == 0);
        QCOMPARE(acquireInstanceLock().kind, Kind::Running);
        ::close(other);

        // Without a runtime folder the lock stays in the user's own cache folder, never in the
        // temporary folder another user could have written first.
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(env->root() + u"/cache"_s));
        QCOMPARE(instanceLockPath(), env->root() + u"/cache/orvane/orvane.lock"_s);
        QCOMPARE(outcome(), u"0|"_s);
        // Failures that are no running copy say what is wrong with the file.
        QVERIFY(QFile::remove(instanceLockPath()) && QDir().mkpath(instanceLockPath()));
        QCOMPARE(outcome(), u"2|ファイルではなくフォルダです。"_s);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(testing::writeFile(env->root() + u"/f"_s, "")));
        QCOMPARE(outcome(), u"2|途中にフォルダでないものがあります。"_s);
        // A lock file of another user (made here as root would make it) is not used.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(env->root() + u"/cache2"_s));
        testing::writeFile(instanceLockPath(), "");
        if (::getuid() != 0)
            QSKIP("only root can give the lock file to another user");
        QVERIFY(::chown(QFile::encodeName(instanceLockPath()).constData(), 65534, 65534) == 0);
        QCOMPARE(outcome(),
                 u"2|このファイルは別のユーザーのものか、普通のファイルではありません。"_s);
    }
};

ORVANE_TEST_MAIN(SystemTest)
#include "tst_system.moc"
