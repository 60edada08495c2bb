#include "calendar/clsCal.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

#include <functional>
#include <memory>

using platform::PictureBox;
using platform::PictureFont;

namespace {

const QColor White(255, 255, 255);
const QColor LightGrey(192, 192, 192);
const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);
const QColor Yellow(255, 255, 0);
const QColor BoxGrey(128, 128, 128);

const QString Chg = QStringLiteral("ChgDate");
const QString Year = QStringLiteral("NewYear");
const QString Month = QStringLiteral("NewMonth");

// A calendar hosted the way the calendar window hosts it.
struct Rig {
    PictureBox box;
    clsCal cal;
    QStringList events;
    std::function<void()> onEvent; // runs inside every event, after it is recorded

    void record(const QString& name) {
        events << name;
        if (onEvent)
            onEvent();
    }
    QStringList take() {
        QStringList taken = events;
        events.clear();
        return taken;
    }
};

// Every pixel of one colour inside an area, in scanning order.
QList<QPoint> inkOf(const QImage& image, const QRect& area, const QColor& colour) {
    QList<QPoint> points;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                points << QPoint(x, y);
    return points;
}

struct Text {
    int x;
    int y;
    QString text;
};

// The pixels that texts drawn at the given positions ink inside an area.
QList<QPoint> expectedInk(QSize size, const QRect& area, const QList<Text>& texts,
                          const PictureFont& font, const QColor& colour) {
    PictureBox scratch;
    scratch.setBackColor(QColor(1, 2, 3));
    scratch.setOuterSize(size.width(), size.height());
    scratch.clear();
    for (const auto& t : texts)
        scratch.text(t.x, t.y, t.text, font, colour);
    return inkOf(scratch.image(), area, colour);
}

int errorNumber(const std::function<void()>& body) {
    try {
        body();
    } catch (const platform::Error& e) {
        return e.number();
    }
    return 0;
}

QColor inverse(const QColor& c) {
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

} // namespace

class CalendarTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

    // Started on the given day with the calendar window's colours and laid out once (ReWrite),
    // as the window does when first shown. Events so far are dropped.
    std::unique_ptr<Rig> make(QDate today, QSize size = QSize(420, 300), bool laidOut = true) {
        env->clock.set(QDateTime(today, QTime(9, 30)));
        auto rig = std::make_unique<Rig>();
        Rig* r = rig.get();
        r->box.setBackColor(BoxGrey);
        r->box.setOuterSize(size.width(), size.height());
        r->cal.setDayFontSize(15);
        r->cal.setDayBackColor(Yellow);
        r->cal.setDayForeColor(Blue);
        connect(&r->cal, &clsCal::ChgDate, this, [r] { r->record(Chg); });
        connect(&r->cal, &clsCal::NewYear, this, [r] { r->record(Year); });
        connect(&r->cal, &clsCal::NewMonth, this, [r] { r->record(Month); });
        r->cal.start(&r->box);
        if (laidOut)
            r->cal.ReWrite();
        r->events.clear();
        return rig;
    }

    static void move(Rig& r, double x, double y) {
        QMouseEvent event(QEvent::MouseMove, QPointF(x, y), r.box.mapToGlobal(QPointF(x, y)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&r.box, &event);
    }

private Q_SLOTS:
    void initTestCase() {
        // Stand-ins for the fonts the calendar names, until the program installs them itself.
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
    }
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void startShowsTodaysMonth() {
        clsCal idle;
        QCOMPARE(idle.Value(), QStringLiteral("0/0/0"));
        QVERIFY(!idle.ExistDate());
        // Before start only the colours and the font size may be set; they draw nothing.
        idle.setDayFontSize(15);
        idle.setDayBackColor(Yellow);
        QCOMPARE(idle.fullRedrawCount(), 0);
        QCOMPARE(errorNumber([&] { idle.ReWrite(); }), 91);
        QCOMPARE(errorNumber([&] { idle.NextDay(); }), 91);
        QCOMPARE(errorNumber([&] { idle.DayLeft(1); }), 91);

        auto r = make(QDate(1998, 7, 15), QSize(420, 300), false);
        Rig fresh;
        connect(&fresh.cal, &clsCal::ChgDate, this, [&] { fresh.record(Chg); });
        connect(&fresh.cal, &clsCal::NewYear, this, [&] { fresh.record(Year); });
        connect(&fresh.cal, &clsCal::NewMonth, this, [&] { fresh.record(Month); });
        fresh.box.setOuterSize(420, 300);
        fresh.cal.start(&fresh.box);
        QCOMPARE(fresh.take(), (QStringList{Chg, Year, Month, Chg}));
        QCOMPARE(fresh.cal.Year(), 1998);
        QCOMPARE(fresh.cal.Month(), 7);
        QCOMPARE(fresh.cal.Day(), 15);
        QCOMPARE(fresh.cal.Value(), QStringLiteral("1998/7/15"));
        QVERIFY(fresh.cal.ExistDate());
        // Defaults for a host that set nothing.
        QCOMPARE(fresh.cal.DayFontSize(), 17); // 60 / 3.5
        QCOMPARE(fresh.cal.DayBackColor(), QColor(128, 255, 128));
        QCOMPARE(fresh.cal.DayForeColor(), Black);
        // The highlight stays on day 1 (Wednesday) until the first full redraw.
        QCOMPARE(fresh.cal.selectedColumn(), 3);
        QCOMPARE(fresh.cal.selectedRow(), 0);
        QCOMPARE(fresh.box.pixel(125, 70), inverse(QColor(128, 255, 128)));
        fresh.cal.ReWrite();
        QCOMPARE(fresh.take(), QStringList{Chg});
        QCOMPARE(fresh.cal.selectedColumn(), 3);
        QCOMPARE(fresh.cal.selectedRow(), 2);
        QCOMPARE(fresh.box.pixel(125, 70), QColor(128, 255, 128));

        // Values set before start replace the defaults.
        QCOMPARE(r->cal.DayFontSize(), 15);
        QCOMPARE(r->cal.DayBackColor(), Yellow);
        QCOMPARE(r->cal.DayForeColor(), Blue);
    }

    void geometryFollowsTheBox() {
        auto r = make(QDate(1998, 7, 15));
        QCOMPARE(r->cal.geometry().CellWidth, 60);
        QCOMPARE(r->cal.geometry().HeadHeight, 30);
        QCOMPARE(r->cal.geometry().CellHeight, 45);
        QCOMPARE(r->cal.DayWidth(), 58);
        QCOMPARE(r->cal.DayHeight(), 43);
        QCOMPARE(r->cal.Width(), 420);
        QCOMPARE(r->cal.Height(), 300);

        // Resizing recomputes at once and draws nothing until the host redraws.
        const int redraws = r->cal.fullRedrawCount();
        r->cal.setWidth(424);
        QCOMPARE(r->box.outerWidth(), 424);
        QCOMPARE(r->cal.geometry().CellWidth, 61); // 60.57
        QCOMPARE(r->cal.fullRedrawCount(), redraws);
        QVERIFY(r->take().isEmpty());

        // Too small a box is grown to 200 x 150; 22.5 rounds to the even 22.
        r->cal.setWidth(150);
        r->cal.setHeight(100);
        QCOMPARE(r->cal.Width(), 200);
        QCOMPARE(r->cal.Height(), 150);
        QCOMPARE(r->box.image().size(), QSize(200, 150));
        QCOMPARE(r->cal.geometry().CellWidth, 29);
        QCOMPARE(r->cal.geometry().HeadHeight, 15);
        QCOMPARE(r->cal.geometry().CellHeight, 22);
        // 165 / 10 = 16.5 rounds down to 16, 175 / 10 = 17.5 up to 18: halves go to the even
        // side.
        r->box.setOuterSize(420, 165);
        QCOMPARE(r->cal.geometry().HeadHeight, 16);
        r->box.setOuterSize(420, 175);
        QCOMPARE(r->cal.geometry().HeadHeight, 18);
        QCOMPARE(r->cal.fullRedrawCount(), redraws);
    }

    void dayPlacement() {
        // June 1998 starts on a Monday: the first row stays empty.
        auto june = make(QDate(1998, 6, 20));
        QCOMPARE(june->cal.DayLeft(1), 1);
        QCOMPARE(june->cal.DayTop(1), 45 + 30 + 1);
        QCOMPARE(june->cal.DayLeft(30), 61);
        QCOMPARE(june->cal.DayTop(30), 5 * 45 + 30 + 1);
        // A day the month lacks gives the place it would have: 0 is the cell before day 1.
        QCOMPARE(june->cal.DayLeft(0), 361);
        QCOMPARE(june->cal.DayTop(0), 31);
        for (int x : {10, 100, 250, 400})
            QCOMPARE(june->box.pixel(x, 60), BoxGrey);
        QCOMPARE(june->box.pixel(56, 116), Yellow);   // day 1
        QCOMPARE(june->box.pixel(116, 296), Yellow);  // day 30
        QCOMPARE(june->box.pixel(176, 296), BoxGrey); // after it

        // March 1998 starts on a Sunday: day 1 alone in the first row, 31 in the last.
        auto march = make(QDate(1998, 3, 10));
        QCOMPARE(march->cal.DayLeft(1), 361);
        QCOMPARE(march->cal.DayTop(1), 31);
        QCOMPARE(march->cal.DayLeft(2), 1);
        QCOMPARE(march->cal.DayTop(2), 76);
        QCOMPARE(march->cal.DayLeft(31), 61);
        QCOMPARE(march->cal.DayTop(31), 5 * 45 + 30 + 1);
        QCOMPARE(march->box.pixel(416, 71), Yellow);
        QCOMPARE(march->box.pixel(356, 71), BoxGrey);
        QCOMPARE(march->box.pixel(116, 296), Yellow);
        QCOMPARE(march->box.pixel(176, 296), BoxGrey);
    }

    void drawnPixels() {
        // June 1998 with the 20th (a Saturday) selected.
        auto r = make(QDate(1998, 6, 20));
        const QImage& img = r->box.image();
        const int redrawsBefore = r->cal.fullRedrawCount() + 2; // two colour changes below
        // The heading band, and the engraved line under it: grey, black, white.
        QCOMPARE(r->box.pixel(0, 0), White);
        QCOMPARE(r->box.pixel(10, 28), White);
        QCOMPARE(r->box.pixel(10, 29), LightGrey);
        QCOMPARE(r->box.pixel(10, 30), Black);
        QCOMPARE(r->box.pixel(10, 31), White);
        QCOMPARE(r->box.pixel(10, 32), BoxGrey);
        // A vertical grid line beside empty cells.
        QCOMPARE(r->box.pixel(58, 50), BoxGrey);
        QCOMPARE(r->box.pixel(59, 50), LightGrey);
        QCOMPARE(r->box.pixel(60, 50), Black);
        QCOMPARE(r->box.pixel(61, 50), White);
        QCOMPARE(r->box.pixel(62, 50), BoxGrey);

        // Day 2 (Tuesday, x 60..120, y 75..120): light top and left, shadow right and bottom,
        // yellow inside.
        QCOMPARE(r->box.pixel(60, 100), Black);
        QCOMPARE(r->box.pixel(61, 100), White);
        QCOMPARE(r->box.pixel(62, 100), Yellow);
        QCOMPARE(r->box.pixel(118, 100), Yellow);
        QCOMPARE(r->box.pixel(119, 100), LightGrey);
        QCOMPARE(r->box.pixel(120, 100), Black);
        QCOMPARE(r->box.pixel(90, 76), White);
        QCOMPARE(r->box.pixel(90, 77), Yellow);
        QCOMPARE(r->box.pixel(90, 118), Yellow);
        QCOMPARE(r->box.pixel(90, 119), LightGrey);
        QCOMPARE(r->box.pixel(62, 77), Yellow);
        QCOMPARE(r->box.pixel(118, 118), Yellow);

        // Headings in 12 points at x = 20 + i * 60, y = 4: blue on weekdays (the host's colour)
        // and Saturday, red on Sunday.
        const PictureFont heading{QStringLiteral("ＭＳ Ｐ明朝"), 12, true};
        const QStringList heads{"(月)", "(火)", "(水)", "(木)", "(金)", "(土)", "(日)"};
        const QRect band(0, 0, 420, 29);
        QList<Text> blueHeads;
        for (int i = 0; i < 6; ++i)
            blueHeads << Text{20 + i * 60, 4, heads[i]};
        const auto blueInk = inkOf(img, band, Blue);
        QVERIFY(blueInk.size() > 50);
        QCOMPARE(blueInk, expectedInk(img.size(), band, blueHeads, heading, Blue));
        QCOMPARE(inkOf(img, band, Red),
                 expectedInk(img.size(), band, {Text{380, 4, heads[6]}}, heading, Red));

        // Numbers with a leading blank: 7 (Sunday, red) at x0 + 23, 15 (Monday) at x0 + 16,
        // both at y0 + 6.
        const PictureFont number{QStringLiteral("Times New Roman"), 15, true};
        const QRect cell7(362, 77, 57, 42);
        const auto red7 = inkOf(img, cell7, Red);
        QVERIFY(!red7.isEmpty());
        QCOMPARE(red7, expectedInk(img.size(), cell7, {Text{383, 81, " 7"}}, number, Red));
        const QRect cell15(2, 167, 57, 42);
        QCOMPARE(inkOf(img, cell15, Blue),
                 expectedInk(img.size(), cell15, {Text{16, 171, " 15"}}, number, Blue));
        // Saturday the 6th blue; nothing but yellow and blue in its interior.
        const QRect cell6(302, 77, 57, 42);
        QVERIFY(!inkOf(img, cell6, Blue).isEmpty());
        QCOMPARE(inkOf(img, cell6, Blue).size() + inkOf(img, cell6, Yellow).size(),
                 qsizetype(57 * 42));

        // Saturdays and Sundays keep their colours whatever the weekday colour is.
        r->cal.setDayForeColor(QColor(0, 128, 0));
        QVERIFY(!inkOf(img, cell15, QColor(0, 128, 0)).isEmpty());
        QVERIFY(inkOf(img, cell15, Blue).isEmpty());
        QVERIFY(!inkOf(img, cell6, Blue).isEmpty());
        QVERIFY(!inkOf(img, cell7, Red).isEmpty());
        QVERIFY(!inkOf(img, QRect(20, 4, 50, 24), QColor(0, 128, 0)).isEmpty());
        r->cal.setDayForeColor(Blue);

        // The selected 20th (x 300..360, y 165..210): its interior from (301, 166), 58 x 43,
        // is inverted; the shadow edges right and below are not.
        QCOMPARE(r->box.pixel(301, 166), inverse(White));
        QCOMPARE(r->box.pixel(301, 208), inverse(White));
        QCOMPARE(r->box.pixel(358, 208), inverse(Yellow));
        QCOMPARE(r->box.pixel(330, 166), inverse(White));
        QCOMPARE(r->box.pixel(359, 190), LightGrey);
        QCOMPARE(r->box.pixel(330, 209), LightGrey);
        QCOMPARE(r->box.pixel(300, 190), Black);
        QVERIFY(!inkOf(img, QRect(302, 167, 57, 42), inverse(Blue)).isEmpty());

        // Moving the selection away and back restores every pixel.
        const QImage before = img.copy();
        r->cal.setDay(21);
        QCOMPARE(r->box.pixel(358, 208), Yellow);
        QCOMPARE(r->box.pixel(418, 208), inverse(Yellow));
        r->cal.setDay(20);
        QCOMPARE(r->box.image(), before);

        // MakDayChr prints the numbers in 14 points at a fixed place over what the cells hold:
        // for the 7th at (383, 83), three rows lower than the cell's own number.
        r->take();
        const QRect seventh(362, 77, 57, 42);
        const auto cellInk = inkOf(img, seventh, Red);
        r->cal.MakDayChr();
        const auto small =
            expectedInk(img.size(), seventh, {Text{383, 83, " 7"}},
                        PictureFont{QStringLiteral("Times New Roman"), 14, true}, Red);
        const auto after = inkOf(img, seventh, Red);
        QVERIFY(after.size() > cellInk.size());
        for (const QPoint& p : after)
            QVERIFY(cellInk.contains(p) || small.contains(p));
        for (const QPoint& p : small)
            QVERIFY(after.contains(p));
        QCOMPARE(r->cal.fullRedrawCount(), redrawsBefore);
        QVERIFY(r->take().isEmpty());
    }

    void eventOrders() {
        auto r = make(QDate(1998, 7, 15));
        r->cal.setYear(1999);
        QCOMPARE(r->take(), (QStringList{Chg, Year, Chg}));
        r->cal.setMonth(8);
        QCOMPARE(r->take(), (QStringList{Chg, Month, Chg}));
        r->cal.setDay(3);
        QCOMPARE(r->take(), QStringList{Chg});
        r->cal.SetDay(4);
        QCOMPARE(r->take(), QStringList{Chg});
        r->cal.ReWrite();
        QCOMPARE(r->take(), QStringList{Chg});
        r->cal.setDayFontSize(14);
        r->cal.setDayBackColor(Yellow);
        r->cal.setDayForeColor(Blue);
        QCOMPARE(r->take(), (QStringList{Chg, Chg, Chg}));

        // Value: same month, another month, another year.
        r->cal.setValue(QStringLiteral("1999/8/20"));
        QCOMPARE(r->take(), (QStringList{Chg, Chg}));
        r->cal.setValue(QStringLiteral("1999/9/20"));
        QCOMPARE(r->take(), (QStringList{Chg, Chg, Month}));
        r->cal.setValue(QStringLiteral("2001/9/20"));
        QCOMPARE(r->take(), (QStringList{Chg, Chg, Year}));
        r->cal.setValue(QStringLiteral("1998/12/31"));
        QCOMPARE(r->take(), (QStringList{Chg, Chg, Month, Year}));

        // Day steps.
        r->cal.NextDay();
        QCOMPARE(r->cal.Value(), QStringLiteral("1999/1/1"));
        QCOMPARE(r->take(), (QStringList{Chg, Chg, Month, Year}));
        r->cal.PreviousDay();
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/12/31"));
        QCOMPARE(r->take(), (QStringList{Chg, Chg, Month, Year}));
        r->cal.PreviousDay();
        QCOMPARE(r->take(), (QStringList{Chg, Chg}));

        // Month and year steps.
        r->cal.NextMonth();
        QCOMPARE(r->cal.Value(), QStringLiteral("1999/1/30"));
        QCOMPARE(r->take(), (QStringList{Chg, Month, Year}));
        r->cal.NextMonth();
        QCOMPARE(r->take(), (QStringList{Chg, Month}));
        r->cal.PreviousYear();
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/2/28"));
        QCOMPARE(r->take(), (QStringList{Chg, Year}));
        r->cal.NextYear();
        QCOMPARE(r->take(), (QStringList{Chg, Year}));

        // DayWrite raises only for the selected day.
        r->cal.DayWrite(28);
        QCOMPARE(r->take(), QStringList{Chg});
        r->cal.DayWrite(5);
        QVERIFY(r->take().isEmpty());

        // Steps leave the last announced month alone: going back to it by assignment raises
        // no NewMonth.
        auto july = make(QDate(1998, 7, 15));
        july->cal.NextMonth();
        QCOMPARE(july->take(), (QStringList{Chg, Month}));
        july->cal.setMonth(7);
        QCOMPARE(july->take(), (QStringList{Chg, Chg}));
        july->cal.setMonth(8);
        QCOMPARE(july->take(), (QStringList{Chg, Month, Chg}));

        // A press on a day (August 1998 starts on a Saturday).
        move(*july, 330, 40);
        QCOMPARE(july->cal.MouseMoveDay, 1);
        QTest::mousePress(&july->box, Qt::LeftButton, Qt::NoModifier, QPoint(330, 40));
        QCOMPARE(july->take(), QStringList{Chg});
        QTest::mouseRelease(&july->box, Qt::LeftButton, Qt::NoModifier, QPoint(330, 40));
        QVERIFY(july->take().isEmpty());
    }

    void tipsWrittenInTheFirstEventStay() {
        // The host marks a new month from the first event it hears; a redraw must not wipe it.
        auto r = make(QDate(1998, 7, 15));
        bool armed = false;
        r->onEvent = [&] {
            if (!armed)
                return;
            armed = false;
            r->cal.setToolTipDay(3);
            r->cal.setToolTipText(r->cal.Value());
            r->cal.setDayTag(QStringLiteral("on"));
        };
        auto check = [&](const std::function<void()>& step, const char* what) {
            armed = true;
            step();
            QVERIFY2(!armed, what);
            r->cal.setToolTipDay(3);
            QVERIFY2(r->cal.DayTag() == QStringLiteral("on"), what);
            // Written while the new month was already in place.
            QVERIFY2(r->cal.ToolTipText().startsWith(
                         QStringLiteral("%1/%2/").arg(r->cal.Year()).arg(r->cal.Month())),
                     qPrintable(QString::fromLatin1(what) + " " + r->cal.ToolTipText()));
        };
        check([&] { r->cal.NextMonth(); }, "NextMonth");
        check([&] { r->cal.PreviousYear(); }, "PreviousYear");
        check([&] { r->cal.setMonth(3); }, "Month");
        check([&] { r->cal.setYear(2000); }, "Year");
        check([&] { r->cal.setValue(QStringLiteral("2000/4/30")); }, "Value");
        check([&] { r->cal.NextDay(); }, "NextDay");
        QCOMPARE(r->cal.Value(), QStringLiteral("2000/5/1"));

        // The tables survive redraws and moves within the month, and empty on a month change.
        r->cal.ReWrite();
        r->cal.setDay(9);
        r->cal.NextDay();
        r->cal.setToolTipDay(3);
        QCOMPARE(r->cal.DayTag(), QStringLiteral("on"));
        r->cal.NextMonth();
        r->cal.setToolTipDay(3);
        QCOMPARE(r->cal.DayTag(), QString());
        QCOMPARE(r->cal.ToolTipText(), QString());
    }

    void dayFollowsTheMonth() {
        auto r = make(QDate(1998, 3, 31));
        r->cal.setMonth(4);
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/4/30"));
        r->cal.setValue(QStringLiteral("1999/3/31"));
        r->cal.setMonth(2);
        QCOMPARE(r->cal.Value(), QStringLiteral("1999/2/28"));
        r->cal.setValue(QStringLiteral("2000/3/31"));
        r->cal.setMonth(2);
        QCOMPARE(r->cal.Value(), QStringLiteral("2000/2/29"));
        // The clamped day is the highlighted one.
        QCOMPARE(r->cal.selectedColumn(), 2);
        QCOMPARE(r->cal.selectedRow(), 4);

        r->cal.setValue(QStringLiteral("1998/1/31"));
        r->cal.NextMonth();
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/2/28"));
        r->cal.setValue(QStringLiteral("2000/2/29"));
        r->cal.NextYear();
        QCOMPARE(r->cal.Value(), QStringLiteral("2001/2/28"));
        r->cal.setValue(QStringLiteral("2000/2/29"));
        r->cal.PreviousYear();
        QCOMPARE(r->cal.Value(), QStringLiteral("1999/2/28"));
        r->cal.setValue(QStringLiteral("1998/5/31"));
        r->cal.PreviousMonth();
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/4/30"));
        r->cal.setValue(QStringLiteral("1998/1/10"));
        r->take();
        r->cal.PreviousMonth();
        QCOMPARE(r->cal.Value(), QStringLiteral("1997/12/10"));
        QCOMPARE(r->take(), (QStringList{Chg, Month, Year}));
    }

    void assignmentRanges() {
        auto r = make(QDate(1998, 7, 15));
        const int redraws = r->cal.fullRedrawCount();
        for (int y : {2099, 1899, 1998})
            r->cal.setYear(y);
        for (int m : {0, 13, 7})
            r->cal.setMonth(m);
        for (int d : {0, 32, -1})
            r->cal.setDay(d);
        r->cal.setValue(QStringLiteral("1998/2/30"));
        r->cal.setValue(QStringLiteral("7月20日"));
        r->cal.setValue(QString());
        QVERIFY(r->take().isEmpty());
        QCOMPARE(r->cal.fullRedrawCount(), redraws);
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/7/15"));

        r->cal.setYear(2098);
        QCOMPARE(r->cal.Year(), 2098);
        r->cal.setYear(1900);
        QCOMPARE(r->cal.Year(), 1900);
        r->cal.setMonth(12);
        QCOMPARE(r->cal.Month(), 12);
        r->cal.setMonth(1);
        QCOMPARE(r->cal.Month(), 1);
        // Value and the steps know no such limits.
        r->cal.setValue(QStringLiteral("2500/6/1"));
        QCOMPARE(r->cal.Year(), 2500);
        r->cal.setValue(QStringLiteral("1900/1/1"));
        r->cal.PreviousDay();
        QCOMPARE(r->cal.Value(), QStringLiteral("1899/12/31"));
    }

    void stepFromAMissingDayChangesNothing() {
        auto r = make(QDate(1998, 6, 10));
        r->cal.setDay(31);
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/6/31"));
        QVERIFY(!r->cal.ExistDate());
        // The empty cell after the 30th carries the highlight.
        QCOMPARE(r->cal.selectedColumn(), 3);
        QCOMPARE(r->cal.selectedRow(), 5);
        r->take();
        const QImage before = r->box.image().copy();
        const int redraws = r->cal.fullRedrawCount();
        const int refreshes = r->box.refreshCount();
        const int inversions = r->box.invertCount();
        for (auto step : {&clsCal::NextDay, &clsCal::PreviousDay, &clsCal::NextMonth,
                          &clsCal::PreviousMonth, &clsCal::NextYear, &clsCal::PreviousYear}) {
            try {
                (r->cal.*step)();
                QFAIL("a step from 1998/6/31 succeeded");
            } catch (const platform::Error& e) {
                QCOMPARE(e.number(), 13);
                QCOMPARE(e.description(), QStringLiteral("型が一致しません。"));
            }
        }
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/6/31"));
        QVERIFY(r->take().isEmpty());
        QCOMPARE(r->box.image(), before);
        QCOMPARE(r->cal.fullRedrawCount(), redraws);
        QCOMPARE(r->box.refreshCount(), refreshes);
        QCOMPARE(r->box.invertCount(), inversions);

        // Leaving the supported years fails the same way.
        r->cal.setValue(QStringLiteral("9999/12/31"));
        r->take();
        QCOMPARE(errorNumber([&] { r->cal.NextDay(); }), 13);
        QCOMPARE(errorNumber([&] { r->cal.NextYear(); }), 13);
        QCOMPARE(r->cal.Value(), QStringLiteral("9999/12/31"));
        QVERIFY(r->take().isEmpty());
    }

    void selectionWithinTheMonthIsCheap() {
        auto r = make(QDate(1998, 7, 15));
        struct Counts {
            int inversions, refreshes, clears, redraws;
        };
        auto counts = [&] {
            return Counts{r->box.invertCount(), r->box.refreshCount(), r->box.clearCount(),
                          r->cal.fullRedrawCount()};
        };
        auto checkCheap = [&](const std::function<void()>& select, const char* what) {
            const Counts before = counts();
            select();
            const Counts after = counts();
            QVERIFY2(after.inversions == before.inversions + 2, what);
            QVERIFY2(after.refreshes == before.refreshes + 1, what);
            QVERIFY2(after.clears == before.clears, what);
            QVERIFY2(after.redraws == before.redraws, what);
        };
        checkCheap([&] { r->cal.setDay(20); }, "Day");
        checkCheap([&] { r->cal.NextDay(); }, "NextDay");
        checkCheap([&] { r->cal.PreviousDay(); }, "PreviousDay");
        checkCheap([&] { r->cal.setValue(QStringLiteral("1998/7/2")); }, "Value");
        move(*r, 250, 200);
        checkCheap([&] { QTest::mousePress(&r->box, Qt::LeftButton, Qt::NoModifier); }, "press");
        QCOMPARE(r->cal.Day(), 24);
        QTest::mouseRelease(&r->box, Qt::LeftButton);

        // A full redraw clears once and draws the frame once.
        const Counts before = counts();
        r->cal.NextMonth();
        QCOMPARE(counts().clears, before.clears + 1);
        QCOMPARE(counts().redraws, before.redraws + 1);
    }

    void pointerFindsTheDay() {
        // July 1998 starts on a Wednesday.
        auto r = make(QDate(1998, 7, 15));
        r->cal.setToolTipDay(6);
        r->cal.setToolTipText(QStringLiteral("運動会"));
        move(*r, 130, 40);
        QCOMPARE(r->cal.MouseMoveDay, 1);
        QCOMPARE(r->box.toolTipText(), QString());
        move(*r, 10, 80);
        QCOMPARE(r->cal.MouseMoveDay, 6);
        QCOMPARE(r->box.toolTipText(), QStringLiteral("運動会"));
        move(*r, 10, 40); // names day -1
        QCOMPARE(r->cal.MouseMoveDay, 0);
        QCOMPARE(r->box.toolTipText(), QStringLiteral("運動会"));
        move(*r, 200, 10); // heading band
        QCOMPARE(r->cal.MouseMoveDay, 0);
        QCOMPARE(r->box.toolTipText(), QStringLiteral("運動会"));
        move(*r, 59.9, 75); // the right edge of Monday, the top of the second row
        QCOMPARE(r->cal.MouseMoveDay, 6);
        move(*r, 60, 74.9); // the Tuesday before the 1st
        QCOMPARE(r->cal.MouseMoveDay, 0);
        move(*r, 300, 290); // the last row's Saturday: the 39th
        QCOMPARE(r->cal.MouseMoveDay, 0);

        // A press uses the day of the last move, not the press position.
        QStringList clicks;
        connect(&r->box, &PictureBox::clicked, this, [&] { clicks << r->cal.Value(); });
        move(*r, 10, 80);
        r->take();
        QTest::mouseClick(&r->box, Qt::LeftButton, Qt::NoModifier, QPoint(400, 280));
        QCOMPARE(r->cal.Value(), QStringLiteral("1998/7/6"));
        QCOMPARE(r->take(), QStringList{Chg});
        // The host's click handler already sees the new day.
        QCOMPARE(clicks, QStringList{"1998/7/6"});
        QCOMPARE(r->box.pixel(56, 116), inverse(Yellow));
        QCOMPARE(r->box.pixel(176, 161), Yellow); // the 15th lost its highlight

        // A press after the pointer left the days does nothing.
        move(*r, 200, 10);
        const QImage before = r->box.image().copy();
        QTest::mouseClick(&r->box, Qt::LeftButton, Qt::NoModifier, QPoint(130, 40));
        QVERIFY(r->take().isEmpty());
        QCOMPARE(r->box.image(), before);
        QCOMPARE(r->cal.Day(), 6);

        // A press on the selected day selects it again.
        move(*r, 10, 80);
        QTest::mouseClick(&r->box, Qt::RightButton, Qt::NoModifier, QPoint(10, 80));
        QCOMPARE(r->take(), QStringList{Chg});
        QCOMPARE(r->box.image(), before);

        // June 1998 starts on a Monday: the first row names no day.
        r->cal.setMonth(6);
        move(*r, 10, 80);
        QCOMPARE(r->cal.MouseMoveDay, 1);
        for (double x : {10.0, 130.0, 250.0, 410.0}) {
            move(*r, x, 40);
            QCOMPARE(r->cal.MouseMoveDay, 0);
        }

        // Right of the seventh column the formula reaches into the next row: July, 423 wide,
        // still 60 per column.
        r->cal.setMonth(7);
        r->cal.setWidth(423);
        QCOMPARE(r->cal.geometry().CellWidth, 60);
        move(*r, 421, 40);
        QCOMPARE(r->cal.MouseMoveDay, 6);
    }

    void toolTipCursor() {
        auto r = make(QDate(1998, 7, 15));
        r->cal.setToolTipDay(5);
        r->cal.setToolTipText(QStringLiteral("remark"));
        r->cal.setDayTag(QStringLiteral("on"));
        QCOMPARE(r->cal.ToolTipText(), QStringLiteral("remark"));
        QCOMPARE(r->cal.DayTag(), QStringLiteral("on"));

        env->dialogs.answerMessage(platform::Answer::Ok);
        env->dialogs.answerMessage(platform::Answer::Ok);
        r->cal.setToolTipDay(0);
        r->cal.setToolTipText(QStringLiteral("second"));
        r->cal.setToolTipDay(32);
        r->cal.setDayTag(QStringLiteral("off"));
        const auto& calls = env->dialogs.calls();
        QCOMPARE(calls.size(), std::size_t(2));
        for (const auto& call : calls) {
            QCOMPARE(call.text,
                     QStringLiteral("ToolTipTextの日付は、1から31の数値を割り当ててください。"));
            QCOMPARE(call.title, QStringLiteral("ORVANE"));
            QCOMPARE(call.buttons, platform::Buttons::Ok);
            QCOMPARE(call.icon, platform::Icon::None);
        }
        // The cursor stayed on the 5th.
        QCOMPARE(r->cal.ToolTipText(), QStringLiteral("second"));
        QCOMPARE(r->cal.DayTag(), QStringLiteral("off"));
        r->cal.setToolTipDay(31); // no check against the month's length
        QCOMPARE(r->cal.ToolTipText(), QString());
        QVERIFY(r->take().isEmpty());
    }

    void dayWriteRepaintsOneCell() {
        auto r = make(QDate(1998, 6, 20));
        const QImage clean = r->box.image().copy();
        // A mark drawn over the 3rd and over the selected 20th.
        r->box.fillRect(r->cal.DayLeft(3) + 1, r->cal.DayTop(3) + 1, r->cal.DayLeft(3) + 11,
                        r->cal.DayTop(3) + 11, Black);
        r->box.fillRect(r->cal.DayLeft(20) + 1, r->cal.DayTop(20) + 1, r->cal.DayLeft(20) + 11,
                        r->cal.DayTop(20) + 11, Black);
        const int redraws = r->cal.fullRedrawCount();
        r->cal.DayWrite(3);
        QVERIFY(r->take().isEmpty());
        r->cal.DayWrite(20);
        QCOMPARE(r->take(), QStringList{Chg});
        QCOMPARE(r->box.image(), clean);
        QCOMPARE(r->cal.fullRedrawCount(), redraws);
        r->cal.DayWrite(31);
        r->cal.DayWrite(0);
        QCOMPARE(r->box.image(), clean);
        QVERIFY(r->take().isEmpty());
    }
};

ORVANE_TEST_MAIN(CalendarTest)
#include "tst_calendar.moc"
