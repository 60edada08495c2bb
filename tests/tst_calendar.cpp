// The calendar control and the picture box it draws in: drawing, navigation, the pointer, clicks.
#include "calendar/clsCal.h"
#include "platform/PictureBox.h"
#include "support/Testing.h"

using platform::PictureBox;

namespace {

const QColor Grey(128, 128, 128), Blue(0, 0, 255), Red(255, 0, 0), Green(0, 128, 0);

// The colours of the listed pixels as letters: W white, S light grey, K black, B blue, Y yellow,
// N the box's grey; ? for any other.
QString colours(const PictureBox& box, std::initializer_list<QPoint> at) {
    static const QList<QRgb> known = {0xffffffff, 0xffc0c0c0, 0xff000000,
                                      0xff0000ff, 0xffffff00, 0xff808080};
    QString s;
    for (const QPoint& p : at)
        s += QLatin1Char("?WSKBYN"[known.indexOf(box.pixel(p.x(), p.y()).rgb()) + 1]);
    return s;
}

// Whether the box shows that bold text at that position already: drawing it again changes no
// pixel (text is drawn without smoothing).
bool shows(PictureBox& box, QPoint at, const char* text, int points, const QColor& colour) {
    const QImage before = box.image().copy();
    box.text(at.x(), at.y(), QString::fromUtf8(text),
             {points == 12 ? "ＭＳ Ｐ明朝" : "Times New Roman", double(points), true}, colour);
    return box.image() == before;
}

// A calendar in a 420 x 300 box of the window's grey, given the calendar window's colours and
// started on that day. Its events are recorded as letters: C = ChgDate, Y = NewYear,
// M = NewMonth, and @ with the selected day for a click on the box.
struct Rig {
    PictureBox box;
    clsCal cal;
    QString events;
    Rig(testing::TestEnv* env, QDate today) {
        box.setBackColor(Grey);
        box.setOuterSize(420, 300);
        QObject::connect(&cal, &clsCal::ChgDate, &cal, [this] { events += 'C'; });
        QObject::connect(&cal, &clsCal::NewYear, &cal, [this] { events += 'Y'; });
        QObject::connect(&cal, &clsCal::NewMonth, &cal, [this] { events += 'M'; });
        QObject::connect(&box, &PictureBox::clicked, &cal,
                         [this] { events += '@' + QString::number(cal.Day()); });
        cal.setDayFontSize(15);
        cal.setDayBackColor(QColor(255, 255, 0));
        cal.setDayForeColor(Blue);
        env->clock.set(QDateTime(today, QTime(9, 30)));
        cal.start(&box);
    }
    // Runs operations written as "NextDay", "Year=1999", "Value=1998/7/20", "Move=10,80" (the
    // pointer), "Press" (a click), separated by blanks. Gives "operations -> selected date
    // events" and the message of an error that stopped them.
    QString after(const QString& script) {
        static const QStringList names = {"Year",          "Month",     "Day",          "Width",
                                          "Height",        "Value",     "DayLeft",      "Move",
                                          "Press",         "ReWrite",   "PreviousDay",  "NextDay",
                                          "PreviousMonth", "NextMonth", "PreviousYear", "NextYear"};
        void (clsCal::*const numbered[])(int) = {&clsCal::setYear, &clsCal::setMonth,
                                                 &clsCal::setDay, &clsCal::setWidth,
                                                 &clsCal::setHeight};
        void (clsCal::*const plain[])() = {
            &clsCal::ReWrite,   &clsCal::PreviousDay,  &clsCal::NextDay, &clsCal::PreviousMonth,
            &clsCal::NextMonth, &clsCal::PreviousYear, &clsCal::NextYear};
        QString error;
        try {
            for (const QString& op : script.split(' ', Qt::SkipEmptyParts)) {
                const auto i = names.indexOf(op.section('=', 0, 0));
                const QString arg = op.section('=', 1);
                if (i < 5)
                    (cal.*numbered[i])(arg.toInt());
                else if (i == 5)
                    cal.setValue(arg);
                else if (i == 6)
                    cal.DayLeft(arg.toInt());
                else if (i == 7)
                    Q_EMIT box.pointerMove({}, {}, arg.section(',', 0, 0).toDouble(),
                                           arg.section(',', 1).toDouble());
                else if (i == 8)
                    QTest::mouseClick(&box, Qt::LeftButton); // in the middle of the box
                else
                    (cal.*plain[i - 9])();
            }
        } catch (const platform::Error& e) {
            error = e.message();
        }
        return script + " -> " + cal.Value() + ' ' + std::exchange(events, {}) + error;
    }
};

} // namespace

class CalendarTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void drawing() {
        // March 1998 starts on a Sunday: day 1 alone in row 0, 31 days reaching row 5, and day
        // cells only from day 1 to the last day.
        Rig r(env.get(), QDate(1998, 6, 20));
        r.cal.setMonth(3);
        QCOMPARE(QPoint(r.cal.DayLeft(1), r.cal.DayTop(1)), QPoint(361, 31));
        QCOMPARE(colours(r.box, {{416, 71}, {116, 296}, {356, 71}, {176, 296}}), "YYNN");

        // June 1998 starts on a Monday, so row 0 stays empty; Saturday the 20th is selected
        // (x 300..360, y 165..210); weekdays in green, set after start (the month is drawn
        // again). The heading band; engraved grid lines (grey, black, white) around empty cells;
        // day 2 (x 60..120, y 75..120) light on top and left, shadowed right and below, yellow
        // inside; the 20th's interior, 58 x 43 from (301, 166), inverted from white and yellow.
        r.cal.setMonth(6);
        r.cal.setDayForeColor(Green);
        const std::initializer_list<QPoint> frame = {
            {0, 0},    {10, 29},  {10, 30},   {10, 31},   {59, 50},   {60, 50},
            {61, 50},  {10, 32},  {400, 60},  {90, 76},   {61, 100},  {119, 100},
            {90, 119}, {62, 100}, {301, 166}, {301, 208}, {358, 208}, {359, 190}};
        QCOMPARE(colours(r.box, frame), "WSKWSKWNNWWSSYKKBS");

        // Headings in 12 points at x = 20 + i * 60, y = 4; numbers after one blank at
        // x0 + 30 - 7 * digits, y0 + 6; Saturdays blue and Sundays red whatever the weekdays are.
        const std::tuple<QPoint, const char*, int, QColor> texts[] = {
            {{20, 4}, "(月)", 12, Green}, {{320, 4}, "(土)", 12, Blue},
            {{380, 4}, "(日)", 12, Red},  {{323, 81}, " 6", 15, Blue},
            {{383, 81}, " 7", 15, Red},   {{16, 171}, " 15", 15, Green}};
        for (const auto& [at, text, points, colour] : texts)
            QVERIFY2(shows(r.box, at, text, points, colour), text);

        // Moving the selection away and back restores every pixel, without a full redraw.
        const QImage& img = r.box.image();
        const QImage clean = img.copy();
        const int redraws = r.cal.fullRedrawCount();
        r.after("Day=21 Day=20");
        QCOMPARE(img, clean);

