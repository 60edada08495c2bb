// The calendar window's commands: days handed to the editor by click and double-click, deleting
// an entry, going to a typed date, the standard size, help and the greyed notebook item.
#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Database.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"
#include "support/TopLevelWindows.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/GoToDate.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/frmMirel.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>

#include <memory>

using Rows = QList<QStringList>;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using windows::calendar::GoToDate;

namespace {

const QString AllColumns = QStringLiteral(
    "select Reg_dat, Mirel_txt, Memo_txt, Pic_txt, Error_kbn, Treat_dat, Treat_tim, Terminal_nam "
    "from Mirel order by Reg_dat");
const QString Days = QStringLiteral("select Reg_dat from Mirel order by Reg_dat");

// A row as an earlier save on another computer left it.
void addEntry(const QDate& day, const QString& text, const QString& memo) {
    app::modFunc().JournalDb->execute(QStringLiteral("insert into Mirel values(?,?,?,?,?,?,?,?)"),
                                      {day, text, memo, QString(), false, QDate(2026, 11, 1),
                                       QTime(9, 0, 0), QStringLiteral("OLD")});
}

QString dayText(const QDate& day) {
    return platform::dates::format(day, QStringLiteral("yyyy/mm/dd"));
}

// Text committed by an input method, as Japanese text arrives.
void commitText(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

QPoint cellCentre(frmCal& w, int day) {
    clsCal& cal = *w.oCal1;
    return {cal.DayLeft(day) + cal.DayWidth() / 2, cal.DayTop(day) + cal.DayHeight() / 2};
}

// The pointer comes to rest over a day, as before any press.
QPoint pointAt(frmCal& w, int day) {
    const QPoint at = cellCentre(w, day);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), w.Cal1->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.Cal1, &move);
    return at;
}

void clickDay(frmCal& w, int day) {
    const QPoint at = pointAt(w, day);
    QTest::mouseClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
}

// A double-click as the desktop delivers it: press, release, double-click press, release.
void doubleClickDay(frmCal& w, int day) {
    const QPoint at = pointAt(w, day);
    QTest::mouseClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
}

// A press on a day released off the calendar: the day is selected, but there is no click.
void pressAndLeave(frmCal& w, int day) {
    const QPoint at = pointAt(w, day);
    QTest::mousePress(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(w.Cal1, Qt::LeftButton, Qt::NoModifier,
                        QPoint(w.Cal1->width() + 20, at.y()));
}

QImage cellImage(frmCal& w, int day) {
    clsCal& cal = *w.oCal1;
    return w.Cal1->image().copy(
        QRect(cal.DayLeft(day), cal.DayTop(day), cal.DayWidth(), cal.DayHeight()));
}

// Two pixels of the pen in a day's cell: the black tip and the dark green of its body, or both
// inverted when the pen was drawn before the cell was highlighted.
bool hasPen(frmCal& w, int day) {
    clsCal& cal = *w.oCal1;
    const int x = cal.DayLeft(day) + 1;
    const int y = cal.DayTop(day) + 1;
    const QColor tip = w.Cal1->pixel(x, y + 10);
    const QColor body = w.Cal1->pixel(x + 4, y + 6);
    return (tip == QColor(0, 0, 0) && body == QColor(0, 128, 0)) ||
           (tip == QColor(255, 255, 255) && body == QColor(255, 127, 255));
}

QString tipOf(frmCal& w, int day) {
    w.oCal1->setToolTipDay(day);
    return w.oCal1->ToolTipText();
}

QString tagOf(frmCal& w, int day) {
    w.oCal1->setToolTipDay(day);
    return w.oCal1->DayTag();
}

frmMirel* editor() {
    return windows::findEditor();
}

QString status(const frmMirel& e) {
    return e.StatusBar1->currentMessage();
}

} // namespace

// Catches the desktop's "open this file" requests.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class CalendarCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString journal;

    frmCal& showCalendar() {
        frmCal& w = windows::showCalendar();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("the calendar window was not exposed");
        return w;
    }

    quint64 queries() const { return app::modFunc().JournalDb->statementCount(); }

