// The calendar window: the first layout, the clock title, the selectors and the
// navigation that moves the working date.
#include "support/CalendarFixture.h"

#include <QComboBox>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;

class CalendarWindowTest : public CalendarTest {
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
        // F7 on 31 January: the last day of February.
        cal.setValue(u"2027/01/31"_s);
        const std::pair<Qt::Key, const char*> steps[] = {
            {Qt::Key_F7, "2027/2/28 2027/2 2027/2/28"}, {Qt::Key_F3, "2027/2/27 2027/2 2027/2/27"},
            {Qt::Key_F4, "2027/1/27 2027/1 2027/1/27"}, {Qt::Key_F5, "2026/1/27 2026/1 2026/1/27"},
            {Qt::Key_F6, "2026/1/28 2026/1 2026/1/28"}, {Qt::Key_F8, "2027/1/28 2027/1 2027/1/28"}};
        for (const auto& [key, expected] : steps) {
            QTest::keyClick(&w, key);
            QCOMPARE(shown(), QString::fromLatin1(expected));
        }
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
};

ORVANE_TEST_MAIN(CalendarWindowTest)
#include "tst_calwin.moc"
