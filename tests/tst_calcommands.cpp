// The calendar window: the first layout, the clock title, the selectors, the navigation that
// moves the working date, its pen marks (pixels, queries, tool tips, tags and the journal's
// failures) and its commands: days handed to the editor by click and double-click, deleting an
// entry, going to a typed date and the standard size.
#include "support/Testing.h"

using namespace testing;
using windows::findEditor;

// The marked days, each as " day", "*" when its cell shows the pen, its tag, ":" and its tip.
static QString marks(frmCal& w) {
    QString found;
    for (int d = 1; d <= 31; ++d)
        if (const QString day =
                (hasPen(w, d) ? u"*"_s : QString()) + tagOf(w, d) + ':' + tipOf(w, d);
            day != u":"_s)
            found += u" %1"_s.arg(d) + day;
    return found;
}

class CalendarCommandsTest : public CalendarTest {
    Q_OBJECT

private Q_SLOTS:
    void layoutAndClockTitle() {
        addEntry(QDate(2026, 12, 24), u"イブ"_s);
        quint64 before = queries();
        frmCal& w = *new frmCal();
        // Created on today's month, the selectors following; nothing is queried before the
        // first layout, which marks the month.
        QCOMPARE(w.Combo1[0]->currentText() + u'/' + w.Combo1[1]->currentText(), u"2026/12"_s);
        w.oCal1->NextDay();
        QCOMPARE(queries(), before);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(queries(), before + 1);
        QVERIFY(hasPen(w, 24));

        // A client area of 600 x 400 leaves the calendar 6 pixels from the right and the bottom;
        // the redraw wiped the marks, so they are queried and drawn again.
        clsCal& cal = *w.oCal1;
        const int menu = w.height() - w.centralWidget()->height();
        int redraws = cal.fullRedrawCount();
        w.resize(600, 400 + menu);
        QCOMPARE(w.Cal1->geometry(), QRect(8, 40, 586, 354));
        QCOMPARE(QPair(cal.fullRedrawCount(), queries()), QPair(redraws + 1, before + 2));
        QVERIFY(hasPen(w, 24));

        // Minimized: the short title, and no layout until restored.
        w.setWindowState(Qt::WindowMinimized);
        w.Timer1_Timer();
        QCOMPARE(w.windowTitle(), u"Velmoraカレンダー"_s);
        before = queries();
        redraws = cal.fullRedrawCount();
        w.Form_Resize();
        QCOMPARE(QPair(cal.fullRedrawCount(), queries()), QPair(redraws, before));
        w.setWindowState(Qt::WindowNoState);
        QCOMPARE(QPair(cal.fullRedrawCount(), queries()), QPair(redraws + 1, before + 1));

        // The window's own timer keeps the clock title.
        env->clock.set(QDateTime(QDate(1998, 7, 15), QTime(0, 0)));
        QTRY_COMPARE(w.windowTitle(), u"Velmoraカレンダー   98/07/15 (水)"_s);
    }

