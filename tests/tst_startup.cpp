// Start-up: the first start, the journal chooser, the instance lock, damaged inputs, and the
// desktop services it relies on.
#include "app/Main.h"
#include "app/modFunc.h"
#include "platform/InstanceLock.h"
#include "platform/System.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"
#include "support/TopLevelWindows.h"

#include <QApplication>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace platform;
using namespace Qt::StringLiterals;

const QString openFailed = QStringLiteral("ORVANE|0|0|ＭＤＢのオープンに失敗しました。");

// Every start finds no settings and one paint program on this machine (PATH is this
// process's own).
class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString paint;

    QString defaultJournal() const { return env->dataDir() + QStringLiteral("/orvane.mdb"); }

    // Runs start-up, which ends after its last message box without opening the journal.
    void startEndingWith(const QString& lastBox) {
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.calls().back().summary(), lastBox);
        QCOMPARE(env->endings, QList<int>{1});
        QVERIFY(app::modFunc().JournalDb == nullptr);
    }

private Q_SLOTS:
    void init() {
        env = std::make_unique<testing::TestEnv>();
        paint = testing::writeFile(env->root() + "/bin/kolourpaint", "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env->root() + QStringLiteral("/bin")));
        QDir().mkpath(env->dataDir());
    }
    void cleanup() {
        testing::deleteAllWindows();
        releaseInstanceLock();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void firstStart() {
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.calls().at(0).summary(),
                 "ORVANE|1|0|新規にデータベースを作成します。");
        QVERIFY(env->dialogs.calls().at(0).splashShown);
        const auto& m = app::modFunc();
        QCOMPARE(m.WorkDate, QDate(2026, 12, 6));
        QCOMPARE(m.pPath, paint);
        QCOMPARE(m.gPath, env->dataDir() + QStringLiteral("/Graphic"));
        QCOMPARE(m.TerminalName, QSysInfo::machineHostName().left(30)); // the column holds 30
        QVERIFY(m.JournalDb != nullptr && m.JournalDb->path() == defaultJournal());
        QCOMPARE(testing::rawRows(defaultJournal(),
                                  "select name from sqlite_master where type = 'table'"),
                 QList<QStringList>{{"Mirel"}});
        QVERIFY(findTopLevelWindow(QStringLiteral("Velmoraカレンダー   26/12/06 (日)")));
        QVERIFY(!m.Splash || !m.Splash->isVisible()); // the calendar closed it
        QVERIFY(holdsInstanceLock());
    }

    void chooserPicksJournal() {
        const QString path = env->root() + QStringLiteral("/MyOrvane.MDB");
        store::tblMake(*db::Workspace().createDatabase(path));
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(path);
        app::Main();
        QVERIFY(app::modFunc().JournalDb && app::modFunc().JournalDb->path() == path);
        QVERIFY(findTopLevelWindow(QStringLiteral("Velmoraカレンダー   26/12/06 (日)")));
    }

    void chooserCancelled() {
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(std::nullopt);
        startEndingWith("ORVANE|0|0|ＭＤＢを指定してもう一度やり直してください。");
        QVERIFY(!holdsInstanceLock()); // ended before the instance check
    }

    void secondInstanceRefused() {
        QLockFile other(instanceLockPath()); // another copy runs
        QVERIFY(other.tryLock(0));
        store::tblMake(*db::Workspace().createDatabase(defaultJournal()));
        startEndingWith("二重起動エラー|0|3|プログラムは既に起動中です。");
        // Refused after the path check made the picture folder, before the computer name.
        QVERIFY(QFileInfo(env->dataDir() + QStringLiteral("/Graphic")).isDir());
        QCOMPARE(app::modFunc().TerminalName, QString());
    }

    void lockThatCannotBeTaken() {
        // No running copy holds it: the message names the file and what is wrong with it.
        QVERIFY(QDir().mkpath(instanceLockPath()));
        store::tblMake(*db::Workspace().createDatabase(defaultJournal()));
        startEndingWith(
            QStringLiteral("二重起動エラー|0|1|二重起動を確かめるためのファイルを使えませ"
                           "ん。\n") +
            instanceLockPath() + QStringLiteral("\nファイルではなくフォルダです。"));
    }

    void journalCannotBeOpened() {
        // Reported, and the file is left as it is.
        testing::writeFile(defaultJournal(), "Velmora journal, or so it says\n");
        startEndingWith(openFailed);
        QCOMPARE(testing::readFile(defaultJournal()), "Velmora journal, or so it says\n");
    }

    void damagedInputsAreSaidNeverFatal() {
        // A start with the messages it shows, each answered with OK: their summaries, and
        // whether the program went on (no ending).
        const auto start = [&](int messages) {
            releaseInstanceLock();
            testing::deleteAllWindows();
            env->endings.clear();
            const std::size_t before = env->dialogs.calls().size();
            for (int i = 0; i < messages; ++i)
                env->dialogs.answerMessage(Answer::Ok);
            app::Main();
            QStringList shown;
            for (std::size_t i = before; i < env->dialogs.calls().size(); ++i)
                shown << env->dialogs.calls()[i].summary();
            return shown;
        };
        const QString journal = defaultJournal();
        QVERIFY(testing::rawExecute(
            journal, QStringLiteral("create table Mirel(Reg_dat text primary key, Mirel_txt text, "
                                    "Memo_txt text, Pic_txt text); with recursive n(i) as "
                                    "(select 0 union all select i+1 from n where i<400) insert "
                                    "into Mirel select date('2026-12-06','-'||i||' days')||' "
                                    "00:00:00',printf('%.*c',2000,'x'),'memo','' from n")));
        // A journal cut in half: said, and left as it is.
        QFile::resize(journal, QFileInfo(journal).size() / 2);
        const QByteArray cut = testing::readFile(journal);
        QCOMPARE(start(1), QStringList{openFailed});
        QCOMPARE(env->endings, QList<int>{1});
        QCOMPARE(testing::readFile(journal), cut);

        // A table without the remark column: said when the marks are read, the program goes on.
        QFile::remove(journal);
        QVERIFY(testing::rawExecute(journal, QStringLiteral("create table Mirel(Reg_dat text "
                                                            "primary key, Mirel_txt, Pic_txt)")));
        QCOMPARE(start(1), QStringList{QStringLiteral(
                               "ファイルの読込みエラー|0|1|no such column: memo_txt(1)")});
        QVERIFY(env->endings.isEmpty());
        // A column more: the program works as usual.
        QFile::remove(journal);
        QVERIFY(testing::rawExecute(
            journal, QStringLiteral("create table Mirel(Reg_dat text primary key, Mirel_txt, "
                                    "Memo_txt, Pic_txt, Extra); insert into Mirel(Reg_dat,"
                                    "Memo_txt) values('2026-12-05 00:00:00','m')")));
        QCOMPARE(start(0), QStringList());
        QVERIFY(env->endings.isEmpty());

        // Settings that are garbage, numbers out of range and a value of 1 MB: the defaults
        // stand in, silently.
        testing::writeFile(env->settingsFile(), QByteArray("\x01\xff[Option\n=\n\0garbage", 20));
        QCOMPARE(start(0), QStringList());
        QVERIFY(env->endings.isEmpty());
        QSettings settings(env->settingsFile(), QSettings::IniFormat);
        settings.setValue("Mirel/FontSize", "99999999999");
        settings.setValue("Mirel/Top", "-99999999999");
        settings.setValue("Option/gPath", QString(1 << 20, QLatin1Char('g')));
        settings.sync();
        QCOMPARE(start(0), QStringList());
        QVERIFY(env->endings.isEmpty());
    }

    void paintChoiceCancelledWithoutJournal() {
        // The rest of the path check waits, so no chooser: the open reports the missing journal.
        const QString gone = env->root() + QStringLiteral("/gone/paint");
        QSettings(env->settingsFile(), QSettings::IniFormat).setValue("Option/pPath", gone);
        env->dialogs.answerFile(std::nullopt);
        startEndingWith(openFailed);
        const auto& asked = env->dialogs.calls().at(0).file;
        QCOMPARE(asked.fileName + '|' + asked.filter + '|' + QString::number(asked.filterIndex),
                 gone + "|すべてのファイル (*.*)|*.*|ＥＸＥ ファイル (*.exe)|*.exe|1");
        QVERIFY(asked.hideReadOnly && asked.title.isEmpty());
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

ORVANE_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
