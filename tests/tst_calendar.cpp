// The calendar window: the first layout, the clock title, the selectors, the navigation that
// moves the working date, its pen marks (pixels, queries, tool tips, tags and the journal's
// failures) and its commands: days handed to the editor by click and double-click, deleting an
// entry, going to a typed date and the standard size. The calendar control and the picture box
// it draws in: drawing (on a screen scaled to 200 % too), navigation, the pointer, clicks. And
// the year notebook: the year's list, its window, opening a day in the editor and printing.
#include "calendar/clsCal.h"
#include "platform/PictureBox.h"
#include "platform/Printer.h"
#include "support/Testing.h"
#include "windows/calendar/PenImages.h"

using namespace testing;
using platform::PictureBox;
using platform::RasterOp;

namespace {

const QColor Grey(128, 128, 128), Blue(0, 0, 255), Red(255, 0, 0), Green(0, 128, 0);

// The colours of the pixels listed as "x,y x,y ..." as letters: W white, S light grey, K black,
// B blue, Y yellow, N the box's grey; ? for any other.
QString colours(const QImage& image, const QString& at) {
    static const QList<QRgb> known = {0xffffffff, 0xffc0c0c0, 0xff000000,
                                      0xff0000ff, 0xffffff00, 0xff808080};
    QString s;
    for (const QString& p : at.split(u' ')) {
        const QRgb c = image.pixel(p.section(u',', 0, 0).toInt(), p.section(u',', 1).toInt());
        s += QLatin1Char("?WSKBYN"[known.indexOf(c) + 1]);
    }
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

// The marked days, each as " day", "*" when its cell shows the pen, its tag, ":" and its tip.
QString marks(frmCal& w) {
    QString found;
    for (int d = 1; d <= 31; ++d)
        if (const QString day =
                (hasPen(w, d) ? u"*"_s : QString()) + tagOf(w, d) + ':' + tipOf(w, d);
            day != u":"_s)
            found += u" %1"_s.arg(d) + day;
    return found;
}

// Takes what the notebook hands to the printer.
struct RecordingPrinter : platform::Printer {
    QStringList calls;
    void setFont(const QString& family, double points, bool bold) override {
        calls << u"font %1 %2%3"_s.arg(family).arg(points).arg(bold ? u" bold"_s : QString());
    }
    void printLine(const QString& text) override { calls << text; }
    void endDoc() override { calls << u"end"_s; }
};

frmBar& openOn(const QDate& day) {
    app::modFunc().WorkDate = day;
    return windows::showNotebook();
}

// The list as "title: date remark, ...".
QString listed(const frmBar& w) {
    QStringList rows;
    for (int row = 0; row < w.Grid1->rowCount(); ++row)
        rows << w.Grid1->item(row, 0)->text() + u' ' + w.Grid1->item(row, 1)->text();
    return w.windowTitle() + u": "_s + rows.join(u", "_s);
}

// A double-click as the desktop delivers it, a click first, on a row (or the header at -1).
void doubleClick(frmBar& w, int row) {
    QWidget* target = row < 0 ? w.Grid1->horizontalHeader()->viewport() : w.Grid1->viewport();
    const QPoint at = w.Grid1->visualRect(w.Grid1->model()->index(row, 1)).center();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, row < 0 ? QPoint(20, 5) : at);
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, row < 0 ? QPoint(20, 5) : at);
}

// Whether some 2 x 2 block of device pixels at even positions holds more than one colour: a
// picture drawn at half the resolution and scaled up never has one.
bool finerThanBlocks(const QImage& shot, const QRect& area) {
    for (int y = area.top() & ~1; y < area.bottom(); y += 2)
        for (int x = area.left() & ~1; x < area.right(); x += 2) {
            const QRgb c = shot.pixel(x, y);
            if (shot.pixel(x + 1, y) != c || shot.pixel(x, y + 1) != c ||
                shot.pixel(x + 1, y + 1) != c)
                return true;
        }
    return false;
}

} // namespace

