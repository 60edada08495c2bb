#include "support/EditorFixture.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/TypedInput.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

using testing::Rows;
using windows::editor::BuiltinImage;
using windows::editor::builtinImage;

namespace {

const QString AllColumns = u"select Reg_dat, Mirel_txt, Memo_txt, Pic_txt, Error_kbn, Treat_dat, "
                           "Treat_tim, Terminal_nam from Mirel"_s;

// Text committed by an input method, as Japanese text arrives.
void commitText(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

} // namespace

class EditorSaveTest : public testing::EditorTest {
    Q_OBJECT

private Q_SLOTS:
    void insertThenUpdateLater() {
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        QVERIFY(testing::activate(*editor));
        commitText(editor->Text1[1], u"晴れ"_s);
        commitText(editor->Text1[2], u"散歩"_s);
        editor->savTxt->trigger();
        QCOMPARE(status(*editor), u"登録しました。"_s);
        const Rows firstSave{{"2026-12-05 00:00:00", "晴れ", "散歩", "", "0", "2026-12-06 00:00:00",
                              "1899-12-30 21:05:09", "PC01"}};
        QCOMPARE(rows(AllColumns), firstSave);
        // newRec stays set, so the second save runs into the day's row and updates it; the
        // editor stays open, and the entry stays marked changed.
        editor->savTxt->trigger();
        QCOMPARE(status(*editor), u"更新しました。"_s);
        QVERIFY(windows::findEditor() == editor && editor->newRec && editor->txtChg);
        QCOMPARE(rows(AllColumns), firstSave);
        // F3 saves and goes back to the calendar.
        QTest::keyClick(editor->Text1[1], Qt::Key_F3);
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && app::modFunc().StatusRef.isNull());
        QVERIFY(windows::findCalendar() != nullptr);

        // A day later, on another computer: the update leaves the first save's columns alone.
        env->clock.set(QDateTime(QDate(2026, 12, 7), QTime(8, 30, 0)));
        app::modFunc().TerminalName = u"OTHER"_s;
        editor = &open(QDate(2026, 12, 5));
        QTest::keyClick(editor->Text1[1], Qt::Key_End);
        QTest::keyClicks(editor->Text1[1], u"!"_s);
        editor->savTxt->trigger();
        QCOMPARE(status(*editor), u"更新しました。"_s);
        QCOMPARE(rows(AllColumns), (Rows{{"2026-12-05 00:00:00", "晴れ!", "散歩", "", "0",
                                          "2026-12-06 00:00:00", "1899-12-30 21:05:09", "PC01"}}));
    }

    void textsStoredUnchanged() {
        const QString picture = app::modFunc().gPath + u"/It's a \"day\".png"_s;
        QVERIFY(builtinImage(BuiltinImage::Icon).save(picture, "PNG"));
        frmMirel* editor = &open(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], u"It's"_s);
        QTest::keyClick(editor->Text1[1], Qt::Key_Return);
        commitText(editor->Text1[1], u"😀 \u00a0ok\tです"_s);
        QTest::keyClicks(editor->Text1[2], u"a'b\"c;--"_s);
        editor->picFile = picture;
        QVERIFY(editor->devProc());
        const QString text = u"It's\n😀 \u00a0ok\tです"_s;
        QCOMPARE(rows(u"select Mirel_txt, Memo_txt, Pic_txt from Mirel"_s),
                 (Rows{{text, "a'b\"c;--", picture}}));

