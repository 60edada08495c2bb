#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "support/EditorFixture.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/TextureTiling.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>

using testing::Rows;
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

QStringList textsOf(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << action->text();
    return texts;
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

class EditorLoadTest : public testing::EditorTest {
    Q_OBJECT

private Q_SLOTS:
    void loadingADay() {
        const QImage placeholder = builtinImage(BuiltinImage::Placeholder);
        QVERIFY(addEntry(u"2026-12-05"_s, u"晴れ\n散歩に出た"_s, u"散歩"_s));
        QVERIFY(testing::rawExecute(journal,
                                    u"insert into Mirel(Reg_dat) values('2026-12-08 00:00:00')"_s));
        frmMirel& editor = open(QDate(2026, 12, 5));
        QCOMPARE(editor.windowTitle(), u"Velmora絵日記"_s);
        QCOMPARE(editor.boxText(1) + u'|' + editor.boxText(2), u"晴れ\n散歩に出た|散歩"_s);
        QVERIFY(!editor.newRec);
        QCOMPARE(editor.shownPicture(), placeholder);
        QCOMPARE(app::modFunc().StatusRef.data(), editor.StatusBar1);
        QCOMPARE(&windows::showEditor(), &editor);

        // A day without an entry; loading writes nothing.
        editor.picFile = u"stale"_s;
        reload(editor, QDate(2026, 12, 4));
        QCOMPARE(editor.dateBox()->text(), u"2026/12/04 (金)"_s);
        QCOMPARE(editor.boxText(1) + editor.boxText(2) + editor.picFile, QString());
        QVERIFY(editor.newRec && !editor.txtChg);
        QCOMPARE(editor.shownPicture(), placeholder);
        QCOMPARE(rows(u"select count(*) from Mirel"_s), Rows{{"2"}});

        // Back on the stored day newRec stays set, and a picture-less entry keeps the status line.
        editor.StatusBar1->showMessage(u"before"_s);
        reload(editor, QDate(2026, 12, 5));
        QVERIFY(editor.newRec && !editor.boxText(2).isEmpty());
        QCOMPARE(status(editor), u"before"_s);

        // Missing values, as other tools may write them, read as empty texts.
        editor.picFile = u"stale"_s;
        reload(editor, QDate(2026, 12, 8));
        QCOMPARE(editor.boxText(1) + editor.boxText(2) + editor.picFile, QString());
    }

    void attachedPicture() {
        const QString wide = app::modFunc().gPath + u"/wide.png"_s;
        const QString moved = app::modFunc().gPath + u"/moved.png"_s;
        QVERIFY(patternImage(400, 50).save(wide) && patternImage(20, 10).save(moved));
        QVERIFY(addEntry(u"2026-12-01"_s, {}, {}, wide));
        QVERIFY(addEntry(u"2026-12-02"_s, {}, {}, u"C:\\Users\\old\\Graphic\\moved.png"_s));
        const QString gone = u"/nowhere/gone.bmp"_s;
        const QString notFound = u"ファイルは見つかりませんでした。"_s + gone;
        const QImage placeholder = builtinImage(BuiltinImage::Placeholder);
        QVERIFY(addEntry(u"2026-12-03"_s, {}, {}, gone));
        // The box takes the picture's size, up to 297 pixels wide; a picture stored under another
        // folder is found in the picture folder by its name; one found nowhere is dropped.
        const std::tuple<int, QString, QImage, QSize, QString> days[] = {
            {1, wide, patternImage(400, 50), {297, 54}, wide},
            {2, moved, patternImage(20, 10), {24, 14}, moved},
            {3, {}, placeholder, {36, 36}, notFound}};
        frmMirel& editor = open(QDate(2026, 12, 1));
        for (const auto& [day, file, shown, box, hint] : days) {
            reload(editor, QDate(2026, 12, day));
            QCOMPARE(editor.picFile, file);
            QVERIFY2(editor.shownPicture() == shown, qPrintable(file));
            QCOMPARE(editor.Picture1->size(), box);
            QCOMPARE(status(editor), hint);
            QVERIFY(!editor.txtChg);
        }
        QCOMPARE(rows(u"select Pic_txt from Mirel where Reg_dat like '%-03 %'"_s), Rows{{gone}});
        editor.Picture1_Click();
        QCOMPARE(status(editor), u"編集するにはダブルクリックしてください。"_s);
    }

    void missingTableAndOtherFailures() {
        // The table is made without a word, and the day shows as one without an entry.
        QVERIFY(testing::rawExecute(journal, u"drop table Mirel"_s));
        frmMirel& editor = open(QDate(2026, 12, 5));
        QCOMPARE(rows(u"select name from sqlite_master where type='table'"_s), Rows{{"Mirel"}});
        QVERIFY(editor.newRec);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));

        // Any other failure is shown, and the boxes keep what they had.
        editor.textBox(1)->setPlainText(u"kept"_s);
        app::modFunc().JournalDb.reset();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor.iniForm();
        QCOMPARE(env->dialogs.calls().size(), std::size_t{1});
        const auto& call = env->dialogs.calls().front();
        QVERIFY2(call.title == u"Rec Show"_s && call.icon == platform::Icon::Critical &&
                     call.buttons == platform::Buttons::Ok && call.text.endsWith(u"(91)"_s),
                 qPrintable(call.title + u' ' + call.text));
        QCOMPARE(editor.boxText(1), u"kept"_s);
    }

    void layoutFontsColoursAndTexts() {
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(testing::activate(editor));
        // The stored layout's default size, 7295 x 6855 twips, grown to the smallest height.
        QCOMPARE(editor.size(), QSize(486, 459));

        // Places in pixels (twips / 15) in the client area, fonts (all bold) and texts.
        const QString mincho = u"ＭＳ Ｐ明朝"_s, gothic = u"ＭＳ Ｐゴシック"_s;
        const std::tuple<QWidget*, QRect, QString, qreal, QString> controls[] = {
            {editor.Text1[0], {40, 8, 177, 23}, mincho, 14.25, u"2026/12/05 (土)"_s},
            {editor.Label1[0], {8, 8, 33, 17}, gothic, 9, u"日付"_s},
            {editor.Text1[1], {40, 40, 422, 137}, {}, 9, {}},
            {editor.Text1[2], {40, 184, 422, 65}, {}, 9, {}},
            {editor.Command1[0], {386, 272, 84, 46}, gothic, 12, u"閉じる(&C)"_s},
            {editor.Label1[4], {8, 40, 33, 17}, gothic, 9, u"日記"_s},
            {editor.Label1[5], {8, 184, 33, 17}, gothic, 9, u"備考"_s},
            {editor.Picture1, {40, 256, 36, 36}, {}, 0, {}},
            {editor.Command1[1], {8, 256, 28, 29}, {}, 0, {}},
            {editor.Command1[2], {288, 8, 73, 25}, gothic, 12, u"<<(&P)"_s},
            {editor.Command1[3], {360, 8, 73, 25}, gothic, 12, u"(&N)>>"_s}};
        for (const auto& [control, place, family, points, text] : controls) {
            const QByteArray name = control->objectName().toUtf8();
            const QFont font = control->font();
            QVERIFY2(control->geometry() == place, name);
            QCOMPARE(control->property("text").toString(), text);
            QVERIFY2(points == 0 || font.pointSizeF() == points, name);
            QVERIFY2(family.isEmpty() || (font.family() == family && font.bold()), name);
        }
        QCOMPARE(editor.StatusBar1->height(), 20);
        QCOMPARE(editor.Command1[1]->iconSize(), QSize(24, 24));
        for (const int index : {1, 2})
            QCOMPARE(editor.textBox(index)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(!editor.Text1[0]->testAttribute(Qt::WA_InputMethodEnabled));

        // Colours, as drawn; grey beside a picture narrower than the box.
        for (const std::size_t index : {0, 2, 3})
            QCOMPARE(pixelOf(*editor.Command1[index], QPoint(4, 4)), QColor(128, 255, 255));
        QCOMPARE(pixelOf(*editor.Command1[1], QPoint(3, 3)), QColor(Qt::white));
        QCOMPARE(pixelOf(*editor.Picture1, QPoint(editor.Picture1->width() - 3, 3)),
                 QColor(192, 192, 192));

        // Menus: "保存(&S)" and "ﾍﾙﾌﾟ(&H)" are commands on the bar itself.
        const QList<QAction*> bar = editor.menuBar()->actions();
        QCOMPARE(textsOf(bar), (QStringList{"戻る(&R)", "保存(&S)", "ｵﾌﾟｼｮﾝ(&O)", "ﾍﾙﾌﾟ(&H)"}));
        QVERIFY(bar[1] == editor.savTxt && bar[3] == editor.sHelp && !bar[1]->menu() &&
                !bar[3]->menu());
        QCOMPARE(textsOf(editor.retrn->actions()),
                 (QStringList{"保存して戻る(&E)", "保存せず戻る"}));
        QCOMPARE(editor.dEnd[0]->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(editor.dEnd[1]->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(textsOf(editor.optOpt->actions()),
                 (QStringList{"手帳(&B)", "ﾍﾟｲﾝﾄﾂｰﾙのﾊﾟｽ", "MDBﾊﾟｽ", "ｸﾞﾗﾌｨｯｸﾌｫﾙﾀﾞのﾊﾟｽ",
                              "ﾊﾞｯｸｸﾞﾗｳﾝﾄﾞﾃｸｽﾁｬのﾊﾟｽ", "MDBの最適化", "ﾌｫﾝﾄｻｲｽﾞ"}));
        QCOMPARE(textsOf(editor.opFont->actions()), (QStringList{"9", "10", "12", "14", "16"}));

        // The built-in pictures; the blank canvas is 240 x 120 and all white.
        for (const auto image : {BuiltinImage::Icon, BuiltinImage::Placeholder})
            QCOMPARE(builtinImage(image).size(), QSize(32, 32));
        QCOMPARE(builtinImage(BuiltinImage::Texture).size(), QSize(85, 113));
        QImage white(240, 120, builtinImage(BuiltinImage::BlankCanvas).format());
        white.fill(Qt::white);
        QCOMPARE(builtinImage(BuiltinImage::BlankCanvas), white);

        // Hovering a menu does not wipe the status line.
        editor.StatusBar1->showMessage(u"登録しました。"_s);
        QStatusTipEvent tip{QString()};
        QApplication::sendEvent(editor.menuBar(), &tip);
        QCOMPARE(status(editor), u"登録しました。"_s);
    }

    void resizeRules() {
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        // 6000 twips wide snaps back to the smallest size; text box heights never change.
        const std::tuple<QSize, QSize, int, int> sizes[] = {{{400, 400}, {6855, 6885}, 5895, 5355},
                                                            {{600, 500}, {9000, 7500}, 8040, 7500}};
        for (const auto& [pixels, twips, textWidth, closeLeft] : sizes) {
            editor.resize(pixels);
            QCoreApplication::processEvents();
            QCOMPARE(editor.sizeTwips(), twips);
            QCOMPARE(editor.Text1[1]->size(), QSize(textWidth / 15, 137));
            QCOMPARE(editor.Text1[2]->size(), QSize(textWidth / 15, 65));
            QCOMPARE(editor.Command1[0]->pos(), QPoint(closeLeft / 15, 272));
        }
        // A minimized window is left alone.
        editor.setWindowState(Qt::WindowMinimized);
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
        QCOMPARE((QList<int>{grid.columns, grid.rows, grid.stepX, grid.stepY}),
                 (QList<int>{26, 26, 40, 29}));
        QCOMPARE(grid.extent, QSize(27 * 40, 26 * 29 + 30));
        // Halves go to the even number (2.5 to 2); counts far beyond 255 do not wrap.
        QCOMPARE(tileGrid(QSize(100, 100), QSize(40, 41)).columns, 2);
        QCOMPARE(tileGrid(QSize(1024, 768), QSize(2, 2)).columns, 512);
        QCOMPARE(tileGrid(QSize(1024, 768), QSize(2, 2)).rows, 768);
        const QImage tiny = patternImage(2, 2);
        QCOMPARE(tileBackground(tiny, QSize(1024, 768)).pixel(1023, 767), tiny.pixel(1, 0));

        // Each tile covers the last row of the one above; the bottom tiles keep theirs.
        const QImage texture = patternImage(40, 30);
        const QImage tiles = tileBackground(texture, QSize(1024, 768));
        QCOMPARE(tiles.pixel(7, 29), texture.pixel(7, 0));
        QCOMPARE(tiles.pixel(1079, 26 * 29 + 29), texture.pixel(39, 29));

        // In the window: no texture file means the built-in one, behind the controls and
        // covering the screen.
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        const QImage builtIn = builtinImage(BuiltinImage::Texture);
        const QSize screen = editor.screen()->geometry().size();
        QVERIFY(editor.background().width() >= screen.width() &&
                editor.background().height() >= screen.height());
        QCOMPARE(pixelOf(*editor.centralWidget(), QPoint(300, 250)),
                 QColor(builtIn.pixel(300 - 3 * 85, 250 - 2 * 112)));

        // A texture file, and then an empty one.
        app::modFunc().bgPath = env->root() + u"/paper.png"_s;
        QVERIFY(texture.save(app::modFunc().bgPath));
        editor.bgTile();
        QCOMPARE(editor.background().pixel(45, 31), texture.pixel(5, 2));
        QVERIFY(QFile::resize(app::modFunc().bgPath, 0));
        editor.bgTile();
        QCOMPARE(editor.texture(), builtIn);
    }

    void closeBox() {
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], u"lost"_s);
        const QSize size = editor->sizeTwips();
        editor->close();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && app::modFunc().StatusRef.isNull());
        // The calendar window comes back; the change is dropped without a question.
        QVERIFY(windows::findCalendar() != nullptr && windows::findCalendar()->isVisible());
        QCOMPARE(rows(u"select count(*) from Mirel"_s), Rows{{"0"}});
        // The settings were saved from the still open editor.
        const platform::SettingsStore settings;
        QCOMPARE(settings.value(u"Mirel"_s, u"Width"_s).value_or(""),
                 QString::number(size.width()));
        QCOMPARE(settings.value(u"Mirel"_s, u"FontSize"_s).value_or(""), u"9"_s);

        // A close by code does not run the close box.
        QFile::remove(platform::SettingsStore::filePath());
        open(QDate(2026, 12, 5)).unload();
        testing::runDeferredDeletes();
        QVERIFY(windows::findEditor() == nullptr);
        QVERIFY(!QFile::exists(platform::SettingsStore::filePath()));
    }

    void helpPage() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(u"file"_s, &catcher, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
        frmMirel& editor = open(QDate(2026, 12, 5));

        // The page sits next to the program; a missing page shows nothing.
        const QString page = platform::programFilesFolder() + u"/MReadme.htm"_s;
        editor.sHelp->trigger();
        QVERIFY(catcher.urls.isEmpty());
        const QString source =
            qEnvironmentVariable("ORVANE_SOURCE_DIR") + u"/resources/MReadme.htm"_s;
        QVERIFY(QFile::copy(source, page));
        const auto remove = qScopeGuard([&] { QFile::remove(page); });
        editor.sHelp->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(page)});

        // The page is UTF-8 text in Japanese that names the keys of both windows.
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(file.readAll());
        QVERIFY(!utf8.hasError() && text.contains(u"<html lang=\"ja\">"_s));
        for (const char* word : {"保存して戻る", "F3", "F8", "orvane.mdb", "orvane.ini", "Graphic"})
            QVERIFY2(text.contains(QString::fromUtf8(word)), word);
    }
};

ORVANE_TEST_MAIN(EditorLoadTest)
#include "tst_editor_load.moc"
