// The calendar window: the first layout, the clock title, the selectors, the navigation that
// moves the working date, its pen marks (pixels, queries, tool tips, tags and the journal's
// failures) and its commands: days handed to the editor by click and double-click, deleting an
// entry, going to a typed date and the standard size. And the calendar control and the picture
// box it draws in: drawing, navigation, the pointer, clicks.
#include "calendar/clsCal.h"
#include "platform/PictureBox.h"
#include "support/Testing.h"

using namespace testing;
using platform::PictureBox;
using windows::findEditor;

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

} // namespace

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
        QPointer<frmMirel> e = findEditor();
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

ORVANE_TEST_MAIN(CalendarWindowTest)
#include "tst_calendar.moc"
