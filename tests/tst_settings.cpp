#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/Error.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QTextEdit>
#include <QtTest>

using namespace platform;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// The editor as regProc and setEdPos see it: a window with the two text boxes.
struct Editor {
    QWidget window;
    QTextEdit* text1 = new QTextEdit(&window);
    QTextEdit* text2 = new QTextEdit(&window);
    Editor() {
        text1->setObjectName(QStringLiteral("Text1_1"));
        text2->setObjectName(QStringLiteral("Text1_2"));
        window.resize(320, 240);
    }
};

using Layout = std::array<std::int32_t, 5>;

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

    // Defaults that exist on disk, so the path check asks nothing.
    void existingDefaults() {
        auto& m = app::modFunc();
        m.DefPPath = env->root() + QStringLiteral("/bin/paint");
        m.DefMdbPath = env->root() + QStringLiteral("/data/orvane.mdb");
        m.DefGPath = env->root() + QStringLiteral("/data/Graphic");
        writeFile(m.DefPPath, "#!/bin/sh\n");
        writeFile(m.DefMdbPath, "journal");
    }

    QString stored(const char* key) const {
        QSettings file(env->settingsFile(), QSettings::IniFormat);
        return file.value(QString::fromLatin1(key)).toString();
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void loadWithoutSettings() {
        existingDefaults();
        auto& m = app::modFunc();
        m.bgPath = QStringLiteral("left over");
        QVERIFY(!QFileInfo::exists(m.DefGPath));
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.pPath, m.DefPPath);
        QCOMPARE(m.mdbPath, m.DefMdbPath);
        QCOMPARE(m.gPath, m.DefGPath);
        QVERIFY(QFileInfo(m.DefGPath).isDir());
        QCOMPARE(m.bgPath, QString());
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 6855, 7295}));
        QVERIFY(env->dialogs.calls().empty());
        QVERIFY(!QFileInfo::exists(env->settingsFile())); // loading writes nothing
    }

    void loadStoredValues() {
        existingDefaults();
        const QString paint = env->root() + QStringLiteral("/お絵かき/paint tool");
        const QString journal = env->root() + QStringLiteral("/日記/orvane.mdb");
        const QString pictures = env->root() + QStringLiteral("/pictures");
        writeFile(paint, "#!/bin/sh\n");
        writeFile(journal, "journal");
        QDir().mkpath(pictures);
        QSettings file(env->settingsFile(), QSettings::IniFormat);
        file.setValue(QStringLiteral("Option/pPath"), paint);
        file.setValue(QStringLiteral("Option/mdbPath"), journal);
        file.setValue(QStringLiteral("Option/gPath"), pictures);
        file.setValue(QStringLiteral("Mirel/bgPath"), QStringLiteral("C:\\tex\\wall.bmp"));
        file.setValue(QStringLiteral("Mirel/FontSize"), QStringLiteral("12"));
        file.setValue(QStringLiteral("Mirel/Top"), QStringLiteral("-45"));
        file.setValue(QStringLiteral("Mirel/Left"), QStringLiteral("300"));
        file.setValue(QStringLiteral("Mirel/Height"), QStringLiteral("0"));
        file.setValue(QStringLiteral("Mirel/Width"), QStringLiteral("2"));
        file.sync();

        auto& m = app::modFunc();
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.pPath, paint);
        QCOMPARE(m.mdbPath, journal);
        QCOMPARE(m.gPath, pictures);
        QCOMPARE(m.bgPath, QStringLiteral("C:\\tex\\wall.bmp"));
        QCOMPARE(m.EditorLayout, (Layout{12, -45, 300, 0, 2}));
        QVERIFY(!QFileInfo::exists(m.DefGPath)); // the stored folder exists, nothing is made

        // Numbers holding text take their own key's default; the others are read as usual.
        file.setValue(QStringLiteral("Mirel/FontSize"), QStringLiteral("big"));
        file.setValue(QStringLiteral("Mirel/Top"), QStringLiteral(""));
        file.setValue(QStringLiteral("Mirel/Left"), QStringLiteral("99999999999"));
        file.setValue(QStringLiteral("Mirel/Height"), QStringLiteral(" 4500 "));
        file.setValue(QStringLiteral("Mirel/Width"), QStringLiteral("5x"));
        file.sync();
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 4500, 7295}));
    }

    void unreadableSettingsLoadAsDefaults() {
        existingDefaults();
        auto& m = app::modFunc();
        // A damaged file: its values are not trusted.
        writeFile(env->settingsFile(), "[Option]\npPath=/nowhere\n[Mirel\nTop=5\n\xff\xfe");
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.pPath, m.DefPPath);
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 6855, 7295}));

        // Saving replaces the damaged file with a good one.
        m.EditorLayout = {11, 1, 2, 3, 4};
        QVERIFY(app::regProc(app::RegSave));
        QCOMPARE(stored("Mirel/Top"), QStringLiteral("1"));
        QCOMPARE(stored("Option/pPath"), m.DefPPath);

        // A file that cannot be read at all.
        QVERIFY(QFile::remove(env->settingsFile()));
        QVERIFY(QDir().mkpath(env->settingsFile()));
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 6855, 7295}));

        // ...nor written: the save reports it.
        try {
            app::regProc(app::RegSave);
            QFAIL("the save reported no error");
        } catch (const Error& e) {
            QCOMPARE(e.number(), 75);
            QCOMPARE(
                e.description(),
                QStringLiteral("設定を保存できませんでした。設定ファイル %1 に書き込めません。")
                    .arg(env->settingsFile()));
        }
    }

    void saveAndLoadEditorStates() {
        auto& m = app::modFunc();
        m.pPath = QStringLiteral("/usr/bin/mtpaint");
        m.mdbPath = QStringLiteral("/home/u/日記/orvane.mdb");
        m.gPath = QStringLiteral("/home/u/Graphic");
        m.bgPath = QString();

        // Normal window: font size, position and size in twips.
        {
            Editor editor;
            QFont font = editor.text1->font();
            font.setPointSizeF(11.6);
            editor.text1->setFont(font);
            editor.window.move(30, 40);
            editor.window.resize(500, 400);
            editor.window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&editor.window));
            QVERIFY(app::regProc(app::RegSave, &editor.window));
        }
        QCOMPARE(stored("Option/pPath"), QStringLiteral("/usr/bin/mtpaint"));
        QCOMPARE(stored("Option/mdbPath"), QStringLiteral("/home/u/日記/orvane.mdb"));
        QCOMPARE(stored("Option/gPath"), QStringLiteral("/home/u/Graphic"));
        QCOMPARE(stored("Mirel/bgPath"), QString());
        QCOMPARE(stored("Mirel/FontSize"), QStringLiteral("12"));
        QCOMPARE(stored("Mirel/Top"), QStringLiteral("600"));
        QCOMPARE(stored("Mirel/Left"), QStringLiteral("450"));
        QCOMPARE(stored("Mirel/Height"), QStringLiteral("6000"));
        QCOMPARE(stored("Mirel/Width"), QStringLiteral("7500"));
        {
            QSettings file(env->settingsFile(), QSettings::IniFormat);
            QCOMPARE(file.allKeys().size(), 9);
        }

        // Loaded back and applied to a new editor.
        existingDefaults();
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, (Layout{12, 600, 450, 6000, 7500}));
        {
            Editor editor;
            app::setEdPos(editor.window, *editor.text1, *editor.text2);
            QCOMPARE(editor.window.pos(), QPoint(30, 40));
            QCOMPARE(editor.window.size(), QSize(500, 400));
            QCOMPARE(editor.text1->font().pointSize(), 12);
            QCOMPARE(editor.text2->font().pointSize(), 12);
            QVERIFY(!editor.window.isMaximized());
        }

        // Minimized: height 0, width 1, top and left as they were.
        {
            Editor editor;
            editor.window.showMinimized();
            QVERIFY(app::regProc(app::RegSave, &editor.window));
        }
        QCOMPARE(stored("Mirel/Height"), QStringLiteral("0"));
        QCOMPARE(stored("Mirel/Width"), QStringLiteral("1"));
        QCOMPARE(stored("Mirel/Top"), QStringLiteral("600"));
        QCOMPARE(stored("Mirel/Left"), QStringLiteral("450"));
        QVERIFY(app::regProc(app::RegLoad));
        {
            // ...opens as a normal window of its designed size.
            Editor editor;
            app::setEdPos(editor.window, *editor.text1, *editor.text2);
            QCOMPARE(editor.window.pos(), QPoint(30, 40));
            QCOMPARE(editor.window.size(), QSize(320, 240));
            QVERIFY(!editor.window.isMinimized());
            QVERIFY(!editor.window.isMaximized());
        }

        // Maximized: height 0, width 2, and maximized again on the next opening.
        {
            Editor editor;
            editor.window.showMaximized();
            QVERIFY(app::regProc(app::RegSave, &editor.window));
        }
        QCOMPARE(stored("Mirel/Height"), QStringLiteral("0"));
        QCOMPARE(stored("Mirel/Width"), QStringLiteral("2"));
        QVERIFY(app::regProc(app::RegLoad));
        {
            Editor editor;
            app::setEdPos(editor.window, *editor.text1, *editor.text2);
            QVERIFY(editor.window.windowState().testFlag(Qt::WindowMaximized));
            QCOMPARE(editor.window.pos(), QPoint(30, 40));
        }
    }

    void saveWithoutEditorAndOtherFlags() {
        auto& m = app::modFunc();
        m.EditorLayout = {10, 15, 30, 0, 2};
        QVERIFY(app::regProc(2));
        QVERIFY(app::regProc(255));
        QVERIFY(!QFileInfo::exists(env->settingsFile()));
        QVERIFY(app::regProc(app::RegSave));
        QCOMPARE(stored("Mirel/FontSize"), QStringLiteral("10"));
        QCOMPARE(stored("Mirel/Top"), QStringLiteral("15"));
        QCOMPARE(stored("Mirel/Left"), QStringLiteral("30"));
        QCOMPARE(stored("Mirel/Height"), QStringLiteral("0"));
        QCOMPARE(stored("Mirel/Width"), QStringLiteral("2"));
    }

    void pathCheckAsksForPaintProgram() {
        existingDefaults();
        auto& m = app::modFunc();
        m.pPath = env->root() + QStringLiteral("/gone/pbrush.exe");
        m.mdbPath = m.DefMdbPath;
        m.gPath = m.DefGPath;
        env->dialogs.answerFile(QStringLiteral("/not/checked/paint"));
        QVERIFY(app::pathCheck());
        QCOMPARE(m.pPath, QStringLiteral("/not/checked/paint"));
        const auto& request = env->dialogs.calls().at(0).file;
        QCOMPARE(request.fileName, env->root() + QStringLiteral("/gone/pbrush.exe"));
        QCOMPARE(request.filter,
                 QStringLiteral("すべてのファイル (*.*)|*.*|ＥＸＥ ファイル (*.exe)|*.exe"));
        QCOMPARE(request.filterIndex, 1);
        QVERIFY(request.hideReadOnly);
        QVERIFY(request.title.isEmpty());
        QVERIFY(QFileInfo(m.DefGPath).isDir()); // the later steps ran
    }

    void pathCheckCancelledSkipsTheRest() {
        existingDefaults();
        auto& m = app::modFunc();
        m.pPath = QString();
        m.mdbPath = env->root() + QStringLiteral("/gone/orvane.mdb");
        m.gPath = env->root() + QStringLiteral("/gone/pictures");
        env->dialogs.answerFile(std::nullopt);
        QVERIFY(app::pathCheck());
        QCOMPARE(m.pPath, QString());
        QCOMPARE(m.mdbPath, env->root() + QStringLiteral("/gone/orvane.mdb"));
        QCOMPARE(m.gPath, env->root() + QStringLiteral("/gone/pictures"));
        QVERIFY(!QFileInfo::exists(m.DefGPath));
    }

    void pathCheckFallsBackToDefaults() {
        existingDefaults();
        auto& m = app::modFunc();
        m.pPath = m.DefPPath;
        m.mdbPath = env->root() + QStringLiteral("/gone/orvane.mdb");
        m.gPath = env->root() + QStringLiteral("/gone/pictures");
        QVERIFY(app::pathCheck());
        QCOMPARE(m.mdbPath, m.DefMdbPath);
        QCOMPARE(m.gPath, m.DefGPath);
        QVERIFY(QFileInfo(m.DefGPath).isDir());
        QVERIFY(!QFileInfo::exists(env->root() + QStringLiteral("/gone")));

        // One level only: a default folder whose parent is missing is left alone.
        m.DefGPath = env->root() + QStringLiteral("/a/b");
        m.gPath = env->root() + QStringLiteral("/gone/pictures");
        QVERIFY(app::pathCheck());
        QCOMPARE(m.gPath, m.DefGPath);
        QVERIFY(!QFileInfo::exists(env->root() + QStringLiteral("/a")));
        QVERIFY(env->dialogs.calls().empty());
    }

    void fileTitles() {
        QCOMPARE(app::fileTitle(QStringLiteral("C:\\Windows\\pbrush.exe")),
                 QStringLiteral("pbrush.exe"));
        QCOMPARE(app::fileTitle(QStringLiteral("pbrush.exe")), QStringLiteral("pbrush.exe"));
        QCOMPARE(app::fileTitle(QStringLiteral("C:\\Pictures\\")), QString());
        QCOMPARE(app::fileTitle(QStringLiteral("/home/u/Graphic/981215.bmp")),
                 QStringLiteral("981215.bmp"));
        QCOMPARE(app::fileTitle(QStringLiteral("/home/u/Graphic/")), QString());
        QCOMPARE(app::fileTitle(QStringLiteral("C:\\a/b\\c.bmp")), QStringLiteral("c.bmp"));
        QCOMPARE(app::fileTitle(QStringLiteral("D:/x\\絵.jpg")), QStringLiteral("絵.jpg"));
        QCOMPARE(app::fileTitle(QString()), QString());
    }

    void centring() {
        QWidget window;
        window.resize(226, 136);
        app::frmCenter(window);
        const QRect screen = window.screen()->geometry();
        QCOMPARE(window.pos(), QPoint(screen.x() + (screen.width() - 226) / 2,
                                      screen.y() + (screen.height() - 136) / 2));
        window.resize(227, 137);
        app::frmCenter(window);
        const QPoint odd = window.pos() - screen.topLeft();
        QVERIFY(qAbs(odd.x() * 2 + 227 - screen.width()) <= 1);
        QVERIFY(qAbs(odd.y() * 2 + 137 - screen.height()) <= 1);
    }
};

ORVANE_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
