#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/Error.h"
#include "support/Files.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QTextEdit>
#include <QtTest>

using namespace platform;
using testing::writeFile;
using Layout = std::array<std::int32_t, 5>;

namespace {

// The editor as regProc and setEdPos see it: a window with the two text boxes.
struct Editor {
    QWidget window;
    QTextEdit* text1 = new QTextEdit(&window);
    QTextEdit* text2 = new QTextEdit(&window);
    Editor() {
        text1->setObjectName(QStringLiteral("Text1_1"));
        window.resize(320, 240);
    }
};

const Layout defaults{9, 100, 100, 6855, 7295};

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

    // Defaults that exist on disk, so the path check asks nothing.
    void existingDefaults() {
        auto& m = app::modFunc();
        m.DefPPath = writeFile(env->root() + QStringLiteral("/bin/paint"));
        m.DefMdbPath = writeFile(env->root() + QStringLiteral("/data/orvane.mdb"), "journal");
        m.DefGPath = env->root() + QStringLiteral("/data/Graphic");
    }

    // The values of the settings file as another reader of the INI file sees them.
    QStringList stored(const QString& section, const QStringList& keys) const {
        QSettings file(env->settingsFile(), QSettings::IniFormat);
        QStringList values;
        for (const QString& key : keys)
            values << file.value(section + QLatin1Char('/') + key).toString();
        return values;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void loadDamagedAndUnwritable() {
        existingDefaults();
        auto& m = app::modFunc();
        // Edited by hand: an unquoted comma and Japanese names.
        const QString paint = writeFile(env->root() + QStringLiteral("/お絵かき/paint,new tool"));
        const QString journal = writeFile(env->root() + QStringLiteral("/日記/orvane.mdb"));
        writeFile(env->settingsFile(),
                  QStringLiteral("[Option]\npPath=%1\nmdbPath=%2\ngPath=%3\n[Mirel]\n"
                                 "bgPath=/tex/wall.bmp\nFontSize=12\nTop=-45\nLeft=300\n"
                                 "Height=0\nWidth=2\n")
                      .arg(paint, journal, env->root())
                      .toUtf8());
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.pPath, paint);
        QCOMPARE(m.mdbPath, journal);
        QCOMPARE(m.gPath, env->root());
        QCOMPARE(m.bgPath, QStringLiteral("/tex/wall.bmp"));
        QCOMPARE(m.EditorLayout, (Layout{12, -45, 300, 0, 2}));
        QVERIFY(!QFileInfo::exists(m.DefGPath)); // the stored folder exists, nothing is made

        // Numbers holding text take their own key's default; the others are read as usual.
        writeFile(env->settingsFile(), "[Mirel]\nFontSize=big\nTop=\nLeft=99999999999\n"
                                       "Height=\" 4500 \"\nWidth=5x\n");
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, (Layout{9, 100, 100, 4500, 7295}));