        // Box size asked for, then the size it gets, cell width, heading height and cell height:
        // too small a box grows to 200 x 150; halves round to the even side (22.5, 16.5, 17.5).
        // Nothing is drawn until the host redraws.
        for (const QString row :
             {"Width=424 -> 424x300 61 30 45", "Width=150 Height=100 -> 200x150 29 15 22",
              "Width=420 Height=165 -> 420x165 60 16 25", "Height=175 -> 420x175 60 18 26"}) {
            r.after(row.section(" -> ", 0, 0));
            const auto [cw, ch, hh] = r.cal.geometry(); // cell width and height, heading height
            QCOMPARE(QString::asprintf("%dx%d %d %d %d", r.cal.Width(), r.cal.Height(), cw, hh, ch),
                     row.section(" -> ", 1));
        }
        QCOMPARE(r.cal.fullRedrawCount(), redraws);
    }

    void navigationAndPointer() {
        // Started, the highlight stays on day 1 (row 0) until the first full redraw moves it to
        // the 15th (row 2).
        Rig r(env.get(), QDate(1998, 7, 15));
        QCOMPARE(r.after(""), " -> 1998/7/15 CYMC");
        QCOMPARE(colours(r.box, {{125, 70}, {125, 160}}), "BY");
        QCOMPARE(r.after("ReWrite"), "ReWrite -> 1998/7/15 C");
        QCOMPARE(colours(r.box, {{125, 70}, {125, 160}}), "YB");

        // A cursor day out of range is refused with a message each time, and the cursor stays on
        // the 6th. The box shows the tool tip of the day under the pointer, and keeps it off the
        // days. The tables survive redraws and moves within the month.
        r.cal.setToolTipDay(6);
        for (int day : {0, 32}) {
            env->dialogs.answerMessage(platform::Answer::Ok);
            r.cal.setToolTipDay(day);
            QCOMPARE(testing::lastMessage(*env),
                     "ORVANE|Ok|None|ToolTipTextの日付は、1から31の数値を割り当ててください。");
        }
        r.cal.setToolTipText("運動会");
        r.cal.setDayTag("on");
        r.after("Move=10,80 Move=200,10");
        QCOMPARE(r.box.toolTipText(), "運動会");
        r.after("Move=130,40 ReWrite Day=9 NextDay");
        QCOMPARE(r.box.toolTipText() + r.cal.ToolTipText() + r.cal.DayTag(), "運動会on");
        // A new month empties them before the first event, where a host marks its days.
        for (const char* change : {"NextYear", "Year=1998", "PreviousMonth", "Value=1998/7/15"}) {
            QObject::connect(
                &r.cal, &clsCal::ChgDate, &r.cal, [&] { r.cal.setDayTag(r.cal.Value()); },
                Qt::SingleShotConnection);
            r.after(change);
            QCOMPARE(r.cal.ToolTipText() + r.cal.DayTag(), r.cal.Value());
        }

        // The pointer: a press takes the day of the last move (July 1998 starts on a Wednesday;
        // the box is 3 pixels wider than the grid): day 1, day -1, the heading band, the edges of
        // the Monday of row 1, the 39th, right of the seventh column the first day of the next
        // row; June 1998 starts on a Monday, so its first row names no day.
        const QString rows = QStringLiteral(
            "Width=423 Move=130,40 Press -> 1998/7/1 C@1; Move=10,40 Press -> 1998/7/1 @1; "
            "Move=59.9,75 Move=200,10 Press -> 1998/7/1 @1; Move=59.9,75 Press -> 1998/7/6 C@6; "
            "Move=60,74.9 Press -> 1998/7/6 @6; Move=300,290 Press -> 1998/7/6 @6; "
            "Move=421,40 Press -> 1998/7/6 C@6; Month=6 Move=10,40 Press -> 1998/6/6 CMC@6; "
            "Move=410,40 Press -> 1998/6/6 @6; Move=10,80 Press -> 1998/6/1 C@1");
        for (const QString& row : rows.split("; "))
            QCOMPARE(r.after(row.section(" -> ", 0, 0)), row);
        // Operations from a date set first (its own events left out), with the date they leave
        // and, where given, their events and the message of their failure. The day follows
        // shorter months, leap years included; years beyond 1900 to 2098, months and days out of
        // range and texts that are no date are ignored; steps know no such limits but the years
        // 100 to 9999. Back in the month last announced, Month raises no NewMonth.
        const QString examples = QStringLiteral(
            "Value=1998/12/31 | NextDay -> 1999/1/1 CCMY; Value=1998/7/15 | NextDay -> 1998/7/16 "
            "CC; "
            "Value=1998/7/15 | Value=1998/7/20 -> 1998/7/20 CC; "
            "Value=1998/1/10 | PreviousMonth -> 1997/12/10 CMY; "
            "Value=1998/1/31 | NextMonth -> 1998/2/28; Value=2000/2/29 | NextYear -> 2001/2/28; "
            "Value=1998/3/31 | Month=4 -> 1998/4/30; Value=1999/3/31 | Month=2 -> 1999/2/28; "
            "Value=2000/3/31 | Month=2 -> 2000/2/29; Value=2000/2/29 | Year=2099 Year=1899 "
            "Year=2000 Month=0 Month=13 Day=0 Day=32 Value=1998/2/30 Value= Value=7/20 -> "
            "2000/2/29 ; Value=2000/2/29 | Year=2098 -> 2098/2/28; "
            "Value=2000/2/29 | Year=1900 -> 1900/2/28; "
            "Value=1998/7/15 Month=6 Month=7 NextMonth | Month=7 -> 1998/7/15 CC; "
            "Value=1900/1/1 | PreviousDay -> 1899/12/31; "
            "Value=9999/12/31 | NextDay -> 9999/12/31 型が一致しません。(13); "
            "Value=1998/6/15 | Day=31 NextDay -> 1998/6/31 C型が一致しません。(13)");
        for (const QString& row : examples.split("; ")) {
            r.after(row.section(" | ", 0, 0));
            const QString want = row.section(" | ", 1), got = r.after(want.section(" -> ", 0, 0));
            QVERIFY2(got == want || got.startsWith(want + ' '), qPrintable(got));
        }
        // The 31st of a shorter month highlights the empty cell after its last day.
        QCOMPARE(QPoint(r.cal.selectedColumn(), r.cal.selectedRow()), QPoint(3, 5));
        r.cal.setDayBackColor(Blue); // a colour set after start redraws
        QCOMPARE(r.after(""), " -> 1998/6/31 C");
    }

    void linesBlocksAndClicks() {
        PictureBox box;
        box.setBackColor(Grey);
        box.setOuterSize(80, 50);
        box.clear();
        // Lines include both ends, in either direction; a filled rectangle takes its corners in
        // any order, both included.
        box.line(10, 3, 2, 3, Blue);
        box.fillRect(30, 10, 25, 6, Qt::yellow);
        QCOMPARE(
            colours(box, {{1, 3}, {2, 3}, {10, 3}, {11, 3}, {24, 6}, {25, 6}, {30, 10}, {31, 10}}),
            "NBBNNYYN");
        // A block hanging over the edges, from inside its source: only what both sides have.
        QImage source(6, 6, QImage::Format_RGB32);
        source.fill(Blue);
        source.setPixel(0, 0, qRgb(255, 255, 0));
        box.blit(77, 47, 6, 6, source, 1, 1, platform::RasterOp::SrcCopy);
        QCOMPARE(colours(box, {{76, 46}, {77, 47}, {79, 49}}), "NBB");
        QStringList events;
        connect(&box, &PictureBox::buttonDown, this,
                [&](Qt::MouseButton b) { events << u"down%1"_s.arg(int(b)); });
        connect(&box, &PictureBox::clicked, this, [&] { events << u"click"_s; });
        connect(&box, &PictureBox::doubleClicked, this, [&] { events << u"dblclick"_s; });
        // A double-click as Qt delivers it: press, release, double-click press, release.
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(7, 9));
        QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(7, 9));
        QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(7, 9));
        // The right button presses but neither clicks nor double-clicks.
        QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(3, 4));
        // A press released outside the box is no click; a double-click that follows it is an
        // ordinary press, so no double-click ever comes without a click before it.
        QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(90, 5));
        QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(events.join(u' '), u"down1 click dblclick down2 down1 down1 click"_s);
    }
};

ORVANE_TEST_MAIN(CalendarTest)
#include "tst_calendar.moc"