    void navigationMovesTheWorkingDate() {
        frmCal& w = shownCalendar();
        auto& m = app::modFunc();
        clsCal& cal = *w.oCal1;
        QVERIFY(QTest::qWaitForWindowActive(&w)); // the keyboard is the calendar's from the start
        const auto shown = [&] {
            return u"%1 %2/%3 %4"_s.arg(cal.Value(), w.Combo1[0]->currentText(),
                                        w.Combo1[1]->currentText(),
                                        m.WorkDate.toString(u"yyyy/M/d"_s));
        };
        // F7 on 31 January: the last day of February, the selectors following (every day key
        // with the editor open: the random walk).
        cal.setValue(u"2027/01/31"_s);
        QTest::keyClick(&w, Qt::Key_F7);
        QCOMPARE(shown(), u"2027/2/28 2027/2 2027/2/28"_s);
        w.oToday->trigger();
        QCOMPARE(shown(), u"2026/12/6 2026/12 2026/12/6"_s);

        // The selectors move the calendar only; the calendar refuses 2099.
        choose(w.Combo1[0], u"2001"_s);
        QCOMPARE(shown(), u"2001/12/6 2001/12 2026/12/6"_s);
        choose(w.Combo1[0], u"2099"_s);
        choose(w.Combo1[1], u"11"_s);
        QCOMPARE(shown(), u"2001/11/6 2001/11 2026/12/6"_s);

        // Years outside the list leave the year selector without a selection.
        cal.setValue(u"1900/01/15"_s);
        w.optPrev[2]->trigger();
        QCOMPARE(shown(), u"1899/1/15 /1 1899/1/15"_s);

        // A step from a day the month lacks fails with the standard message, changes nothing
        // and ends nothing.
        cal.setValue(u"2026/11/10"_s);
        cal.setDay(31);
        env->dialogs.answerMessage(platform::Answer::Ok);
        w.optNext[0]->trigger();
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|Critical|型が一致しません。(13)"_s);
        QCOMPARE(shown(), u"2026/11/31 2026/11 1899/1/15"_s);
        QVERIFY(env->endings.isEmpty());

        // The exit command releases the journal and ends the program; closing releases the
        // calendar, asks nothing, and the program goes on.
        QPointer<frmCal> window = &w;
        QPointer<clsCal> control = &cal;
        w.optFile[2]->trigger();
        QVERIFY(!m.JournalDb && env->endings == QList<int>{0});
        QVERIFY(w.close());
        runDeferredDeletes();
        QVERIFY(window.isNull() && control.isNull() && env->endings == QList<int>{0});
    }

    void penComposedOntoTheCell() {
        addEntry(QDate(2026, 12, 1), u"最初"_s);
        addEntry(QDate(2026, 12, 31), u"大晦日"_s);
        frmCal& w = shownCalendar();
        // A 420 x 300 calendar has cells of 60 x 45 below a heading of 30.
        w.resize(434, 346 + w.height() - w.centralWidget()->height());
        QCOMPARE(w.Cal1->size(), QSize(420, 300));
        const QImage marked = w.Cal1->image();
        w.oCal1->ReWrite(); // wipes the marks; the month counts as marked, so none come back
        const QImage clean = w.Cal1->image();
        // December 2026 starts on a Tuesday: day 1 in column 2 of week row 0, day 31 in column 4
        // of week row 4. A mark starts one pixel right of and below the cell's interior; some
        // of the pen's pixels by their place in it, and where it is white the cell shows.
        QImage rest = marked;
        for (const QPoint& mark : {QPoint(62, 32), QPoint(182, 212)}) {
            QStringList pen;
            for (const QPoint& at : {QPoint(0, 0), {6, 0}, {8, 2}, {1, 8}, {2, 9}, {0, 10}})
                pen << marked.pixelColor(mark + at).name();
            QCOMPARE(pen.join(' '), u"#ffff00 #00ff00 #008000 #c0c0c0 #808000 #000000"_s);
            QPainter(&rest).drawImage(mark, clean, QRect(mark, QSize(11, 11)));
        }
        QCOMPARE(rest, clean); // nothing else of the drawing changed
    }

    void penAfterASelectorChoice() {
        addEntry(QDate(2026, 12, 10), u"b"_s);
        frmCal& w = shownCalendar();
        // (A marked day selected or not after the other moves: the random walk, which meets this
        // case only now and then.) The place of the cell selected before the year is chosen (9
        // December 2027, the Thursday of the second week) is not the selected cell of December
        // 2026: the 10th there keeps its own colours.
        w.oCal1->setValue(u"2027/12/09"_s);
        choose(w.Combo1[0], u"2026"_s);
        QVERIFY(hasPen(w, 10));
    }

