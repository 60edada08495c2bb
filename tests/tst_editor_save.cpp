#include "app/modFunc.h"
#include "platform/Database.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"
#include "support/TopLevelWindows.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/TypedInput.h"
#include "windows/editor/frmMirel.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

using Rows = QList<QStringList>;

namespace {

const QString AllColumns = QStringLiteral(
    "select Reg_dat, Mirel_txt, Memo_txt, Pic_txt, Error_kbn, Treat_dat, Treat_tim, Terminal_nam "
    "from Mirel order by Reg_dat");

frmMirel& openOn(const QDate& day) {
    app::modFunc().WorkDate = day;
    return windows::showEditor();
}

// Text committed by an input method, as Japanese text arrives.
void commitText(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

QColor pixelOf(QWidget& widget, const QPoint& at) {
    return widget.grab().toImage().pixelColor(at);
}

QString status(const frmMirel& editor) {
    return editor.StatusBar1->currentMessage();
}

// The calendar's query of the shown month's marks.
const QString MonthQuery = QStringLiteral(
    "select reg_dat,memo_txt from mirel where format(reg_dat,'yyyy/mm')=? order by reg_dat");

} // namespace

class EditorSaveTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString journal;

    // A calendar window with its clock title, as the editor looks for it.
    frmCal& openCalendar() { return windows::showCalendar(); }

private Q_SLOTS:
    void init() {
        env = std::make_unique<testing::TestEnv>();
        journal = testing::createJournal(*env);
        app::modFunc().TerminalName = QStringLiteral("PC01");
    }
    void cleanup() {
        testing::deleteAllWindows();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void insertThenUpdateLater() {
        QPointer<frmMirel> editor = &openOn(QDate(2026, 12, 5));
        QVERIFY(testing::activate(*editor));
        commitText(editor->Text1[1], QStringLiteral("晴れ"));
        commitText(editor->Text1[2], QStringLiteral("散歩"));
        QVERIFY(editor->txtChg);

        // F3: save and go back to the calendar.
        QTest::keyClick(editor->Text1[1], Qt::Key_F3);
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull());
        QVERIFY(windows::findCalendar() != nullptr);
        QVERIFY(app::modFunc().StatusRef.isNull());
        QCOMPARE(testing::rawRows(journal, AllColumns),
                 (Rows{{"2026-12-05 00:00:00", "晴れ", "散歩", "", "0", "2026-12-06 00:00:00",
                        "1899-12-30 21:05:09", "PC01"}}));
        // The calendar came back and marked the month: its query is the last statement, and
        // the new entry's day carries the pen, the tag and the remark.
        QCOMPARE(app::modFunc().SqlText, MonthQuery);
        clsCal& cal = *windows::findCalendar()->oCal1;
        cal.setToolTipDay(5);
        QCOMPARE(cal.DayTag(), QStringLiteral("on"));
        QCOMPARE(cal.ToolTipText(), QStringLiteral("散歩"));
        // Read through the engine the way the other windows compare dates.
        auto rows = app::modFunc().JournalDb->openRecordset(QStringLiteral(
            "select format(reg_dat,'yyyy/mm/dd') as d, format(treat_dat,'yyyy/mm/dd') as t, "
            "format(treat_tim,'hh:mm:ss') as h from mirel"));
        QCOMPARE(rows.field(QStringLiteral("d")).toString(), QStringLiteral("2026/12/05"));
        QCOMPARE(rows.field(QStringLiteral("t")).toString(), QStringLiteral("2026/12/06"));
        QCOMPARE(rows.field(QStringLiteral("h")).toString(), QStringLiteral("21:05:09"));

        // A day later, on another computer: the update leaves the first save's columns alone.
        env->clock.set(QDateTime(QDate(2026, 12, 7), QTime(8, 30, 0)));
        app::modFunc().TerminalName = QStringLiteral("OTHER");
        editor = &openOn(QDate(2026, 12, 5));
        QVERIFY(!editor->newRec);
        QCOMPARE(editor->boxText(1), QStringLiteral("晴れ"));
        QTest::keyClick(editor->Text1[1], Qt::Key_End);
        QTest::keyClicks(editor->Text1[1], QStringLiteral("!"));
        editor->savTxt->trigger();
        QCOMPARE(status(*editor), QStringLiteral("更新しました。"));
        QCOMPARE(windows::findEditor(), editor.data());
        QCOMPARE(app::modFunc().SqlText,
                 QStringLiteral("update Mirel set mirel_txt=?,memo_txt=?,pic_txt=? where "
                                "format(reg_dat,'yyyy/mm/dd')=?"));
        QCOMPARE(testing::rawRows(journal, AllColumns),
                 (Rows{{"2026-12-05 00:00:00", "晴れ!", "散歩", "", "0", "2026-12-06 00:00:00",
                        "1899-12-30 21:05:09", "PC01"}}));
    }

