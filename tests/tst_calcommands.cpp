// The calendar window's commands: days handed to the editor by click and double-click, deleting
// an entry, going to a typed date and the standard size.
#include "support/CalendarFixture.h"
#include "windows/WindowLookup.h"
#include "windows/editor/frmMirel.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace testing;
using platform::Answer;
using windows::findEditor;

class CalendarCommandsTest : public CalendarTest {
    Q_OBJECT

    // The pointer comes to rest over a day and clicks, or double-clicks as the desktop delivers
    // it: a click, then the double-click.
    static void press(frmCal& w, int day, bool twice = false) {
        const QPoint at(w.oCal1->DayLeft(day) + 10, w.oCal1->DayTop(day) + 10);
        QMouseEvent move(QEvent::MouseMove, QPointF(at), w.Cal1->mapToGlobal(QPointF(at)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.Cal1, &move);
        QTest::mouseClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
        if (twice)
            QTest::mouseDClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    }
    // The journal's entries as "yyyy-mm-dd text", in date order.
    QString rows() const {
        const QString sql = u"select ifnull(group_concat(substr(Reg_dat, 1, 10) || ' ' || "
                            "Mirel_txt, ', '), '') from (select * from Mirel order by 1)"_s;
        return rawRows(journal, sql).value(0).value(0);
    }

private Q_SLOTS:
    void daysToTheEditor() {
        addEntry(QDate(2026, 12, 8), u"八日"_s, u"八日の日記"_s);
        frmCal& w = shownCalendar();
        // The editor closed: a click only moves the working date; "日記を書く" opens it.
        press(w, 8);
        QVERIFY(app::modFunc().WorkDate == QDate(2026, 12, 8) && findEditor() == nullptr);
        w.optFile[0]->trigger();
        QPointer<frmMirel> e = findEditor();
        QVERIFY(e && !e->isModal() && e->parentWidget() == nullptr);
        // The entry is deleted from the calendar while the editor shows it, and typed on.
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QTest::keyClicks(e->Text1[1], u"new "_s);

        // With the editor open a double-click is a click: the text is saved under the old day
        // (stored anew, as its row is gone) before the same editor shows the new day, and the
        // saved day is marked again.
        press(w, 5, true);
        QCOMPARE(e->StatusBar1->currentMessage() + u' ' + rows(),
                 u"登録しました。 2026-12-08 new "_s);
        QVERIFY(findEditor() == e && !e->txtChg && hasPen(w, 8));

        // A click on a day of the month a selector moved to, when the save fails: the failure
        // is told, once for a double-click, and the editor, WorkDate and the calendar stay.
        QTest::keyClicks(e->Text1[1], u"keep me"_s);
        e->picFile = QString(101, u'p'); // the picture column holds 100 characters
        choose(w.Combo1[1], u"11"_s);
        env->dialogs.answerMessage(Answer::Ok);
        press(w, 20);
        QCOMPARE(
            lastMessage(*env),
            u"Insert|Ok|None|フィールド 'Pic_txt' に入力できるのは 100 文字までです。(3163)"_s);
        env->dialogs.answerMessage(Answer::Ok);
        press(w, 20, true);
        QCOMPARE(e && e->isVisible() ? e->boxText(1) + u' ' + w.oCal1->Value() : QString(),
                 u"keep me 2026/12/5"_s);
        // Mended, the click goes through.
        e->picFile.clear();
        press(w, 9);
        QCOMPARE(rows() + u' ' + e->dateBox()->text(),
                 u"2026-12-05 keep me, 2026-12-08 new  2026/12/09 (水)"_s);
    }

    void dayKeysWithTheEditorOpen() {
        addEntry(QDate(2026, 12, 11), u"十一日"_s, u"十一日の日記"_s);
        frmCal& w = shownCalendar();
        w.oCal1->setValue(u"2026/12/12"_s);
        w.optFile[0]->trigger();
        frmMirel* e = findEditor();
        // Each key, pressed in the calendar after a letter was typed in the editor: the letter is
        // saved under the day the editor showed, and the editor moves with the calendar.
        const std::pair<QString, std::function<void()>> keys[] = {
            {u"a"_s, [&] { QTest::keyClick(&w, Qt::Key_F3); }},
            {u"b"_s, [&] { QTest::keyClick(&w, Qt::Key_F6); }},
            {u"c"_s, [&] { QTest::keyClick(&w, Qt::Key_F4); }},
            {u"d"_s, [&] { QTest::keyClick(&w, Qt::Key_F7); }},
            {u"e"_s, [&] { QTest::keyClick(&w, Qt::Key_F5); }},
            {u"f"_s, [&] { QTest::keyClick(&w, Qt::Key_F8); }},
            {u"g"_s, [&] { w.oToday->trigger(); }},
        };
        QStringList shown;
        for (const auto& [letter, key] : keys) {
            QTest::keyClicks(e->Text1[1], letter);
            QVERIFY(activate(w));
            key();
            shown << e->dateBox()->text().left(10);
        }
        QCOMPARE(shown.join(u' '), u"2026/12/11 2026/12/12 2026/11/12 2026/12/12 2025/12/12 "
                                   "2026/12/12 2026/12/06"_s);
        QCOMPARE(rows(), u"2025-12-12 f, 2026-11-12 d, 2026-12-11 b十一日の日記, 2026-12-12 geca"_s);
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 12, 6));
    }

    void deleteAnEntry() {
        addEntry(QDate(2026, 12, 5), u"散歩"_s);
        addEntry(QDate(2026, 12, 7), u"b"_s);
        addEntry(QDate(2026, 11, 5), u"c"_s);
        frmCal& w = shownCalendar();
        const QString question = u"ORVANE|YesNo|Exclamation|2026/12/05の日記を削除しますか？"_s;
        // The command answered, and the last message box shown.
        const auto remove = [&](Answer answer) {
            env->dialogs.answerMessage(answer);
            w.optFile[1]->trigger();
            return lastMessage(*env);
        };
        // A day without an entry: nothing asked. No keeps the row and the mark.
        press(w, 9);
        w.optFile[1]->trigger();
        press(w, 5);
        const QImage marked = w.Cal1->image();
        QCOMPARE(remove(Answer::No), question);
        QCOMPARE(w.Cal1->image(), marked);
        // The 7th selected (as by a press released off the calendar), WorkDate still on the 5th:
        // the 5th's entry goes, and its mark and tool tip; the 7th keeps its own.
        w.oCal1->setDay(7);
        QCOMPARE(remove(Answer::Yes), question);
        QCOMPARE(rows(), u"2026-11-05 text, 2026-12-07 text"_s);
        QVERIFY(!hasPen(w, 5) && hasPen(w, 7));
        QCOMPARE(tipOf(w, 5) + u'/' + tipOf(w, 7), u"/b"_s);
        // The 5th keeps its tag, so the command asks again.
        w.oCal1->setDay(5);
        QCOMPARE(remove(Answer::Yes) + tagOf(w, 5), question + u"on"_s);

        // WorkDate outside the month a selector moved to: the month shown keeps every mark; a
        // failure is reported and changes nothing either.
        choose(w.Combo1[1], u"11"_s);
        const QImage november = w.Cal1->image();
        QCOMPARE(remove(Answer::Yes), question);
        QVERIFY(rawExecute(journal, u"drop table Mirel"_s));
        env->dialogs.answerMessage(Answer::Yes);
        QCOMPARE(
            remove(Answer::Ok),
            u"ORVANE|Ok|Critical|入力テーブルまたはクエリ 'Mirel' が見つかりませんでした。(3078)"_s);
        QCOMPARE(w.Cal1->image(), november);
    }

    void optionsMenu() {
        frmCal& w = shownCalendar();
        // 年月日指定: the calendar's day and WorkDate after a typed answer (refused with a
        // message).
        const auto go = [&](const std::optional<QString>& text, bool refused = false) {
            env->dialogs.answerInput(text);
            if (refused)
                env->dialogs.answerMessage(Answer::Ok);
            w.optOpt[1]->trigger();
            return w.oCal1->Value() + app::modFunc().WorkDate.toString(u" yyyy/M/d"_s);
        };
        QCOMPARE(go(u"1998/07/15"_s), u"1998/7/15 1998/7/15"_s);
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.text + u'|' + call.title + u'|' + call.defaultText,
                 u"年月日を入力してください。|年月日の指定|2026/12/06"_s);
        // Month and day alone take today's year; seven characters or fewer, even a full date,
        // and a year alone move the calendar but not WorkDate.
        QCOMPARE(go(u"7/15"_s), u"2026/7/15 1998/7/15"_s);
        QCOMPARE(go(u"99/1/31"_s), u"1999/1/31 1998/7/15"_s);
        QCOMPARE(go(u"2001"_s), u"2001/1/31 1998/7/15"_s);
        QCOMPARE(go(std::nullopt, true), u"2001/1/31 1998/7/15"_s);
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|正しい日付を入力してください。"_s);
        // A full date with the editor open switches the editor to it, which saves first.
        w.optFile[0]->trigger();
        QTest::keyClicks(findEditor()->Text1[1], u"x"_s);
        QCOMPARE(go(u"2026/12/20"_s), u"2026/12/20 2026/12/20"_s);
        QCOMPARE(rows(), u"2001-01-31 x"_s);

        // 元のｻｲｽﾞ on a maximized window: normal, 5800 x 5145 twips with the frame.
        w.setWindowState(Qt::WindowMaximized);
        w.optOpt[3]->trigger();
        QVERIFY(w.windowState() == Qt::WindowNoState &&
                w.frameGeometry().size() == QSize(387, 343));
    }
};

ORVANE_TEST_MAIN(CalendarCommandsTest)
#include "tst_calcommands.moc"