    void queriesTipsAndFailures() {
        auto& m = app::modFunc();
        // A missing table is made without a message (the entries below need it).
        m.JournalDb->execute(u"drop table Mirel"_s);
        frmCal& w = shownCalendar();
        addEntry(QDate(2026, 12, 9), u""_s);
        addEntry(QDate(2026, 12, 16), QVariant()); // no remark at all
        addEntry(QDate(2026, 12, 24), u"イブ"_s);
        addEntry(QDate(1998, 1, 15), u"成人の日"_s);
        // Queries from here on, and the marked month's key.
        const quint64 base = queries();
        const auto queried = [&] { return u"%1 %2"_s.arg(queries() - base).arg(m.MarkedMonth); };
        m.MarkedMonth = 0; // the reset forces the query again
        w.PenVis();
        // An empty remark, or none, still marks and tags the day.
        QCOMPARE(queried() + marks(w), u"1 202612 9*on: 16*on: 24*on:イブ"_s);
        w.optNext[0]->trigger(); // moves inside the month query nothing
        QCOMPARE(queried(), u"1 202612"_s);
        // Into another month and year, three events make one query. November and January 1998
        // (199811 and 19981) are different months.
        w.oCal1->setValue(u"1998/11/15"_s);
        w.oCal1->setValue(u"1998/01/15"_s);
        QCOMPARE(queried() + marks(w), u"3 19981 15*on:成人の日"_s);

        // A redraw while the journal is away leaves the month unmarked, so the marks come back
        // with the journal.
        auto db = std::move(m.JournalDb);
        w.oCal1->ReWrite();
        m.JournalDb = std::move(db);
        w.optNext[0]->trigger();
        QCOMPARE(marks(w), u" 15*on:成人の日"_s);
        w.oCal1->setValue(u"1998/02/15"_s);
        QCOMPARE(queried() + marks(w), u"5 19982"_s); // an empty month

        // A journal that can no longer be read: its error once per month, the window usable.
        testing::writeFile(journal, QByteArray(100, 'x'));
        env->dialogs.answerMessage(platform::Answer::Ok);
        env->dialogs.answerMessage(platform::Answer::Ok);
        w.optNext[1]->trigger();
        w.optNext[0]->trigger();
        w.optNext[1]->trigger();
        QCOMPARE(lastMessage(*env),
                 u"ファイルの読込みエラー|Ok|Critical|file is not a database(26)"_s);
    }

    void daysToTheEditor() {
        frmCal& w = shownCalendar();
        // "日記を書く" opens the editor on WorkDate, a window of its own (clicks and double-clicks
        // with the editor closed or open: the random walk).
        press(w, 8);
        w.optFile[0]->trigger();
        QPointer<frmMirel> e = findEditor();
        QVERIFY(e && !e->isModal() && e->parentWidget() == nullptr);

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
                 u"keep me 2026/12/8"_s);
        // Mended, the click goes through.
        e->picFile.clear();
        press(w, 9);
        QCOMPARE(dayText(journal, u"2026-12-08"_s) + u' ' + e->dateBox()->text(),
                 u"keep me 2026/12/09 (水)"_s);
    }

    void deleteAnEntry() {
        addEntry(QDate(2026, 12, 5), u"散歩"_s);
        frmCal& w = shownCalendar();
        // (A day without an entry asks nothing, and what Yes and No leave: the random walk.)
        press(w, 5);
        env->dialogs.answerMessage(Answer::No);
        w.optFile[1]->trigger();
        QCOMPARE(lastMessage(*env), u"ORVANE|YesNo|Exclamation|2026/12/05の日記を削除しますか？"_s);
        // A failure is reported and changes nothing.
        const QImage marked = w.Cal1->image();
        QVERIFY(rawExecute(journal, u"drop table Mirel"_s));
        env->dialogs.answerMessage(Answer::Yes);
        env->dialogs.answerMessage(Answer::Ok);
        w.optFile[1]->trigger();
        QCOMPARE(
            lastMessage(*env),
            u"ORVANE|Ok|Critical|入力テーブルまたはクエリ 'Mirel' が見つかりませんでした。(3078)"_s);
        QCOMPARE(w.Cal1->image(), marked);
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
        // 元のｻｲｽﾞ on a maximized window: normal, 5800 x 5145 twips with the frame.
        w.setWindowState(Qt::WindowMaximized);
        w.optOpt[3]->trigger();
        QVERIFY(w.windowState() == Qt::WindowNoState &&
                w.frameGeometry().size() == QSize(387, 343));
    }
};

ORVANE_TEST_MAIN(CalendarCommandsTest)
#include "tst_calcommands.moc"
