// The pen marks of the calendar window: pixels, queries, tool tips, tags and the journal's
// failures.
#include "support/CalendarFixture.h"

#include <QHash>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;

namespace {

const QColor Yellow(255, 255, 0);

// The pen, pixel by pixel, rows from the top; its mask is black where the pen is not white.
const char* const PenRows[11] = {"WWWWWWGWWWW", "WWWWWGYGWWW", "WWWWGYGGDWW", "WWWGYGGDDDW",
                                 "WWGYGGDDDKD", "WGYGGDDDKDW", "GYGGDDDKDWW", "YGGDDDKDWWW",
                                 "YSDDDKDWWWW", "KYODKDWWWWW", "KKOODWWWWWW"};

QColor colourOf(char letter) {
    static const QHash<char, QColor> colours{
        {'G', QColor(0, 255, 0)},   {'Y', Yellow},
        {'D', QColor(0, 128, 0)},   {'K', QColor(0, 0, 0)},
        {'O', QColor(128, 128, 0)}, {'S', QColor(192, 192, 192)}};
    return colours.value(letter, QColor(255, 255, 255));
}

} // namespace

class PenVisTest : public CalendarTest {
    Q_OBJECT

private Q_SLOTS:
    void penComposedOntoTheCell() {
        // December 2026 starts on a Tuesday and ends on a Thursday of the fifth week row.
        addEntry(QDate(2026, 12, 1), u"最初"_s);
        addEntry(QDate(2026, 12, 31), u"大晦日"_s);
        frmCal& w = shownCalendar();
        clsCal& cal = *w.oCal1;
        QVERIFY(w.Pen1->isHidden() && w.PenMask->isHidden());
        QCOMPARE(w.Pen1->image().size(), QSize(11, 11));
        QCOMPARE(w.PenMask->image().size(), QSize(11, 11));
        const QImage marked = w.Cal1->image();
        // A redraw wipes the marks and, the month counting as marked, draws none again.
        cal.ReWrite();
        const QImage clean = w.Cal1->image();
        const auto g = cal.geometry();
        // One pixel right of and below the top-left corner of the cell's interior.
        const std::pair<int, QPoint> marks[] = {
            {1, QPoint(g.CellWidth + 2, g.HeadHeight + 2)},
            {31, QPoint(3 * g.CellWidth + 2, 4 * g.CellHeight + g.HeadHeight + 2)}};
        QImage rest = marked;
        for (const auto& [day, topLeft] : marks) {
            QCOMPARE(QPoint(cal.DayLeft(day) + 1, cal.DayTop(day) + 1), topLeft);
            for (int i = 0; i < 121; ++i) {
                const int x = i % 11, y = i / 11;
                const char pen = PenRows[y][x];
                QCOMPARE(w.Pen1->pixel(x, y), colourOf(pen));
                QCOMPARE(w.PenMask->pixel(x, y), colourOf(pen == 'W' ? 'W' : 'K'));
                const QPoint p = topLeft + QPoint(x, y);
                QCOMPARE(clean.pixelColor(p), Yellow);
                QCOMPARE(marked.pixelColor(p), pen == 'W' ? Yellow : colourOf(pen));
                rest.setPixelColor(p, Yellow);
            }
        }
        QCOMPARE(rest, clean); // nothing else of the drawing changed
    }

