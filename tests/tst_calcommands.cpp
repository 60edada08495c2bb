// The calendar window's commands: days handed to the editor by click and double-click, deleting
// an entry, going to a typed date, the standard size, help and the greyed notebook item.
#include "support/CalendarFixture.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/GoToDate.h"
#include "windows/editor/frmMirel.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
#include <QtTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace testing;
using platform::Answer;
using windows::findEditor;
using Kind = windows::calendar::GoToDate::Kind;

namespace {

// The pointer comes to rest over a day and clicks, or double-clicks as the desktop delivers it:
// click, double-click press, release.
void press(frmCal& w, int day, bool twice = false) {
    clsCal& cal = *w.oCal1;
    const QPoint at(cal.DayLeft(day) + cal.DayWidth() / 2, cal.DayTop(day) + cal.DayHeight() / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), w.Cal1->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.Cal1, &move);
    QTest::mouseClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    if (twice) {
        QTest::mouseDClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    }
}

} // namespace

class CalendarCommandsTest : public CalendarTest {
    Q_OBJECT
    QList<QUrl> urls;

    // The journal's entries as "yyyy-mm-dd text", in date order.
    QString rows() const {
        QStringList list;
        for (const QStringList& row : rawRows(
                 journal, u"select substr(Reg_dat,1,10)||' '||Mirel_txt from Mirel order by 1"_s))
            list << row.first();
        return list.join(u", "_s);
    }

public Q_SLOTS:
    void openUrl(const QUrl& url) { urls << url; } // the desktop's "open this file"

private Q_SLOTS:
    void daysToTheEditor() {
        addEntry(QDate(2026, 12, 8), u"八日"_s, u"八日の日記"_s);
        frmCal& w = shownCalendar();
        auto& m = app::modFunc();
        // The editor closed: a click only moves the working date; "日記を書く" opens it.
        press(w, 5);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
        QVERIFY(findEditor() == nullptr);
        w.optFile[0]->trigger();
        QPointer<frmMirel> e = findEditor();
        QVERIFY(e && !e->isModal() && e->parentWidget() == nullptr);
        QCOMPARE(e->dateBox()->text(), u"2026/12/05 (土)"_s);
        QTest::keyClicks(e->Text1[1], u"five"_s);
        // Where the working date stood when the save reported itself.
        QStringList saves;
        connect(e->StatusBar1, &QStatusBar::messageChanged, this, [&](const QString& text) {
            if (!text.isEmpty())
                saves << text + m.WorkDate.toString(u" M/d"_s);
        });

        // With the editor open a double-click is a click: the text saved under the old day
        // first, then the new day shown in the same editor, and the saved day marked.
        press(w, 8, true);
        QCOMPARE(saves, QStringList{u"登録しました。 12/5"_s});
        QCOMPARE(rows(), u"2026-12-05 five, 2026-12-08 八日の日記"_s);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 8));
        const auto all = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(all.begin(), all.end(),
                               [](QWidget* window) { return qobject_cast<frmMirel*>(window); }),
                 1);
        QCOMPARE(QStringList({e->dateBox()->text(), e->boxText(1), e->boxText(2)}),
                 (QStringList{u"2026/12/08 (火)"_s, u"八日の日記"_s, u"八日"_s}));
        QVERIFY(!e->txtChg);
        QVERIFY(hasPen(w, 5));
        // Nothing changed: nothing written.
        press(w, 9);
        QCOMPARE(saves.size(), 1);
        QCOMPARE(e->dateBox()->text(), u"2026/12/09 (水)"_s);

        // The editor closed: a double-click opens it on the day.
        e->unload();
        runDeferredDeletes();
        press(w, 24, true);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 24));
        QVERIFY(findEditor() != nullptr);
        QCOMPARE(findEditor()->dateBox()->text(), u"2026/12/24 (木)"_s);
    }

    void failedSaveKeepsTheDay() {
        frmCal& w = shownCalendar();
        auto& m = app::modFunc();
        press(w, 5);
        w.optFile[0]->trigger();
        QPointer<frmMirel> e = findEditor();
        QVERIFY(e);
        QTest::keyClicks(e->Text1[1], u"keep me"_s);
        e->picFile = QString(101, u'p'); // the picture column holds 100 characters

        // A click on another day, also after a selector took the calendar to another month: the
        // failed save says so, and the editor, WorkDate and the calendar stay on the day.
        for (const QString& month : {u"12"_s, u"11"_s}) {
            choose(w.Combo1[1], month);
            env->dialogs.answerMessage(Answer::Ok);
            press(w, 20);
            QCOMPARE(
                lastMessage(*env),
                u"Insert|Ok|None|フィールド 'Pic_txt' に入力できるのは 100 文字までです。(3163)"_s);
            QVERIFY(e && e->isVisible() && e->txtChg);
            QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
            QCOMPARE(e->dateBox()->text() + e->boxText(1), u"2026/12/05 (土)keep me"_s);
            QCOMPARE(w.oCal1->Value() + u' ' + w.Combo1[1]->currentText(), u"2026/12/5 12"_s);
        }
        // A double-click tells it once: its click has already said why.
        env->dialogs.answerMessage(Answer::Ok);
        press(w, 20, true);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 5));
        QCOMPARE(rows(), QString());
        // Mended, the click goes through.
        e->picFile.clear();
        press(w, 9);
        QCOMPARE(rows(), u"2026-12-05 keep me"_s);
        QCOMPARE(m.WorkDate, QDate(2026, 12, 9));
    }

    void deleteAnEntry() {
        addEntry(QDate(2026, 12, 5), u"散歩"_s);
        addEntry(QDate(2026, 12, 7), u"b"_s);
        addEntry(QDate(2026, 11, 5), u"c"_s);
        frmCal& w = shownCalendar();
        auto& m = app::modFunc();
        const QString question = u"ORVANE|YesNo|Exclamation|2026/12/05の日記を削除しますか？"_s;
        const QString kept = u"2026-11-05 text, 2026-12-07 text"_s;
        // The command answered, and the last message box shown.
        const auto remove = [&](Answer answer) {
            env->dialogs.answerMessage(answer);
            w.optFile[1]->trigger();
            return lastMessage(*env);
        };
        // A day without an entry: nothing asked, nothing run.
        press(w, 9);
        const quint64 before = queries();
        w.optFile[1]->trigger();
        QCOMPARE(queries(), before);
        // No keeps the row and the mark.
        press(w, 5);
        const QImage marked = w.Cal1->image();
        QCOMPARE(remove(Answer::No), question);
        QCOMPARE(w.Cal1->image(), marked);
        // Yes: the row goes, the day loses its mark and tool tip but keeps its tag, so the
        // command asks again and deletes nothing more.
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(remove(Answer::Yes), question);
            QCOMPARE(rows(), kept);
            QVERIFY(!hasPen(w, 5) && hasPen(w, 7));
            QCOMPARE(tipOf(w, 5) + tagOf(w, 5), u"on"_s);
        }
        QCOMPARE(m.MarkedMonth, 202612);

        // The 7th selected (as by a press released off the calendar), WorkDate still on the 5th:
        // the 5th's entry goes, and its mark and tool tip; the 7th keeps its own.
        addEntry(QDate(2026, 12, 5), u"a"_s);
        m.MarkedMonth = 0;
        w.PenVis();
        w.oCal1->setDay(7);
        QCOMPARE(remove(Answer::Yes), question);
        QCOMPARE(rows(), kept);
        QVERIFY(!hasPen(w, 5) && hasPen(w, 7));
        QCOMPARE(tipOf(w, 5) + u'/' + tipOf(w, 7), u"/b"_s);

        // WorkDate outside the month a selector moved to: its row goes, the month shown keeps
        // every mark.
        addEntry(QDate(2026, 12, 5), u"a"_s);
        choose(w.Combo1[1], u"11"_s);
        w.oCal1->setDay(5);
        const QImage november = w.Cal1->image();
        QCOMPARE(remove(Answer::Yes), question);
        QCOMPARE(rows(), kept);
        QCOMPARE(w.Cal1->image(), november);
        QCOMPARE(tipOf(w, 5) + tagOf(w, 5), u"con"_s);

        // A failure is reported; the cell and the tool tip stay as they were.
        choose(w.Combo1[1], u"12"_s);
        press(w, 7);
        const QImage seventh = w.Cal1->image();
        QVERIFY(rawExecute(journal, u"drop table Mirel"_s));
        env->dialogs.answerMessage(Answer::Yes);
        env->dialogs.answerMessage(Answer::Ok);
        w.optFile[1]->trigger();
        QCOMPARE(
            lastMessage(*env),
            u"ORVANE|Ok|Critical|入力テーブルまたはクエリ 'Mirel' が見つかりませんでした。(3078)"_s);
        QCOMPARE(w.Cal1->image(), seventh);
        QCOMPARE(tipOf(w, 7), u"b"_s);
    }

    void updateOfADeletedEntryStoresItAgain() {
        addEntry(QDate(2026, 12, 5), u"memo"_s, u"old"_s);
        frmCal& w = shownCalendar();
        press(w, 5);
        w.optFile[0]->trigger();
        frmMirel& e = *findEditor();
        QVERIFY(!e.newRec);
        // Deleted from the calendar while the editor shows it: the save finds no row to update
        // and stores the entry anew, and from then on it is an ordinary update.
        env->dialogs.answerMessage(Answer::Yes);
        w.optFile[1]->trigger();
        QCOMPARE(rows(), QString());
        QTest::keyClick(e.Text1[1], Qt::Key_End);
        QTest::keyClicks(e.Text1[1], u" new"_s);
        e.savTxt->trigger();
        QCOMPARE(e.StatusBar1->currentMessage(), u"登録しました。"_s);
        QCOMPARE(rawRows(journal, u"select * from Mirel"_s),
                 (QList<QStringList>{{"2026-12-05 00:00:00", "old new", "memo", "", "0",
                                      "2026-12-06 00:00:00", "1899-12-30 21:05:09", "PC01"}}));
        QTest::keyClicks(e.Text1[1], u"!"_s);
        e.savTxt->trigger();
        QCOMPARE(e.StatusBar1->currentMessage(), u"更新しました。"_s);
        QCOMPARE(rows(), u"2026-12-05 old new!"_s);
    }

    void goToATypedDate() {
        frmCal& w = shownCalendar();
        auto& m = app::modFunc();
        // The calendar's day and WorkDate after a typed answer (refused with a message).
        const auto go = [&](const std::optional<QString>& text, bool refused = false) {
            env->dialogs.answerInput(text);
            if (refused)
                env->dialogs.answerMessage(Answer::Ok);
            w.optOpt[1]->trigger();
            return w.oCal1->Value() + m.WorkDate.toString(u" yyyy/M/d"_s);
        };
        QCOMPARE(go(u"1998/07/15"_s), u"1998/7/15 1998/7/15"_s);
        const auto& call = env->dialogs.calls().back();
        QCOMPARE(call.text + u'|' + call.title + u'|' + call.defaultText,
                 u"年月日を入力してください。|年月日の指定|2026/12/06"_s);
        // Month and day alone take today's year; seven characters or fewer, even a full date,
        // and a year alone move the calendar but not WorkDate; 2099 the calendar refuses.
        QCOMPARE(go(u"7/15"_s), u"2026/7/15 1998/7/15"_s);
        QCOMPARE(env->dialogs.calls().back().defaultText, u"1998/07/15"_s);
        QCOMPARE(go(u"99/1/31"_s), u"1999/1/31 1998/7/15"_s);
        QCOMPARE(go(u"2001"_s), u"2001/1/31 1998/7/15"_s);
        QCOMPARE(go(u"2099"_s), u"2001/1/31 1998/7/15"_s);
        QCOMPARE(go(std::nullopt, true), u"2001/1/31 1998/7/15"_s);
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|正しい日付を入力してください。"_s);
        // A full date with the editor open switches the editor to it, saving first.
        w.optFile[0]->trigger();
        QTest::keyClicks(findEditor()->Text1[1], u"x"_s);
        QCOMPARE(go(u"2026/12/20"_s), u"2026/12/20 2026/12/20"_s);
        QCOMPARE(findEditor()->dateBox()->text(), u"2026/12/20 (日)"_s);
        QCOMPARE(rows(), u"2001-01-31 x"_s);

        // The reading behind it: a date ("+" when it is long enough to take WorkDate), else the
        // number the first four characters make (blanks, sign, decimals and full-width digits
        // as the old numeric test took them, rounded half to even), else nothing.
        for (const QString& row :
             {u"98/7/15>1998-07-15"_s, u"98/07/15>1998-07-15+"_s, u" 2001>200"_s, u"20011>2001"_s,
              u"2.50>2"_s, u"3.50>4"_s, u"-12>-12"_s, u"１９９９>1999"_s, u"2001/13/1>2001"_s,
              u"abc>"_s, u"2/30>"_s, u"1.2.>"_s}) {
            const auto r =
                windows::calendar::readGoToDate(row.section(u'>', 0, 0), QDate(2026, 12, 6));
            const QString read = r.kind == Kind::Day ? r.day.toString(Qt::ISODate) +
                                                           (r.takeWorkDate ? u"+"_s : QString())
                                 : r.kind == Kind::Year ? QString::number(r.year)
                                                        : QString();
            QCOMPARE(row.section(u'>', 0, 0) + u'>' + read, row);
        }
    }

    void optionsMenu() {
        frmCal& w = shownCalendar();
        // 元のｻｲｽﾞ on a window made larger by hand, then maximized: normal, 5800 x 5145 twips
        // with the frame the desktop draws, and the calendar laid out again.
        w.resize(600, 450);
        w.showMaximized();
        QTRY_VERIFY(w.isMaximized());
        const int redraws = w.oCal1->fullRedrawCount();
        w.optOpt[3]->trigger();
        QCOMPARE(w.windowState(), Qt::WindowNoState);
        QCOMPARE(w.frameGeometry().size(), QSize(387, 343));
        const QSize client = w.centralWidget()->size();
        QCOMPARE(w.Cal1->size(), QSize(client.width() - 14, client.height() - 46));
        QVERIFY(w.oCal1->fullRedrawCount() > redraws);

        // Help opens the page next to the program.
        const QString page = QCoreApplication::applicationDirPath() + u"/MReadme.htm"_s;
        QVERIFY(QFile(page).open(QIODevice::WriteOnly));
        const auto remove = qScopeGuard([&] { QFile::remove(page); });
        QDesktopServices::setUrlHandler(u"file"_s, this, "openUrl");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
        w.optOpt[4]->trigger();
        QCOMPARE(urls, QList<QUrl>{QUrl::fromLocalFile(page)});

        // The notebook item stays greyed until the notebook exists.
        QVERIFY(!w.optOpt[0]->isEnabled());
    }
};

ORVANE_TEST_MAIN(CalendarCommandsTest)
#include "tst_calcommands.moc"
