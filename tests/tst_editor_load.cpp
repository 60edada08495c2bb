#include "app/modFunc.h"
#include "platform/Database.h"
#include "platform/Help.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"
#include "support/TopLevelWindows.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/EditorCanvas.h"
#include "windows/editor/EditorGeometry.h"
#include "windows/editor/TextureTiling.h"
#include "windows/editor/frmMirel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QStringDecoder>
#include <QtTest>

using windows::editor::BuiltinImage;
using windows::editor::builtinImage;

namespace {

// A picture whose every pixel tells where it sits.
QImage patternImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 5 % 256, y * 7 % 256, (x + y) % 256));
    }
    return image;
}

QStringList actionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << action->text();
    return texts;
}

QColor pixelOf(QWidget& widget, const QPoint& at) {
    return widget.grab().toImage().pixelColor(at);
}

frmMirel& openOn(const QDate& day) {
    app::modFunc().WorkDate = day;
    return windows::showEditor();
}

} // namespace

// Catches the desktop's "open this file" requests.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class EditorLoadTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        testing::deleteAllWindows();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void dayWithoutEntry() {
        const QString path = testing::createJournal(*env);
        frmMirel& editor = openOn(QDate(2026, 12, 5));

        QCOMPARE(editor.windowTitle(), QStringLiteral("Velmora絵日記"));
        QCOMPARE(windows::findEditor(), &editor);
        QCOMPARE(editor.dateBox()->text(), QStringLiteral("2026/12/05 (土)"));
        QCOMPARE(editor.boxText(1), QString());
        QCOMPARE(editor.boxText(2), QString());
        QVERIFY(editor.newRec);
        QVERIFY(!editor.txtChg);
        QCOMPARE(editor.picFile, QString());
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        QCOMPARE(editor.Picture1->size(), QSize(36, 36)); // 32 x 32 and the border
        QCOMPARE(app::modFunc().StatusRef.data(), editor.StatusBar1);
        QCOMPARE(editor.StatusBar1->currentMessage(), QString());
        QCOMPARE(app::modFunc().SqlText,
                 QStringLiteral("select * from mirel where format(reg_dat,'yyyy/mm/dd')=?"));
        QVERIFY(!app::modFunc().JournalRs.has_value());
        // Loading writes nothing.
        QCOMPARE(testing::rawRows(path, QStringLiteral("select count(*) from Mirel")),
                 QList<QStringList>{{QStringLiteral("0")}});

        // Showing the editor again brings the same window forward.
        QCOMPARE(&windows::showEditor(), &editor);
    }

    void dayWithEntry() {
        const QString path = testing::createJournal(*env);
        QVERIFY(testing::rawExecute(
            path, QStringLiteral(
                      "insert into Mirel values('2026-12-04 00:00:00','前の日','前','',0,"
                      "'2026-12-04 00:00:00','1899-12-30 10:00:00','PC01');"
                      "insert into Mirel values('2026-12-05 00:00:00','晴れ\n散歩に出た','散歩',"
                      "'',0,'2026-12-06 00:00:00','1899-12-30 21:05:09','PC01');"
                      "insert into Mirel values('2026-12-08 00:00:00',NULL,NULL,NULL,NULL,NULL,"
                      "NULL,NULL);")));
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QCOMPARE(editor.boxText(1), QStringLiteral("晴れ\n散歩に出た"));
        QCOMPARE(editor.boxText(2), QStringLiteral("散歩"));
        QVERIFY(!editor.newRec);
        QVERIFY(!editor.txtChg);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        QCOMPARE(editor.StatusBar1->currentMessage(), QString());

        // A day without an entry sets newRec, and nothing clears it while the window is open.
        app::modFunc().WorkDate = QDate(2026, 12, 7);
        editor.iniForm();
        QCOMPARE(editor.dateBox()->text(), QStringLiteral("2026/12/07 (月)"));
        QCOMPARE(editor.boxText(1), QString());
        QVERIFY(editor.newRec);
        app::modFunc().WorkDate = QDate(2026, 12, 5);
        editor.iniForm();
        QCOMPARE(editor.boxText(2), QStringLiteral("散歩"));
        QVERIFY(editor.newRec);

        // Missing values, as other tools may write them, read as empty texts.
        editor.picFile = QStringLiteral("stale");
        app::modFunc().WorkDate = QDate(2026, 12, 8);
        editor.iniForm();
        QCOMPARE(editor.boxText(1), QString());
        QCOMPARE(editor.boxText(2), QString());
        QCOMPARE(editor.picFile, QString());
    }

    void attachedPicture() {
        const QString path = testing::createJournal(*env);
        const QString folder = app::modFunc().gPath;
        const QString wide = folder + QStringLiteral("/wide.png");
        QVERIFY(patternImage(400, 50).save(wide));
        QVERIFY(patternImage(20, 10).save(folder + QStringLiteral("/moved.png")));
        QVERIFY(testing::rawExecute(
            path, QStringLiteral("insert into Mirel values('2026-12-01 00:00:00','a','b','%1',0,"
                                 "'2026-12-01 00:00:00','1899-12-30 10:00:00','PC01');"
                                 "insert into Mirel values('2026-12-02 00:00:00','a','b',"
                                 "'C:\\Users\\old\\Graphic\\moved.png',0,'2026-12-02 00:00:00',"
                                 "'1899-12-30 10:00:00','PC01');"
                                 "insert into Mirel values('2026-12-03 00:00:00','a','b',"
                                 "'/nowhere/gone.bmp',0,'2026-12-03 00:00:00',"
                                 "'1899-12-30 10:00:00','PC01');")
                      .arg(wide)));

        // The box takes the picture's size, but no more than 297 pixels in width.
        frmMirel& editor = openOn(QDate(2026, 12, 1));
        QCOMPARE(editor.picFile, wide);
        QCOMPARE(editor.shownPicture(), patternImage(400, 50));
        QCOMPARE(editor.Picture1->size(), QSize(297, 54));
        QCOMPARE(editor.StatusBar1->currentMessage(), wide);

        // A picture stored under another folder is found in the picture folder by its name.
        app::modFunc().WorkDate = QDate(2026, 12, 2);
        editor.iniForm();
        QCOMPARE(editor.picFile, folder + QStringLiteral("/moved.png"));
        QCOMPARE(editor.shownPicture().size(), QSize(20, 10));
        QCOMPARE(editor.Picture1->size(), QSize(24, 14));
        QCOMPARE(editor.StatusBar1->currentMessage(), folder + QStringLiteral("/moved.png"));
        QVERIFY(!editor.txtChg);

        // A picture found nowhere is dropped from the window (the journal keeps it).
        app::modFunc().WorkDate = QDate(2026, 12, 3);
        editor.iniForm();
        QCOMPARE(editor.StatusBar1->currentMessage(),
                 QStringLiteral("ファイルは見つかりませんでした。/nowhere/gone.bmp"));
        QCOMPARE(editor.picFile, QString());
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        QVERIFY(!editor.txtChg);
        QCOMPARE(
            testing::rawRows(path, QStringLiteral("select Pic_txt from Mirel where Reg_dat like "
                                                  "'2026-12-03%'")),
            QList<QStringList>{{QStringLiteral("/nowhere/gone.bmp")}});

        // The hint for an empty picture box.
        editor.Picture1_Click();
        QCOMPARE(editor.StatusBar1->currentMessage(),
                 QStringLiteral("編集するにはダブルクリックしてください。"));
    }

    void missingTableAndFailures() {
        const QString path = testing::createJournal(*env, false);
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        // The table is made without a word, and the day shows as one without an entry.
        QCOMPARE(testing::rawRows(path, QStringLiteral("select name from sqlite_master where "
                                                       "type='table' and name='Mirel'")),
                 QList<QStringList>{{QStringLiteral("Mirel")}});
        QVERIFY(editor.newRec);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        QVERIFY(env->dialogs.calls().empty());

        // Any other failure is shown, and the boxes keep what they had.
        editor.textBox(1)->setPlainText(QStringLiteral("kept"));
        app::modFunc().JournalDb.reset();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor.iniForm();
        QCOMPARE(env->dialogs.calls().size(), std::size_t{1});
        const auto& call = env->dialogs.calls().front();
        QCOMPARE(call.title, QStringLiteral("Rec Show"));
        QCOMPARE(call.icon, platform::Icon::Critical);
        QCOMPARE(call.buttons, platform::Buttons::Ok);
        QVERIFY2(call.text.endsWith(QStringLiteral("(91)")), qPrintable(call.text));
        QCOMPARE(editor.boxText(1), QStringLiteral("kept"));
    }

    void layoutFontsColoursAndTexts() {
        testing::createJournal(*env);
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QVERIFY(testing::activate(editor));

        // Places in pixels (twips / 15), relative to the client area.
        QCOMPARE(editor.Text1[0]->geometry(), QRect(40, 8, 177, 23));
        QCOMPARE(editor.Label1[0]->geometry(), QRect(8, 8, 33, 17));
        QCOMPARE(editor.Text1[1]->pos(), QPoint(40, 40));
        QCOMPARE(editor.Text1[1]->height(), 137);
        QCOMPARE(editor.Text1[2]->pos(), QPoint(40, 184));
        QCOMPARE(editor.Text1[2]->height(), 65);
        QCOMPARE(editor.Command1[0]->y(), 272);
        QCOMPARE(editor.Command1[0]->size(), QSize(84, 46));
        QCOMPARE(editor.Label1[4]->geometry(), QRect(8, 40, 33, 17));
        QCOMPARE(editor.Label1[5]->geometry(), QRect(8, 184, 33, 17));
        QCOMPARE(editor.Picture1->pos(), QPoint(40, 256));
        QCOMPARE(editor.Command1[1]->geometry(), QRect(8, 256, 28, 29));
        QCOMPARE(editor.Command1[2]->geometry(), QRect(288, 8, 73, 25));
        QCOMPARE(editor.Command1[3]->geometry(), QRect(360, 8, 73, 25));
        QCOMPARE(editor.StatusBar1->height(), 20);
        // The stored layout's default size, 7295 x 6855 twips, grown to the smallest height.
        QCOMPARE(editor.size(), QSize(486, 459));
        QCOMPARE(editor.Text1[1]->width(), (486 * 15 - 960) / 15);
        QCOMPARE(editor.Command1[0]->x(), (486 * 15 - 1500) / 15);

        // Fonts.
        const QFont date = editor.Text1[0]->font();
        QCOMPARE(date.family(), QStringLiteral("ＭＳ Ｐ明朝"));
        QCOMPARE(date.pointSizeF(), 14.25);
        QVERIFY(date.bold());
        for (const int index : {0, 4, 5}) {
            const QFont label = editor.Label1[static_cast<std::size_t>(index)]->font();
            QCOMPARE(label.family(), QStringLiteral("ＭＳ Ｐゴシック"));
            QCOMPARE(label.pointSizeF(), 9.0);
            QVERIFY(label.bold());
        }
        for (const int index : {0, 2, 3}) {
            const QFont button = editor.Command1[static_cast<std::size_t>(index)]->font();
            QCOMPARE(button.family(), QStringLiteral("ＭＳ Ｐゴシック"));
            QCOMPARE(button.pointSizeF(), 12.0);
            QVERIFY(button.bold());
        }
        QCOMPARE(editor.Text1[1]->font().pointSize(), 9);
        QCOMPARE(editor.Text1[2]->font().pointSize(), 9);
        QCOMPARE(editor.Text1[1]->objectName(), QStringLiteral("Text1_1"));
        QCOMPARE(editor.textBox(1)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(!editor.Text1[0]->testAttribute(Qt::WA_InputMethodEnabled));

        // Colours, as drawn.
        const QColor cyan(128, 255, 255);
        QCOMPARE(editor.faceColor(0), cyan);
        QCOMPARE(editor.faceColor(1), QColor(Qt::white));
        QCOMPARE(pixelOf(*editor.Command1[2], QPoint(4, 4)), cyan);
        QCOMPARE(pixelOf(*editor.Command1[0], QPoint(4, 4)), cyan);
        QCOMPARE(pixelOf(*editor.Command1[1], QPoint(3, 3)), QColor(Qt::white));
        QCOMPARE(pixelOf(*editor.Picture1, QPoint(editor.Picture1->width() - 3, 3)),
                 QColor(192, 192, 192)); // beside a picture narrower than the box
        QCOMPARE(windows::editor::EditorCanvas::windowColour(), QColor(128, 128, 255));
        QCOMPARE(qobject_cast<windows::editor::EditorCanvas*>(editor.centralWidget())
                     ->background()
                     .isNull(),
                 false);

        // Captions.
        QCOMPARE(editor.Command1[0]->text(), QStringLiteral("閉じる(&C)"));
        QCOMPARE(editor.Command1[1]->text(), QString());
        QCOMPARE(editor.Command1[1]->iconSize(), QSize(24, 24));
        QCOMPARE(editor.Command1[2]->text(), QStringLiteral("<<(&P)"));
        QCOMPARE(editor.Command1[3]->text(), QStringLiteral("(&N)>>"));
        QCOMPARE(editor.Label1[0]->text(), QStringLiteral("日付"));
        QCOMPARE(editor.Label1[4]->text(), QStringLiteral("日記"));
        QCOMPARE(editor.Label1[5]->text(), QStringLiteral("備考"));

        // Menus: two commands sit on the bar itself.
        const QList<QAction*> bar = editor.menuBar()->actions();
        QCOMPARE(actionTexts(bar),
                 (QStringList{QStringLiteral("戻る(&R)"), QStringLiteral("保存(&S)"),
                              QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")}));
        QCOMPARE(bar[1], editor.savTxt);
        QCOMPARE(bar[3], editor.sHelp);
        QVERIFY(editor.savTxt->menu() == nullptr);
        QVERIFY(editor.sHelp->menu() == nullptr);
        QCOMPARE(actionTexts(editor.retrn->actions()),
                 (QStringList{QStringLiteral("保存して戻る(&E)"), QStringLiteral("保存せず戻る")}));
        QCOMPARE(editor.dEnd[0]->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(editor.dEnd[1]->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(actionTexts(editor.optOpt->actions()),
                 (QStringList{QStringLiteral("手帳(&B)"), QStringLiteral("ﾍﾟｲﾝﾄﾂｰﾙのﾊﾟｽ"),
                              QStringLiteral("MDBﾊﾟｽ"), QStringLiteral("ｸﾞﾗﾌｨｯｸﾌｫﾙﾀﾞのﾊﾟｽ"),
                              QStringLiteral("ﾊﾞｯｸｸﾞﾗｳﾝﾄﾞﾃｸｽﾁｬのﾊﾟｽ"),
                              QStringLiteral("MDBの最適化"), QStringLiteral("ﾌｫﾝﾄｻｲｽﾞ")}));
        QCOMPARE(actionTexts(editor.opFont->actions()),
                 (QStringList{QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("12"),
                              QStringLiteral("14"), QStringLiteral("16")}));
        QCOMPARE(editor.opFsize[5]->text(), QStringLiteral("14"));

        // The built-in pictures and their sizes.
        QCOMPARE(builtinImage(BuiltinImage::Icon).size(), QSize(32, 32));
        QCOMPARE(builtinImage(BuiltinImage::Placeholder).size(), QSize(32, 32));
        const QImage blank = builtinImage(BuiltinImage::BlankCanvas);
        QCOMPARE(blank.size(), QSize(240, 120));
        QImage white(blank.size(), blank.format());
        white.fill(Qt::white);
        QCOMPARE(blank, white);
        QCOMPARE(builtinImage(BuiltinImage::Texture).size(), QSize(85, 113));
        QCOMPARE(windows::editor::pictureButtonImage().size(), QSize(24, 24));

        // Hovering a menu does not wipe the status line.
        editor.StatusBar1->showMessage(QStringLiteral("登録しました。"));
        QStatusTipEvent tip{QString()};
        QApplication::sendEvent(editor.retrn, &tip);
        QCOMPARE(editor.StatusBar1->currentMessage(), QStringLiteral("登録しました。"));
    }

    void resizeRules() {
        using windows::editor::resizeRule;
        QCOMPARE(resizeRule(QSize(6000, 6000)).sizeTwips, QSize(6855, 6885));
        QCOMPARE(resizeRule(QSize(6000, 6000)).textWidthTwips, 5895);
        QCOMPARE(resizeRule(QSize(9000, 7000)).textWidthTwips, 8040);
        QCOMPARE(resizeRule(QSize(9000, 7000)).closeLeftTwips, 7500);
        QCOMPARE(resizeRule(QSize(9000, 7000)).sizeTwips, QSize(9000, 7000));

        testing::createJournal(*env);
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QVERIFY(QTest::qWaitForWindowExposed(&editor));

        // 6000 twips snaps back to the smallest size.
        editor.resize(400, 400);
        QCoreApplication::processEvents();
        QCOMPARE(editor.sizeTwips(), QSize(6855, 6885));
        QCOMPARE(editor.Text1[1]->width(), 5895 / 15);

        // 9000 twips: boxes 8040 wide, the close button's left edge at 7500; heights stay.
        editor.resize(600, 500);
        QCoreApplication::processEvents();
        QCOMPARE(editor.sizeTwips(), QSize(9000, 7500));
        QCOMPARE(editor.Text1[1]->width(), 8040 / 15);
        QCOMPARE(editor.Text1[2]->width(), 8040 / 15);
        QCOMPARE(editor.Command1[0]->x(), 7500 / 15);
        QCOMPARE(editor.Text1[1]->height(), 137);
        QCOMPARE(editor.Text1[2]->height(), 65);
        QCOMPARE(editor.Command1[0]->y(), 272);

        // A minimized window is left alone.
        editor.setWindowState(Qt::WindowMinimized);
        QVERIFY(editor.isMinimized());
        editor.resize(300, 300);
        QCoreApplication::processEvents();
        QCOMPARE(editor.size(), QSize(300, 300));
        QCOMPARE(editor.Text1[1]->width(), 8040 / 15);
    }

    void backgroundTexture() {
        using windows::editor::tileBackground;
        using windows::editor::tileGrid;

        // 40 x 30 on 1024 x 768: 25.6 and 768 / 29 = 26.48 round to 26 and 26; 27 x 27 tiles.
        const auto grid = tileGrid(QSize(1024, 768), QSize(40, 30));
        QCOMPARE(grid.columns, 26);
        QCOMPARE(grid.rows, 26);
        QCOMPARE(grid.stepX, 40);
        QCOMPARE(grid.stepY, 29);
        QCOMPARE(grid.extent, QSize(27 * 40, 26 * 29 + 30));
        // Halves go to the even number.
        QCOMPARE(tileGrid(QSize(100, 100), QSize(40, 41)).columns, 2);
        QCOMPARE(tileGrid(QSize(100, 100), QSize(40, 41)).rows, 2);
        QCOMPARE(tileGrid(QSize(140, 140), QSize(40, 41)).columns, 4);
        // Counts far beyond 255 do not wrap.
        QCOMPARE(tileGrid(QSize(1024, 768), QSize(2, 2)).columns, 512);
        QCOMPARE(tileGrid(QSize(1024, 768), QSize(2, 2)).rows, 768);

        // Each tile covers the last row of the one above; the bottom tiles keep theirs.
        const QImage texture = patternImage(40, 30);
        const QImage tiles = tileBackground(texture, QSize(1024, 768));
        QCOMPARE(tiles.size(), grid.extent);
        QCOMPARE(tiles.pixel(0, 0), texture.pixel(0, 0));
        QCOMPARE(tiles.pixel(45, 31), texture.pixel(5, 2));
        QCOMPARE(tiles.pixel(7, 29), texture.pixel(7, 0));
        QCOMPARE(tiles.pixel(1079, 26 * 29 + 28), texture.pixel(39, 28));
        QCOMPARE(tiles.pixel(1079, 26 * 29 + 29), texture.pixel(39, 29));

        const QImage tiny = patternImage(2, 2);
        const QImage covered = tileBackground(tiny, QSize(1024, 768));
        QVERIFY(covered.width() >= 1024 && covered.height() >= 768);
        QCOMPARE(covered.pixel(1023, 767), tiny.pixel(1, 0));

        // In the window: no texture file means the built-in one, painted behind the controls.
        testing::createJournal(*env);
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        const QImage builtIn = builtinImage(BuiltinImage::Texture);
        QCOMPARE(editor.texture(), builtIn);
        const QSize screen = editor.screen()->geometry().size();
        QVERIFY(editor.background().width() >= screen.width());
        QVERIFY(editor.background().height() >= screen.height());
        QCOMPARE(pixelOf(*editor.centralWidget(), QPoint(10, 100)), QColor(builtIn.pixel(10, 100)));
        QCOMPARE(pixelOf(*editor.centralWidget(), QPoint(300, 250)),
                 QColor(builtIn.pixel(300 - 3 * 85, 250 - 2 * 112)));

        // A texture file, and one that holds no picture.
        const QString file = env->root() + QStringLiteral("/paper.png");
        QVERIFY(texture.save(file));
        app::modFunc().bgPath = file;
        editor.bgTile();
        QCOMPARE(editor.texture(), texture);
        QCOMPARE(editor.background().pixel(45, 31), texture.pixel(5, 2));
        QFile broken(env->root() + QStringLiteral("/broken.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("no picture");
        broken.close();
        app::modFunc().bgPath = broken.fileName();
        editor.bgTile();
        QCOMPARE(editor.texture(), builtIn);
    }

    void closeBox() {
        const QString path = testing::createJournal(*env);
        QPointer<frmMirel> editor = &openOn(QDate(2026, 12, 5));
        QVERIFY(windows::findCalendar() == nullptr);
        QTest::keyClicks(editor->Text1[1], QStringLiteral("lost"));
        QVERIFY(editor->txtChg);
        const QSize size = editor->sizeTwips();

        editor->close();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull());
        QVERIFY(windows::findEditor() == nullptr);
        QVERIFY(app::modFunc().StatusRef.isNull());
        // The calendar window comes back, created anew.
        frmCal* calendar = windows::findCalendar();
        QVERIFY(calendar != nullptr);
        QVERIFY(calendar->isVisible());
        // The settings were saved from the still open editor.
        const platform::SettingsStore settings;
        QCOMPARE(settings.value(QStringLiteral("Mirel"), QStringLiteral("Width")).value_or(""),
                 QString::number(size.width()));
        QCOMPARE(settings.value(QStringLiteral("Mirel"), QStringLiteral("FontSize")).value_or(""),
                 QStringLiteral("9"));
        // The change is dropped without a question.
        QCOMPARE(testing::rawRows(path, QStringLiteral("select count(*) from Mirel")),
                 QList<QStringList>{{QStringLiteral("0")}});

        // With the calendar open, closing shows that same window.
        editor = &openOn(QDate(2026, 12, 5));
        editor->close();
        testing::runDeferredDeletes();
        int calendars = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            calendars += qobject_cast<frmCal*>(window) != nullptr ? 1 : 0;
        QCOMPARE(calendars, 1);

        // A close by code does not run the close box.
        QFile::remove(platform::SettingsStore::filePath());
        editor = &openOn(QDate(2026, 12, 5));
        editor->unload();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull());
        QVERIFY(!QFile::exists(platform::SettingsStore::filePath()));
    }

    void helpPage() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const auto unset =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });
        testing::createJournal(*env);
        frmMirel& editor = openOn(QDate(2026, 12, 5));

        // The page sits next to the program; a test program has none of its own.
        const QString page = platform::programFilesFolder() + QStringLiteral("/MReadme.htm");
        QVERIFY(!QFile::exists(page));
        editor.sHelp->trigger();
        QVERIFY(catcher.urls.isEmpty());

        const QString source =
            qEnvironmentVariable("ORVANE_SOURCE_DIR") + QStringLiteral("/resources/MReadme.htm");
        QVERIFY(QFile::copy(source, page));
        const auto remove = qScopeGuard([&] { QFile::remove(page); });
        editor.sHelp->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(page)});

        // The page is UTF-8 text in Japanese that names the keys of both windows.
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(file.readAll());
        QVERIFY(!utf8.hasError());
        QVERIFY(text.contains(QStringLiteral("<html lang=\"ja\">")));
        for (const char* word : {"保存して戻る", "F3", "F8", "orvane.mdb", "orvane.ini", "Graphic"})
            QVERIFY2(text.contains(QString::fromUtf8(word)), word);
    }
};

ORVANE_TEST_MAIN(EditorLoadTest)
#include "tst_editor_load.moc"
