#include "calendar/clsCal.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/System.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>
#include <utility>

using platform::PictureBox;

namespace {

const QColor White(255, 255, 255), LightGrey(192, 192, 192), Black(0, 0, 0), Blue(0, 0, 255),
    Red(255, 0, 0), Yellow(255, 255, 0), Green(0, 128, 0), BoxGrey(128, 128, 128),
    Mint(128, 255, 128), MintInverted(127, 0, 127);
const QString Mismatch = QStringLiteral("型が一致しません。(13)");

// Runs operations written as "NextDay", "Year=1999", "Value=1998/7/20", separated by blanks.
void run(clsCal& c, const QString& script) {
    for (const QString& op : script.split(' ', Qt::SkipEmptyParts)) {
        const QString arg = op.section('=', 1);
        const std::map<QString, std::function<void()>> ops = {
            {"Year", [&] { c.setYear(arg.toInt()); }},
            {"Month", [&] { c.setMonth(arg.toInt()); }},
            {"Day", [&] { c.setDay(arg.toInt()); }},
            {"SetDay", [&] { c.SetDay(arg.toInt()); }},
            {"Value", [&] { c.setValue(arg); }},
            {"Width", [&] { c.setWidth(arg.toInt()); }},
            {"Height", [&] { c.setHeight(arg.toInt()); }},
            {"DayLeft", [&] { c.DayLeft(arg.toInt()); }},
            {"DayFontSize", [&] { c.setDayFontSize(arg.toInt()); }},
            {"DayBackColor", [&] { c.setDayBackColor(QColor(arg)); }},
            {"DayForeColor", [&] { c.setDayForeColor(QColor(arg)); }},
            {"ReWrite", [&] { c.ReWrite(); }},
            {"NextDay", [&] { c.NextDay(); }},
            {"PreviousDay", [&] { c.PreviousDay(); }},
            {"NextMonth", [&] { c.NextMonth(); }},
            {"PreviousMonth", [&] { c.PreviousMonth(); }},
            {"NextYear", [&] { c.NextYear(); }},
            {"PreviousYear", [&] { c.PreviousYear(); }}};
        ops.at(op.section('=', 0, 0))();
    }
}

// A calendar hosted the way the calendar window hosts it. Events are recorded as letters:
// C = ChgDate, Y = NewYear, M = NewMonth.
struct Rig {
    PictureBox box;
    clsCal cal;
    QString events;
    std::function<void()> onEvent; // runs inside every event, after it is recorded
    void hear(QChar event) {
        events += event;
        if (onEvent)
            onEvent();
    }
    QString take() { return std::exchange(events, {}); }
    // Runs the operations; gives "operations -> selected date, events they raised" and the
    // standard message of an error that stopped them.
    QString after(const QString& script) {
        QString error;
        try {
            run(cal, script);
        } catch (const platform::Error& e) {
            error = e.message();
        }
        return script + " -> " + cal.Value() + ' ' + take() + error;
    }
};

QList<QPoint> inkOf(const QImage& image, const QRect& area, const QColor& colour) {
    QList<QPoint> points;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                points << QPoint(x, y);
    return points;
}

// The pixels inside an area that a bold text drawn at a position inks.
QList<QPoint> textInk(const QRect& area, QPoint at, const char* text, int points,
                      const QColor& colour) {
    PictureBox scratch;
    scratch.setBackColor(QColor(1, 2, 3));
    scratch.setOuterSize(420, 300);
    scratch.clear();
    scratch.text(at.x(), at.y(), QString::fromUtf8(text),
                 {points == 12 ? "ＭＳ Ｐ明朝" : "Times New Roman", double(points), true}, colour);
    return inkOf(scratch.image(), area, colour);
}

// The listed pixels that are not of that colour, as text; empty when all are.
QString wrongPixels(const PictureBox& box, const QColor& colour, std::initializer_list<QPoint> at) {
    QString wrong;
    for (const QPoint& p : at)
        if (box.pixel(p.x(), p.y()) != colour)
            wrong += QStringLiteral("(%1,%2) ").arg(p.x()).arg(p.y());
    return wrong;
}

} // namespace

class CalendarTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

    // Started on that day in a 420 x 300 box; as a host, in the calendar window's colours and
    // laid out once (ReWrite) as the window does when first shown.
    std::unique_ptr<Rig> make(QDate today, bool host = true) {
        env->clock.set(QDateTime(today, QTime(9, 30)));
        auto r = std::make_unique<Rig>();
        r->box.setBackColor(BoxGrey);
        r->box.setOuterSize(420, 300);
        if (host)
            run(r->cal, "DayFontSize=15 DayBackColor=#ffff00 DayForeColor=#0000ff");
        Rig* p = r.get();
        connect(&r->cal, &clsCal::ChgDate, this, [p] { p->hear('C'); });
        connect(&r->cal, &clsCal::NewYear, this, [p] { p->hear('Y'); });
        connect(&r->cal, &clsCal::NewMonth, this, [p] { p->hear('M'); });
        r->cal.start(&r->box);
        if (host)
            r->cal.ReWrite();
        return r;
    }

    static void move(Rig& r, double x, double y) {
        QMouseEvent event(QEvent::MouseMove, QPointF(x, y), r.box.mapToGlobal(QPointF(x, y)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&r.box, &event);
    }

private Q_SLOTS:
    void initTestCase() { platform::installFontSubstitutions(); }
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void startAndGeometry() {
        Rig idle; // not started: only the colours and the font size may be set
        QVERIFY(!idle.cal.ExistDate());
        QCOMPARE(idle.after("DayBackColor=#ffff00"), "DayBackColor=#ffff00 -> 0/0/0 ");
        QCOMPARE(idle.cal.fullRedrawCount(), 0);
        for (const char* op : {"ReWrite", "NextDay", "DayLeft=1"})
            QVERIFY2(idle.after(op).endsWith("(91)"), op);

        // A host that set no colours gets the defaults.
        auto r = make(QDate(1998, 7, 15), false);
        QCOMPARE(r->after(""), " -> 1998/7/15 CYMC");
        QVERIFY(r->cal.ExistDate());
        QCOMPARE(r->cal.DayFontSize(), 17); // 60 / 3.5
        QCOMPARE(r->cal.DayBackColor(), Mint);
        QCOMPARE(r->cal.DayForeColor(), Black);
        // The highlight stays on day 1 (Wednesday, row 0) until the first full redraw.
        QCOMPARE(r->box.pixel(125, 70), MintInverted);
        QCOMPARE(r->after("ReWrite"), "ReWrite -> 1998/7/15 C");
        QCOMPARE(r->box.pixel(125, 70), Mint);
        QCOMPARE(QPoint(r->cal.selectedColumn(), r->cal.selectedRow()), QPoint(3, 2));

        // Box size, then cell width, heading height and cell height. Too small a box grows to
        // 200 x 150; halves round to the even side (22.5, 16.5, 17.5). Nothing is drawn or
        // raised until the host redraws.
        const int redraws = r->cal.fullRedrawCount();
        const QString rows = QStringLiteral(
            " -> 420x300 60 30 45; Width=424 -> 424x300 61 30 45; "
            "Width=150 Height=100 -> 200x150 29 15 22; Width=420 Height=165 -> 420x165 60 16 25; "
            "Height=175 -> 420x175 60 18 26");
        for (const QString& row : rows.split("; ")) {
            run(r->cal, row.section(" -> ", 0, 0));
            const auto g = r->cal.geometry();
            QCOMPARE(row.section(" -> ", 0, 0) +
                         QString::asprintf(" -> %dx%d %d %d %d", r->cal.Width(), r->cal.Height(),
                                           g.CellWidth, g.HeadHeight, g.CellHeight),
                     row);
        }
        QCOMPARE(r->cal.fullRedrawCount(), redraws);
        QCOMPARE(r->take(), "");
    }

    void drawing() {
        // June 1998 starts on a Monday (row 0 stays empty), March 1998 on a Sunday.
        auto r = make(QDate(1998, 6, 20));
        const std::tuple<int, int, QPoint> places[] = {{6, 1, {1, 76}},   {6, 30, {61, 256}},
                                                       {6, 0, {361, 31}}, {3, 1, {361, 31}},
                                                       {3, 2, {1, 76}},   {3, 31, {61, 256}}};
        for (const auto& [month, day, topLeft] : places) {
            r->cal.setMonth(month);
            QCOMPARE(QPoint(r->cal.DayLeft(day), r->cal.DayTop(day)), topLeft);
        }
        // Day cells are drawn from day 1 to the last day only.
        QCOMPARE(wrongPixels(r->box, Yellow, {{416, 71}, {116, 296}}) +
                     wrongPixels(r->box, BoxGrey, {{356, 71}, {176, 296}}),
                 "");
        r->cal.setMonth(6);

        // June 1998 again, Saturday the 20th selected (x 300..360, y 165..210), weekdays in
        // green. The heading band; engraved grid lines (grey, black, white) around empty cells;
        // day 2 (x 60..120, y 75..120) light on top and left, shadowed right and below, yellow
        // inside; the 30th drawn, nothing after it; the interior of the 20th, 58 x 43 from
        // (301, 166), inverted.
        r->cal.setDayForeColor(Green);
        const QImage& img = r->box.image();
        QCOMPARE(
            wrongPixels(r->box, White,
                        {{0, 0}, {10, 28}, {10, 31}, {61, 50}, {61, 100}, {90, 76}}) +
                wrongPixels(r->box, LightGrey,
                            {{10, 29}, {59, 50}, {119, 100}, {90, 119}, {359, 190}, {330, 209}}) +
                wrongPixels(r->box, Black, {{10, 30}, {60, 50}, {120, 100}, {300, 190}}) +
                wrongPixels(r->box, BoxGrey,
                            {{10, 32}, {58, 50}, {62, 50}, {400, 60}, {176, 296}}) +
                wrongPixels(r->box, Yellow,
                            {{62, 100}, {118, 100}, {90, 77}, {90, 118}, {116, 296}}) +
                wrongPixels(r->box, Black, {{301, 166}, {301, 208}}) + // inverted white
                wrongPixels(r->box, Blue, {{358, 208}}),               // inverted yellow
            "");

        // Headings in 12 points at x = 20 + i * 60, y = 4; numbers after one blank at
        // x0 + 30 - 7 * digits, y0 + 6; Saturdays blue and Sundays red whatever the weekdays are.
        const QRect sun7(362, 77, 57, 42);
        const std::tuple<QRect, QPoint, const char*, int, QColor> inks[] = {
            {{0, 0, 60, 29}, {20, 4}, "(月)", 12, Green},
            {{300, 0, 60, 29}, {320, 4}, "(土)", 12, Blue},
            {{360, 0, 60, 29}, {380, 4}, "(日)", 12, Red},
            {{302, 77, 57, 42}, {323, 81}, " 6", 15, Blue},
            {sun7, {383, 81}, " 7", 15, Red},
            {{2, 167, 57, 42}, {16, 171}, " 15", 15, Green}};
        for (const auto& [area, at, text, points, colour] : inks) {
            const auto drawn = inkOf(img, area, colour);
            QVERIFY2(!drawn.isEmpty() && drawn == textInk(area, at, text, points, colour), text);
        }

        // Moving the selection away and back restores every pixel.
        r->take();
        const QImage clean = img.copy();
        r->cal.setDay(21);
        QVERIFY(r->box.image() != clean);
        r->cal.setDay(20);
        QCOMPARE(r->box.image(), clean);

        // DayWrite repaints one cell, wiping marks drawn over it, and highlights it again when
        // it is the selected day; days the month lacks are left alone.
        const int redraws = r->cal.fullRedrawCount();
        for (int day : {3, 20})
            r->box.fillRect(r->cal.DayLeft(day) + 1, r->cal.DayTop(day) + 1,
                            r->cal.DayLeft(day) + 11, r->cal.DayTop(day) + 11, Black);
        r->take();
        r->cal.DayWrite(3);
        QCOMPARE(r->take(), "");
        for (int day : {20, 31, 0})
            r->cal.DayWrite(day);
        QCOMPARE(r->take(), "C");
        QCOMPARE(r->box.image(), clean);
        QCOMPARE(r->cal.fullRedrawCount(), redraws);

        // MakDayChr prints 14-point numbers over what the cells hold: the 7th at (383, 83).
        r->cal.MakDayChr();
        for (const QPoint& p : textInk(sun7, {383, 83}, " 7", 14, Red))
            QCOMPARE(r->box.pixel(p.x(), p.y()), Red);
        QVERIFY(inkOf(img, sun7, Red).size() > inkOf(clean, sun7, Red).size());
    }

    void navigation() {
        auto r = make(QDate(1998, 7, 15));
        r->take();
        // Each operation with the date it leaves and its events. Steps leave the last announced
        // month (August 1999) alone, so going back to it raises no NewMonth.
        const QString rows = QStringLiteral(
            "Year=1999 -> 1999/7/15 CYC; Month=8 -> 1999/8/15 CMC; Day=3 -> 1999/8/3 C; "
            "SetDay=4 -> 1999/8/4 C; ReWrite -> 1999/8/4 C; DayFontSize=14 -> 1999/8/4 C; "
            "DayBackColor=#ffff00 -> 1999/8/4 C; DayForeColor=#0000ff -> 1999/8/4 C; "
            "Value=1999/8/20 -> 1999/8/20 CC; Value=1999/9/20 -> 1999/9/20 CCM; "
            "Value=2001/9/20 -> 2001/9/20 CCY; Value=1998/12/31 -> 1998/12/31 CCMY; "
            "NextDay -> 1999/1/1 CCMY; PreviousDay -> 1998/12/31 CCMY; "
            "PreviousDay -> 1998/12/30 CC; NextMonth -> 1999/1/30 CMY; "
            "PreviousMonth -> 1998/12/30 CMY; NextYear -> 1999/12/30 CY; "
            "PreviousYear -> 1998/12/30 CY; NextMonth -> 1999/1/30 CMY; NextMonth -> 1999/2/28 CM; "
            "Month=8 -> 1999/8/28 CC; Month=9 -> 1999/9/28 CMC");
        for (const QString& row : rows.split("; "))
            QCOMPARE(r->after(row.section(" -> ", 0, 0)), row);

        // The day follows shorter months, leap years included.
        const QString clamps = QStringLiteral(
            "Value=1998/3/31 Month=4 -> 1998/4/30; Value=1999/3/31 Month=2 -> 1999/2/28; "
            "Value=1998/1/31 NextMonth -> 1998/2/28; Value=1998/5/31 PreviousMonth -> 1998/4/30; "
            "Value=1998/1/10 PreviousMonth -> 1997/12/10; Value=2000/2/29 NextYear -> 2001/2/28; "
            "Value=2000/2/29 PreviousYear -> 1999/2/28; Value=2000/3/31 Month=2 -> 2000/2/29");
        for (const QString& row : clamps.split("; "))
            QCOMPARE(r->after(row.section(" -> ", 0, 0)).section(' ', 0, -2), row);
        // The clamped day is the highlighted one: a Tuesday in row 4.
        QCOMPARE(QPoint(r->cal.selectedColumn(), r->cal.selectedRow()), QPoint(2, 4));
    }

    void refusedChangesLeaveEverything() {
        auto r = make(QDate(1998, 6, 10));
        r->take();
        clsCal& c = r->cal;
        const int redraws = c.fullRedrawCount();
        const QString ignored = QStringLiteral("Year=2099 Year=1899 Year=1998 Month=0 Month=13 "
                                               "Month=6 Day=0 Day=32 Day=-1 Value=1998/2/30 "
                                               "Value=7月20日 Value=");
        QCOMPARE(r->after(ignored), ignored + " -> 1998/6/10 ");
        QCOMPARE(c.fullRedrawCount(), redraws);

        // A step from a day the month lacks fails and changes nothing; the empty cell after the
        // 30th carries the highlight.
        QCOMPARE(r->after("Day=31"), "Day=31 -> 1998/6/31 C");
        QVERIFY(!c.ExistDate());
        QCOMPARE(QPoint(c.selectedColumn(), c.selectedRow()), QPoint(3, 5));
        const QImage image = r->box.image().copy();
        const int refreshes = r->box.refreshCount();
        for (const QString step :
             {"NextDay", "PreviousDay", "NextMonth", "PreviousMonth", "NextYear", "PreviousYear"})
            QCOMPARE(r->after(step), step + " -> 1998/6/31 " + Mismatch);
        QCOMPARE(r->box.image(), image);
        QCOMPARE(r->box.refreshCount(), refreshes);
        // So does leaving the supported years.
        run(c, "Value=9999/12/31");
        r->take();
        for (const QString step : {"NextDay", "NextMonth", "NextYear"})
            QCOMPARE(r->after(step), step + " -> 9999/12/31 " + Mismatch);

        // The limits themselves are accepted; Value and the steps know no such limits.
        run(c, "Month=1 Year=2098 Month=12");
        QCOMPARE(c.Value(), "2098/12/31");
        run(c, "Year=1900 Month=1 Day=1 PreviousDay");
        QCOMPARE(c.Value(), "1899/12/31");
        run(c, "Value=2500/6/1");
        QCOMPARE(c.Value(), "2500/6/1");
    }

    void dayTablesAndTheirCursor() {
        auto r = make(QDate(1998, 7, 15));
        clsCal& c = r->cal;
        auto cursor = [&] { return c.ToolTipText() + ' ' + c.DayTag(); };
        c.setToolTipDay(5);
        c.setToolTipText("remark");
        c.setDayTag("on");
        QCOMPARE(cursor(), "remark on");
        // Out of range: the message each time, and the cursor stays on the 5th.
        env->dialogs.answerMessage(platform::Answer::Ok);
        env->dialogs.answerMessage(platform::Answer::Ok);
        c.setToolTipDay(0);
        c.setToolTipText("second");
        c.setToolTipDay(32);
        c.setDayTag("off");
        QCOMPARE(cursor(), "second off");
        QCOMPARE(env->dialogs.calls().size(), std::size_t(2));
        for (const auto& call : env->dialogs.calls()) {
            QCOMPARE(call.text + '|' + call.title,
                     "ToolTipTextの日付は、1から31の数値を割り当ててください。|ORVANE");
            QCOMPARE(call.buttons, platform::Buttons::Ok);
            QCOMPARE(call.icon, platform::Icon::None);
        }
        c.setToolTipDay(31);
        QCOMPARE(cursor(), " ");

        // The host marks a new month from the first event it hears; the redraw must not wipe it.
        bool armed = false;
        r->onEvent = [&] {
            if (!std::exchange(armed, false))
                return;
            c.setToolTipDay(3);
            c.setToolTipText(c.Value().section('/', 0, 1));
            c.setDayTag("on");
        };
        for (const char* change :
             {"NextMonth", "PreviousYear", "Month=3", "Year=2000", "Value=2000/4/30", "NextDay"}) {
            armed = true;
            run(c, change);
            c.setToolTipDay(3);
            QCOMPARE(cursor(), QStringLiteral("%1/%2 on").arg(c.Year()).arg(c.Month()));
        }
        // The tables survive redraws and moves within the month, and empty on a month change.
        run(c, "ReWrite Day=9 NextDay");
        c.setToolTipDay(3);
        QCOMPARE(cursor(), "2000/5 on");
        run(c, "NextMonth");
        c.setToolTipDay(3);
        QCOMPARE(cursor(), " ");
    }

    void pointerAndSelection() {
        // July 1998 starts on a Wednesday; the 6th carries a tool tip. The box is 3 pixels wider
        // than the grid, still 60 per column.
        auto r = make(QDate(1998, 7, 15));
        run(r->cal, "Width=423");
        r->cal.setToolTipDay(6);
        r->cal.setToolTipText("運動会");
        auto counts = [&] {
            return QList<int>{r->box.invertCount(), r->box.refreshCount(), r->box.clearCount(),
                              r->cal.fullRedrawCount()};
        };
        // Selecting within the month costs two inversions (old cell, new cell) and one refresh,
        // no clearing and no full redraw; a press takes the day of the last move.
        move(*r, 250, 200);
        for (const char* select : {"Day=20", "NextDay", "PreviousDay", "Value=1998/7/2", ""}) {
            auto expected = counts();
            expected[0] += 2;
            expected[1] += 1;
            if (*select)
                run(r->cal, select);
            else
                QTest::mouseClick(&r->box, Qt::LeftButton, Qt::NoModifier, QPoint(400, 280));
            QVERIFY2(counts() == expected, select);
        }
        QCOMPARE(r->cal.Day(), 24);

        // The host's click handler already sees the new day.
        QStringList clicks;
        connect(&r->box, &PictureBox::clicked, this, [&] { clicks << r->cal.Value(); });
        move(*r, 10, 80);
        r->take();
        QTest::mouseClick(&r->box, Qt::LeftButton, Qt::NoModifier, QPoint(400, 280));
        QCOMPARE(r->after(""), " -> 1998/7/6 C");
        QCOMPARE(clicks, QStringList{"1998/7/6"});
        QCOMPARE(wrongPixels(r->box, Blue, {{56, 116}}) + wrongPixels(r->box, Yellow, {{290, 200}}),
                 ""); // the 6th inverted, the 24th not
        // A press after the pointer left the days does nothing; one on the selected day
        // selects it again.
        move(*r, 200, 10);
        const QImage before = r->box.image().copy();
        QTest::mouseClick(&r->box, Qt::LeftButton, Qt::NoModifier, QPoint(130, 40));
        QCOMPARE(r->after(""), " -> 1998/7/6 ");
        QCOMPARE(r->box.image(), before);
        move(*r, 10, 80);
        QTest::mouseClick(&r->box, Qt::RightButton, Qt::NoModifier, QPoint(10, 80));
        QCOMPARE(r->after(""), " -> 1998/7/6 C");
        QCOMPARE(r->box.image(), before);

        // The day under the pointer and the box's tool tip: in July day -1 at (10, 40), the
        // heading band, the edges of the Monday of row 1, the 39th, and right of the seventh
        // column the first day of the next row; June 1998 starts on a Monday, so its first row
        // names no day.
        const std::tuple<int, double, double, const char*> moves[] = {
            {7, 130, 40, "1 "},        {7, 10, 80, "6 運動会"},   {7, 10, 40, "0 運動会"},
            {7, 200, 10, "0 運動会"},  {7, 59.9, 75, "6 運動会"}, {7, 60, 74.9, "0 運動会"},
            {7, 300, 290, "0 運動会"}, {7, 421, 40, "6 運動会"},  {6, 10, 40, "0 運動会"},
            {6, 410, 40, "0 運動会"},  {6, 10, 80, "1 "}};
        for (const auto& [month, x, y, expected] : moves) {
            r->cal.setMonth(month);
            move(*r, x, y);
            QVERIFY2(QString::number(r->cal.MouseMoveDay) + ' ' + r->box.toolTipText() ==
                         QString::fromUtf8(expected),
                     qPrintable(QStringLiteral("%1/%2,%3").arg(month).arg(x).arg(y)));
        }

        // A month change clears and draws the frame once.
        const auto before2 = counts();
        r->cal.NextMonth();
        QCOMPARE(counts().mid(2), (QList<int>{before2[2] + 1, before2[3] + 1}));
    }
};

ORVANE_TEST_MAIN(CalendarTest)
#include "tst_calendar.moc"