    void saveTwiceOnNewDay() {
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QTest::keyClicks(editor.Text1[1], QStringLiteral("diary"));
        editor.savTxt->trigger();
        QCOMPARE(status(editor), QStringLiteral("登録しました。"));
        // newRec stays set, so the second save runs into the day's row and updates it.
        QTest::keyClicks(editor.Text1[1], QStringLiteral(" more"));
        editor.savTxt->trigger();
        QCOMPARE(status(editor), QStringLiteral("更新しました。"));
        QVERIFY(editor.newRec);
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Mirel_txt from Mirel")),
                 (Rows{{"diary more"}}));
        // The editor stays open; a successful save leaves the entry marked changed.
        QCOMPARE(windows::findEditor(), &editor);
        QVERIFY(editor.txtChg);
    }

    void textsStoredUnchanged() {
        const QString picture = app::modFunc().gPath + QStringLiteral("/It's a \"day\".png");
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(picture, "PNG"));

        QPointer<frmMirel> editor = &openOn(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], QStringLiteral("It's"));
        QTest::keyClick(editor->Text1[1], Qt::Key_Return);
        commitText(editor->Text1[1], QStringLiteral("😀 \u00a0ok\tです"));
        QTest::keyClicks(editor->Text1[2], QStringLiteral("a'b\"c;--"));
        editor->picFile = picture;
        QVERIFY(editor->devProc());

        const QString text = QStringLiteral("It's\n😀 \u00a0ok\tです");
        QCOMPARE(testing::rawRows(journal,
                                  QStringLiteral("select Mirel_txt, Memo_txt, Pic_txt from Mirel")),
                 (Rows{{text, "a'b\"c;--", picture}}));

        // And back into the boxes as they were typed.
        editor->unload();
        testing::runDeferredDeletes();
        editor = &openOn(QDate(2026, 12, 5));
        QCOMPARE(editor->boxText(1), text);
        QCOMPARE(editor->boxText(2), QStringLiteral("a'b\"c;--"));
        QCOMPARE(editor->picFile, picture);
        QCOMPARE(editor->shownPicture().pixelColor(0, 0), QColor(Qt::red));
    }

    void nextDayWithoutChange() {
        frmCal& calendar = openCalendar();
        app::modFunc().MarkedMonth = -1; // no month has this key
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        editor.Command1[3]->click();
        // Nothing written, the marks refreshed all the same, the next day shown.
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select count(*) from Mirel")),
                 (Rows{{"0"}}));
        QVERIFY(app::modFunc().MarkedMonth != -1);
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 6));
        QCOMPARE(editor.dateBox()->text(), QStringLiteral("2026/12/06 (日)"));
        QCOMPARE(status(editor), QString());

        // A minimized calendar does not carry the clock title, so it is not found.
        calendar.setWindowState(Qt::WindowMinimized);
        calendar.Timer1_Timer();
        app::modFunc().MarkedMonth = -1;
        editor.Command1[3]->click();
        QCOMPARE(app::modFunc().MarkedMonth, -1);
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 7));
    }

    void deleteKeyIsNoChange() {
        QVERIFY(testing::rawExecute(
            journal, QStringLiteral("insert into Mirel values('2026-12-05 00:00:00','abc','',"
                                    "'',0,'2026-12-05 00:00:00','1899-12-30 10:00:00','PC01')")));
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QVERIFY(testing::activate(editor));
        editor.Text1[1]->setFocus();
        QTest::keyClick(editor.Text1[1], Qt::Key_Home);
        QTest::keyClick(editor.Text1[1], Qt::Key_Delete);
        QTest::keyClick(editor.Text1[1], Qt::Key_Delete);
        QTest::keyClick(editor.Text1[1], Qt::Key_Right);
        QCOMPARE(editor.boxText(1), QStringLiteral("c"));
        QVERIFY(!editor.txtChg);
        editor.Command1[3]->click();
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Mirel_txt from Mirel")),
                 (Rows{{"abc"}}));

        // Text put in by the program is no change either.
        editor.textBox(2)->setPlainText(QStringLiteral("by the program"));
        editor.dateBox()->setText(QStringLiteral("x"));
        QVERIFY(!editor.txtChg);
    }

    void typedCharacters() {
        using windows::editor::isTypedCharacter;
        const auto key = [](int code, const QString& text, Qt::KeyboardModifiers mods = {}) {
            return QKeyEvent(QEvent::KeyPress, code, mods, text);
        };
        QVERIFY(isTypedCharacter(key(Qt::Key_A, QStringLiteral("a"))));
        QVERIFY(isTypedCharacter(key(Qt::Key_A, QStringLiteral("A"), Qt::ShiftModifier)));
        QVERIFY(isTypedCharacter(key(Qt::Key_Space, QStringLiteral(" "))));
        QVERIFY(isTypedCharacter(key(Qt::Key_Backspace, QStringLiteral("\b"))));
        QVERIFY(isTypedCharacter(key(Qt::Key_Return, QStringLiteral("\r"))));
        QVERIFY(isTypedCharacter(key(Qt::Key_Enter, QStringLiteral("\r"), Qt::KeypadModifier)));
        QVERIFY(isTypedCharacter(key(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier)));
        QVERIFY(isTypedCharacter(key(Qt::Key_X, QStringLiteral("\x18"), Qt::ControlModifier)));
        QVERIFY(!isTypedCharacter(key(Qt::Key_Delete, QStringLiteral("\x7f"))));
        QVERIFY(!isTypedCharacter(key(Qt::Key_Left, QString())));
        QVERIFY(!isTypedCharacter(key(Qt::Key_End, QString())));
        QVERIFY(!isTypedCharacter(key(Qt::Key_Tab, QStringLiteral("\t"))));
        QVERIFY(!isTypedCharacter(key(Qt::Key_F3, QString())));
        QVERIFY(!isTypedCharacter(key(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier)));
        QVERIFY(!isTypedCharacter(
            key(Qt::Key_S, QStringLiteral("\x13"), Qt::ControlModifier | Qt::ShiftModifier)));
        QVERIFY(!isTypedCharacter(key(Qt::Key_A, QStringLiteral("a"), Qt::ControlModifier)));
        QVERIFY(!isTypedCharacter(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, {}, "a")));

        QInputMethodEvent committed;
        committed.setCommitString(QStringLiteral("日記"));
        QVERIFY(isTypedCharacter(committed));
        QInputMethodEvent composing(QStringLiteral("にっき"), {});
        QVERIFY(!isTypedCharacter(composing));

        // In the window, each of the three boxes counts, the date box included.
        for (const int index : {0, 1, 2}) {
            frmMirel& editor = openOn(QDate(2026, 12, 5));
            QTest::keyClick(editor.Text1[static_cast<std::size_t>(index)], Qt::Key_Backspace);
            QVERIFY2(editor.txtChg, qPrintable(QString::number(index)));
            editor.unload();
            testing::runDeferredDeletes();
        }
    }

    void buttonHintsAndColours() {
        frmMirel& editor = openOn(QDate(2026, 12, 5));
        QVERIFY(testing::activate(editor));
        const QColor pink(255, 128, 255);
        const QColor cyan(128, 255, 255);

        editor.Command1[0]->setFocus();
        QCOMPARE(status(editor), QStringLiteral("戻ります。"));
        QCOMPARE(editor.faceColor(0), pink);
        QCOMPARE(pixelOf(*editor.Command1[0], QPoint(4, 4)), pink);

        editor.Text1[1]->setFocus();
        QCOMPARE(status(editor), QString());
        QCOMPARE(editor.faceColor(0), cyan);
        QCOMPARE(pixelOf(*editor.Command1[0], QPoint(4, 4)), cyan);
        QTest::keyClicks(editor.Text1[1], QStringLiteral("x"));
        editor.Command1[0]->setFocus();
        QCOMPARE(status(editor), QStringLiteral("保存して戻ります。"));

        // The picture button turns light cyan too once it loses the focus.
        editor.Command1[1]->setFocus();
        QCOMPARE(status(editor), QStringLiteral("画像、またはペイントツールを選択してください。"));
        QCOMPARE(editor.faceColor(1), pink);
        editor.Command1[3]->setFocus();
        QCOMPARE(editor.faceColor(1), cyan);
        QCOMPARE(status(editor), QStringLiteral("2026/12/06へ"));
    }

    void previousDayButton() {
        frmMirel& editor = openOn(QDate(2027, 1, 1));
        QVERIFY(testing::activate(editor));
        editor.Command1[3]->setFocus();
        QCOMPARE(status(editor), QStringLiteral("2027/01/02へ"));
        editor.Command1[2]->setFocus();
        QCOMPARE(status(editor), QStringLiteral("2026/12/31へ"));

        QTest::mouseClick(editor.Command1[2], Qt::LeftButton);
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 31));
        QCOMPARE(editor.dateBox()->text(), QStringLiteral("2026/12/31 (木)"));
        QCOMPARE(QApplication::focusWidget(), editor.Text1[1]);
        QCOMPARE(editor.faceColor(2), QColor(128, 255, 255));
    }

    void failedSaveStaysOnTheDay() {
        QPointer<frmMirel> editor = &openOn(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], QStringLiteral("keep me"));
        // The picture column holds 100 characters.
        editor->picFile = QString(101, QLatin1Char('p'));

        env->dialogs.answerMessage(platform::Answer::Ok);
        QVERIFY(!editor->devProc());
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.title, QStringLiteral("Insert"));
        QCOMPARE(call.icon, platform::Icon::None);
        QCOMPARE(call.buttons, platform::Buttons::Ok);
        QVERIFY2(call.text.endsWith(QStringLiteral("(3163)")), qPrintable(call.text));

        // The day buttons stay, the close commands keep the editor open, the text stays.
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->Command1[3]->click();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->Command1[2]->click();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->Command1[0]->click();
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->dEnd[0]->trigger();
        testing::runDeferredDeletes();
        QCOMPARE(env->dialogs.calls().size(), std::size_t{5});
        QVERIFY(!editor.isNull());
        QVERIFY(editor->isVisible());
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 5));
        QCOMPARE(editor->dateBox()->text(), QStringLiteral("2026/12/05 (土)"));
        QCOMPARE(editor->boxText(1), QStringLiteral("keep me"));
        QCOMPARE(app::modFunc().StatusRef.data(), editor->StatusBar1);
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select count(*) from Mirel")),
                 (Rows{{"0"}}));

        // Once the cause is mended, the same text saves.
        editor->picFile.clear();
        editor->Command1[3]->click();
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Mirel_txt from Mirel")),
                 (Rows{{"keep me"}}));
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 6));

        // An update that fails says "Update" and keeps the text as well.
        editor->unload();
        testing::runDeferredDeletes();
        editor = &openOn(QDate(2026, 12, 5));
        QVERIFY(!editor->newRec);
        QTest::keyClicks(editor->Text1[2], QStringLiteral("remark"));
        editor->picFile = QString(101, QLatin1Char('q'));
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->savTxt->trigger();
        QCOMPARE(env->dialogs.calls().back().title, QStringLiteral("Update"));
        QCOMPARE(editor->boxText(2), QStringLiteral("remark"));
        env->dialogs.answerMessage(platform::Answer::Ok);
        editor->Command1[0]->click();
        QVERIFY(editor->isVisible());

        // "保存せず戻る" still drops the change and leaves.
        editor->dEnd[1]->trigger();
        testing::runDeferredDeletes();
        QVERIFY(editor.isNull());
        QVERIFY(windows::findCalendar() != nullptr);
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Memo_txt, Pic_txt from Mirel")),
                 (Rows{{"", ""}}));
    }
};

ORVANE_TEST_MAIN(EditorSaveTest)
#include "tst_editor_save.moc"