    void queriesTipsAndTags() {
        addEntry(QDate(2026, 12, 9), u""_s);
        addEntry(QDate(2026, 12, 16), QVariant()); // no remark at all
        addEntry(QDate(2026, 12, 24), u"イブ"_s);
        addEntry(QDate(2027, 1, 1), u"元日"_s);
        addEntry(QDate(1998, 11, 3), u"文化の日"_s);
        addEntry(QDate(1998, 1, 15), u"成人の日"_s);
        auto& m = app::modFunc();
        const quint64 base = queries();
        frmCal& w = shownCalendar();
        clsCal& cal = *w.oCal1;
        QCOMPARE(queries(), base + 1);
        QCOMPARE(m.MarkedMonth, 202612);
        QCOMPARE(m.SqlText, u"select reg_dat,memo_txt from mirel where "
                            "format(reg_dat,'yyyy/mm')=? order by reg_dat"_s);
        // An empty remark, or none, still marks and tags the day.
        for (int day : {9, 16, 24}) {
            QVERIFY(hasPen(w, day));
            QCOMPARE(tagOf(w, day), u"on"_s);
            QCOMPARE(tipOf(w, day), day == 24 ? u"イブ"_s : QString());
        }
        QCOMPARE(tagOf(w, 1), QString()); // January's, not December's

        // Moves inside the month, by menu, by value and by asking again, query nothing.
        w.optNext[0]->trigger();
        cal.setValue(u"2026/12/20"_s);
        w.PenVis();
        QCOMPARE(queries(), base + 1);
        // Into the next month and year: three events, one query; a day back, one more.
        w.optNext[1]->trigger();
        QCOMPARE(queries(), base + 2);
        QCOMPARE(m.MarkedMonth, 20271);
        QCOMPARE(tipOf(w, 1), u"元日"_s);
        cal.setValue(u"2027/01/01"_s);
        w.optPrev[0]->trigger();
        QCOMPARE(queries(), base + 3);
        QCOMPARE(m.MarkedMonth, 202612);
        m.MarkedMonth = 0; // the reset forces the query again
        w.PenVis();
        QCOMPARE(queries(), base + 4);

        // November and January 1998 (199811 and 19981) are different months.
        cal.setValue(u"1998/11/15"_s);
        cal.setValue(u"1998/01/15"_s);
        QCOMPARE(m.MarkedMonth, 19981);
        QCOMPARE(queries(), base + 6);
        QCOMPARE(tipOf(w, 15), u"成人の日"_s);
        QCOMPARE(tagOf(w, 3), QString());

        // A month without entries: nothing drawn, one repaint, the key stored.
        cal.setValue(u"1998/02/15"_s);
        const QImage drawn = w.Cal1->image();
        const int refreshes = w.Cal1->refreshCount();
        m.MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(m.MarkedMonth, 19982);
        QCOMPARE(w.Cal1->image(), drawn);
        QCOMPARE(w.Cal1->refreshCount(), refreshes + 1);
    }

    void journalFailures() {
        auto& m = app::modFunc();
        // A missing table is made without a message; its month is empty, its entries marked.
        m.JournalDb->execute(u"drop table Mirel"_s);
        frmCal& w = shownCalendar();
        QCOMPARE(m.MarkedMonth, 202612);
        QCOMPARE(rawRows(journal, u"select name from sqlite_master where type='table'"_s),
                 QList<QStringList>{{u"Mirel"_s}});
        addEntry(QDate(2026, 12, 5), u"新しい"_s);
        m.MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(tipOf(w, 5), u"新しい"_s);

        // Without a journal nothing is marked, so the marks come as soon as it is back.
        auto db = std::move(m.JournalDb);
        w.optNext[1]->trigger();
        QCOMPARE(m.MarkedMonth, 0);
        m.JournalDb = std::move(db);
        w.optPrev[1]->trigger();
        QCOMPARE(m.MarkedMonth, 202612);
        QVERIFY(hasPen(w, 5));

        // A table of the journal's name without the journal's columns.
        m.JournalDb->execute(u"drop table Mirel"_s);
        m.JournalDb->execute(u"create table Mirel (Memo_txt text)"_s);
        env->dialogs.answerMessage(platform::Answer::Ok);
        m.MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(lastMessage(*env),
                 u"ファイルの読込みエラー|Ok|Critical|no such column: reg_dat(1)"_s);
        // The month counts as marked: its events bring no message again; the next month tries
        // again, and the window stays usable.
        w.optNext[0]->trigger();
        QCOMPARE(env->dialogs.calls().size(), std::size_t(1));
        env->dialogs.answerMessage(platform::Answer::Ok);
        w.optNext[1]->trigger();
        QCOMPARE(env->dialogs.calls().size(), std::size_t(2));
        QCOMPARE(m.MarkedMonth, 20271);
        QCOMPARE(m.WorkDate, QDate(2027, 1, 7));
    }
};

ORVANE_TEST_MAIN(PenVisTest)
#include "tst_penvis.moc"
