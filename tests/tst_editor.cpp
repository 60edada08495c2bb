// The editor: loading a day, its picture, background and layout, help, the close box and the
// vocabulary ticker of its status line; saving, typing and the day buttons; the options menu
// (font size and the four paths; compaction: the random walk and tst_faults) and its picture:
// the picture button, drawing in the paint program, hovering.
#include "platform/SettingsStore.h"
#include "support/Testing.h"
#include "windows/editor/TextureTiling.h"
#include "windows/editor/Ticker.h"

#include <sqlite3.h>

using namespace testing;
using windows::editor::BuiltinImage;
using windows::editor::builtinImage;

class EditorWindowTest : public testing::EditorTest {
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

    // Text committed by an input method, as Japanese text arrives, or still being composed.
    static void inputMethod(QWidget* box, const QString& commit, const QString& preedit = {}) {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QApplication::sendEvent(box, &event);
    }

    // A paint program: a script that notes how it was called and the canvas it got, and after
    // the pause given draws a red 2 x 2 picture into its file.
    QString paintProgram(const QString& pause = u"0"_s) const {
        QImage red(2, 2, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(env->root() + u"/red.bmp"_s); // unwritten, no drawing turns red
        return testing::writeFile(
            env->root() + u"/bin/paint"_s,
            u"#!/bin/sh\ncd '%1'\necho \"$#:$1\" >> calls\ncp \"$1\" canvas.bmp\n"
            "sleep %2\ncp red.bmp \"$1\"\n"_s.arg(env->root(), pause)
                .toUtf8(),
            true);
    }
    QString calls() const {
        return QString::fromUtf8(testing::readFile(env->root() + u"/calls"_s));
    }
    QString said() const { return env->dialogs.calls().back().summary(); }

public Q_SLOTS:
    void openUrl(const QUrl& url) { urls << url; } // the desktop's "open this file"

private Q_SLOTS:
    void loadingADay() {
        putEntry(journal, u"2026-12-05"_s, u"晴れ\n散歩に出た"_s, u"散歩"_s);
        frmMirel& editor = open(QDate(2026, 12, 5));
        QCOMPARE(editor.windowTitle(), u"Velmora絵日記"_s);
        // No stored layout: 7295 x 6855 twips, grown to the smallest height of 6885.
        QCOMPARE(editor.size(), QSize(486, 459));
        QCOMPARE(editor.boxText(1) + u'|' + editor.boxText(2), u"晴れ\n散歩に出た|散歩"_s);
        QVERIFY(!editor.newRec && editor.shownPicture() == builtinImage(BuiltinImage::Placeholder));

        // A day without an entry (what it shows, and that loading writes nothing: the random
        // walk; that it sets newRec: just below).
        reload(editor, QDate(2026, 12, 4));

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
        const QImage builtIn = editor.background();
        QCOMPARE(builtIn.pixel(5, 5), builtinImage(BuiltinImage::Texture).pixel(5, 5));
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

        const QString width = QString::number(editor->sizeTwips().width());
        editor->close();
        testing::runDeferredDeletes();
        // The calendar window comes back and the settings were saved from the still open editor
        // (with a change, dropped without a question: the random walk).
        QVERIFY(editor.isNull() && app::modFunc().StatusRef.isNull() &&
                windows::findCalendarByClockTitle() != nullptr);
        QCOMPARE(platform::SettingsStore().value(u"Mirel"_s, u"Width"_s).value_or(""), width);
    }

    void vocabularyTicker() {
        // 2L + 22 ticks: typed in, held ten ticks, scrolled out, cleared.
        qint16 position = 0;
        QStringList abc{u"保存"_s}; // a message in the line first, left out below
        for (bool ended = false; !ended;) {
            const auto next = windows::editor::tick(position, u"abc"_s, abc.back());
            abc << next.line;
            ended = next.ended;
        }
        abc.removeFirst();
        QCOMPARE(abc.mid(0, 3), (QStringList{u"保存a"_s, u"保存ab"_s, u"保存abc"_s}));
        QVERIFY(abc.at(12) == u"保存abc"_s && abc.at(13) == u"存abc"_s); // the message goes first
        QCOMPARE(abc.mid(17), (QStringList{"", "", "", "", "", "", "", "", "", "", ""}));

        // In the editor: the rows, no row chosen yet, the 150 ms timer running.
        frmMirel& editor = open(QDate(2026, 12, 5));
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

    void insertTwiceAndReadBack() {
        const QString picture = app::modFunc().gPath + u"/It's a \"day\".png"_s;
        QVERIFY(builtinImage(BuiltinImage::Icon).save(picture));
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        QVERIFY(testing::activate(*editor));
        QTest::keyClicks(editor->Text1[1], u"It's\r"_s);
        inputMethod(editor->Text1[1], u"晴れ \u00a0ok\t😀"_s);
        QTest::keyClicks(editor->Text1[2], u"a'b\"c;--"_s);
        editor->picFile = picture;
        editor->savTxt->trigger();
        QCOMPARE(status(*editor), u"登録しました。"_s);
        const QStringList typed{u"It's\n晴れ \u00a0ok\t😀"_s, u"a'b\"c;--"_s, picture};
        const QStringList saved =
            QStringList{"2026-12-05 00:00:00"} + typed +
            QStringList{"0", "2026-12-06 00:00:00", "1899-12-30 21:05:09", "PC01"};
        QCOMPARE(rows(u"select * from Mirel"_s), testing::Rows{saved});
        // newRec stays set, so the second save runs into the day's row and updates it.
        editor->savTxt->trigger();
        QCOMPARE(status(*editor), u"更新しました。"_s);
        // F3 saves and goes back to the calendar (the next opening: the random walk).
        QTest::keyClick(editor->Text1[1], Qt::Key_F3);
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && windows::findCalendar() != nullptr);
    }

    void typingHintsAndDaySteps() {
        putEntry(journal, u"2027-01-01"_s, u"abc"_s, {});
        windows::showCalendar();
        app::modFunc().MarkedMonth = -1; // no month has this key
        frmMirel& editor = open(QDate(2027, 1, 1));
        QVERIFY(testing::activate(editor));
        // A button is pink and shows its hint while it has the focus, light cyan without a hint
        // after, the picture button included.
        const QStringList hints{u"戻ります。"_s,
                                u"画像、またはペイントツールを選択してください。"_s,
                                u"2026/12/31へ"_s, u"2027/01/02へ"_s};
        const auto shown = [&](std::size_t i) {
            return status(editor) + editor.Command1[i]->grab().toImage().pixelColor(4, 4).name();
        };
        for (const std::size_t i : {0, 1, 2, 3}) {
            editor.Command1[i]->setFocus();
            QCOMPARE(shown(i), hints[int(i)] + u"#ff80ff"_s);
            editor.Text1[1]->setFocus();
            QCOMPARE(shown(i), u"#80ffff"_s);
        }

        // Cursor keys change nothing that counts; "(&N)>>" then refreshes the marks all the
        // same (that it writes nothing and shows the next day: the random walk).
        for (const auto key : {Qt::Key_End, Qt::Key_Home, Qt::Key_Right})
            QTest::keyClick(editor.Text1[1], key);
        QVERIFY(!editor.txtChg);
        editor.Command1[3]->click();
        QVERIFY(app::modFunc().MarkedMonth != -1);

        // Backspace, Enter and paste typed into any of the three boxes, the date box included,
        // mark the entry changed.
        const std::pair<std::size_t, QKeyCombination> keys[] = {
            {0, Qt::Key_Backspace}, {1, Qt::Key_Return}, {2, Qt::ControlModifier | Qt::Key_V}};
        for (const auto& [index, key] : keys) {
            reload(editor, QDate(2027, 1, 1));
            QTest::keyClick(editor.Text1[index], key.key(), key.keyboardModifiers());
            QVERIFY2(editor.txtChg, qPrintable(QString::number(index)));
        }
        QTest::keyClicks(editor.Text1[1], u"x"_s);
        editor.Command1[0]->setFocus();
        QCOMPARE(status(editor), u"保存して戻ります。"_s);
        // "<<(&P)" steps back across the year and focuses the text (that it saves first: the
        // random walk).
        QTest::mouseClick(editor.Command1[2], Qt::LeftButton);
        QCOMPARE(editor.dateBox()->text(), u"2026/12/31 (木)"_s);
        QCOMPARE(QApplication::focusWidget(), editor.Text1[1]);
    }

    void everyEditIsSaved() {
        putEntry(journal, u"2026-12-05"_s, u"abc"_s, {});
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(testing::activate(editor));
        QPlainTextEdit* box = editor.textBox(1);
        const auto contextMenu = [box](const char* action) {
            const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
            menu->findChild<QAction*>(QLatin1String(action))->trigger();
        };
        const auto drop = [box](const QString& text) {
            QMimeData data;
            data.setText(text);
            const QPointF at = box->cursorRect().center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
            QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(box->viewport(), &enter);
            QApplication::sendEvent(box->viewport(), &dropped);
        };
        // Ways a user changes the text besides those of the random walk (Delete, pastes), each
        // alone after a load, then 保存: what is shown is stored. Text still being composed by
        // an input method is committed first.
        const std::pair<std::function<void()>, QString> edits[] = {
            {[&] { box->selectAll(), contextMenu("edit-cut"); }, u""_s},
            {[&] { drop(u"落"_s); }, u"落abc"_s},
            {[&] { inputMethod(box, {}, u"にっき"_s); }, u"にっきabc"_s},
        };
        for (const auto& [edit, stored] : edits) {
            QVERIFY(testing::rawExecute(journal, u"update Mirel set Mirel_txt='abc'"_s));
            reload(editor, QDate(2026, 12, 5));
            edit();
            editor.savTxt->trigger();
            QCOMPARE(rows(u"select Mirel_txt from Mirel"_s).value(0).value(0) + u'|' +
                         editor.boxText(1),
                     stored + u'|' + stored);
        }
    }

    void failedSaveStaysOnTheDay() {
        putEntry(journal, u"2026-12-05"_s, u"old"_s, {});
        app::modFunc().TerminalName = u"OTHER"_s;
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], u"kept "_s);
        editor->picFile = QString(101, u'p'); // the picture column holds 100 characters
        // Every save command says why; the day buttons stay and the close commands (the
        // notebook's too) keep the editor open with the text.
        for (int i = 0; i < 5; ++i)
            env->dialogs.answerMessage(platform::Answer::Ok);
        editor->dEnd[0]->trigger();
        editor->opNote->trigger();
        for (QPushButton* button : {editor->Command1[3], editor->Command1[2], editor->Command1[0]})
            button->click();
        QVERIFY2(said().startsWith(u"Update|0|0|"_s) && said().endsWith(u"(3163)"_s),
                 qPrintable(said()));
        QVERIFY(!editor.isNull() && editor->isVisible() && windows::findNotebook() == nullptr);
        QCOMPARE(editor->dateBox()->text() + editor->boxText(1), u"2026/12/05 (土)kept old"_s);