        // And back into the boxes as they were typed.
        editor->unload();
        testing::runDeferredDeletes();
        editor = &open(QDate(2026, 12, 5));
        QCOMPARE(editor->boxText(1) + u'|' + editor->boxText(2), text + u"|a'b\"c;--"_s);
        QCOMPARE(editor->picFile, picture);
        QCOMPARE(editor->shownPicture(), builtinImage(BuiltinImage::Icon));
    }

    void nextDayWithoutChange() {
        frmCal& calendar = windows::showCalendar();
        app::modFunc().MarkedMonth = -1; // no month has this key
        frmMirel& editor = open(QDate(2026, 12, 5));
        editor.Command1[3]->click();
        // Nothing written, the marks refreshed all the same, the next day shown.
        QCOMPARE(rows(u"select count(*) from Mirel"_s), Rows{{"0"}});
        QVERIFY(app::modFunc().MarkedMonth != -1);
        QCOMPARE(editor.dateBox()->text(), u"2026/12/06 (日)"_s);

        // A minimized calendar does not carry the clock title, so it is not found.
        calendar.setWindowState(Qt::WindowMinimized);
        calendar.Timer1_Timer();
        app::modFunc().MarkedMonth = -1;
        editor.Command1[3]->click();
        QCOMPARE(app::modFunc().MarkedMonth, -1);
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 7));
    }

    void typedCharactersAndOtherEdits() {
        // Delete and cursor keys change the text but not the flag, so nothing is saved.
        QVERIFY(addEntry(u"2026-12-05"_s, u"abc"_s, {}));
        frmMirel& editor = open(QDate(2026, 12, 5));
        QVERIFY(testing::activate(editor));
        editor.Text1[1]->setFocus();
        for (const auto key : {Qt::Key_Home, Qt::Key_Delete, Qt::Key_Delete, Qt::Key_Right})
            QTest::keyClick(editor.Text1[1], key);
        QCOMPARE(editor.boxText(1), u"c"_s);
        QVERIFY(!editor.txtChg);
        editor.Command1[3]->click();
        QCOMPARE(rows(u"select Mirel_txt from Mirel"_s), Rows{{"abc"}});
        // Text put in by the program is no change either; a key typed into any of the three
        // boxes, the date box included, is.
        editor.textBox(2)->setPlainText(u"by the program"_s);
        editor.dateBox()->setText(u"x"_s);
        QVERIFY(!editor.txtChg);
        for (const int index : {0, 1, 2}) {
            reload(editor, QDate(2026, 12, 5));
            QTest::keyClick(editor.Text1[static_cast<std::size_t>(index)], Qt::Key_Backspace);
            QVERIFY2(editor.txtChg, qPrintable(QString::number(index)));
        }

        // Keys the window test cannot isolate: Enter, paste and cut count; Tab, function keys,
        // other Control shortcuts, key releases and text still being composed do not.
        using windows::editor::isTypedCharacter;
        const auto typed = [](Qt::Key code, const char* text, Qt::KeyboardModifiers mods = {}) {
            return isTypedCharacter(
                QKeyEvent(QEvent::KeyPress, code, mods, QString::fromLatin1(text)));
        };
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QVERIFY(typed(Qt::Key_Return, "\r") && typed(Qt::Key_Enter, "\r", Qt::KeypadModifier));
        QVERIFY(typed(Qt::Key_V, "\x16", ctrl) && typed(Qt::Key_X, "\x18", ctrl));
        QVERIFY(!typed(Qt::Key_Tab, "\t") && !typed(Qt::Key_F3, "") && !typed(Qt::Key_Left, ""));
        QVERIFY(!typed(Qt::Key_C, "\x03", ctrl) && !typed(Qt::Key_A, "a", ctrl) &&
                !typed(Qt::Key_S, "S", ctrl | Qt::ShiftModifier));
        QVERIFY(!isTypedCharacter(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, {}, u"a"_s)));
        QVERIFY(!isTypedCharacter(QInputMethodEvent(u"にっき"_s, {})));
    }

    void buttonHintsColoursAndDaySteps() {
        frmMirel& editor = open(QDate(2027, 1, 1));
        QVERIFY(testing::activate(editor));
        const QColor pink(255, 128, 255), cyan(128, 255, 255);
        // A button is pink and shows its hint while it has the focus, light cyan without a hint
        // after, the picture button included.
        const std::pair<std::size_t, QString> hints[] = {
            {0, u"戻ります。"_s},
            {1, u"画像、またはペイントツールを選択してください。"_s},
            {3, u"2027/01/02へ"_s},
            {2, u"2026/12/31へ"_s}};
        for (const auto& [index, hint] : hints) {
            editor.Command1[index]->setFocus();
            QCOMPARE(status(editor), hint);
            QCOMPARE(editor.faceColor(int(index)), pink);
            editor.Text1[1]->setFocus();
            QCOMPARE(status(editor), QString());
            QCOMPARE(editor.faceColor(int(index)), cyan);
        }
        QTest::keyClicks(editor.Text1[1], u"x"_s);
        editor.Command1[0]->setFocus();
        QCOMPARE(status(editor), u"保存して戻ります。"_s);
        QCOMPARE(pixelOf(*editor.Command1[0], QPoint(4, 4)), pink);

        // "<<(&P)" saves under the shown day, steps back across the year and focuses the text.
        QTest::mouseClick(editor.Command1[2], Qt::LeftButton);
        QCOMPARE(rows(u"select Reg_dat, Mirel_txt from Mirel"_s),
                 (Rows{{"2027-01-01 00:00:00", "x"}}));
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 31));
        QCOMPARE(editor.dateBox()->text(), u"2026/12/31 (木)"_s);
        QCOMPARE(QApplication::focusWidget(), editor.Text1[1]);
        QCOMPARE(editor.faceColor(2), cyan);
    }

    void failedSaveStaysOnTheDay() {
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], u"keep me"_s);
        editor->picFile = QString(101, u'p'); // the picture column holds 100 characters
        env->dialogs.answerMessage(platform::Answer::Ok);
        QVERIFY(!editor->devProc());
        const auto& call = env->dialogs.calls().back();
        QVERIFY2(call.title == u"Insert"_s && call.icon == platform::Icon::None &&
                     call.buttons == platform::Buttons::Ok && call.text.endsWith(u"(3163)"_s),
                 qPrintable(call.title + u' ' + call.text));

        // The day buttons stay, the close commands keep the editor open, the text stays.
        for (QPushButton* button :
             {editor->Command1[3], editor->Command1[2], editor->Command1[0]}) {
            env->dialogs.answerMessage(platform::Answer::Ok);
            button->click();
        }
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->dEnd[0]->trigger();
        testing::runDeferredDeletes();
        QVERIFY(!editor.isNull() && editor->isVisible());
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 5));
        QCOMPARE(editor->dateBox()->text(), u"2026/12/05 (土)"_s);
        QCOMPARE(editor->boxText(1), u"keep me"_s);
        QCOMPARE(rows(u"select count(*) from Mirel"_s), Rows{{"0"}});

        // Once the cause is mended, the same text saves.
        editor->picFile.clear();
        editor->Command1[3]->click();
        QCOMPARE(rows(u"select Mirel_txt from Mirel"_s), Rows{{"keep me"}});
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 6));

        // A failed update says "Update" and keeps the text as well.
        editor->unload();
        testing::runDeferredDeletes();
        editor = &open(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[2], u"remark"_s);
        editor->picFile = QString(101, u'q');
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->savTxt->trigger();
        QCOMPARE(env->dialogs.calls().back().title, u"Update"_s);
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->Command1[0]->click();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->boxText(2), u"remark"_s);

        // "保存せず戻る" still drops the change and leaves.
        editor->dEnd[1]->trigger();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull() && windows::findCalendar() != nullptr);
        QCOMPARE(rows(u"select Memo_txt, Pic_txt from Mirel"_s), (Rows{{"", ""}}));
    }
};

ORVANE_TEST_MAIN(EditorSaveTest)
#include "tst_editor_save.moc"
