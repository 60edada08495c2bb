#include "app/Main.h"
#include "app/frmStart.h"
#include "app/modFunc.h"
#include "platform/Database.h"
#include "platform/InstanceLock.h"
#include "platform/System.h"
#include "store/Schema.h"
#include "support/SplashWatch.h"
#include "support/TestEnv.h"
#include "windows/calendar/frmCal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSysInfo>
#include <QTimer>
#include <QtTest>

#include <sqlite3.h>

using namespace platform;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList tablesIn(const QString& path) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, "select name from sqlite_master where type = 'table'", -1, &stmt,
                       nullptr);
    QStringList names;
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return names;
}

void makeJournal(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto db = db::Workspace().createDatabase(path);
    store::tblMake(*db);
}

frmCal* calendarWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* calendar = qobject_cast<frmCal*>(window); calendar && calendar->isVisible())
            return calendar;
    }
    return nullptr;
}

const QString question = QStringLiteral("新規にデータベースを作成します。");
const QString openFailed = QStringLiteral("ＭＤＢのオープンに失敗しました。");
const QString running = QStringLiteral("プログラムは既に起動中です。");

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QByteArray savedPath;

    QString paintProgram() const { return env->root() + QStringLiteral("/bin/paint"); }
    QString defaultJournal() const { return env->dataDir() + QStringLiteral("/orvane.mdb"); }

    // Settings naming a paint program that exists, and optionally a journal.
    void writeSettings(const QString& pPath, const QString& mdbPath = {}) {
        writeFile(paintProgram(), "#!/bin/sh\n");
        QSettings file(env->settingsFile(), QSettings::IniFormat);
        file.setValue(QStringLiteral("Option/pPath"), pPath);
        if (!mdbPath.isEmpty())
            file.setValue(QStringLiteral("Option/mdbPath"), mdbPath);
    }

    void verifyEndedWithoutJournal() {
        QCOMPARE(env->endings, QList<int>{1});
        QVERIFY(app::modFunc().JournalDb == nullptr);
        QVERIFY(calendarWindow() == nullptr);
    }

