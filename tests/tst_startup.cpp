#include "app/Main.h"
#include "app/frmStart.h"
#include "app/modFunc.h"
#include "platform/Database.h"
#include "platform/InstanceLock.h"
#include "platform/System.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/SplashWatch.h"
#include "support/TestEnv.h"
#include "support/TopLevelWindows.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QtTest>

using namespace platform;
using testing::writeFile;

namespace {

const QString question = QStringLiteral("新規にデータベースを作成します。");
const QString openFailed = QStringLiteral("ＭＤＢのオープンに失敗しました。");
const QString running = QStringLiteral("プログラムは既に起動中です。");

void makeJournal(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    store::tblMake(*db::Workspace().createDatabase(path));
}

bool calendarShown() {
    return findTopLevelWindow(QStringLiteral("Velmoraカレンダー   26/12/06 (日)")) != nullptr;
}

void checkMessage(const testing::ScriptedDialogs::Call& call, const QString& text, Buttons buttons,
                  Icon icon, const QString& title = QStringLiteral("ORVANE")) {
    QCOMPARE(call.text, text);
    QCOMPARE(call.buttons, buttons);
    QCOMPARE(call.icon, icon);
    QCOMPARE(call.title, title);
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QByteArray savedPath;

    QString paintProgram() const { return env->root() + QStringLiteral("/bin/paint"); }
    QString defaultJournal() const { return env->dataDir() + QStringLiteral("/orvane.mdb"); }

    // Settings naming a paint program (one that exists unless told otherwise).
    void writeSettings(const QString& pPath = {}) {
        QSettings(env->settingsFile(), QSettings::IniFormat)
            .setValue(QStringLiteral("Option/pPath"),
                      pPath.isEmpty() ? writeFile(paintProgram()) : pPath);
    }

    void verifyEndedWithoutJournal() {
        QCOMPARE(env->endings, QList<int>{1});
        QVERIFY(app::modFunc().JournalDb == nullptr);
        QVERIFY(!calendarShown());
    }

private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void init() {
        env.reset(); // a failed check may have left the last one
        env = std::make_unique<testing::TestEnv>();
        savedPath = qgetenv("PATH");
    }
    void cleanup() {
        testing::deleteAllWindows();
        releaseInstanceLock();
        qputenv("PATH", savedPath);
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void firstStart() {
        // No settings, no journal, and one paint program on this machine.
        const QString paint =
            writeFile(env->root() + QStringLiteral("/bin/kolourpaint"), "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env->root() + QStringLiteral("/bin")));
        testing::SplashWatch watch(env->dialogs);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();

        checkMessage(env->dialogs.calls()[0], question, Buttons::OkCancel, Icon::None);
        QCOMPARE(watch.splashShown, std::vector<bool>{true}); // asked while the splash shows
        QVERIFY(env->endings.isEmpty());
        const auto& m = app::modFunc();
        QCOMPARE(m.WorkDate, QDate(2026, 12, 6));
        QCOMPARE(m.pPath, paint);
        QCOMPARE(m.mdbPath, defaultJournal());
        QCOMPARE(m.gPath, env->dataDir() + QStringLiteral("/Graphic"));
        QVERIFY(QFileInfo(m.gPath).isDir());
        QCOMPARE(m.bgPath, QString());
        QCOMPARE(m.EditorLayout, (std::array<std::int32_t, 5>{9, 100, 100, 6855, 7295}));
        QCOMPARE(m.TerminalName, QSysInfo::machineHostName().left(30)); // the column holds 30
        QVERIFY(m.JournalDb != nullptr && m.JournalDb->path() == defaultJournal());
        QCOMPARE(
            testing::rawRows(defaultJournal(),
                             QStringLiteral("select name from sqlite_master where type = 'table'")),
            QList<QStringList>{{QStringLiteral("Mirel")}});
        QVERIFY(calendarShown());
        QVERIFY(holdsInstanceLock());
    }

    void chooserAtStartUp_data() {
        QTest::addColumn<bool>("picked"); // MyOrvane.MDB picked, or the choice cancelled
        QTest::newRow("journal name in other letters") << true;
        QTest::newRow("cancelled") << false;
    }
    void chooserAtStartUp() {
        QFETCH(bool, picked);
        const QString path = env->root() + QStringLiteral("/elsewhere/MyOrvane.MDB");
        writeSettings();
        makeJournal(path);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(picked ? std::optional<QString>(path) : std::nullopt);
        if (!picked)
            env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QVERIFY(!QFileInfo::exists(defaultJournal()));
        if (picked) {
            QVERIFY(env->endings.isEmpty());
            QVERIFY(app::modFunc().JournalDb && app::modFunc().JournalDb->path() == path);
            QVERIFY(calendarShown());
            return;
        }
        QCOMPARE(env->dialogs.messageTexts(),
                 (QStringList{question,
                              QStringLiteral("ＭＤＢを指定してもう一度やり直してください。")}));
        verifyEndedWithoutJournal();
        QVERIFY(!holdsInstanceLock()); // ended before the instance check
    }

    void secondInstanceRefused() {
        QLockFile other(instanceLockPath()); // another copy runs
        QVERIFY(other.tryLock(0));
        makeJournal(defaultJournal());
        writeSettings();
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        checkMessage(env->dialogs.calls()[0], running, Buttons::Ok, Icon::Exclamation,
                     QStringLiteral("二重起動エラー"));
        // Refused after the settings were loaded, before the journal was opened.
        QCOMPARE(app::modFunc().pPath, paintProgram());
        QCOMPARE(app::modFunc().TerminalName, QString());
        verifyEndedWithoutJournal();
        QVERIFY(!holdsInstanceLock());
    }

    void brokenJournal_data() {
        QTest::addColumn<QByteArray>("content"); // written over the start of a real journal
        QTest::addColumn<bool>("truncate");
        QTest::newRow("text file") << QByteArray("Velmora journal, or so it says\n") << true;
        QTest::newRow("damaged header") << QByteArray("scribbled over!!") << false;
        QTest::newRow("empty file") << QByteArray() << true;
    }
    void brokenJournal() {
        QFETCH(QByteArray, content);
        QFETCH(bool, truncate);
        makeJournal(defaultJournal());
        {
            QFile file(defaultJournal());
            QVERIFY(file.open(truncate ? QIODevice::WriteOnly : QIODevice::ReadWrite));
            file.write(content);
        }
        const QByteArray before = testing::readFile(defaultJournal());
        writeSettings();
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        checkMessage(env->dialogs.calls()[0], openFailed, Buttons::Ok, Icon::None);
        verifyEndedWithoutJournal();
        QCOMPARE(testing::readFile(defaultJournal()), before);
    }

    void paintChoiceCancelledWithoutJournal() {
        // Cancelling the paint choice skips the chooser; the open reports the missing journal.
        writeSettings(env->root() + QStringLiteral("/gone/paint"));
        env->dialogs.answerFile(std::nullopt);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.messageTexts(), QStringList{openFailed});
        verifyEndedWithoutJournal();
        QVERIFY(!QFileInfo::exists(defaultJournal()));
    }

    void splashWindow() {
        app::frmStart splash;
        QCOMPARE(splash.Picture1.size(), QSize(113, 85));
        // 3390 x 2040 twips, centred on the screen.
        QCOMPARE(splash.frameGeometry().size(), QSize(226, 136));
        const QRect screen = splash.screen()->geometry();
        QCOMPARE(splash.pos(), QPoint(screen.x() + (screen.width() - 226) / 2,
                                      screen.y() + (screen.height() - 136) / 2));
        const QLabel* title = splash.Label1[0];
        QCOMPARE(title->text(), QStringLiteral("Velmora絵日記"));
        QCOMPARE(title->font().family(), QStringLiteral("ＭＳ Ｐ明朝"));
        QCOMPARE(title->font().pointSizeF(), 27.75);
        QVERIFY(title->font().bold());
        const QPoint offset = title->geometry().center() - splash.rect().center();
        QVERIFY(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1);
        QVERIFY(splash.rect().contains(title->geometry())); // the whole name is shown

        // The image is stretched over the window: the corners show the image's corners.
        splash.show();
        const QImage shown = splash.grab().toImage();
        const auto gap = [&](QPoint at, QPoint from) {
            const QColor a = shown.pixelColor(at), b = splash.Picture1.pixelColor(from);
            return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) +
                   qAbs(a.blue() - b.blue());
        };
        QVERIFY(gap({0, 0}, {0, 0}) <= 24);
        QVERIFY(gap({225, 135}, {112, 84}) <= 24);
    }
};

ORVANE_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
