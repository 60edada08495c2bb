// The pen marks of the calendar window: pixels, queries, tool tips, tags and the journal's
// failures.
#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"
#include "store/Schema.h"
#include "support/TestEnv.h"
#include "windows/calendar/MonthMarks.h"
#include "windows/calendar/frmCal.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QtTest>

#include <array>
#include <memory>

using platform::db::Database;
using platform::db::Workspace;

namespace {

const QColor Yellow(255, 255, 0);

// The pen and its mask, pixel by pixel, rows from the top.
const std::array<const char*, 11> PenRows = {
    "WWWWWWGWWWW", "WWWWWGYGWWW", "WWWWGYGGDWW", "WWWGYGGDDDW", "WWGYGGDDDKD", "WGYGGDDDKDW",
    "GYGGDDDKDWW", "YGGDDDKDWWW", "YSDDDKDWWWW", "KYODKDWWWWW", "KKOODWWWWWW",
};
const std::array<const char*, 11> MaskRows = {
    "......#....", ".....###...", "....#####..", "...#######.", "..#########", ".#########.",
    "#########..", "########...", "#######....", "######.....", "#####......",
};

QColor colourOf(char letter) {
    switch (letter) {
    case 'G':
        return QColor(0, 255, 0);
    case 'Y':
        return QColor(255, 255, 0);
    case 'D':
        return QColor(0, 128, 0);
    case 'K':
    case '#':
        return QColor(0, 0, 0);
    case 'O':
        return QColor(128, 128, 0);
    case 'S':
        return QColor(192, 192, 192);
    default:
        return QColor(255, 255, 255);
    }
}

const QString ReadError = QStringLiteral("ファイルの読込みエラー");

} // namespace

class PenVisTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QPointer<frmCal> window;

    QString journalPath() const { return env->dataDir() + QStringLiteral("/orvane.mdb"); }

    // A new journal file, with or without its table, opened as the program's journal.
    Database& makeJournal(bool withTable = true) {
        QDir().mkpath(env->dataDir());
        auto db = Workspace().createDatabase(journalPath());
        if (withTable)
            store::tblMake(*db);
        app::modFunc().JournalDb = std::move(db);
        return *app::modFunc().JournalDb;
    }

    static void addEntry(const QDate& day, const QVariant& memo) {
        app::modFunc().JournalDb->execute(
            QStringLiteral("insert into Mirel (Reg_dat, Mirel_txt, Memo_txt) values (?, ?, ?)"),
            {day, QStringLiteral("text"), memo});
    }

    static quint64 queries() { return app::modFunc().JournalDb->statementCount(); }

    // The calendar window on the screen, laid out once.
    frmCal& show() {
        window = new frmCal();
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            qWarning("the calendar window was not exposed");
        return *window;
    }

    static QString tipOf(clsCal& cal, int day) {
        cal.setToolTipDay(day);
        return cal.ToolTipText();
    }
    static QString tagOf(clsCal& cal, int day) {
        cal.setToolTipDay(day);
        return cal.DayTag();
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

    void penImagesHoldTheTables() {
        makeJournal();
        frmCal& w = show();
        QVERIFY(w.Pen1->isHidden());
        QVERIFY(w.PenMask->isHidden());
        QCOMPARE(w.Pen1->image().size(), QSize(11, 11));
        QCOMPARE(w.PenMask->image().size(), QSize(11, 11));
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 11; ++x) {
                QCOMPARE(w.Pen1->pixel(x, y), colourOf(PenRows[std::size_t(y)][x]));
                QCOMPARE(w.PenMask->pixel(x, y), colourOf(MaskRows[std::size_t(y)][x]));
                // The pen is white exactly where its mask is.
                QCOMPARE(w.Pen1->pixel(x, y) == QColor(Qt::white),
                         w.PenMask->pixel(x, y) == QColor(Qt::white));
            }
        }
    }

    void penIsCompositedOntoTheCell() {
        makeJournal();
        // December 2026 starts on a Tuesday and ends on a Thursday of the fifth week row.
        addEntry(QDate(2026, 12, 1), QStringLiteral("最初"));
        addEntry(QDate(2026, 12, 31), QStringLiteral("大晦日"));
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        const QImage marked = w.Cal1->image();
        // A redraw wipes the marks and, the month being marked already, draws none again.
        cal.ReWrite();
        const QImage clean = w.Cal1->image();
        QVERIFY(marked != clean);

        const auto g = cal.geometry();
        struct Mark {
            int day;
            QPoint topLeft;
        };
        // One pixel right of and below the top-left corner of the cell's interior.
        const std::array<Mark, 2> marks{
            Mark{1, QPoint(1 * g.CellWidth + 2, 0 * g.CellHeight + g.HeadHeight + 2)},
            Mark{31, QPoint(3 * g.CellWidth + 2, 4 * g.CellHeight + g.HeadHeight + 2)}};
        QImage rest = marked;
        for (const Mark& m : marks) {
            QCOMPARE(QPoint(cal.DayLeft(m.day) + 1, cal.DayTop(m.day) + 1), m.topLeft);
            for (int y = 0; y < 11; ++y) {
                for (int x = 0; x < 11; ++x) {
                    const QPoint p = m.topLeft + QPoint(x, y);
                    const QColor underneath = clean.pixelColor(p);
                    QCOMPARE(underneath, Yellow);
                    const QColor expected = MaskRows[std::size_t(y)][x] == '#'
                                                ? colourOf(PenRows[std::size_t(y)][x])
                                                : underneath;
                    QCOMPARE(marked.pixelColor(p), expected);
                    rest.setPixelColor(p, underneath);
                }
            }
        }
        // Nothing else of the drawing changed.
        QCOMPARE(rest, clean);

        // Asked again for the same month: nothing is drawn; after a reset the marks return.
        w.PenVis();
        QCOMPARE(w.Cal1->image(), clean);
        const int refreshes = w.Cal1->refreshCount();
        app::modFunc().MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(w.Cal1->image(), marked);
        QCOMPARE(w.Cal1->refreshCount(), refreshes + 1);
    }

    void oneQueryPerMonth() {
        makeJournal();
        addEntry(QDate(2026, 12, 24), QStringLiteral("イブ"));
        addEntry(QDate(2027, 1, 1), QStringLiteral("元日"));
        auto& m = app::modFunc();
        const quint64 base = queries();
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        QCOMPARE(queries(), base + 1);
        QCOMPARE(m.MarkedMonth, 202612);
        QCOMPARE(m.SqlText, QStringLiteral("select reg_dat,memo_txt from mirel where "
                                           "format(reg_dat,'yyyy/mm')=? order by reg_dat"));
        QVERIFY(m.JournalRs.has_value());
        QCOMPARE(m.JournalRs->rowCount(), std::size_t(1));
        QCOMPARE(tipOf(cal, 24), QStringLiteral("イブ"));

        // Moves inside the month, by menu, by value and by asking again, query nothing.
        w.optNext[0]->trigger();
        cal.setValue(QStringLiteral("2026/12/20"));
        w.PenVis();
        w.PenVis();
        QCOMPARE(queries(), base + 1);

        // Into the next month and year: three events, one query.
        w.optNext[1]->trigger();
        QCOMPARE(cal.Value(), QStringLiteral("2027/1/20"));
        QCOMPARE(queries(), base + 2);
        QCOMPARE(m.MarkedMonth, 20271);
        QCOMPARE(tagOf(cal, 1), QStringLiteral("on"));
        QCOMPARE(tipOf(cal, 1), QStringLiteral("元日"));
        w.PenVis();
        QCOMPARE(queries(), base + 2);

        // A year back, a day back across the month's start: one query each.
        w.optPrev[2]->trigger();
        QCOMPARE(queries(), base + 3);
        QCOMPARE(m.MarkedMonth, 20261);
        cal.setValue(QStringLiteral("2026/01/01"));
        w.optPrev[0]->trigger();
        QCOMPARE(cal.Value(), QStringLiteral("2025/12/31"));
        QCOMPARE(queries(), base + 4);

        // The reset forces the query again.
        m.MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(queries(), base + 5);
        QCOMPARE(m.MarkedMonth, 202512);
    }

    void monthKeysStayApart() {
        QCOMPARE(windows::calendar::monthKey(1998, 7), 19987);
        QCOMPARE(windows::calendar::monthKey(1998, 12), 199812);
        QCOMPARE(windows::calendar::monthEntriesParams(1998, 7),
                 QVariantList{QStringLiteral("1998/07")});

        makeJournal();
        addEntry(QDate(1998, 11, 3), QStringLiteral("文化の日"));
        addEntry(QDate(1998, 1, 15), QStringLiteral("成人の日"));
        auto& m = app::modFunc();
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        cal.setValue(QStringLiteral("1998/11/15"));
        QCOMPARE(m.MarkedMonth, 199811);
        const quint64 before = queries();
        cal.setValue(QStringLiteral("1998/01/15"));
        QCOMPARE(m.MarkedMonth, 19981);
        QCOMPARE(queries(), before + 1);
        QCOMPARE(tipOf(cal, 15), QStringLiteral("成人の日"));
        QCOMPARE(tagOf(cal, 3), QString());
        cal.setValue(QStringLiteral("1998/11/15"));
        QCOMPARE(queries(), before + 2);
        QCOMPARE(tipOf(cal, 3), QStringLiteral("文化の日"));
        QCOMPARE(tagOf(cal, 15), QString());
    }

    void tipsAndTags() {
        makeJournal();
        addEntry(QDate(2026, 12, 2), QStringLiteral("歯医者 10:00"));
        addEntry(QDate(2026, 12, 9), QString(""));
        addEntry(QDate(2026, 12, 16), QVariant()); // no remark at all
        addEntry(QDate(2026, 11, 30), QStringLiteral("先月"));
        frmCal& w = show();
        clsCal& cal = *w.oCal1;
        QCOMPARE(tipOf(cal, 2), QStringLiteral("歯医者 10:00"));
        QCOMPARE(tagOf(cal, 2), QStringLiteral("on"));
        for (int day : {9, 16}) {
            QCOMPARE(tipOf(cal, day), QString());
            QCOMPARE(tagOf(cal, day), QStringLiteral("on"));
            // Marked like any other day: the pen's dark tip is in the cell.
            QCOMPARE(w.Cal1->pixel(cal.DayLeft(day) + 1, cal.DayTop(day) + 11), QColor(0, 0, 0));
        }
        QCOMPARE(tagOf(cal, 3), QString());
        QCOMPARE(tagOf(cal, 30), QString());
        // The box shows a day's remark when the pointer comes over it.
        const QPoint over(cal.DayLeft(2) + 20, cal.DayTop(2) + 20);
        QMouseEvent move(QEvent::MouseMove, QPointF(over), w.Cal1->mapToGlobal(QPointF(over)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.Cal1, &move);
        QCOMPARE(w.Cal1->toolTipText(), QStringLiteral("歯医者 10:00"));
    }

    void emptyMonth() {
        makeJournal();
        addEntry(QDate(2026, 11, 30), QStringLiteral("先月"));
        frmCal& w = show();
        const QImage drawn = w.Cal1->image();
        const int refreshes = w.Cal1->refreshCount();
        app::modFunc().MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(app::modFunc().MarkedMonth, 202612);
        QCOMPARE(app::modFunc().JournalRs->rowCount(), std::size_t(0));
        QCOMPARE(w.Cal1->image(), drawn);
        QCOMPARE(w.Cal1->refreshCount(), refreshes + 1);
    }

    void missingTableIsCreated() {
        Database& db = makeJournal(false);
        frmCal& w = show();
        // No message (the script expects none), an empty month, and the table is there.
        QVERIFY(env->dialogs.calls().empty());
        QCOMPARE(app::modFunc().MarkedMonth, 202612);
        QCOMPARE(app::modFunc().JournalRs->rowCount(), std::size_t(0));
        auto tables =
            db.openRecordset(QStringLiteral("select name from sqlite_master where type = 'table'"));
        QCOMPARE(tables.rowCount(), std::size_t(1));
        QCOMPARE(tables.field(QStringLiteral("name")).toString(), QStringLiteral("Mirel"));
        // The new table takes entries, and they are marked.
        addEntry(QDate(2026, 12, 5), QStringLiteral("新しい"));
        app::modFunc().MarkedMonth = 0;
        w.PenVis();
        QCOMPARE(tipOf(*w.oCal1, 5), QStringLiteral("新しい"));
    }

    void readErrorIsShown() {
        Database& db = makeJournal(false);
        // A table of the journal's name without the journal's columns.
        db.execute(QStringLiteral("create table Mirel (Memo_txt text)"));
        env->dialogs.answerMessage(platform::Answer::Ok);
        frmCal& w = show();
        QCOMPARE(env->dialogs.calls().size(), std::size_t(1));
        const auto& call = env->dialogs.calls().front();
        QCOMPARE(call.title, ReadError);
        QCOMPARE(call.icon, platform::Icon::Critical);
        QCOMPARE(call.buttons, platform::Buttons::Ok);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\S.*\\(\\d+\\)$")).match(call.text).hasMatch(),
            qPrintable(call.text));
        QVERIFY(call.text.contains(QStringLiteral("reg_dat")));
        // The month counts as marked: its events do not bring the message again.
        QCOMPARE(app::modFunc().MarkedMonth, 202612);
        w.optNext[0]->trigger();
        QCOMPARE(env->dialogs.calls().size(), std::size_t(1));
        // The window stays usable; the next month tries again.
        env->dialogs.answerMessage(platform::Answer::Ok);
        w.optNext[1]->trigger();
        QCOMPARE(env->dialogs.calls().size(), std::size_t(2));
        QCOMPARE(env->dialogs.calls().back().title, ReadError);
        QCOMPARE(app::modFunc().MarkedMonth, 20271);
        QCOMPARE(app::modFunc().WorkDate, QDate(2027, 1, 7));
    }

    void nothingToMarkWithoutJournal() {
        makeJournal();
        addEntry(QDate(2026, 12, 5), QStringLiteral("あり"));
        frmCal& w = show();
        auto& m = app::modFunc();
        auto journal = std::move(m.JournalDb);
        w.optNext[1]->trigger();
        // No message, and no month counts as marked ...
        QVERIFY(env->dialogs.calls().empty());
        QCOMPARE(m.MarkedMonth, 0);
        // ... so the marks come as soon as the journal is back.
        m.JournalDb = std::move(journal);
        w.optPrev[1]->trigger();
        QCOMPARE(m.MarkedMonth, 202612);
        QCOMPARE(tipOf(*w.oCal1, 5), QStringLiteral("あり"));
    }
};

ORVANE_TEST_MAIN(PenVisTest)
#include "tst_penvis.moc"