class CalendarWindowTest : public CalendarTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        platform::installFontSubstitutions(); // as start-up does
        // A print system that cannot be reached: the desktop names no default printer.
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    }

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
        // (The day keys and 今日 moving WorkDate: the random walk; the days they reach:
        // navigationAndPointer.)
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

        addEntry(QDate(2026, 12, 10), u"b"_s);
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
        QPointer<frmMirel> e = windows::findEditor();
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

    void drawing() {
        // March 1998 starts on a Sunday: day 1 alone in row 0, 31 days reaching row 5, and day
        // cells only from day 1 to the last day.
        Rig r(env.get(), QDate(1998, 6, 20));
        r.cal.setMonth(3);
        QCOMPARE(QPoint(r.cal.DayLeft(1), r.cal.DayTop(1)), QPoint(361, 31));
        QCOMPARE(colours(r.box.image(), "416,71 116,296 356,71 176,296"), "YYNN");

        // June 1998 starts on a Monday, so row 0 stays empty; Saturday the 20th is selected
        // (x 300..360, y 165..210); weekdays in green, set after start (the month is drawn
        // again). The heading band; engraved grid lines (grey, black, white) around empty cells;
        // day 2 (x 60..120, y 75..120) light on top and left, shadowed right and below, yellow
        // inside; the 20th's interior, 58 x 43 from (301, 166), inverted from white and yellow.
        r.cal.setMonth(6);
        r.cal.setDayForeColor(Green);
        QCOMPARE(colours(r.box.image(), "0,0 10,29 10,30 10,31 59,50 60,50 61,50 10,32 400,60 "
                                        "90,76 61,100 119,100 90,119 62,100 301,166 301,208 "
                                        "358,208 359,190"),
                 "WSKWSKWNNWWSSYKKBS");

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
        QCOMPARE(colours(r.box.image(), "125,70 125,160"), "BY");
        QCOMPARE(r.after("ReWrite"), "ReWrite -> 1998/7/15 C");
        QCOMPARE(colours(r.box.image(), "125,70 125,160"), "YB");

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
        QCOMPARE(colours(box.image(), "1,3 2,3 10,3 11,3 24,6 25,6 30,10 31,10"), "NBBNNYYN");
        // A block hanging over the edges, from inside its source: only what both sides have.
        QImage source(6, 6, QImage::Format_RGB32);
        source.fill(Blue);
        source.setPixel(0, 0, qRgb(255, 255, 0));
        box.blit(77, 47, 6, 6, source, 1, 1, platform::RasterOp::SrcCopy);
        QCOMPARE(colours(box.image(), "76,46 77,47 79,49"), "NBB");
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

    void yearListAndPrinting() {
        addEntry(QDate(1998, 7, 15), u"散歩"_s);
        addEntry(QDate(1998, 7, 5), QString());
        addEntry(QDate(1997, 12, 31), u"大晦日"_s);
        frmBar& w = openOn(QDate(1998, 8, 1));
        const QString first = listed(w);
        QCOMPARE(first, u"手帳  1998年度: 98/7/05(日) , 98/7/15(水) 散歩"_s);
        QCOMPARE(w.size(), QSize(637, 499)); // designed 9555 x 7485 twips
        // The window's and the buttons' colours.
        QCOMPARE(w.grab().toImage().pixelColor(w.width() - 2, 200), QColor(192, 192, 255));
        QCOMPARE(w.Command1[0]->grab().toImage().pixelColor(4, 5), QColor(192, 255, 255));
        // (The date column's light yellow: dateColumnStaysWhenScrolledSideways.)

        // 印刷 hands the list as shown to the printer, and changes nothing.
        RecordingPrinter printer;
        platform::setPrinter(&printer);
        const auto restore = qScopeGuard([] { platform::setPrinter(nullptr); });
        env->dialogs.answerMessage(Answer::Ok);
        w.Command1[2]->click();
        QCOMPARE(printer.calls,
                 (QStringList{u"font ＭＳ Ｐ明朝 14 bold"_s,
                              u"          手帳"_s + QString(25, u' ') + u"2026年12月06日(日)\n"_s,
                              u"font ＭＳ Ｐ明朝 11 bold"_s, u"[1998年07月05日(日)]  "_s,
                              u"[1998年07月15日(水)]  散歩"_s, u"end"_s}));
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|印刷データを出力しました。"_s);
        QCOMPARE(listed(w) + QString::number(w.noteYear), first + u"1998"_s);
        // The desktop names no printer: that is told, and nothing else (the script allows no
        // second message).
        platform::setPrinter(nullptr);
        env->dialogs.answerMessage(Answer::Ok);
        w.Command1[2]->click();
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|プリンタが見つかりません。(484)"_s);

        // A double-click on the header, or on the empty list of another year, opens nothing.
        doubleClick(w, -1);
        w.Command1[1]->click();
        doubleClick(w, 0);
        QVERIFY(w.isVisible() && windows::findEditor() == nullptr);
    }

    void placeAndClosing() {
        // The calendar's 手帳(&B) opens the notebook on WorkDate's year, one at a time.
        frmCal& calendar = shownCalendar();
        calendar.optOpt[0]->trigger();
        QPointer<frmBar> w = windows::findNotebook();
        QVERIFY(w && w->windowTitle() == u"手帳  2026年度"_s && calendar.isVisible());
        calendar.optOpt[0]->trigger();
        QCOMPARE(windows::findNotebook(), w.data());
        // 戻る keeps the place in twips for the next opening in this run, and shows the
        // calendar, which was closed meanwhile.
        w->move(40, 60);
        w->resize(500, 300);
        calendar.close();
        w->Command1[3]->click();
        QVERIFY(!windows::findNotebook() && windows::findCalendar() != nullptr);
        QCOMPARE(app::modFunc().NotebookLayout,
                 (std::array<std::int32_t, 4>{900, 600, 7500, 4500}));
        w = &windows::showNotebook();
        QCOMPARE(QRect(w->pos(), w->size()), QRect(40, 60, 500, 300));
        // The close box does the same.
        w->move(10, 20);
        w->close();
        QCOMPARE(app::modFunc().NotebookLayout[0], 300);
    }

    void dateColumnStaysWhenScrolledSideways() {
        addEntry(QDate(1998, 7, 5), u"雨"_s);
        addEntry(QDate(1998, 7, 15), u"散歩"_s);
        frmBar& w = openOn(QDate(1998, 8, 1));
        QTableWidget& grid = *w.Grid1;
        grid.selectRow(1);
        // The selected row's date cell in the grid's own pixels, its lines left out.
        const QRect date = grid.visualRect(grid.model()->index(1, 0))
                               .translated(grid.viewport()->pos())
                               .adjusted(0, 0, -1, -1);
        const QRect column(0, 0, date.right() + 1, grid.viewport()->geometry().bottom());
        const QImage before = grid.grab().toImage();
        // Scrolled to the remark's end, the date column and its header stay as they were, and
        // the selected row's date keeps its yellow.
        QScrollBar* sideways = grid.horizontalScrollBar();
        sideways->setValue(sideways->maximum());
        QVERIFY(sideways->value() > column.width());
        const QImage after = grid.grab().toImage();
        QCOMPARE(after.pixelColor(date.topLeft() + QPoint(2, 2)), QColor(255, 255, 128));
        QCOMPARE(after.copy(column), before.copy(column));

        // A double-click on another row's date there opens that row's day in the editor and
        // closes the notebook, the calendar staying shut; its first click leaves the remark
        // where it was. (With the editor open and changed: the random walk.)
        const QPoint at = date.center() - QPoint(0, date.height() + 1);
        QWidget* under = grid.childAt(at);
        QTest::mouseClick(under, Qt::LeftButton, Qt::NoModifier, under->mapFrom(&grid, at));
        QCOMPARE(sideways->value(), sideways->maximum());
        QTest::mouseDClick(under, Qt::LeftButton, Qt::NoModifier, under->mapFrom(&grid, at));
        frmMirel* e = windows::findEditor();
        QVERIFY(e && !windows::findNotebook() && !windows::findCalendar());
        QCOMPARE(e->dateBox()->text(), u"1998/07/05 (日)"_s);
    }

    void printingToPaper() {
        // A year long enough for a second page, printed to a PDF file and read back.
        for (int day = 0; day < 80; ++day)
            addEntry(QDate(1925, 1, 1).addDays(day), u"日記%1"_s.arg(day + 1));
        const QString pdf = env->root() + u"/list.pdf"_s;
        platform::QtPrinter printer(pdf);
        platform::setPrinter(&printer);
        const auto restore = qScopeGuard([] { platform::setPrinter(nullptr); });
        env->dialogs.answerMessage(Answer::Ok);
        openOn(QDate(1925, 6, 1)).Command1[2]->click();
        // -layout keeps the empty line below the heading, not the runs of blanks.
        QProcess pdftotext;
        pdftotext.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY(pdftotext.waitForFinished());
        const QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
        QCOMPARE(pages.size(), 3); // two pages, and nothing after the last page break
        const QStringList lines = (pages[0] + pages[1]).split(u'\n');
        QCOMPARE(lines[0].simplified() + u'|' + lines[1] + u'|' + lines[2],
                 u"手帳 2026年12月06日(日)||[1925年01月01日(木)] 日記1"_s);
        // Every entry once over both pages, the second page starting with the next one.
        QCOMPARE(lines.filter(u"[1925年"_s).size(), 80);
    }

    void calendarAtTwiceTheResolution() {
        // On a screen with two device pixels per pixel, as on a desktop scaled to 200 %: this
        // program once more, running this function alone.
        if (qEnvironmentVariable("QT_SCALE_FACTOR") != u"2"_s) {
            qputenv("QT_SCALE_FACTOR", "2"); // read by the child only: this one has its screens
            const auto unset = qScopeGuard([] { qunsetenv("QT_SCALE_FACTOR"); });
            QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(),
                                       {u"calendarAtTwiceTheResolution"_s}),
                     0);
            return;
        }
        // The calendar window's colours in a 420 x 300 box: cells 60 x 45 below a 30 pixel
        // band. June 1998 starts on a Monday, so row 0 is empty; the 20th is selected.
        Rig r(env.get(), QDate(1998, 6, 20));
        r.cal.ReWrite();

        // What the screen shows, in device pixels: pixel (x, y) is the block from (2x, 2y).
        const QImage shot = r.box.grab().toImage();
        QCOMPARE(shot.size(), QSize(840, 600));
        // Column 10: heading band, the line at y 30 (grey 29, black 30, white 31), empty row 0.
        QCOMPARE(colours(shot, u"20,57 20,58 21,59 20,60 21,61 20,62 21,63 20,64"_s), "WSSKKWWN");
        // The 20th's interior (301..358, 166..208) inverted: its white bevel black, yellow blue;
        // the grey bevel at x 359 left as it is.
        QCOMPARE(
            colours(shot,
                    u"599,400 601,401 602,400 603,401 604,400 716,416 717,417 718,380 719,381"_s),
            "SKKKBBBSS");

        // Numbers (and headings, the same way) drawn at the screen's resolution: their edges cut
        // through the 2 x 2 blocks. Day 2's number, in 15 points (20 pixels), stands about 13
        // pixels high: 26 device pixels.
        const QRect day2(124, 154, 113, 83);
        QVERIFY(finerThanBlocks(shot, day2));
        QRect number; // the blue pixels of day 2's number
        for (int y = day2.top(); y <= day2.bottom(); ++y)
            for (int x = day2.left(); x <= day2.right(); ++x)
                if (shot.pixel(x, y) == 0xff0000ff)
                    number |= QRect(x, y, 1, 1);
        QVERIFY2(number.height() >= 24 && number.height() <= 30,
                 qPrintable(QString::number(number.height())));

        // The pen mark scaled without smoothing: only the cell's yellow and the pen's own
        // colours, never a blend of them.
        PictureBox pen, mask;
        pen.setOuterSize(11, 11);
        mask.setOuterSize(11, 11);
        pen.blit(0, 0, 11, 11, windows::calendar::penPicture(), 0, 0, RasterOp::SrcCopy);
        mask.blit(0, 0, 11, 11, windows::calendar::penMask(), 0, 0, RasterOp::SrcCopy);
        r.box.blit(63, 78, 11, 11, mask, 0, 0, RasterOp::SrcErase);
        r.box.blit(63, 78, 11, 11, pen, 0, 0, RasterOp::SrcInvert);
        const QList<QRgb> penColours = {0xffffff00, 0xff00ff00, 0xff008000,
                                        0xff000000, 0xff808000, 0xffc0c0c0};
        const QImage marked = r.box.grab().toImage().copy(126, 156, 22, 22);
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x)
                QVERIFY2(penColours.contains(marked.pixel(x, y)),
                         qPrintable(u"%1,%2"_s.arg(x).arg(y)));
        QCOMPARE(marked.pixel(0, 21), 0xff000000); // the tip
    }
};

ORVANE_TEST_MAIN(CalendarWindowTest)
#include "tst_calendar.moc"