private Q_SLOTS:
    void init() {
        env.reset();
        env = std::make_unique<testing::TestEnv>();
        journal = testing::createJournal(*env);
        auto& m = app::modFunc();
        m.TerminalName = QStringLiteral("PC01");
        // Start-up begins the run on today.
        m.WorkDate = QDate(2026, 12, 6);
    }
    void cleanup() {
        testing::deleteAllWindows();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void clickHandsTheDayToTheEditor() {
        addEntry(QDate(2026, 12, 8), QStringLiteral("八日の日記"), QStringLiteral("八日"));
        frmCal& w = showCalendar();
        auto& m = app::modFunc();

        // The editor closed: a click only moves the working date.
        clickDay(w, 5);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
        QVERIFY(editor() == nullptr);

        w.optFile[0]->trigger();
        QPointer<frmMirel> e = editor();
        QVERIFY(e);
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/05 (土)"));
        commitText(e->Text1[1], QStringLiteral("五日の日記"));
        QVERIFY(e->txtChg);

        // Where the working date stood when the save reported itself.
        QStringList saves;
        connect(e->StatusBar1, &QStatusBar::messageChanged, this, [&](const QString& text) {
            if (!text.isEmpty())
                saves << text + QLatin1Char('@') + dayText(m.WorkDate);
        });

        clickDay(w, 8);
        // Saved under the old day first, then the clicked day shown in the same editor.
        QCOMPARE(saves, QStringList{QStringLiteral("登録しました。@2026/12/05")});
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Reg_dat, Mirel_txt, "
                                                          "Terminal_nam from Mirel order by 1")),
                 (Rows{{"2026-12-05 00:00:00", "五日の日記", "PC01"},
                       {"2026-12-08 00:00:00", "八日の日記", "OLD"}}));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 8));
        QCOMPARE(editor(), e.data());
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/08 (火)"));
        QCOMPARE(e->boxText(1), QStringLiteral("八日の日記"));
        QCOMPARE(e->boxText(2), QStringLiteral("八日"));
        QVERIFY(!e->txtChg);
        // The save refreshed the calendar's marks: the 5th carries the pen now.
        QVERIFY(hasPen(w, 5));
        QCOMPARE(tagOf(w, 5), QStringLiteral("on"));
        QCOMPARE(w.oCal1->Value(), QStringLiteral("2026/12/8"));

        // A click with nothing changed writes nothing and only reloads.
        clickDay(w, 9);
        QCOMPARE(saves.size(), 1);
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/09 (水)"));
        QVERIFY(e->boxText(1).isEmpty());
        QCOMPARE(testing::rawRows(journal, Days).size(), 2);

        // A press on the heading band names no day: nothing moves.
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 5), w.Cal1->mapToGlobal(QPointF(20, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.Cal1, &move);
        QTest::mouseClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 9));
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/09 (水)"));
    }

    void doubleClickOpensTheEditor() {
        addEntry(QDate(2026, 12, 10), QStringLiteral("十日"), QStringLiteral("memo"));
        frmCal& w = showCalendar();
        auto& m = app::modFunc();

        doubleClickDay(w, 10);
        QPointer<frmMirel> e = editor();
        QVERIFY(e);
        QVERIFY(e->isVisible());
        QVERIFY(e->parentWidget() == nullptr);
        QVERIFY(!e->isModal());
        QCOMPARE(e->windowTitle(), QStringLiteral("Velmora絵日記"));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 10));
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/10 (木)"));
        QCOMPARE(e->boxText(1), QStringLiteral("十日"));

        // With the editor open, a double-click is a click: save under the old day, show the new.
        QTest::keyClick(e->Text1[1], Qt::Key_End);
        QTest::keyClicks(e->Text1[1], QStringLiteral(" more"));
        doubleClickDay(w, 12);
        QCOMPARE(editor(), e.data());
        int editors = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            editors += qobject_cast<frmMirel*>(window) != nullptr ? 1 : 0;
        QCOMPARE(editors, 1);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 12));
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/12 (土)"));
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Reg_dat, Mirel_txt from Mirel")),
                 (Rows{{"2026-12-10 00:00:00", "十日 more"}}));

        // "日記を書く" with the editor closed opens it on the selected day.
        e->unload();
        testing::runDeferredDeletes();
        QVERIFY(e.isNull());
        w.oCal1->setValue(QStringLiteral("2026/12/24"));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 12));
        w.optFile[0]->trigger();
        QVERIFY(editor() != nullptr);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 24));
        QCOMPARE(editor()->dateBox()->text(), QStringLiteral("2026/12/24 (木)"));
    }

    void failedSaveKeepsTheDayEverywhere() {
        frmCal& w = showCalendar();
        auto& m = app::modFunc();
        clickDay(w, 5);
        w.optFile[0]->trigger();
        QPointer<frmMirel> e = editor();
        QVERIFY(e);
        QTest::keyClicks(e->Text1[1], QStringLiteral("keep me"));
        // The picture column holds 100 characters.
        e->picFile = QString(101, QLatin1Char('p'));

        env->dialogs.answerMessage(Answer::Ok);
        clickDay(w, 9);
        QCOMPARE(env->dialogs.calls().size(), std::size_t{1});
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.title, QStringLiteral("Insert"));
        QVERIFY2(call.text.endsWith(QStringLiteral("(3163)")), qPrintable(call.text));

        const auto stayed = [&] {
            QVERIFY(!e.isNull());
            QVERIFY(e->isVisible());
            QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
            QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/05 (土)"));
            QCOMPARE(e->boxText(1), QStringLiteral("keep me"));
            QVERIFY(e->txtChg);
            // The calendar does not show another day than the editor.
            QCOMPARE(w.oCal1->Value(), QStringLiteral("2026/12/5"));
            QCOMPARE(w.oCal1->selectedRow(), 0);
            QCOMPARE(testing::rawRows(journal, QStringLiteral("select count(*) from Mirel")),
                     (Rows{{"0"}}));
        };
        stayed();

        // The same through "日記を書く", and after a selector took the calendar elsewhere.
        env->dialogs.answerMessage(Answer::Ok);
        w.optFile[0]->trigger();
        stayed();
        w.Combo1[1]->setCurrentIndex(w.Combo1[1]->findText(QStringLiteral("11")));
        Q_EMIT w.Combo1[1]->activated(w.Combo1[1]->currentIndex());
        QCOMPARE(w.oCal1->Value(), QStringLiteral("2026/11/5"));
        env->dialogs.answerMessage(Answer::Ok);
        clickDay(w, 20);
        stayed();
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("12"));
        QCOMPARE(env->dialogs.calls().size(), std::size_t{3});

        // Mended, the click goes through: saved under the 5th, the editor on the 9th.
        e->picFile.clear();
        clickDay(w, 9);
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Reg_dat, Mirel_txt from Mirel")),
                 (Rows{{"2026-12-05 00:00:00", "keep me"}}));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 9));
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/09 (水)"));
    }

    void deleteAsksThenWipesTheMark() {
        addEntry(QDate(2026, 12, 5), QStringLiteral("text"), QStringLiteral("散歩"));
        addEntry(QDate(2026, 12, 7), QStringLiteral("text"), QStringLiteral("b"));
        frmCal& w = showCalendar();
        auto& m = app::modFunc();

        // A day without an entry: nothing asked (the script would fail on a question), nothing
        // run.
        clickDay(w, 9);
        const quint64 before = queries();
        w.optFile[1]->trigger();
        QCOMPARE(queries(), before);
        QVERIFY(env->dialogs.calls().empty());

        clickDay(w, 5);
        QVERIFY(hasPen(w, 5));
        QCOMPARE(tipOf(w, 5), QStringLiteral("散歩"));
        const QImage marked = cellImage(w, 5);

        // No keeps the row and the mark.
        env->dialogs.answerMessage(Answer::No);
        w.optFile[1]->trigger();
        QCOMPARE(testing::rawRows(journal, Days).size(), 2);
        QCOMPARE(cellImage(w, 5), marked);

        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.text, QStringLiteral("2026/12/05の日記を削除しますか？"));
        QCOMPARE(call.buttons, Buttons::YesNo);
        QCOMPARE(call.icon, Icon::Exclamation);
        QCOMPARE(call.title, QStringLiteral("ORVANE"));
        QCOMPARE(m.SqlText,
                 QStringLiteral("delete from Mirel where format(reg_dat,'yyyy/mm/dd')=?"));
        QCOMPARE(testing::rawRows(journal, Days), (Rows{{"2026-12-07 00:00:00"}}));
        QVERIFY(!hasPen(w, 5));
        QCOMPARE(tipOf(w, 5), QString());
        QCOMPARE(tagOf(w, 5), QStringLiteral("on"));
        QCOMPARE(m.MarkedMonth, 202612);
        QVERIFY(hasPen(w, 7));
        QCOMPARE(tipOf(w, 7), QStringLiteral("b"));
        const QImage wiped = cellImage(w, 5);

        // Asked again (the tag is still there), nothing more goes.
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QCOMPARE(env->dialogs.calls().size(), std::size_t{3});
        QCOMPARE(testing::rawRows(journal, Days), (Rows{{"2026-12-07 00:00:00"}}));

        // The wiped cell is what a fresh drawing of the month makes of it (no mark, still
        // selected); the redraw draws no marks, the month counting as marked.
        w.oCal1->ReWrite();
        QCOMPARE(cellImage(w, 5), wiped);
        QVERIFY(!hasPen(w, 7));
    }

    void deleteWipesTheDeletedDay() {
        addEntry(QDate(2026, 12, 5), QStringLiteral("text"), QStringLiteral("a"));
        addEntry(QDate(2026, 12, 7), QStringLiteral("text"), QStringLiteral("b"));
        addEntry(QDate(2026, 11, 5), QStringLiteral("text"), QStringLiteral("c"));
        frmCal& w = showCalendar();
        auto& m = app::modFunc();
        clickDay(w, 5);

        // The 7th selected by a press released off the calendar: WorkDate stays on the 5th.
        pressAndLeave(w, 7);
        QCOMPARE(w.oCal1->Day(), 7);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QCOMPARE(env->dialogs.calls().back().text,
                 QStringLiteral("2026/12/05の日記を削除しますか？"));
        QCOMPARE(testing::rawRows(journal, Days),
                 (Rows{{"2026-11-05 00:00:00"}, {"2026-12-07 00:00:00"}}));
        // The deleted day loses its mark and tool tip; the selected day, whose entry is still
        // there, keeps them.
        QVERIFY(!hasPen(w, 5));
        QCOMPARE(tipOf(w, 5), QString());
        QVERIFY(hasPen(w, 7));
        QCOMPARE(tipOf(w, 7), QStringLiteral("b"));
        const QImage afterDelete = cellImage(w, 5);
        w.oCal1->ReWrite();
        QCOMPARE(cellImage(w, 5), afterDelete);

        // WorkDate outside the shown month after a selector choice: its row goes, and the shown
        // month keeps every mark.
        addEntry(QDate(2026, 12, 5), QStringLiteral("text"), QStringLiteral("a"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("12"));
        w.Combo1[1]->setCurrentIndex(w.Combo1[1]->findText(QStringLiteral("11")));
        Q_EMIT w.Combo1[1]->activated(w.Combo1[1]->currentIndex());
        QCOMPARE(w.oCal1->Value(), QStringLiteral("2026/11/7"));
        pressAndLeave(w, 5);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
        QVERIFY(hasPen(w, 5));
        const QImage november = w.Cal1->image().copy();
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QCOMPARE(env->dialogs.calls().back().text,
                 QStringLiteral("2026/12/05の日記を削除しますか？"));
        QCOMPARE(testing::rawRows(journal, Days),
                 (Rows{{"2026-11-05 00:00:00"}, {"2026-12-07 00:00:00"}}));
        QCOMPARE(w.Cal1->image(), november);
        QCOMPARE(tipOf(w, 5), QStringLiteral("c"));
        QCOMPARE(tagOf(w, 5), QStringLiteral("on"));
    }

    void deleteFailureIsReported() {
        addEntry(QDate(2026, 12, 5), QStringLiteral("text"), QStringLiteral("a"));
        frmCal& w = showCalendar();
        clickDay(w, 5);
        const QImage marked = w.Cal1->image().copy();
        // Another tool dropped the table while the calendar showed the month.
        QVERIFY(testing::rawExecute(journal, QStringLiteral("drop table Mirel")));
        env->dialogs.answerMessage(Answer::Yes);
        env->dialogs.answerMessage(Answer::Ok);
        w.optFile[1]->trigger();
        const auto& call = env->dialogs.calls().back();
        QVERIFY2(call.text.endsWith(QStringLiteral("(3078)")), qPrintable(call.text));
        QCOMPARE(call.icon, Icon::Critical);
        QCOMPARE(call.buttons, Buttons::Ok);
        QCOMPARE(call.title, QStringLiteral("ORVANE"));
        // Nothing redrawn, the tool tip as it was.
        QCOMPARE(w.Cal1->image(), marked);
        QCOMPARE(tipOf(w, 5), QStringLiteral("a"));
    }

    void goToATypedDate() {
        frmCal& w = showCalendar();
        auto& m = app::modFunc();
        clsCal& cal = *w.oCal1;

        env->dialogs.answerInput(QStringLiteral("1998/07/15"));
        w.optOpt[1]->trigger();
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.kind, testing::ScriptedDialogs::Kind::Input);
        QCOMPARE(call.text, QStringLiteral("年月日を入力してください。"));
        QCOMPARE(call.title, QStringLiteral("年月日の指定"));
        QCOMPARE(call.defaultText, QStringLiteral("2026/12/06"));
        QCOMPARE(cal.Value(), QStringLiteral("1998/7/15"));
        QCOMPARE(m.WorkDate, QDate(1998, 7, 15));
        QCOMPARE(w.Combo1[0]->currentText(), QStringLiteral("1998"));
        QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("7"));

        // Month and day alone: today's year; shown, but WorkDate stays.
        env->dialogs.answerInput(QStringLiteral("7/15"));
        w.optOpt[1]->trigger();
        QCOMPARE(env->dialogs.calls().back().defaultText, QStringLiteral("1998/07/15"));
        QCOMPARE(cal.Value(), QStringLiteral("2026/7/15"));
        QCOMPARE(m.WorkDate, QDate(1998, 7, 15));

        // Seven characters are too short to take the working date, even as a full date.
        env->dialogs.answerInput(QStringLiteral("99/1/31"));
        w.optOpt[1]->trigger();
        QCOMPARE(cal.Value(), QStringLiteral("1999/1/31"));
        QCOMPARE(m.WorkDate, QDate(1998, 7, 15));

        // A year alone.
        env->dialogs.answerInput(QStringLiteral("2001"));
        w.optOpt[1]->trigger();
        QCOMPARE(cal.Year(), 2001);
        QCOMPARE(cal.Value(), QStringLiteral("2001/1/31"));
        QCOMPARE(m.WorkDate, QDate(1998, 7, 15));
        // A year the calendar does not take changes nothing.
        env->dialogs.answerInput(QStringLiteral("2099"));
        w.optOpt[1]->trigger();
        QCOMPARE(cal.Value(), QStringLiteral("2001/1/31"));

        // Cancelled, or no date at all.
        env->dialogs.answerInput(std::nullopt);
        env->dialogs.answerMessage(Answer::Ok);
        env->dialogs.answerInput(QStringLiteral("next week"));
        env->dialogs.answerMessage(Answer::Ok);
        w.optOpt[1]->trigger();
        w.optOpt[1]->trigger();
        const auto& calls = env->dialogs.calls();
        for (const std::size_t i : {calls.size() - 3, calls.size() - 1}) {
            QCOMPARE(calls[i].kind, testing::ScriptedDialogs::Kind::Message);
            QCOMPARE(calls[i].text, QStringLiteral("正しい日付を入力してください。"));
            QCOMPARE(calls[i].buttons, Buttons::Ok);
            QCOMPARE(calls[i].icon, Icon::None);
            QCOMPARE(calls[i].title, QStringLiteral("ORVANE"));
        }
        QCOMPARE(cal.Value(), QStringLiteral("2001/1/31"));
        QCOMPARE(m.WorkDate, QDate(1998, 7, 15));

        // A full date with the editor open switches the editor to it, saving first.
        w.optFile[0]->trigger();
        frmMirel* e = editor();
        QVERIFY(e != nullptr);
        QCOMPARE(m.WorkDate, QDate(2001, 1, 31));
        QTest::keyClicks(e->Text1[1], QStringLiteral("x"));
        env->dialogs.answerInput(QStringLiteral("2026/12/20"));
        w.optOpt[1]->trigger();
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/20 (日)"));
        QCOMPARE(m.WorkDate, QDate(2026, 12, 20));
        QCOMPARE(testing::rawRows(journal, Days), (Rows{{"2001-01-31 00:00:00"}}));
    }

    void typedDateReading() {
        const QDate today(2026, 12, 6);
        const auto read = [&](const QString& text) {
            return windows::calendar::readGoToDate(text, today);
        };

        auto r = read(QStringLiteral("1998/07/15"));
        QCOMPARE(r.kind, GoToDate::Kind::Day);
        QCOMPARE(r.day, QDate(1998, 7, 15));
        QVERIFY(r.takeWorkDate);
        r = read(QStringLiteral("98/7/15")); // 7 characters
        QCOMPARE(r.day, QDate(1998, 7, 15));
        QVERIFY(!r.takeWorkDate);
        r = read(QStringLiteral("98/07/15")); // 8 characters
        QVERIFY(r.takeWorkDate);
        r = read(QStringLiteral("7/15"));
        QCOMPARE(r.day, QDate(2026, 7, 15));
        QVERIFY(!r.takeWorkDate);

        // A number in the first four characters: blanks, sign and decimals as before, rounded
        // half to even.
        const struct {
            const char* text;
            int year;
        } years[] = {{"2001", 2001},      {" 2001", 200}, {"20011", 2001}, {"1999x", 1999},
                     {"2.50", 2},         {"3.50", 4},    {"-12", -12},    {"１９９９", 1999},
                     {"2001/13/1", 2001}, {"+7", 7},      {"0.5", 0}};
        for (const auto& y : years) {
            r = read(QString::fromUtf8(y.text));
            QVERIFY2(r.kind == GoToDate::Kind::Year, y.text);
            QVERIFY2(r.year == y.year, y.text);
        }
        for (const char* text : {"", "abc", "next", "2/30", "1.2.", "--1"}) {
            QVERIFY2(read(QString::fromUtf8(text)).kind == GoToDate::Kind::Invalid, text);
        }
    }

    void standardSizeFromMaximized() {
        frmCal& w = showCalendar();
        // Made larger by hand first, so the normal state alone would not give the size.
        w.resize(600, 450);
        w.showMaximized();
        QTRY_VERIFY(w.isMaximized());
        QCOMPARE(w.size(), QSize(600, 450));
        const int redraws = w.oCal1->fullRedrawCount();
        w.optOpt[3]->trigger();
        QCOMPARE(w.windowState(), Qt::WindowNoState);
        // 5800 x 5145 twips, the frame the desktop draws included.
        QCOMPARE(w.frameGeometry().size(), QSize(387, 343));
        const QSize frame = w.frameGeometry().size() - w.size();
        const QSize client = w.centralWidget()->size();
        QCOMPARE(client.width(), 387 - frame.width());
        // The calendar was laid out again in the new client area.
        QCOMPARE(w.Cal1->size(), QSize(client.width() - 14, client.height() - 46));
        QCOMPARE(w.oCal1->Width(), client.width() - 14);
        QVERIFY(w.oCal1->fullRedrawCount() > redraws);

        // From a minimized window too.
        w.resize(500, 400);
        w.showMinimized();
        QTRY_VERIFY(w.isMinimized());
        w.optOpt[3]->trigger();
        QVERIFY(!w.isMinimized());
        QCOMPARE(w.frameGeometry().size(), QSize(387, 343));
        QCOMPARE(w.Cal1->size(), QSize(client.width() - 14, client.height() - 46));
    }

    void helpOpensThePage() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const auto unset =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });
        frmCal& w = showCalendar();

        const QString page =
            QCoreApplication::applicationDirPath() + QStringLiteral("/MReadme.htm");
        const QString source =
            qEnvironmentVariable("ORVANE_SOURCE_DIR") + QStringLiteral("/resources/MReadme.htm");
        QVERIFY(QFile::copy(source, page));
        const auto remove = qScopeGuard([&] { QFile::remove(page); });
        w.optOpt[4]->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(page)});
        QVERIFY(env->dialogs.calls().empty());
    }

    void notebookItemIsGreyed() {
        frmCal& w = showCalendar();
        QCOMPARE(w.optOpt[0]->text(), QStringLiteral("手帳(&B)"));
        QVERIFY(!w.optOpt[0]->isEnabled());
        const int windows = QApplication::topLevelWidgets().size();
        w.optOpt[0]->trigger();
        w.optOpt_Click(0);
        QCOMPARE(QApplication::topLevelWidgets().size(), windows);
        QVERIFY(env->dialogs.calls().empty());
    }

    void updateOfADeletedEntryStoresItAgain() {
        addEntry(QDate(2026, 12, 5), QStringLiteral("old"), QStringLiteral("memo"));
        frmCal& w = showCalendar();
        clickDay(w, 5);
        w.optFile[0]->trigger();
        frmMirel* e = editor();
        QVERIFY(e != nullptr);
        QVERIFY(!e->newRec);
        QCOMPARE(e->boxText(1), QStringLiteral("old"));

        // The entry is deleted from the calendar while the editor shows it.
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QCOMPARE(testing::rawRows(journal, Days), Rows{});

        // The save finds no row to update: the entry goes in as a new one.
        QTest::keyClick(e->Text1[1], Qt::Key_End);
        QTest::keyClicks(e->Text1[1], QStringLiteral(" new"));
        e->savTxt->trigger();
        QCOMPARE(status(*e), QStringLiteral("登録しました。"));
        QCOMPARE(testing::rawRows(journal, AllColumns),
                 (Rows{{"2026-12-05 00:00:00", "old new", "memo", "", "0", "2026-12-06 00:00:00",
                        "1899-12-30 21:05:09", "PC01"}}));
        // From then on it is an ordinary update.
        env->clock.set(QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0)));
        w.Timer1_Timer(); // the calendar's title follows the clock
        QTest::keyClicks(e->Text1[1], QStringLiteral("!"));
        e->savTxt->trigger();
        QCOMPARE(status(*e), QStringLiteral("更新しました。"));
        QCOMPARE(testing::rawRows(journal, AllColumns),
                 (Rows{{"2026-12-05 00:00:00", "old new!", "memo", "", "0", "2026-12-06 00:00:00",
                        "1899-12-30 21:05:09", "PC01"}}));

        // The same through a day button: deleted again, saved again before the editor moves,
        // and the calendar marks the day again.
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QVERIFY(!hasPen(w, 5));
        e->Command1[3]->click();
        QCOMPARE(testing::rawRows(journal, QStringLiteral("select Reg_dat, Mirel_txt, Treat_dat "
                                                          "from Mirel")),
                 (Rows{{"2026-12-05 00:00:00", "old new!", "2026-12-07 00:00:00"}}));
        QCOMPARE(e->dateBox()->text(), QStringLiteral("2026/12/06 (日)"));
        QVERIFY(hasPen(w, 5));
        QCOMPARE(tipOf(w, 5), QStringLiteral("memo"));
    }
};

ORVANE_TEST_MAIN(CalendarCommandsTest)
#include "tst_calcommands.moc"
