// The pen marks of the calendar window: pixels, queries, tool tips, tags and the journal's
// failures.
#include "support/CalendarFixture.h"
#include "support/Files.h"

#include <QPainter>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;

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

class PenVisTest : public CalendarTest {
    Q_OBJECT

private Q_SLOTS:
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

    void markedDayKeepsItsColours() {
        addEntry(QDate(2026, 12, 3), u"a"_s);
        addEntry(QDate(2026, 12, 10), u"b"_s);
        frmCal& w = shownCalendar();
        const auto pen = [&](int day) {
            return w.Cal1->image().copy(w.oCal1->DayLeft(day) + 1, w.oCal1->DayTop(day) + 1, 11,
                                        11);
        };
        const QImage own = pen(10); // a marked day never selected
        QCOMPARE(own.pixelColor(6, 0), QColor(0, 255, 0));
        QImage inverted = own;
        inverted.invertPixels();
        // Marked again with the day selected, as after a save, then another day chosen.
        w.oCal1->setDay(3);
        app::modFunc().MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(pen(3), inverted);
        w.oCal1->setDay(6);
        QCOMPARE(pen(3), own);
        // A month and a year away and back with the marked day selected.
        w.oCal1->setDay(3);
        w.optNext[1]->trigger();
        w.optPrev[1]->trigger();
        w.optPrev[2]->trigger();
        w.optNext[2]->trigger();
        QCOMPARE(pen(3), inverted);
        w.oCal1->setDay(4);
        QCOMPARE(pen(3), own);
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
};

ORVANE_TEST_MAIN(PenVisTest)
#include "tst_penvis.moc"
