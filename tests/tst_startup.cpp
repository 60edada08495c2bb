// Start-up: the first start, the journal chooser, the instance lock, damaged inputs, the settings
// file and the path check, the desktop services start-up relies on, and the modes of the files and
// folders the program makes and replaces (the diary is its user's alone).
#include "platform/PrivateFiles.h"
#include "support/Testing.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using testing::writeFile;
using Layout = std::array<std::int32_t, 5>;

const QString openFailed = u"ORVANE|0|0|ＭＤＢのオープンに失敗しました。"_s;

// Every start finds no settings and one paint program on this machine (PATH is this
// process's own).
class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString paint;

    QString defaultJournal() const { return env->dataDir() + u"/orvane.mdb"_s; }

    // Runs start-up, which ends after its last message box without opening the journal.
    void startEndingWith(const QString& lastBox) {
        env->dialogs.answerMessage(Answer::Ok);
        app::Main();
        QCOMPARE(env->dialogs.calls().back().summary(), lastBox);
        QCOMPARE(env->endings, QList<int>{1});
        QVERIFY(app::modFunc().JournalDb == nullptr);
    }

    // Values of the settings file as another reader of the INI file sees them, joined by "|".
    QString stored(const char* keys) const {
        QSettings file(env->settingsFile(), QSettings::IniFormat);
        QStringList values;
        for (const QString& key : QString::fromLatin1(keys).split(u' '))
            values << file.value(key).toString();
        return values.join(u'|');
    }

    // Saves the settings from an editor in that state (at 30,40 500x400 when normal, with
    // 11.6-point text), then lays a new editor out from them: "stored layout -> x,y wxh
    // maximized pointsizes" of the new one, which has its designed size of 320x240.
    QString saveAndReopen(Qt::WindowState state) const {
        QWidget old, editor;
        QTextEdit text1(&old), box1(&editor), box2(&editor);
        text1.setObjectName(u"Text1_1"_s);
        QFont font = text1.font();
        font.setPointSizeF(11.6);
        text1.setFont(font);
        old.setGeometry(30, 40, 500, 400);
        old.setWindowState(state);
        editor.resize(320, 240);
        if (!app::regProc(app::RegSave, &old) || !app::regProc(app::RegLoad))
            return u"ended"_s;
        app::setEdPos(editor, box1, box2);
        return stored("Mirel/FontSize Mirel/Top Mirel/Left Mirel/Height Mirel/Width") +
               QString::asprintf(" -> %d,%d %dx%d %d %d/%d", editor.pos().x(), editor.pos().y(),
                                 editor.width(), editor.height(), editor.isMaximized(),
                                 box1.font().pointSize(), box2.font().pointSize());
    }

    // Defaults that exist on disk (but the picture folder), so the path check asks nothing.
    void settingsDefaults() const {
        auto& m = app::modFunc();
        m.DefPPath = writeFile(env->root() + u"/bin/paint"_s);
        m.DefMdbPath = writeFile(env->root() + u"/data/orvane.mdb"_s, "journal");
        m.DefGPath = env->root() + u"/data/Graphic"_s;
    }

    static mode_t modeOf(const QString& path) {
        struct stat info {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

private Q_SLOTS:
    void init() {
        env = std::make_unique<testing::TestEnv>();
        paint = testing::writeFile(env->root() + "/bin/kolourpaint", "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env->root() + u"/bin"_s));
        QDir().mkpath(env->dataDir());
    }
    void cleanup() {
        testing::deleteAllWindows();
        releaseInstanceLock();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    // The first start, under a user's usual mask and a stricter one: what it asks and sets up, and
    // the modes of the files and folders the program makes and replaces.
    void firstStart() {
        const mode_t before = ::umask(022);
        const auto restore = qScopeGuard([before] { ::umask(before); });
        for (const mode_t mask : {mode_t(022), mode_t(077)}) {
            ::umask(mask);
            platform::keepFilesPrivate();
            env = std::make_unique<testing::TestEnv>(); // its folders made under that mask
            // No runtime folder: the lock goes to the cache folder, which the walk below sees.
            qunsetenv("XDG_RUNTIME_DIR");
            paint = writeFile(env->root() + u"/bin/kolourpaint"_s,
                              u"#!/bin/sh\numask > '%1/umask'\n"_s.arg(env->root()).toUtf8(), true);
            qputenv("PATH", QFile::encodeName(env->root() + u"/bin"_s));
            // Folders an older version left open.
            const QString old = env->dataDir() + u"/Backup/x"_s;
            QVERIFY(QDir().mkpath(old));
            for (const QString& folder : {env->dataDir(), old})
                QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
            // What a compaction cut off left beside: the journal replaced by it, or not at all.
            const QString leftover = writeFile(env->dataDir() + u"/NewOrvane.mdb"_s, "old");
            writeFile(leftover + u"-journal"_s, "old");
            env->dialogs.answerMessage(Answer::Ok);
            app::Main();
            QVERIFY(!QFile::exists(leftover) && !QFile::exists(leftover + u"-journal"_s));
            QCOMPARE(env->dialogs.calls().at(0).summary(),
                     "ORVANE|1|0|新規にデータベースを作成します。");
            QVERIFY(env->dialogs.calls().at(0).splashShown);
            auto& m = app::modFunc();
            // (The working date after a start: the random walk.)
            QCOMPARE(m.pPath, paint);
            QCOMPARE(m.gPath, env->dataDir() + u"/Graphic"_s);
            QCOMPARE(m.TerminalName, QSysInfo::machineHostName().left(30)); // the column holds 30
            QVERIFY(m.JournalDb != nullptr && m.JournalDb->path() == defaultJournal());
            QCOMPARE(testing::rawRows(defaultJournal(),
                                      "select name from sqlite_master where type = 'table'"),
                     QList<QStringList>{{"Mirel"}});
            QVERIFY(findTopLevelWindow(u"Velmoraカレンダー   26/12/06 (日)"_s));
            QVERIFY(!m.Splash || !m.Splash->isVisible()); // the calendar closed it
            QVERIFY(holdsInstanceLock());

            QCoreApplication::processEvents(); // the start-up backup begins
            QVERIFY(m.Backup);
            m.Backup->wait();
            // A blank drawing, drawn in the paint program under the user's own mask, and saved.
            frmMirel& editor = windows::showEditor();
            editor.Picture1_DblClick();
            QCOMPARE(testing::readFile(env->root() + u"/umask"_s),
                     u"%1\n"_s.arg(mask, 4, 8, QLatin1Char('0')).toLatin1());
            QVERIFY(editor.savTxt_Click());
            testing::deleteAllWindows();
            QVERIFY(app::regProc(app::RegSave));
            QSignalSpy built(&store::search::service(), &store::search::SearchService::built);
            store::search::service().prepare();
            QVERIFY(built.wait(20000));

            // The user shares the journal with the group: compaction and restore keep that.
            const QString journal = m.mdbPath;
            QVERIFY(::chmod(QFile::encodeName(journal).constData(), 0640) == 0);
            store::compactJournal(m.JournalDb, *m.JournalWs, journal,
                                  store::compactionCopyPath(journal, env->dataDir()));
            QCOMPARE(modeOf(journal), mode_t(0640));
            store::backup::restoreJournal(store::backup::listBackups(journal).back());
            QCOMPARE(modeOf(journal), mode_t(0640));

            QString found;
            QStringList wrong;
            for (const QString& top : {u"/data"_s, u"/cache"_s, u"/config"_s}) {
                QDirIterator it(env->root() + top,
                                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                QDirIterator::Subdirectories);
                while (it.hasNext()) {
                    const QString path = it.next();
                    const mode_t mode = modeOf(path);
                    found += path + u'\n';
                    if (mode != (it.fileInfo().isDir() ? 0700 : path == journal ? 0640 : 0600))
                        wrong << u"%1 %2"_s.arg(mode, 0, 8).arg(path);
                }
            }
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
            // Every kind of file was there to be checked, the old folder too.
            for (const char* end : {".ini", ".lock", ".bmp", ".mdb", ".pictures", ".sqlite", "/x"})
                QVERIFY2(found.contains(QLatin1String(end) + u'\n'), end);

            platform::releaseInstanceLock();
            ORVANE_VERIFY_ENV(*env);
        }
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
        QVERIFY(QFileInfo(env->dataDir() + u"/Graphic"_s).isDir());
        QCOMPARE(app::modFunc().TerminalName, QString());
    }

    void lockThatCannotBeTaken() {
        // No running copy holds it: the message names the file and what is wrong with it.
        QVERIFY(QDir().mkpath(instanceLockPath()));
        store::tblMake(*db::Workspace().createDatabase(defaultJournal()));
        startEndingWith(
            QStringLiteral("二重起動エラー|0|1|二重起動を確かめるためのファイルを使えませ"
                           "ん。\n") +
            instanceLockPath() + u"\nファイルではなくフォルダです。"_s);
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
        // A journal cut in half: said, the program ends, and the file is left as it is.
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
        // (Damaged settings and numbers out of range: editorStatesOnDisk,
        // handEditedAndUnwritable.)
    }

    void paintChoiceCancelledWithoutJournal() {
        // The rest of the path check waits, so no chooser: the open reports the missing journal.
        const QString gone = env->root() + u"/gone/paint"_s;
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
    }

    void instanceLock() {
        const auto outcome = [] {
            const auto o = acquireInstanceLock();
            releaseInstanceLock();
            return QString::number(int(o.kind)) + u'|' + o.cause;
        };
        // A lock file left by a copy that died (in any old form) is taken over.
        QCOMPARE(instanceLockPath(), env->root() + u"/runtime/orvane.lock"_s);
        testing::writeFile(instanceLockPath(), "4242\norvane\nhost\n");
        QCOMPARE(outcome(), u"0|"_s);

        // Without a runtime folder the lock stays in the user's own cache folder, never in the
        // temporary folder another user could have written first.
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(env->root() + u"/cache"_s));
        QCOMPARE(instanceLockPath(), env->root() + u"/cache/orvane/orvane.lock"_s);
        QCOMPARE(outcome(), u"0|"_s);
        // Failures that are no running copy say what is wrong with the file (a folder in its
        // place: lockThatCannotBeTaken).
        qputenv("XDG_CACHE_HOME", QFile::encodeName(testing::writeFile(env->root() + u"/f"_s, "")));
        QCOMPARE(outcome(), u"2|途中にフォルダでないものがあります。"_s);
        // A lock file of another user is not used: the test stands for a user who did not make it.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(env->root() + u"/cache2"_s));
        setLockOwner(::getuid() + 1);
        const QString foreign = outcome();
        setLockOwner(std::nullopt);
        QCOMPARE(foreign,
                 u"2|このファイルは別のユーザーのものか、普通のファイルではありません。"_s);
    }

    void editorStatesOnDisk() {
        settingsDefaults();
        auto& m = app::modFunc();
        // A damaged file counts as empty, and the next save replaces it.
        writeFile(env->settingsFile(), "[Option]\npPath=/nowhere\n[Mirel\nTop=5\n\xff\xfe");
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 6855, 7295}));
        // (The path check makes the picture folder: secondInstanceRefused.)
        m.mdbPath = writeFile(env->root() + u"/日記/orvane.mdb"_s);
        m.bgPath = u"It's \"here\", a;b"_s;
        QCOMPARE(saveAndReopen(Qt::WindowNoState), "12|600|450|6000|7500 -> 30,40 500x400 0 12/12");
        // Minimized and maximized keep the top and left of the normal window; a minimized one
        // opens as a normal window of its designed size.
        QCOMPARE(saveAndReopen(Qt::WindowMinimized), "12|600|450|0|1 -> 30,40 320x240 0 12/12");
        QCOMPARE(saveAndReopen(Qt::WindowMaximized), "12|600|450|0|2 -> 30,40 320x240 1 12/12");
        // A Wayland client's idea of its window's place is only its own request: kept as stored.
        QWidget moved;
        moved.setGeometry(70, 80, 500, 400);
        QCOMPARE(app::editorLayout(moved, {12, 600, 450, 0, 2}, u"wayland-egl"),
                 (Layout{12, 600, 450, 6000, 7500}));
        QCOMPARE(app::editorLayout(moved, {12, 600, 450, 0, 2}, u"xcb"),
                 (Layout{12, 1200, 1050, 6000, 7500}));
        QCOMPARE(stored("Option/pPath Option/mdbPath Option/gPath Mirel/bgPath"),
                 QStringList({m.DefPPath, m.mdbPath, m.DefGPath, m.bgPath}).join('|'));
        QCOMPARE(QSettings(env->settingsFile(), QSettings::IniFormat).allKeys().size(), 9);
    }

    void handEditedAndUnwritable() {
        settingsDefaults();
        // An unquoted comma in a path, and numbers holding text, which take their own key's
        // default.
        const QString paint = writeFile(env->root() + u"/お絵かき/paint,new tool"_s);
        writeFile(env->settingsFile(), "[Option]\npPath=" + paint.toUtf8() +
                                           "\n[Mirel]\nFontSize=big\nTop=\nLeft=99999999999\n"
                                           "Height=\" 4500 \"\nWidth=-5");
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(app::modFunc().pPath, paint);
        QCOMPARE(app::modFunc().EditorLayout, (Layout{9, 100, 100, 4500, -5}));

        // A settings file that cannot be written: the save says so.
        QVERIFY(QFile::remove(env->settingsFile()) && QDir().mkpath(env->settingsFile()));
        env->dialogs.answerMessage(platform::Answer::Ok);
        platform::guard([] { app::regProc(app::RegSave); });
        QCOMPARE(env->dialogs.messageTexts(),
                 QStringList{"設定を保存できませんでした。設定ファイル " + env->settingsFile() +
                             " に書き込めません。(75)"});
    }

    void pathCheck() {
        settingsDefaults();
        // A chosen paint program is taken unchecked; the journal and the pictures fall back to
        // the defaults (a cancelled choice: tst_startup).
        auto& m = app::modFunc();
        m.mdbPath = env->root() + u"/gone/orvane.mdb"_s;
        m.gPath = env->root() + u"/gone"_s;
        m.DefGPath = env->root() + u"/a/b"_s; // made one level only: not at all
        env->dialogs.answerFile(u"/not/checked/paint"_s);
        QVERIFY(app::pathCheck());
        QCOMPARE((QStringList{m.pPath, m.mdbPath, m.gPath}),
                 (QStringList{"/not/checked/paint", m.DefMdbPath, m.DefGPath}));
        QVERIFY(!QFileInfo::exists(env->root() + "/a") &&
                !QFileInfo::exists(env->root() + "/gone"));
    }
};

ORVANE_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
