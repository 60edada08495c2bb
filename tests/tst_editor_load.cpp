// The editor: loading a day, its picture, background and layout, help, the close box and the
// vocabulary ticker of its status line.
#include "platform/SettingsStore.h"
#include "support/Testing.h"
#include "windows/editor/TextureTiling.h"
#include "windows/editor/Ticker.h"

using namespace testing;
using windows::editor::BuiltinImage;
using windows::editor::builtinImage;
using windows::editor::tick;

class EditorLoadTest : public testing::EditorTest {
    Q_OBJECT
    QList<QUrl> urls;

    // A picture whose every pixel tells where it sits.
    static QImage patternImage(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int i = 0; i < width * height; ++i)
            image.setPixel(i % width, i / width,
                           qRgb(i % width * 5 % 256, i / width * 7 % 256, i % 251));
        return image;
    }

    // The lines of one cycle, tick by tick, starting from a line that holds a message.
    static QStringList cycle(const QString& row, const QString& message = {}) {
        qint16 position = 0;
        QStringList lines;
        for (QString line = message;;) {
            const auto next = tick(position, row, line);
            lines << next.line;
            if (next.ended)
                return lines;
            line = next.line;
        }
    }

public Q_SLOTS:
    void openUrl(const QUrl& url) { urls << url; } // the desktop's "open this file"

