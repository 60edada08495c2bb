// The calendar window: its controls and menus, the layout, the clock title, the selectors and
// the navigation that moves the working date.
#include "support/CalendarFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;

namespace {

// Caption and shortcut of each item.
QStringList captions(const QList<QAction*>& actions) {
    QStringList list;
    for (const QAction* action : actions)
        list << (action->text() + u' ' + action->shortcut().toString()).trimmed();
    return list;
}

QString describe(const QFont& font) {
    return u"%1 %2 %3"_s.arg(font.family()).arg(font.pointSizeF()).arg(font.bold());
}

} // namespace

class CalendarWindowTest : public CalendarTest {
    Q_OBJECT

private Q_SLOTS:
    void controlsAndMenus() {
        addEntry(QDate(2026, 12, 24), u"イブ"_s);
        const quint64 before = queries();
        frmCal& w = *new frmCal();
        for (std::size_t i = 0; i < 2; ++i) {
            QVERIFY(!w.Combo1[i]->isEditable());
            QCOMPARE(describe(w.Combo1[i]->font()), u"Times New Roman 11.25 1"_s);
            QCOMPARE(describe(w.Label1[i]->font()), u"ＭＳ Ｐ明朝 14.25 1"_s);
            QCOMPARE(w.Label1[i]->buddy(), w.Combo1[i]);
        }
        QCOMPARE(w.Combo1[0]->count(), 200);
        QCOMPARE(w.Combo1[1]->count(), 12);
        for (int i = 0; i < 200; ++i)
            QCOMPARE(w.Combo1[0]->itemText(i), QString::number(1900 + i));
        for (int i = 0; i < 12; ++i)
            QCOMPARE(w.Combo1[1]->itemText(i), QString::number(1 + i));
        QCOMPARE(w.Combo1[0]->pos(), QPoint(16, 8));
        QCOMPARE(w.Combo1[0]->width(), 73);
        QCOMPARE(w.Combo1[1]->pos(), QPoint(112, 8));
        QCOMPARE(w.Combo1[1]->width(), 57);
        QCOMPARE(w.Label1[0]->text() + w.Label1[1]->text(), u"年月"_s);
        QCOMPARE(w.Label1[0]->geometry(), QRect(88, 11, 21, 19));
        QCOMPARE(w.Label1[1]->geometry(), QRect(168, 11, 21, 19));
        QCOMPARE(w.Cal1->pos(), QPoint(8, 40));
        QCOMPARE(w.Cal1->backColor(), QColor(128, 128, 128));

        const auto menu = [](QMenu* menu, const auto& array) {
            QList<QAction*> items(array.begin(), array.end());
            items.removeAll(nullptr);
            return menu->actions() == items ? captions(items) : QStringList{u"other items"_s};
        };
        QCOMPARE(captions(w.menuBar()->actions()),
                 (QStringList{u"ﾌｧｲﾙ(&F)"_s, u"前へ(&G)"_s, u"今日(&T)"_s, u"次へ(&N)"_s,
                              u"ｵﾌﾟｼｮﾝ(&O)"_s}));
        QCOMPARE(w.menuBar()->actions().at(2), w.oToday);
        QCOMPARE(menu(w.oFile, w.optFile),
                 (QStringList{u"日記を書く(&W)"_s, u"選択を削除(&D)"_s, u"終了(&E)"_s}));
        QCOMPARE(menu(w.oPrev, w.optPrev), (QStringList{u"前日 F3"_s, u"前月 F4"_s, u"前年 F5"_s}));
        QCOMPARE(menu(w.oNext, w.optNext), (QStringList{u"翌日 F6"_s, u"翌月 F7"_s, u"翌年 F8"_s}));
        QCOMPARE(menu(w.oOpt, w.optOpt), (QStringList{u"手帳(&B)"_s, u"年月日指定(&I)"_s,
                                                      u"元のｻｲｽﾞ(&S)"_s, u"ﾍﾙﾌﾟ(&H)"_s}));
        QVERIFY(w.optOpt[2] == nullptr);

        // Created with the calendar's colours on today's month, the selectors following; nothing
        // is marked or queried before the first layout.
        QCOMPARE(w.oCal1->DayFontSize(), 15);
        QCOMPARE(w.oCal1->DayBackColor(), QColor(255, 255, 0));
        QCOMPARE(w.oCal1->DayForeColor(), QColor(0, 0, 255));
        QCOMPARE(w.Combo1[0]->currentText() + u'/' + w.Combo1[1]->currentText(), u"2026/12"_s);
        w.oCal1->NextDay();
        QCOMPARE(queries(), before);
        QCOMPARE(app::modFunc().MarkedMonth, 0);
        QVERIFY(!w.laidOut());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.laidOut());
        QCOMPARE(queries(), before + 1);
        QVERIFY(hasPen(w, 24));
    }

    void navigationMovesTheWorkingDate() {
        frmCal& w = shownCalendar();
        auto& m = app::modFunc();
        clsCal& cal = *w.oCal1;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto shown = [&] {
            return u"%1 %2/%3 "_s.arg(cal.Value(), w.Combo1[0]->currentText(),
                                      w.Combo1[1]->currentText()) +
                   m.WorkDate.toString(u"yyyy/M/d"_s);
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
        QCOMPARE(m.MarkedMonth, 200112);
        choose(w.Combo1[0], u"2099"_s);
        QCOMPARE(shown(), u"2001/12/6 2001/12 2026/12/6"_s);
        w.Combo1[1]->setFocus();
        QTest::keyClick(w.Combo1[1], Qt::Key_Up);
        QCOMPARE(shown(), u"2001/11/6 2001/11 2026/12/6"_s);
        w.optNext[0]->trigger();
        QCOMPARE(shown(), u"2001/11/7 2001/11 2001/11/7"_s);

        // Years outside the list leave the year selector without a selection.
        cal.setValue(u"1900/01/15"_s);
        w.optPrev[2]->trigger();
        QCOMPARE(shown(), u"1899/1/15 /1 1899/1/15"_s);
        w.optNext[2]->trigger();
        QCOMPARE(shown(), u"1900/1/15 1900/1 1900/1/15"_s);

        // A step from a day the month lacks fails and changes nothing.
        cal.setValue(u"2026/11/10"_s);
        cal.setDay(31);
        env->dialogs.answerMessage(platform::Answer::Ok);
        w.optNext[0]->trigger();
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|Critical|型が一致しません。(13)"_s);
        QCOMPARE(shown(), u"2026/11/31 2026/11 1900/1/15"_s);
        QVERIFY(env->endings.isEmpty());
    }

    void layoutAndClockTitle() {
        addEntry(QDate(2026, 12, 24), u"イブ"_s);
        frmCal& w = shownCalendar();
        clsCal& cal = *w.oCal1;
        const int menu = w.height() - w.centralWidget()->height();
        quint64 before = queries();
        int redraws = cal.fullRedrawCount();
        w.resize(600, 400 + menu);
        QCOMPARE(w.Cal1->geometry(), QRect(8, 40, 586, 354));
        QCOMPARE(cal.fullRedrawCount(), redraws + 1);
        // The redraw wiped the marks; they are queried and drawn again.
        QCOMPARE(queries(), before + 1);
        QVERIFY(hasPen(w, 24));
        // Smaller than the margins: the calendar keeps its smallest size.
        w.resize(120, 30 + menu);
        QCOMPARE(w.Cal1->size(), QSize(200, 150));

        // Minimized: the short title, and no layout until restored.
        w.setWindowState(Qt::WindowMinimized);
        w.Timer1_Timer();
        QCOMPARE(w.windowTitle(), u"Velmoraカレンダー"_s);
        before = queries();
        redraws = cal.fullRedrawCount();
        w.Form_Resize();
        QCOMPARE(cal.fullRedrawCount(), redraws);
        QCOMPARE(queries(), before);
        w.setWindowState(Qt::WindowNoState);
        QCOMPARE(cal.fullRedrawCount(), redraws + 1);
        QCOMPARE(queries(), before + 1);

        // The window's own timer keeps the clock title.
        env->clock.set(QDateTime(QDate(1998, 7, 15), QTime(0, 0)));
        QTRY_COMPARE(w.windowTitle(), u"Velmoraカレンダー   98/07/15 (水)"_s);
    }

    void exitAndClose() {
        QPointer<frmCal> w = &shownCalendar();
        QPointer<clsCal> control = w->oCal1.get();
        w->optFile[2]->trigger();
        QVERIFY(!app::modFunc().JournalDb);
        QCOMPARE(env->endings, QList<int>{0});
        // Closing releases the calendar; nothing is asked, the program goes on.
        QVERIFY(w->close());
        runDeferredDeletes();
        QVERIFY(w.isNull() && control.isNull());
        QCOMPARE(env->endings, QList<int>{0});
    }
};

ORVANE_TEST_MAIN(CalendarWindowTest)
#include "tst_calwin.moc"
