// The calendar window: its controls and menus, the layout, the clock title, the selectors and
// the navigation that moves the working date.
#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Database.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"
#include "store/Schema.h"
#include "support/TestEnv.h"
#include "windows/calendar/frmCal.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <QtTest>

#include <memory>

using platform::db::Workspace;

namespace {

const QColor Grey(192, 192, 192);
const QColor BoxGrey(128, 128, 128);

struct MenuItem {
    QString caption;
    QKeySequence shortcut;
};

QList<MenuItem> itemsOf(const QMenu* menu) {
    QList<MenuItem> items;
    for (const QAction* action : menu->actions())
        items << MenuItem{action->text(), action->shortcut()};
    return items;
}

} // namespace

class CalendarWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QPointer<frmCal> window;

    // The program's journal: a new file with its table and one entry.
    void makeJournal() {
        QDir().mkpath(env->dataDir());
        auto db = Workspace().createDatabase(env->dataDir() + QStringLiteral("/orvane.mdb"));
        store::tblMake(*db);
        db->execute(QStringLiteral("insert into Mirel (Reg_dat, Memo_txt) values (?, ?)"),
                    {QDate(2026, 12, 24), QStringLiteral("イブ")});
        app::modFunc().JournalDb = std::move(db);
    }

    static quint64 queries() { return app::modFunc().JournalDb->statementCount(); }

    frmCal& make() {
        makeJournal();
        window = new frmCal();
        return *window;
    }

    frmCal& show() {
        frmCal& w = window ? *window : make();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("the calendar window was not exposed");
        return w;
    }

    // A choice in a selector as the user makes it: the item becomes current, then activated.
    static void choose(QComboBox* combo, const QString& text) {
        const int item = combo->findText(text);
        QVERIFY(item >= 0);
        combo->setCurrentIndex(item);
        Q_EMIT combo->activated(item);
    }

    static void sendClientResize(frmCal& w) {
        QResizeEvent resize(w.centralWidget()->size(), w.centralWidget()->size());
        QApplication::sendEvent(w.centralWidget(), &resize);
    }