        // Mended, the same text saves and the editor gives way to the notebook without storing
        // its settings; the update leaves the columns of the first save alone. (保存せず戻る
        // dropping a change: the random walk.)
        editor->picFile.clear();
        editor->opNote->trigger();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && windows::findNotebook() != nullptr &&
                !QFileInfo::exists(env->settingsFile()));
        QCOMPARE(rows(u"select * from Mirel"_s),
                 (testing::Rows{{"2026-12-05 00:00:00", "kept old", "", "", "0",
                                 "2026-12-05 00:00:00", "1899-12-30 10:00:00", "PC01"}}));
    }

    void journalThatCannotTakeTheSave() {
        putEntry(journal, u"2026-12-05"_s, u"old"_s, {});
        frmMirel& editor = open(QDate(2026, 12, 5));
        QTest::keyClicks(editor.Text1[1], u"new "_s);
        const auto refused = [&](const QString& why) {
            env->dialogs.answerMessage(platform::Answer::Ok);
            const bool saved = editor.devProc();
            const QString told = said();
            QVERIFY2(!saved && told.startsWith(u"Update|0|0|"_s) && told.contains(why),
                     qPrintable(told));
            QCOMPARE(editor.boxText(1) + status(editor), u"new old"_s); // no "更新しました。"
        };
        // Another program holds the journal: the save waits a moment, then says so.
        {
            sqlite3* other = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(journal).constData(), &other), SQLITE_OK);
            const auto close = qScopeGuard([&] { sqlite3_close(other); });
            QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
            refused(u"別のプログラムが使っているため"_s);
        }
        QCOMPARE(rows(u"select Mirel_txt from Mirel"_s), testing::Rows{{"old"}});
        // The file at the journal's path is replaced, or gone: the open file would take the save
        // and lose it, so nothing is written and the user learns why.
        const QString copy = env->root() + u"/copy.mdb"_s;
        QVERIFY(QFile::copy(journal, copy) && QFile::remove(journal) &&
                QFile::rename(copy, journal));
        refused(u"置き換えられました。"_s);
        QCOMPARE(rows(u"select Mirel_txt from Mirel"_s), testing::Rows{{"old"}});
        QVERIFY(QFile::remove(journal));
        refused(u"(3024)"_s);
        QVERIFY(!QFile::exists(journal));
    }

    void journalChangedBehindTheEditor() {
        // The editor shows a day without an entry; meanwhile the sqlite3 client adds one in a
        // form of its own. The save rewrites that row instead of adding a second one.
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(testing::rawExecute(journal, u"insert into Mirel(Reg_dat, Mirel_txt) values "
                                             "('2026/12/5', 'typed')"_s));
        QTest::keyClicks(editor.Text1[1], u"mine"_s);
        QVERIFY(editor.devProc());
        QCOMPARE(rows(u"select Reg_dat, Mirel_txt from Mirel"_s),
                 (testing::Rows{{"2026-12-05 00:00:00", "mine"}}));

        // A load that fails is shown, and the boxes keep what they had.
        app::modFunc().JournalDb.reset();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor.iniForm();
        QVERIFY2(said().startsWith(u"Rec Show|0|1|"_s) && said().endsWith(u"(91)"_s),
                 qPrintable(said()));
        QCOMPARE(editor.boxText(1), u"mine"_s);
    }

    void fontSizeAndPaths() {
        auto& m = app::modFunc();
        frmMirel& editor = open(QDate(2026, 12, 5));
        editor.opFsize[7]->trigger();
        QCOMPARE(editor.textBox(2)->font().pointSize(), 16);
        // The paint program: only a program is taken ("PBRUSH.EXE" is not one here).
        const QString before = m.pPath;
        env->dialogs.answerFile(testing::writeFile(env->root() + u"/PBRUSH.EXE"_s, "MZ"));
        editor.optPath[0]->trigger();
        QCOMPARE(m.pPath, before);
        const auto asked = env->dialogs.calls().back().file;
        QCOMPARE(asked.fileName + u'|' + asked.filter + u'|' + QString::number(asked.filterIndex),
                 before + u"|すべてのファイル (*.*)|*.*|ペイントツール (*.exe)|*.exe|1"_s);
        const QString paint =
            testing::writeFile(env->root() + u"/bin/paint"_s, "#!/bin/sh\n", true);
        env->dialogs.answerFile(paint);
        editor.optPath[0]->trigger();
        QCOMPARE(m.pPath, paint);
        // The picture folder: nothing typed changes nothing; a new one is made.
        const QString folder = m.gPath;
        env->dialogs.answerInput(QString());
        editor.optPath[2]->trigger();
        QCOMPARE(m.gPath, folder);
        env->dialogs.answerInput(env->root() + u"/pictures"_s);
        editor.optPath[2]->trigger();
        QVERIFY(m.gPath == env->root() + u"/pictures"_s && QFileInfo(m.gPath).isDir());
        // A texture that cannot be loaded is forgotten.
        env->dialogs.answerFile(testing::writeFile(env->root() + u"/paper.bmp"_s, "no"));
        env->dialogs.answerMessage(Answer::Ok);
        editor.optPath[3]->trigger();
        QVERIFY(m.bgPath.isEmpty());
        QCOMPARE(said(), u"ORVANE|0|1|ピクチャが不正です。(481)"_s);
        // Everything reaches the settings when the editor closes.
        editor.dEnd[1]->trigger();
        const QSettings stored(env->settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value("Mirel/FontSize").toString() + u'|' +
                     stored.value("Option/pPath").toString(),
                 u"16|"_s + paint);
    }

    void databasePath() {
        // An existing journal chosen, a new one made and used at once: the random walk. A new
        // one with the question cancelled, then the chooser cancelled: said, and nothing ends.
        frmMirel& editor = open(QDate(2026, 12, 5));
        env->dialogs.answerFile(env->root() + u"/fresh.mdb"_s);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(std::nullopt);
        env->dialogs.answerMessage(Answer::Ok);
        editor.optPath[1]->trigger();
        // (The two messages' words: tst_startup firstStart and chooserCancelled.)
        const auto& calls = env->dialogs.calls();
        QVERIFY(env->endings.isEmpty() && app::modFunc().JournalDb->path() == journal);
        // A name yet to be made is what this chooser, unlike the others, lets the user type.
        QVERIFY(!calls.at(0).file.mustExist && calls.at(2).file.mustExist);

        // The desktop's own dialogs, answered as a user answers them: the texture chooser is
        // cancelled, the database chooser's name of a file yet to be made is taken (in a chooser
        // for existing files only, a refusal and the chooser again).
        platform::setDialogs(nullptr);
        const auto scripted = qScopeGuard([&] { platform::setDialogs(&env->dialogs); });
        QStringList modes;
        bool take = false; // the next file dialog is answered with its open button
        QPointer<QWidget> answered;
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == answered)
                return;
            answered = modal;
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                modes << (files->fileMode() == QFileDialog::AnyFile ? u"any"_s : u"existing"_s);
                // After this tick: a refusal brings a message box of its own.
                QMetaObject::invokeMethod(files, std::exchange(take, false) ? "accept" : "reject",
                                          Qt::QueuedConnection);
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                QAbstractButton* answer = box->defaultButton();
                (answer != nullptr ? answer : box->buttons().front())->click();
            }
        });
        user.start(10);
        auto& m = app::modFunc();
        editor.optPath[3]->trigger();
        // The chooser proposes mdbPath; here a name with no file yet.
        m.mdbPath = env->root() + u"/new.mdb"_s;
        take = true;
        editor.optPath[1]->trigger();
        QCOMPARE(modes.join(u' '), u"existing any"_s);
        QCOMPARE(m.JournalDb->path(), env->root() + u"/new.mdb"_s);
    }

    void drawingInThePaintProgram() {
        auto& m = app::modFunc();
        m.gPath = env->root() + u"/my pictures"_s; // a blank in the path
        QDir().mkpath(m.gPath);
        m.pPath = paintProgram(u"0.4"_s);
        // 1926/12/05 drew 261205.bmp long ago; 2026/12/05 must not draw over it.
        const QString older = testing::writeFile(m.gPath + u"/261205.bmp"_s, "1926");
        frmMirel& editor = open(QDate(2026, 12, 5));
        // While the program runs, timers go on (the windows repaint) but no window closes.
        bool closed = true;
        int ticks = 0;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (ticks++ == 0)
                closed = editor.close();
        });
        probe.start(50);
        editor.Picture1_DblClick();
        QVERIFY(!closed && ticks >= 3 && editor.isVisible());
        // It started from a white 240 x 120 canvas, got its path as one argument, blanks and
        // all, and the editor waited for its very end: the drawing shows.
        const QString drawn = m.gPath + u"/261205-2.bmp"_s;
        QCOMPARE(calls(), u"1:"_s + drawn + u'\n');
        QImage blank(240, 120, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QCOMPARE(QImage(env->root() + u"/canvas.bmp"_s).convertToFormat(blank.format()), blank);
        QCOMPARE(testing::readFile(older), "1926");
        QVERIFY(editor.picFile == drawn && editor.txtChg && m.PaintPid > 0);
        QCOMPARE(editor.shownPicture().pixelColor(1, 1), QColor(Qt::red));
        // An attached picture is drawn in as it is: no new file.
        m.pPath = paintProgram();
        editor.Picture1_DblClick();
        QCOMPARE(calls(), u"1:%1\n1:%1\n"_s.arg(drawn));
        QCOMPARE(QDir(m.gPath).count(), 4u); // ., .., the two pictures

        // A program that cannot start: nothing waits, the user is asked for another, and the
        // next double-click starts that one.
        const QString program = m.pPath;
        const QString gone = env->root() + u"/gone/paint"_s;
        m.pPath = gone;
        // A file that is no program is refused, saying so.
        for (const QString& chosen : {drawn, program}) {
            env->dialogs.answerMessage(Answer::Ok);
            env->dialogs.answerFile(chosen);
            if (chosen == drawn)
                env->dialogs.answerMessage(Answer::Ok);
            editor.Picture1_DblClick();
        }
        QCOMPARE(env->dialogs.calls().at(0).summary(),
                 u"ORVANE|0|0|ペイントツールを指定してください。"_s);
        QCOMPARE(env->dialogs.calls().at(2).summary(),
                 u"ORVANE|0|0|プログラムではないファイルです。"_s);
        QCOMPARE(m.pPath, program);
        QCOMPARE(status(editor), u"ペイントツールを指定してください。"_s);
        editor.Picture1_DblClick();
        QCOMPARE(calls().count(u'\n'), 3);
    }

    void pictureButton() {
        auto& m = app::modFunc();
        const QString photo = m.gPath + u"/IMG_0001.JPG"_s;
        QImage green(3, 3, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(green.save(photo, "JPG"));
        // Every file on a memory stick is executable: a photograph is still a photograph.
        QFile::setPermissions(photo, QFile::permissions(photo) | QFile::ExeOwner);
        frmMirel& editor = open(QDate(2026, 12, 5));
        env->dialogs.answerFile(photo);
        editor.Command1[1]->click();
        const auto& asked = env->dialogs.calls().back().file;
        QCOMPARE(asked.fileName + u'|' + asked.filter + u'|' + QString::number(asked.filterIndex),
                 m.gPath + u"/p261205.bmp|すべてのファイル (*.*)|*.*|ＢＭＰ ファイル (*.bmp)|*.bmp|"
                           "ＪＰＧ ファイル (*.jpg)|*.jpg|ペイントツール (*.exe)|*.exe|2"_s);
        QVERIFY(asked.hideReadOnly && editor.picFile == photo && editor.txtChg);
        QCOMPARE(status(editor), u"画像を削除するにはキャンセルしてください。"_s);

        // A program: the paint program changes, the picture stays attached.
        const QString program = paintProgram();
        env->dialogs.answerFile(program);
        editor.txtChg = false;
        editor.pictureButton_Click();
        QVERIFY(m.pPath == program && editor.picFile == photo && !editor.txtChg);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        // Cancelled with a picture attached: No keeps it, Yes removes it.
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            env->dialogs.answerFile(std::nullopt);
            env->dialogs.answerMessage(answer);
            editor.pictureButton_Click();
            QCOMPARE(said(), u"ORVANE|2|0|画像を削除しますか？"_s);
        }
        QVERIFY(editor.picFile.isEmpty() && editor.txtChg);
        QCOMPARE(status(editor), u"ペイントツールの選択もできます。"_s);
        // A file that is no picture is attached all the same, after the message.
        const QString notes = testing::writeFile(m.gPath + u"/notes.EXE"_s, "text");
        env->dialogs.answerFile(notes);
        env->dialogs.answerMessage(Answer::Ok);
        editor.pictureButton_Click();
        QCOMPARE(said(), u"ORVANE|0|0|ピクチャが不正です。(481)"_s);
        QCOMPARE(editor.picFile, notes);
    }

    void hoveringAndDamagedPictures() {
        // A stored picture that is damaged: reported once while it stays so, kept attached.
        const QString picture = testing::writeFile(app::modFunc().gPath + u"/261205.bmp"_s, "BM?");
        putEntry(journal, u"2026-12-05"_s, u"old"_s, {}, picture);
        env->dialogs.answerMessage(Answer::Ok);
        frmMirel& editor = open(QDate(2026, 12, 5));
        QTest::mouseMove(editor.Picture1, QPoint(5, 5));
        QTest::mouseMove(editor.Picture1, QPoint(6, 6));
        // Under X the move comes back from the server: waited for, not assumed.
        QTRY_COMPARE(env->dialogs.messageTexts(), QStringList{u"ピクチャが不正です。(481)"_s});
        QCOMPARE(status(editor), u"画像として読み込めません。"_s + picture);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        // Mended on disk, it shows at the next hover; one too large to load is a message too.
        // A plain click names it too.
        QVERIFY(builtinImage(BuiltinImage::Icon).save(picture, "BMP"));
        editor.StatusBar1->clearMessage();
        QTest::mouseClick(editor.Picture1, Qt::LeftButton, {}, QPoint(7, 7));
        QCOMPARE(editor.shownPicture().size(), QSize(32, 32));
        QCOMPARE(status(editor), picture);
        QByteArray huge = testing::readFile(picture);
        for (const int at : {18, 22}) // width and height: 20,000 pixels
            qToLittleEndian<qint32>(20000, huge.data() + at);
        testing::writeFile(picture, huge); // the same size: told apart by its time
        QFile file(picture);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                 QFileDevice::FileModificationTime));
        file.close();
        env->dialogs.answerMessage(Answer::Ok);
        QTest::mouseMove(editor.Picture1, QPoint(8, 8));
        QTRY_COMPARE(env->dialogs.messageTexts().size(), 2);
        QCOMPARE(editor.picFile, picture);
    }
};

ORVANE_TEST_MAIN(EditorWindowTest)
#include "tst_editor.moc"