        // A damaged file counts as empty, and the next save replaces it.
        writeFile(env->settingsFile(), "[Option]\npPath=/nowhere\n[Mirel\nTop=5\n\xff\xfe");
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.pPath, m.DefPPath);
        QCOMPARE(m.EditorLayout, defaults);
        m.EditorLayout = {11, 1, 2, 3, 4};
        QVERIFY(app::regProc(app::RegSave));
        QCOMPARE(stored(QStringLiteral("Mirel"), {QStringLiteral("Top")}), QStringList{"1"});

        // A file that can be neither read nor written: defaults, and the save says so.
        QVERIFY(QFile::remove(env->settingsFile()) && QDir().mkpath(env->settingsFile()));
        QVERIFY(app::regProc(app::RegLoad));
        QCOMPARE(m.EditorLayout, defaults);
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
        existingDefaults();
        auto& m = app::modFunc();
        m.pPath = m.DefPPath;
        m.mdbPath = writeFile(env->root() + QStringLiteral("/日記/orvane.mdb"));
        m.gPath = env->root();
        m.bgPath = QStringLiteral("It's \"here\", a;b");
        QVERIFY(app::regProc(2)); // other flags do nothing
        QVERIFY(app::regProc(255));
        QVERIFY(!QFileInfo::exists(env->settingsFile()));

        // Normal, then minimized and maximized: these keep the top and left of the normal one.
        const struct {
            Qt::WindowState state;
            int height, width;
            QSize reopened; // minimized opens as a normal window of its designed size
        } saves[] = {{Qt::WindowNoState, 6000, 7500, QSize(500, 400)},
                     {Qt::WindowMinimized, 0, 1, QSize(320, 240)},
                     {Qt::WindowMaximized, 0, 2, QSize(320, 240)}};
        for (const auto& save : saves) {
            {
                Editor editor;
                QFont font = editor.text1->font();
                font.setPointSizeF(11.6);
                editor.text1->setFont(font);
                if (save.state == Qt::WindowNoState)
                    editor.window.setGeometry(30, 40, 500, 400);
                editor.window.setWindowState(save.state);
                QVERIFY(app::regProc(app::RegSave, &editor.window));
            }
            QCOMPARE(
                stored(QStringLiteral("Mirel"), {"FontSize", "Top", "Left", "Height", "Width"}),
                (QStringList{"12", "600", "450", QString::number(save.height),
                             QString::number(save.width)}));

            QVERIFY(app::regProc(app::RegLoad));
            Editor editor;
            app::setEdPos(editor.window, *editor.text1, *editor.text2);
            QCOMPARE(editor.window.pos(), QPoint(30, 40));
            QCOMPARE(editor.window.size(), save.reopened);
            QCOMPARE(editor.window.isMaximized(), save.state == Qt::WindowMaximized);
            QVERIFY(!editor.window.isMinimized());
            QCOMPARE(editor.text1->font().pointSize(), 12);
            QCOMPARE(editor.text2->font().pointSize(), 12);
        }
        QCOMPARE(stored(QStringLiteral("Option"), {"pPath", "mdbPath", "gPath"}),
                 (QStringList{m.DefPPath, env->root() + QStringLiteral("/日記/orvane.mdb"),
                              env->root()}));
        QCOMPARE(stored(QStringLiteral("Mirel"), {"bgPath"}),
                 QStringList{QStringLiteral("It's \"here\", a;b")});
        QCOMPARE(QSettings(env->settingsFile(), QSettings::IniFormat).allKeys().size(), 9);
    }

    void pathCheck() {
        existingDefaults();
        auto& m = app::modFunc();
        const QString gone = env->root() + QStringLiteral("/gone/");
        // The paint program missing and its choice cancelled: the rest waits for the next start.
        const QStringList wrong{gone + QStringLiteral("pbrush.exe"),
                                gone + QStringLiteral("orvane.mdb"),
                                gone + QStringLiteral("pictures")};
        m.pPath = wrong[0];
        m.mdbPath = wrong[1];
        m.gPath = wrong[2];
        env->dialogs.answerFile(std::nullopt);
        QVERIFY(app::pathCheck());
        const auto& request = env->dialogs.calls().at(0).file;
        QCOMPARE(request.fileName, wrong[0]);
        QCOMPARE(request.filter,
                 QStringLiteral("すべてのファイル (*.*)|*.*|ＥＸＥ ファイル (*.exe)|*.exe"));
        QCOMPARE(request.filterIndex, 1);
        QVERIFY(request.hideReadOnly);
        QVERIFY(request.title.isEmpty());
        QCOMPARE((QStringList{m.pPath, m.mdbPath, m.gPath}), wrong);
        QVERIFY(!QFileInfo::exists(m.DefGPath));

        // A chosen program is taken unchecked; the journal and the pictures fall back to the
        // defaults, and the default folder is made.
        env->dialogs.answerFile(QStringLiteral("/not/checked/paint"));
        QVERIFY(app::pathCheck());
        QCOMPARE(m.pPath, QStringLiteral("/not/checked/paint"));
        QCOMPARE(m.mdbPath, m.DefMdbPath);
        QCOMPARE(m.gPath, m.DefGPath);
        QVERIFY(QFileInfo(m.DefGPath).isDir());
        QVERIFY(!QFileInfo::exists(gone));

        // One level only: a default folder whose parent is missing is left alone.
        m.pPath = m.DefPPath;
        m.DefGPath = env->root() + QStringLiteral("/a/b");
        m.gPath = wrong[2];
        QVERIFY(app::pathCheck());
        QCOMPARE(m.gPath, m.DefGPath);
        QVERIFY(!QFileInfo::exists(env->root() + QStringLiteral("/a")));
    }

    void fileTitles() {
        const char* const cases[][2] = {{"C:\\Windows\\pbrush.exe", "pbrush.exe"},
                                        {"pbrush.exe", "pbrush.exe"},
                                        {"C:\\Pictures\\", ""},
                                        {"/home/u/Graphic/981215.bmp", "981215.bmp"},
                                        {"/home/u/Graphic/", ""},
                                        {"C:\\a/b\\c.bmp", "c.bmp"},
                                        {"D:/x\\絵.jpg", "絵.jpg"},
                                        {"", ""}};
        for (const auto& [path, title] : cases)
            QVERIFY2(app::fileTitle(QString::fromUtf8(path)) == QString::fromUtf8(title), path);
    }
};

ORVANE_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
