#include "support/Testing.h"

#include <sqlite3.h>

using namespace testing;

class EditorSaveTest : public testing::EditorTest {
    Q_OBJECT

    // Text committed by an input method, as Japanese text arrives, or still being composed.
    static void inputMethod(QWidget* box, const QString& commit, const QString& preedit = {}) {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QApplication::sendEvent(box, &event);
    }

private Q_SLOTS:
    void insertTwiceAndReadBack() {
        const QString picture = app::modFunc().gPath + u"/It's a \"day\".png"_s;
        QVERIFY(windows::editor::builtinImage(windows::editor::BuiltinImage::Icon).save(picture));
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
        // F3 saves and goes back to the calendar; the next opening shows the entry as typed.
        QTest::keyClick(editor->Text1[1], Qt::Key_F3);
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && windows::findCalendar() != nullptr);
        editor = &open(QDate(2026, 12, 5));
        QCOMPARE((QStringList{editor->boxText(1), editor->boxText(2), editor->picFile}), typed);
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

        // Cursor keys change nothing that counts: "(&N)>>" then writes nothing, refreshes the
        // marks all the same and shows the next day.
        for (const auto key : {Qt::Key_End, Qt::Key_Home, Qt::Key_Right})
            QTest::keyClick(editor.Text1[1], key);
        QVERIFY(!editor.txtChg);
        editor.Command1[3]->click();
        QCOMPARE(rows(u"select Mirel_txt from Mirel"_s), testing::Rows{{"abc"}});
        QVERIFY(app::modFunc().MarkedMonth != -1);
        QCOMPARE(editor.dateBox()->text(), u"2027/01/02 (土)"_s);

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
            {[&] { box->selectAll(), contextMenu("edit-delete"); }, u""_s},
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
        // Every save command says why; the day buttons stay and the close commands keep the
        // editor open with the text.
        for (int i = 0; i < 4; ++i)
            env->dialogs.answerMessage(platform::Answer::Ok);
        editor->dEnd[0]->trigger();
        for (QPushButton* button : {editor->Command1[3], editor->Command1[2], editor->Command1[0]})
            button->click();
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.title + call.text.right(6), u"Update(3163)"_s);
        QVERIFY(call.icon == platform::Icon::None && call.buttons == platform::Buttons::Ok);
        QVERIFY(!editor.isNull() && editor->isVisible());
        QCOMPARE(editor->dateBox()->text() + editor->boxText(1), u"2026/12/05 (土)kept old"_s);

        // Mended, the same text saves; the update leaves the columns of the first save alone.
        // "保存せず戻る" then drops a change and leaves.
        editor->picFile.clear();
        editor->savTxt->trigger();
        QTest::keyClicks(editor->Text1[2], u"lost"_s);
        editor->dEnd[1]->trigger();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && windows::findCalendar() != nullptr);
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
            const QString said = env->dialogs.calls().back().summary();
            QVERIFY2(!saved && said.startsWith(u"Update|0|0|"_s) && said.contains(why),
                     qPrintable(said));
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

    void dayTypedInByAnotherTool() {
        // The editor shows a day without an entry; meanwhile the sqlite3 client adds one in a
        // form of its own. The save rewrites that row instead of adding a second one.
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(testing::rawExecute(journal, u"insert into Mirel(Reg_dat, Mirel_txt) values "
                                             "('2026/12/5', 'typed')"_s));
        QTest::keyClicks(editor.Text1[1], u"mine"_s);
        QVERIFY(editor.devProc());
        QCOMPARE(status(editor), u"更新しました。"_s);
        QCOMPARE(rows(u"select Reg_dat, Mirel_txt from Mirel"_s),
                 (testing::Rows{{"2026-12-05 00:00:00", "mine"}}));
    }
};

ORVANE_TEST_MAIN(EditorSaveTest)
#include "tst_editor_save.moc"