private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }

    void init() {
        env.reset(); // a failed check may have left the last one
        env = std::make_unique<testing::TestEnv>();
        savedPath = qgetenv("PATH");
    }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        const auto windows = QApplication::topLevelWidgets();
        QList<QPointer<QWidget>> open(windows.begin(), windows.end());
        for (const auto& window : open)
            delete window.data();
        releaseInstanceLock();
        qputenv("PATH", savedPath);
        env.reset();
    }

    void firstStart() {
        // The only paint program on this machine.
        const QString paint = env->root() + QStringLiteral("/bin/kolourpaint");
        writeFile(paint, "#!/bin/sh\n");
        QFile::setPermissions(paint, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(env->root() + QStringLiteral("/bin")));

        testing::SplashWatch watch(env->dialogs);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();

        const auto& calls = env->dialogs.calls();
        QCOMPARE(calls.size(), std::size_t{1});
        QCOMPARE(calls[0].text, question);
        QCOMPARE(calls[0].buttons, Buttons::OkCancel);
        QCOMPARE(calls[0].icon, Icon::None);
        QCOMPARE(calls[0].title, QStringLiteral("ORVANE"));
        QCOMPARE(watch.splashShown, std::vector<bool>{true}); // asked while the splash shows
        QVERIFY(env->endings.isEmpty());

        const auto& m = app::modFunc();
        QCOMPARE(m.WorkDate, QDate(2026, 12, 6));
        QCOMPARE(m.DefPPath, paint);
        QCOMPARE(m.pPath, paint);
        QCOMPARE(m.DefMdbPath, defaultJournal());
        QCOMPARE(m.mdbPath, defaultJournal());
        QCOMPARE(m.DefGPath, env->dataDir() + QStringLiteral("/Graphic"));
        QCOMPARE(m.gPath, m.DefGPath);
        QVERIFY(QFileInfo(m.gPath).isDir());
        QCOMPARE(m.bgPath, QString());
        QCOMPARE(m.EditorLayout, (std::array<std::int32_t, 5>{9, 100, 100, 6855, 7295}));
        QCOMPARE(m.TerminalName, QSysInfo::machineHostName().left(30));
        QVERIFY(m.TerminalName.size() <= 30);

        QVERIFY(m.JournalWs != nullptr);
        QVERIFY(m.JournalDb != nullptr);
        QCOMPARE(m.JournalDb->path(), defaultJournal());
        QCOMPARE(tablesIn(defaultJournal()), QStringList{QStringLiteral("Mirel")});

        frmCal* calendar = calendarWindow();
        QVERIFY(calendar != nullptr);
        QCOMPARE(calendar->windowTitle(), QStringLiteral("Velmoraカレンダー   26/12/06 (日)"));
        QCOMPARE(findTopLevelWindow(QStringLiteral("Velmoraカレンダー   26/12/06 (日)")), calendar);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m.Splash.isNull()); // closed by the calendar

        QVERIFY(holdsInstanceLock());
        QCOMPARE(instanceLockPath(), env->root() + QStringLiteral("/runtime/orvane.lock"));
        QVERIFY(QFileInfo::exists(instanceLockPath()));
        QVERIFY(!QFileInfo::exists(env->settingsFile())); // starting saves nothing
    }

    void chooserPicksExistingJournal() {
        writeSettings(paintProgram());
        const QString chosen = env->root() + QStringLiteral("/elsewhere/MyOrvane.MDB");
        makeJournal(chosen);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(chosen);
        app::Main();
        QVERIFY(env->endings.isEmpty());
        QCOMPARE(app::modFunc().mdbPath, chosen);
        QCOMPARE(app::modFunc().JournalDb->path(), chosen);
        QVERIFY(calendarWindow() != nullptr);
        QVERIFY(!QFileInfo::exists(defaultJournal()));
    }

    void chooserEndsStartUp_data() {
        QTest::addColumn<QString>("chosen"); // relative to the test folder; empty: cancelled
        QTest::addColumn<QString>("message");
        const QString wrong =
            QStringLiteral("ＭＤＢパスが間違っています。もう一度やり直してください。");
        QTest::newRow("another name") << "elsewhere/journal.mdb" << wrong;
        QTest::newRow("missing file") << "elsewhere/none/orvane.mdb" << wrong;
        QTest::newRow("cancelled")
            << QString() << QStringLiteral("ＭＤＢを指定してもう一度やり直してください。");
    }

    void chooserEndsStartUp() {
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        writeSettings(paintProgram());
        makeJournal(env->root() + QStringLiteral("/elsewhere/journal.mdb"));
        testing::SplashWatch watch(env->dialogs);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(chosen.isEmpty()
                                    ? std::nullopt
                                    : std::optional<QString>(QDir(env->root()).filePath(chosen)));
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.messageTexts(), (QStringList{question, message}));
        QCOMPARE(env->dialogs.calls().back().title, QStringLiteral("ORVANE"));
        QCOMPARE(env->dialogs.calls().back().icon, Icon::None);
        QCOMPARE(watch.splashShown, (std::vector<bool>{true, true, false}));
        verifyEndedWithoutJournal();
        QVERIFY(!holdsInstanceLock()); // ended before the instance check
        QVERIFY(!QFileInfo::exists(defaultJournal()));
    }

    void secondInstanceRefused() {
        // Another copy holds the lock.
        QLockFile other(instanceLockPath());
        QVERIFY(other.tryLock(0));

        const QString journal = env->root() + QStringLiteral("/diary/orvane.mdb");
        makeJournal(journal);
        writeSettings(paintProgram(), journal);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        const auto& calls = env->dialogs.calls();
        QCOMPARE(calls.size(), std::size_t{1});
        QCOMPARE(calls[0].text, running);
        QCOMPARE(calls[0].title, QStringLiteral("二重起動エラー"));
        QCOMPARE(calls[0].icon, Icon::Exclamation);
        QCOMPARE(calls[0].buttons, Buttons::Ok);
        // Refused after the settings were loaded, before the journal was opened.
        QCOMPARE(app::modFunc().pPath, paintProgram());
        QCOMPARE(app::modFunc().mdbPath, journal);
        QCOMPARE(app::modFunc().TerminalName, QString());
        verifyEndedWithoutJournal();
        QVERIFY(!holdsInstanceLock());
    }

    void secondInstanceRunsTheChooserFirst() {
        QLockFile other(instanceLockPath());
        QVERIFY(other.tryLock(0));
        writeSettings(paintProgram());
        env->dialogs.answerMessage(Answer::Ok);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.messageTexts(), (QStringList{question, running}));
        QCOMPARE(env->endings, QList<int>{1});
        QCOMPARE(tablesIn(defaultJournal()), QStringList{QStringLiteral("Mirel")});
        QVERIFY(calendarWindow() == nullptr);
    }

    void staleLockTakenOver() {
        // A lock left by a copy that died on this computer.
        QProcess gone;
        gone.start(QStringLiteral("/bin/true"), QStringList());
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        writeFile(instanceLockPath(), QByteArray::number(deadPid) + "\norvane\n" +
                                          QSysInfo::machineHostName().toUtf8() + "\n");
        const QString journal = env->root() + QStringLiteral("/diary/orvane.mdb");
        makeJournal(journal);
        writeSettings(paintProgram(), journal);
        app::Main();
        QVERIFY(env->endings.isEmpty());
        QVERIFY(holdsInstanceLock());
        QVERIFY(calendarWindow() != nullptr);
    }

    void brokenJournal_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("damaged header") << "damaged";
        QTest::newRow("empty file") << "empty";
    }

    void brokenJournal() {
        QFETCH(QString, kind);
        const QString journal = env->root() + QStringLiteral("/diary/orvane.mdb");
        if (kind == QLatin1String("text")) {
            writeFile(journal, "Velmora journal, or so it says\n");
        } else if (kind == QLatin1String("damaged")) {
            makeJournal(journal);
            QFile file(journal);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.write("scribbled over!!"); // where the file's signature was
        } else {
            writeFile(journal, {});
        }
        const QByteArray before = readFile(journal);
        writeSettings(paintProgram(), journal);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        const auto& calls = env->dialogs.calls();
        QCOMPARE(calls.size(), std::size_t{1});
        QCOMPARE(calls[0].text, openFailed);
        QCOMPARE(calls[0].buttons, Buttons::Ok);
        QCOMPARE(calls[0].icon, Icon::None);
        QCOMPARE(calls[0].title, QStringLiteral("ORVANE"));
        verifyEndedWithoutJournal();
        QCOMPARE(readFile(journal), before);
    }

    void paintChoiceCancelledWithoutJournal() {
        // The paint program is gone and so is the journal: cancelling the paint choice skips
        // the chooser, and the open reports the missing journal.
        writeSettings(env->root() + QStringLiteral("/gone/paint"));
        env->dialogs.answerFile(std::nullopt);
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.messageTexts(), QStringList{openFailed});
        verifyEndedWithoutJournal();
        QVERIFY(!QFileInfo::exists(defaultJournal()));
    }

    void calendarWindowClock() {
        QWidget splash;
        splash.show();
        app::modFunc().Splash = &splash;

        env->clock.set(QDateTime(QDate(1998, 7, 15), QTime(23, 59, 59)));
        frmCal calendar;
        // The clock title from the start.
        QCOMPARE(calendar.windowTitle(), QStringLiteral("Velmoraカレンダー   98/07/15 (水)"));
        QVERIFY(splash.isVisible());
        calendar.show();
        QVERIFY(!splash.isVisible()); // closed once the calendar is up

        QCOMPARE(calendar.Timer1->interval(), 200);
        QVERIFY(calendar.Timer1->isActive());
        env->clock.advanceMs(1000); // midnight passes
        calendar.Timer1_Timer();
        QCOMPARE(calendar.windowTitle(), QStringLiteral("Velmoraカレンダー   98/07/16 (木)"));
        calendar.showMinimized();
        calendar.Timer1_Timer();
        QCOMPARE(calendar.windowTitle(), QStringLiteral("Velmoraカレンダー"));
        calendar.showNormal();
        calendar.Timer1_Timer();
        QCOMPARE(calendar.windowTitle(), QStringLiteral("Velmoraカレンダー   98/07/16 (木)"));
        QCOMPARE(calendarTitle(QDateTime(QDate(2000, 1, 2), QTime(0, 0))),
                 QStringLiteral("Velmoraカレンダー   00/01/02 (日)"));

        QCOMPARE(calendar.pos(), QPoint(0, 0));
        QCOMPARE(calendar.centralWidget()->size(), QSize(406, 277));
        QCOMPARE(calendar.palette().color(QPalette::Window), QColor(192, 192, 192));
        // Laid out in the client area once shown: 406 - 14 by 277 - 46.
        QCOMPARE(calendar.Cal1->geometry(), QRect(8, 40, 392, 231));
        calendar.PenVis(); // nothing to draw yet, and no failure
    }

    void splashWindow() {
        app::frmStart splash;
        QCOMPARE(splash.Picture1.size(), QSize(113, 85));
        QVERIFY(!splash.Picture1.hasAlphaChannel());
        // 3390 x 2040 twips, centred on the screen.
        QCOMPARE(splash.size(), QSize(226, 136));
        QCOMPARE(splash.frameGeometry().size(), QSize(226, 136));
        const QRect screen = splash.screen()->geometry();
        QCOMPARE(splash.pos(), QPoint(screen.x() + (screen.width() - 226) / 2,
                                      screen.y() + (screen.height() - 136) / 2));

        const QLabel* title = splash.Label1[0];
        QCOMPARE(title->text(), QStringLiteral("Velmora絵日記"));
        QCOMPARE(title->font().family(), QStringLiteral("ＭＳ Ｐ明朝"));
        QCOMPARE(title->font().pointSizeF(), 27.75);
        QVERIFY(title->font().bold());
        QVERIFY(qAbs(title->geometry().center().x() - splash.rect().center().x()) <= 1);
        QVERIFY(qAbs(title->geometry().center().y() - splash.rect().center().y()) <= 1);
        QVERIFY(splash.rect().contains(title->geometry())); // the whole name is shown

        // The image covers the window: the corners show the image's corners.
        splash.show();
        const QImage shown = splash.grab().toImage();
        const auto near = [](QRgb a, QRgb b) {
            return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) +
                       qAbs(qBlue(a) - qBlue(b)) <=
                   24;
        };
        QVERIFY(near(shown.pixel(0, 0), splash.Picture1.pixel(0, 0)));
        QVERIFY(near(shown.pixel(225, 135), splash.Picture1.pixel(112, 84)));
    }
};

ORVANE_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
