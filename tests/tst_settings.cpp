#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/Error.h"
#include "support/Files.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QTextEdit>
#include <QtTest>

using testing::writeFile;
using Layout = std::array<std::int32_t, 5>;

class SettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

    // Values of the settings file as another reader of the INI file sees them, joined by "|".
    QString stored(const char* keys) const {
        QSettings file(env->settingsFile(), QSettings::IniFormat);
        QStringList values;
        for (const QString& key : QString::fromLatin1(keys).split(QLatin1Char(' ')))
            values << file.value(key).toString();
        return values.join(QLatin1Char('|'));
    }

    // Saves the settings from an editor in that state (at 30,40 500x400 when normal, with
    // 11.6-point text), then lays a new editor out from them: "stored layout -> x,y wxh
    // maximized pointsizes" of the new one, which has its designed size of 320x240.
    QString saveAndReopen(Qt::WindowState state) const {
        QWidget old, editor;
        QTextEdit text1(&old), box1(&editor), box2(&editor);
        text1.setObjectName(QStringLiteral("Text1_1"));
        QFont font = text1.font();
        font.setPointSizeF(11.6);
        text1.setFont(font);
        old.setGeometry(30, 40, 500, 400);
        old.setWindowState(state);
        editor.resize(320, 240);
        if (!app::regProc(app::RegSave, &old) || !app::regProc(app::RegLoad))
            return QStringLiteral("ended");
        app::setEdPos(editor, box1, box2);
        return stored("Mirel/FontSize Mirel/Top Mirel/Left Mirel/Height Mirel/Width") +
               QString::asprintf(" -> %d,%d %dx%d %d %d/%d", editor.pos().x(), editor.pos().y(),
                                 editor.width(), editor.height(), editor.isMaximized(),
                                 box1.font().pointSize(), box2.font().pointSize());
    }

private Q_SLOTS:
    void init() {
        env = std::make_unique<testing::TestEnv>();
        // Defaults that exist on disk (but the picture folder), so the path check asks nothing.
        auto& m = app::modFunc();
        m.DefPPath = writeFile(env->root() + QStringLiteral("/bin/paint"));
        m.DefMdbPath = writeFile(env->root() + QStringLiteral("/data/orvane.mdb"), "journal");
        m.DefGPath = env->root() + QStringLiteral("/data/Graphic");
    }
    void cleanup() { ORVANE_VERIFY_ENV(*env); } // the next init() replaces the world

    void editorStatesOnDisk() {
        auto& m = app::modFunc();
        // A damaged file counts as empty, and the next save replaces it.
        writeFile(env->settingsFile(), "[Option]\npPath=/nowhere\n[Mirel\nTop=5\n\xff\xfe");
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 6855, 7295}));
        QVERIFY(QFileInfo(m.DefGPath).isDir()); // made by the path check
        m.mdbPath = writeFile(env->root() + QStringLiteral("/日記/orvane.mdb"));
        m.bgPath = QStringLiteral("It's \"here\", a;b");
        QCOMPARE(saveAndReopen(Qt::WindowNoState), "12|600|450|6000|7500 -> 30,40 500x400 0 12/12");
        // Minimized and maximized keep the top and left of the normal window; a minimized one
        // opens as a normal window of its designed size.
        QCOMPARE(saveAndReopen(Qt::WindowMinimized), "12|600|450|0|1 -> 30,40 320x240 0 12/12");
        QCOMPARE(saveAndReopen(Qt::WindowMaximized), "12|600|450|0|2 -> 30,40 320x240 1 12/12");
        QCOMPARE(stored("Option/pPath Option/mdbPath Option/gPath Mirel/bgPath"),
                 QStringList({m.DefPPath, m.mdbPath, m.DefGPath, m.bgPath}).join('|'));
        QCOMPARE(QSettings(env->settingsFile(), QSettings::IniFormat).allKeys().size(), 9);
    }

    void handEditedAndUnwritable() {
        // An unquoted comma in a path, and numbers holding text, which take their own key's
        // default.
        const QString paint = writeFile(env->root() + QStringLiteral("/お絵かき/paint,new tool"));
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

    void pathCheckAndFileTitle() {
        // A chosen paint program is taken unchecked; the journal and the pictures fall back to
        // the defaults (a cancelled choice: tst_startup).
        auto& m = app::modFunc();
        m.mdbPath = env->root() + QStringLiteral("/gone/orvane.mdb");
        m.gPath = env->root() + QStringLiteral("/gone");
        m.DefGPath = env->root() + QStringLiteral("/a/b"); // made one level only: not at all
        env->dialogs.answerFile(QStringLiteral("/not/checked/paint"));
        QVERIFY(app::pathCheck());
        QCOMPARE((QStringList{m.pPath, m.mdbPath, m.gPath}),
                 (QStringList{"/not/checked/paint", m.DefMdbPath, m.DefGPath}));
        QVERIFY(!QFileInfo::exists(env->root() + "/a") &&
                !QFileInfo::exists(env->root() + "/gone"));

        // The part after the last slash or backslash, so paths stored on Windows still work.
        QCOMPARE(app::fileTitle("C:\\Windows\\pbrush.exe") + '|' + app::fileTitle("pbrush.exe") +
                     '|' + app::fileTitle("C:\\Pictures\\") + '|' + app::fileTitle("D:/x\\絵.jpg"),
                 QStringLiteral("pbrush.exe|pbrush.exe||絵.jpg"));
    }
};

ORVANE_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