private Q_SLOTS:
    void loadingADay() {
        const QImage placeholder = builtinImage(BuiltinImage::Placeholder);
        putEntry(journal, u"2026-12-05"_s, u"晴れ\n散歩に出た"_s, u"散歩"_s);
        frmMirel& editor = open(QDate(2026, 12, 5));
        QCOMPARE(editor.windowTitle(), u"Velmora絵日記"_s);
        // No stored layout: 7295 x 6855 twips, grown to the smallest height of 6885.
        QCOMPARE(editor.size(), QSize(486, 459));
        QCOMPARE(editor.boxText(1) + u'|' + editor.boxText(2), u"晴れ\n散歩に出た|散歩"_s);
        QVERIFY(!editor.newRec && editor.shownPicture() == placeholder);

        // A day without an entry (that loading writes nothing: the random walk).
        editor.picFile = u"stale"_s;
        reload(editor, QDate(2026, 12, 4));
        QCOMPARE(editor.dateBox()->text(), u"2026/12/04 (金)"_s);
        QCOMPARE(editor.boxText(1) + editor.boxText(2) + editor.picFile, QString());
        QVERIFY(editor.newRec && !editor.txtChg && editor.shownPicture() == placeholder);

        // Back on the stored day newRec stays set; a picture-less entry and hovering a menu
        // leave the status line alone.
        editor.StatusBar1->showMessage(u"before"_s);
        reload(editor, QDate(2026, 12, 5));
        QStatusTipEvent tip{QString()};
        QApplication::sendEvent(editor.menuBar(), &tip);
        QVERIFY(editor.newRec && editor.boxText(2) == u"散歩"_s && status(editor) == u"before"_s);
    }

    void attachedPicture() {
        // Stored on Windows, found in the picture folder by its name; the box takes the picture's
        // size up to 297 pixels wide, border included.
        const QString wide = app::modFunc().gPath + u"/wide.png"_s, gone = u"/nowhere/gone.bmp"_s;
        QVERIFY(patternImage(400, 50).save(wide));
        putEntry(journal, u"2026-12-03"_s, {}, {}, gone);
        putEntry(journal, u"2026-12-02"_s, {}, {}, u"C:\\Users\\old\\Graphic\\wide.png"_s);
        frmMirel& editor = open(QDate(2026, 12, 2));
        QVERIFY(editor.shownPicture() == patternImage(400, 50) && !editor.txtChg);
        QCOMPARE(editor.picFile + u'|' + status(editor), wide + u'|' + wide);
        QCOMPARE(editor.Picture1->size(), QSize(297, 54));
        // One found nowhere is dropped and named in the status line.
        reload(editor, QDate(2026, 12, 3));
        QVERIFY(editor.shownPicture() == builtinImage(BuiltinImage::Placeholder));
        QCOMPARE(editor.picFile + u'|' + status(editor),
                 u"|ファイルは見つかりませんでした。"_s + gone);
        editor.Picture1_Click();
        QCOMPARE(status(editor), u"編集するにはダブルクリックしてください。"_s);
    }

    void failedLoadKeepsTheBoxes() {
        // A failure is shown, and the boxes keep what they had.
        frmMirel& editor = open(QDate(2026, 12, 5));
        editor.textBox(1)->setPlainText(u"kept"_s);
        app::modFunc().JournalDb.reset();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor.iniForm();
        const auto& call = env->dialogs.calls().back();
        QVERIFY2(call.title == u"Rec Show"_s && call.icon == platform::Icon::Critical &&
                     call.buttons == platform::Buttons::Ok && call.text.endsWith(u"(91)"_s),
                 qPrintable(call.title + u' ' + call.text));
        QCOMPARE(editor.boxText(1), u"kept"_s);
    }

    void textureAndResizeRules() {
        const auto tileBackground = [](const QImage& texture, const QSize& screen) {
            return windows::editor::TiledBackground(texture, screen).toImage();
        };
        // 40 x 30 on 1024 x 768: 1024 / 40 = 25.6 and 768 / 29 = 26.48 round to 26 and 26, so
        // 27 x 27 tiles, each covering the last row of the one above.
        const QImage texture = patternImage(40, 30);
        const QImage tiles = tileBackground(texture, QSize(1024, 768));
        QCOMPARE(tiles.size(), QSize(27 * 40, 26 * 29 + 30));
        QCOMPARE(tiles.pixel(7, 29), texture.pixel(7, 0));
        // Counts far beyond 255 do not wrap, so a tiny texture still covers the screen.
        QCOMPARE(tileBackground(patternImage(2, 2), QSize(1024, 768)).pixel(1023, 767),
                 patternImage(2, 2).pixel(1, 0));

        // No texture file: the built-in one, from the top left corner, behind the controls.
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        const QImage builtIn = editor.background();
        QCOMPARE(builtIn.pixel(5, 5), builtinImage(BuiltinImage::Texture).pixel(5, 5));
        QCOMPARE(editor.centralWidget()->grab().toImage().pixel(300, 250), builtIn.pixel(300, 250));
        // A texture file; one that cannot be loaded falls back to the built-in texture.
        QVERIFY(texture.save(app::modFunc().bgPath = env->root() + u"/paper.png"_s));
        editor.bgTile();
        QCOMPARE(editor.background().pixel(5, 2), texture.pixel(5, 2));
        QVERIFY(QFile::resize(app::modFunc().bgPath, 0));
        editor.bgTile();
        QCOMPARE(editor.background(), builtIn);

        // The window's size, the widths of the two text boxes and the close button's left edge,
        // in twips.
        const auto resized = [&](int width, int height) {
            editor.resize(width, height);
            QCoreApplication::processEvents();
            return QList<int>{editor.sizeTwips().width(), editor.sizeTwips().height(),
                              editor.Text1[1]->width() * 15, editor.Text1[2]->width() * 15,
                              editor.Command1[0]->x() * 15};
        };
        // 6000 twips wide snaps back to 6855; at 9000 the text boxes are 8040 wide and the close
        // button's left edge is at 7500; a minimized window is left alone.
        QCOMPARE(resized(400, 400), (QList<int>{6855, 6885, 5895, 5895, 5355}));
        QCOMPARE(resized(600, 500), (QList<int>{9000, 7500, 8040, 8040, 7500}));
        editor.setWindowState(Qt::WindowMinimized);
        QCOMPARE(resized(300, 300), (QList<int>{4500, 4500, 8040, 8040, 7500}));
    }

    void helpAndCloseBox() {
        QDesktopServices::setUrlHandler(u"file"_s, this, "openUrl");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        // The page sits next to the program; a missing page shows nothing.
        const QString page = platform::programFilesFolder() + u"/MReadme.htm"_s;
        editor->sHelp->trigger();
        QVERIFY(urls.isEmpty() && QFile(page).open(QIODevice::WriteOnly));
        const auto remove = qScopeGuard([&] { QFile::remove(page); });
        editor->sHelp->trigger();
        QCOMPARE(urls, QList<QUrl>{QUrl::fromLocalFile(page)});

        QTest::keyClicks(editor->Text1[1], u"lost"_s);
        const QString width = QString::number(editor->sizeTwips().width());
        editor->close();
        testing::runDeferredDeletes();
        // The calendar window comes back and the settings were saved from the still open editor
        // (the change dropped without a question: the random walk).
        QVERIFY(editor.isNull() && app::modFunc().StatusRef.isNull() &&
                windows::findCalendarByClockTitle() != nullptr);
        QCOMPARE(platform::SettingsStore().value(u"Mirel"_s, u"Width"_s).value_or(""), width);
    }

    void cyclesAndChoices() {
        // 2L + 22 ticks: typed in, held ten ticks, scrolled out, cleared.
        QCOMPARE(cycle({}).size(), 22);
        QCOMPARE(cycle(u"  ：  "_s).size(), 32);
        const QStringList abc = cycle(u"abc"_s, u"保存"_s);
        QCOMPARE(abc.size(), 28);
        QCOMPARE(abc.mid(0, 3), (QStringList{u"保存a"_s, u"保存ab"_s, u"保存abc"_s}));
        QVERIFY(abc.at(12) == u"保存abc"_s && abc.at(13) == u"存abc"_s); // the message goes first
        QCOMPARE(abc.mid(17), (QStringList{"", "", "", "", "", "", "", "", "", "", ""}));
    }

    void inTheEditor() {
        frmMirel& editor = open(QDate(2026, 12, 5));
        // The rows, no row chosen yet, the 150 ms timer running.
        QCOMPARE(editor.Combo1->count(), 196);
        QVERIFY(editor.Combo1->currentIndex() == -1 && editor.Combo1->isHidden());
        QVERIFY(editor.Timer1->isActive() && editor.Timer1->interval() == 150);
        // Seeded with 7, Qt's generator draws 0.62551 first: 0.62551 x 196 - 1 = 121.60, row 122.
        editor.random().seed(7);
        // The first cycle runs on no row; a save message scrolls out of it.
        editor.StatusBar1->showMessage(u"登録しました。"_s);
        for (int i = 0; i < 11; ++i)
            editor.Timer1_Timer();
        QCOMPARE(status(editor), u"録しました。"_s);
        for (int i = 0; i < 11; ++i)
            editor.Timer1_Timer();
        QVERIFY(status(editor).isEmpty() && editor.Combo1->currentIndex() == 122);
        editor.Timer1_Timer();
        QCOMPARE(status(editor), editor.Combo1->currentText().left(1));
    }
};

ORVANE_TEST_MAIN(EditorLoadTest)
#include "tst_editor_load.moc"