private Q_SLOTS:
    void init() {
        // A check that failed in cleanup() left the previous world alive; it must go before
        // the new one is made, or its ending would take the scripted dialogs away.
        env.reset();
        env = std::make_unique<testing::TestEnv>();
    }
    void cleanup() {
        delete window.data();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void controlsAsDesigned() {
        frmCal& w = make();
        // The clock title from the start.
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmoraカレンダー   26/12/06 (日)"));
        QCOMPARE(w.pos(), QPoint(0, 0));
        QCOMPARE(w.palette().color(QPalette::Window), Grey);
        QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), Grey);
        QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));

        const QStringList years = [] {
            QStringList list;
            for (int y = 1900; y <= 2099; ++y)
                list << QString::number(y);
            return list;
        }();
        for (int i = 0; i < 2; ++i) {
            QComboBox* combo = w.Combo1[std::size_t(i)];
            QVERIFY(!combo->isEditable());
            QCOMPARE(combo->font().family(), QStringLiteral("Times New Roman"));
            QCOMPARE(combo->font().pointSizeF(), 11.25);
            QVERIFY(combo->font().bold());
            QLabel* label = w.Label1[std::size_t(i)];
            QCOMPARE(label->font().family(), QStringLiteral("ＭＳ Ｐ明朝"));
            QCOMPARE(label->font().pointSizeF(), 14.25);
            QVERIFY(label->font().bold());
            QCOMPARE(label->buddy(), combo);
        }
        QCOMPARE(w.Combo1[0]->count(), 200);
        for (int i = 0; i < 200; ++i)
            QCOMPARE(w.Combo1[0]->itemText(i), years[i]);
        QCOMPARE(w.Combo1[1]->count(), 12);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(w.Combo1[1]->itemText(i), QString::number(i + 1));
        QCOMPARE(w.Combo1[0]->pos(), QPoint(16, 8));
        QCOMPARE(w.Combo1[0]->width(), 73);
        QCOMPARE(w.Combo1[1]->pos(), QPoint(112, 8));
        QCOMPARE(w.Combo1[1]->width(), 57);
        QCOMPARE(w.Label1[0]->text(), QStringLiteral("年"));
        QCOMPARE(w.Label1[0]->geometry(), QRect(88, 11, 21, 19));
        QCOMPARE(w.Label1[1]->text(), QStringLiteral("月"));
        QCOMPARE(w.Label1[1]->geometry(), QRect(168, 11, 21, 19));

        QCOMPARE(w.Cal1->parentWidget(), w.centralWidget());
        QCOMPARE(w.Cal1->pos(), QPoint(8, 40));
        QCOMPARE(w.Cal1->backColor(), BoxGrey);
        QCOMPARE(w.Timer1->interval(), 200);
        QVERIFY(w.Timer1->isActive());

        // Created with the calendar's colours, on today's month, selectors following; nothing
        // is marked or queried before the first layout.
        QCOMPARE(w.oCal1->DayFontSize(), 15);
        QCOMPARE(w.oCal1->DayBackColor(), QColor(255, 255, 0));
        QCOMPARE(w.oCal1->DayForeColor(), QColor(0, 0, 255));
        QCOMPARE(w.oCal1->Value(), QStringLiteral("2026/12/6"));
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("2026"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("12"));
        QVERIFY(!w.laidOut());
        const quint64 before = queries();
        w.oCal1->NextDay();
        w.oCal1->PreviousDay();
        QCOMPARE(queries(), before);
        QCOMPARE(app::modFunc().MarkedMonth, 0);

        // Shown: the client area as designed, the calendar laid out in it and marked.
        show();
        QCOMPARE(w.centralWidget()->size(), QSize(406, 277));
        QVERIFY(w.laidOut());
        QCOMPARE(w.Cal1->size(), QSize(392, 231));
        QCOMPARE(queries(), before + 1);
        QCOMPARE(app::modFunc().MarkedMonth, 202612);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(0, 0));
    }

    void menusAsDesigned() {
        frmCal& w = make();
        QStringList bar;
        for (const QAction* action : w.menuBar()->actions())
            bar << action->text();
        QCOMPARE(bar, (QStringList{QStringLiteral("ﾌｧｲﾙ(&F)"), QStringLiteral("前へ(&G)"),
                                   QStringLiteral("今日(&T)"), QStringLiteral("次へ(&N)"),
                                   QStringLiteral("ｵﾌﾟｼｮﾝ(&O)")}));
        QCOMPARE(w.menuBar()->actions().at(0), w.oFile->menuAction());
        QCOMPARE(w.menuBar()->actions().at(2), w.oToday);
        QVERIFY(w.oToday->menu() == nullptr);

        const auto check = [](QMenu* menu, auto& array, const QList<int>& indexes,
                              const QStringList& captions, const QList<QKeySequence>& keys) {
            const auto items = itemsOf(menu);
            QCOMPARE(items.size(), indexes.size());
            for (qsizetype i = 0; i < indexes.size(); ++i) {
                QCOMPARE(items[i].caption, captions[i]);
                QCOMPARE(items[i].shortcut, keys[i]);
                QCOMPARE(menu->actions()[i], array[std::size_t(indexes[i])]);
            }
        };
        check(w.oFile, w.optFile, {0, 1, 2},
              {QStringLiteral("日記を書く(&W)"), QStringLiteral("選択を削除(&D)"),
               QStringLiteral("終了(&E)")},
              {{}, {}, {}});
        check(w.oPrev, w.optPrev, {0, 1, 2},
              {QStringLiteral("前日"), QStringLiteral("前月"), QStringLiteral("前年")},
              {QKeySequence(Qt::Key_F3), QKeySequence(Qt::Key_F4), QKeySequence(Qt::Key_F5)});
        check(w.oNext, w.optNext, {0, 1, 2},
              {QStringLiteral("翌日"), QStringLiteral("翌月"), QStringLiteral("翌年")},
              {QKeySequence(Qt::Key_F6), QKeySequence(Qt::Key_F7), QKeySequence(Qt::Key_F8)});
        check(w.oOpt, w.optOpt, {0, 1, 3, 4},
              {QStringLiteral("手帳(&B)"), QStringLiteral("年月日指定(&I)"),
               QStringLiteral("元のｻｲｽﾞ(&S)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")},
              {{}, {}, {}, {}});
        QVERIFY(w.optOpt[2] == nullptr);
    }

    void functionKeysMoveTheCalendarAndTheWorkingDate() {
        frmCal& w = show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto& m = app::modFunc();
        clsCal& cal = *w.oCal1;

        // F7 on 31 January: the last day of February.
        cal.setValue(QStringLiteral("2027/01/31"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("1"));
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("2027"));
        QTest::keyClick(&w, Qt::Key_F7);
        QCOMPARE(cal.Value(), QStringLiteral("2027/2/28"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("2"));
        QCOMPARE(m.WorkDate, QDate(2027, 2, 28));

        const struct {
            Qt::Key key;
            QString value;
        } steps[] = {
            {Qt::Key_F3, QStringLiteral("2027/2/27")}, {Qt::Key_F4, QStringLiteral("2027/1/27")},
            {Qt::Key_F5, QStringLiteral("2026/1/27")}, {Qt::Key_F6, QStringLiteral("2026/1/28")},
            {Qt::Key_F8, QStringLiteral("2027/1/28")}, {Qt::Key_F6, QStringLiteral("2027/1/29")},
        };
        for (const auto& step : steps) {
            QTest::keyClick(&w, step.key);
            QCOMPARE(cal.Value(), step.value);
            QCOMPARE(platform::dates::format(m.WorkDate, QStringLiteral("yyyy/m/d")), step.value);
        }
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("2027"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("1"));

        // Today.
        w.oToday->trigger();
        QCOMPARE(cal.Value(), QStringLiteral("2026/12/6"));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 6));
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("2026"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("12"));
    }

    void selectorsMoveTheCalendarOnly() {
        frmCal& w = show();
        auto& m = app::modFunc();
        clsCal& cal = *w.oCal1;
        m.WorkDate = QDate(2026, 12, 6);

        choose(w.Combo1[0], QStringLiteral("2001"));
        QCOMPARE(cal.Year(), 2001);
        QCOMPARE(cal.Value(), QStringLiteral("2001/12/6"));
        QCOMPARE(m.MarkedMonth, 200112);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 6));

        // The calendar refuses 2099; the selector goes back to the year shown.
        const int redraws = cal.fullRedrawCount();
        choose(w.Combo1[0], QStringLiteral("2099"));
        QCOMPARE(cal.Year(), 2001);
        QCOMPARE(cal.fullRedrawCount(), redraws);
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("2001"));

        // A key on the month selector is a choice of the user as well.
        w.Combo1[1]->setFocus();
        QTest::keyClick(w.Combo1[1], Qt::Key_Up);
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("11"));
        QCOMPARE(cal.Value(), QStringLiteral("2001/11/6"));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 6));

        // The menus move the working date from wherever the selectors left the calendar.
        w.optNext[0]->trigger();
        QCOMPARE(m.WorkDate, QDate(2001, 11, 7));
    }

    void yearsOutsideTheListLeaveTheSelectorEmpty() {
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        cal.setValue(QStringLiteral("1900/01/15"));
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("1900"));
        w.optPrev[2]->trigger();
        QCOMPARE(cal.Value(), QStringLiteral("1899/1/15"));
        QCOMPARE(w.Combo1[0]->currentIndex(), -1);
        QCOMPARE(app::modFunc().WorkDate, QDate(1899, 1, 15));
        w.optNext[2]->trigger();
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("1900"));
        cal.setValue(QStringLiteral("2150/03/01"));
        QCOMPARE(w.Combo1[0]->currentIndex(), -1);
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("3"));
        // Nothing was shown, nothing ended.
        QVERIFY(env->dialogs.calls().empty());
        QVERIFY(env->endings.isEmpty());
    }

    void failedStepChangesNothing() {
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        cal.setValue(QStringLiteral("2026/11/10"));
        cal.setDay(31); // 31 November: no such day to step from
        app::modFunc().WorkDate = QDate(2026, 11, 10);
        env->dialogs.answerMessage(platform::Answer::Ok);
        w.optNext[0]->trigger();
        QCOMPARE(env->dialogs.messageTexts(),
                 QStringList{QStringLiteral("型が一致しません。(13)")});
        QCOMPARE(env->dialogs.calls().front().title, QStringLiteral("ORVANE"));
        QCOMPARE(cal.Value(), QStringLiteral("2026/11/31"));
        QCOMPARE(app::modFunc().WorkDate, QDate(2026, 11, 10));
    }

    void layoutFollowsTheClientArea() {
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        const int menu = w.height() - w.centralWidget()->height();
        const quint64 before = queries();
        const int redraws = cal.fullRedrawCount();
        w.resize(600, 400 + menu);
        QCOMPARE(w.centralWidget()->size(), QSize(600, 400));
        QCOMPARE(w.Cal1->geometry(), QRect(8, 40, 586, 354));
        QCOMPARE(cal.Width(), 586);
        QCOMPARE(cal.Height(), 354);
        QCOMPARE(cal.geometry().CellWidth, 84);
        QCOMPARE(cal.fullRedrawCount(), redraws + 1);
        // The redraw wiped the marks; they are queried and drawn again.
        QCOMPARE(queries(), before + 1);
        cal.setToolTipDay(24);
        QCOMPARE(cal.DayTag(), QStringLiteral("on"));
        QCOMPARE(w.Cal1->pixel(cal.DayLeft(24) + 1, cal.DayTop(24) + 11), QColor(0, 0, 0));

        // Smaller than the margins: the calendar keeps its smallest size.
        w.resize(120, 30 + menu);
        QCOMPARE(w.centralWidget()->size(), QSize(120, 30));
        QCOMPARE(w.Cal1->size(), QSize(200, 150));
        QVERIFY(env->dialogs.calls().empty());
    }

    void minimizedWindowIsNotLaidOut() {
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(w.isMinimized());
        w.Timer1_Timer();
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmoraカレンダー"));

        const quint64 before = queries();
        const int redraws = cal.fullRedrawCount();
        sendClientResize(w);
        w.Form_Resize();
        QCOMPARE(cal.fullRedrawCount(), redraws);
        QCOMPARE(queries(), before);

        // Restored: laid out and marked again, the clock back in the title.
        w.setWindowState(Qt::WindowNoState);
        QCOMPARE(cal.fullRedrawCount(), redraws + 1);
        QCOMPARE(queries(), before + 1);
        w.Timer1_Timer();
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmoraカレンダー   26/12/06 (日)"));
    }

    void titleRunsAsAClock() {
        frmCal& w = show();
        env->clock.set(QDateTime(QDate(1998, 7, 14), QTime(23, 59, 59, 900)));
        w.Timer1_Timer();
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmoraカレンダー   98/07/14 (火)"));
        env->clock.advanceMs(200);
        // The next tick of the window's own timer shows the new day.
        QTRY_COMPARE(w.windowTitle(), QStringLiteral("Velmoraカレンダー   98/07/15 (水)"));
    }

    void exitReleasesTheJournalAndEnds() {
        frmCal& w = show();
        w.optFile[2]->trigger();
        QVERIFY(!app::modFunc().JournalDb);
        QCOMPARE(env->endings, QList<int>{0});
    }

    void closingReleasesTheCalendar() {
        frmCal& w = show();
        QPointer<clsCal> control = w.oCal1.get();
        QPointer<platform::PictureBox> box = w.Cal1;
        QVERIFY(w.close());
        QTRY_VERIFY(window.isNull());
        QVERIFY(control.isNull());
        QVERIFY(box.isNull());
        // Nothing was saved or asked, and the program goes on.
        QVERIFY(env->dialogs.calls().empty());
        QVERIFY(env->endings.isEmpty());
    }

    void splashClosesWhenTheCalendarIsShown() {
        QPointer<QWidget> splash = new QWidget();
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->show();
        app::modFunc().Splash = splash;
        make();
        QVERIFY(splash->isVisible());
        show();
        QTRY_VERIFY(splash.isNull());
    }
};

ORVANE_TEST_MAIN(CalendarWindowTest)
#include "tst_calwin.moc"
