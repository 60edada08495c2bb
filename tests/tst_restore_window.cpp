// The restore window: opened from the calendar's options menu, its list of backups, the questions
// the restore command asks and when it stops.
#include "store/backup/Backups.h"
#include "support/CalendarFixture.h"
#include "support/JournalFile.h"
#include "windows/WindowLookup.h"
#include "windows/editor/frmMirel.h"
#include "windows/restore/frmRestore.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;
using platform::Answer;
using store::backup::BackupInfo;

namespace {

// The header and the rows as the list shows them, then the total.
QString listed(const frmRestore& w) {
    QStringList rows;
    for (int row = -1; row < w.backupList->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < w.backupList->columnCount(); ++column)
            cells << (row < 0 ? w.backupList->horizontalHeaderItem(column)
                              : w.backupList->item(row, column))
                         ->text();
        rows << cells.join(u'|');
    }
    return rows.join(u", "_s) + u" / "_s + w.totalLabel->text();
}

const BackupInfo fine{{}, QDateTime({2026, 12, 6}, {21, 5}), 12, QDate(2026, 12, 5), 1258291};
const BackupInfo broken{{}, QDateTime({2026, 11, 30}, {8, 0}), std::nullopt, std::nullopt, 870400};

} // namespace

class RestoreWindowTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
    void menuOpensOneWindowWithTheList() {
        frmCal& cal = shownCalendar();
        // The last item of the options menu.
        QVERIFY(cal.oOpt->actions().size() == 5 && cal.oOpt->actions().last() == cal.opRestore);
        QCOMPARE(cal.opRestore->text(), u"ﾊﾞｯｸｱｯﾌﾟから復元(&R)"_s);
        // The option handler's indexes stay: 2 has no item, 4 is still help.
        QVERIFY(cal.optOpt[2] == nullptr && cal.optOpt[4]->text() == u"ﾍﾙﾌﾟ(&H)"_s);
        cal.opRestore->trigger();
        cal.opRestore->trigger();
        QCOMPARE(std::ranges::count_if(QApplication::topLevelWidgets(),
                                       [](QWidget* x) { return qobject_cast<frmRestore*>(x); }),
                 1);
        frmRestore& w = *windows::findRestore();
        QCOMPARE(w.windowTitle(), u"バックアップから復元"_s);

        // Damaged, empty, and sizes at a unit's edge.
        const BackupInfo empty{{}, QDateTime({2025, 1, 2}, {3, 4}), 0, std::nullopt, 1048575};
        w.setBackups({fine, broken, empty}, 12897485);
        QCOMPARE(listed(w),
                 u"日時|件数|最新の日記|サイズ, 2026/12/06 21:05|12|2026/12/05 (土)|1.2 MB, "
                 "2026/11/30 08:00|破損||850 KB, 2025/01/02 03:04|0||1.0 MB / 合計 12.3 MB"_s);
    }

    void restoreAsksAndStops() {
        frmRestore& w = windows::showRestore();
        w.setBackups({fine, broken}, 0);
        // A damaged backup is refused before anything is asked.
        w.backupList->selectRow(1);
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(!w.restoreSelected());
        QCOMPARE(lastMessage(*env),
                 u"ORVANE|Ok|Critical|このバックアップは壊れているため復元できません。(26)"_s);
        // "No" and a failing save of the open editor restore nothing (the script allows no
        // message of a restore): the editor keeps its text.
        w.backupList->selectRow(0);
        frmMirel& e = windows::showEditor();
        QTest::keyClicks(e.Text1[1], u"keep"_s);
        e.picFile = QString(101, u'p'); // longer than the picture column
        for (Answer answer : {Answer::No, Answer::Yes, Answer::Ok, Answer::Yes, Answer::Ok})
            env->dialogs.answerMessage(answer);
        QVERIFY(!w.restoreSelected() && !w.restoreSelected());
        QCOMPARE(env->dialogs.calls()[1].summary(),
                 u"ORVANE|2|3|2026/12/06 21:05 のバックアップに戻しますか？"_s);
        QVERIFY(e.boxText(1) == u"keep"_s && e.txtChg);
        // A restore that fails (no such backup file) says so and lists the backups as they are.
        e.picFile.clear();
        QVERIFY(!w.restoreSelected());
        QVERIFY(lastMessage(*env).startsWith(u"ORVANE|Ok|Critical|"_s));
        QCOMPARE(w.backupList->rowCount(), int(store::backup::listBackups(journal).size()));
    }

    void restoredJournalShowsEverywhere() {
        auto& m = app::modFunc();
        QVERIFY(rawExecute(journal, u"insert into Mirel(Reg_dat,Mirel_txt,Memo_txt,Pic_txt) "
                                    u"values('2026-12-05 00:00:00','残したい日記','','')"_s));
        const QString made = store::backup::backupNow(*m.JournalDb, m.gPath);
        env->clock.advanceMs(60000);
        // Then the entry is lost by mistake and another written.
        QVERIFY(rawExecute(journal, u"delete from Mirel; insert into Mirel(Reg_dat,Mirel_txt) "
                                    u"values('2026-12-04 00:00:00','あとの日記')"_s));
        frmCal& cal = shownCalendar();
        cal.markAnew();
        frmMirel& e = windows::showEditor();
        e.textBox(1)->insertPlainText(u"書きかけ"_s);
        e.txtChg = true;

        frmRestore& w = windows::showRestore();
        QCOMPARE(w.backups().front().path, made);
        w.backupList->selectRow(0);
        env->dialogs.answerMessage(Answer::Yes);
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(w.restoreSelected());
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|復元しました。"_s);
        // The editor saved first: its text is in the backup of the state before the restore,
        // listed at once.
        QCOMPARE(w.backups().size(), std::size_t(2));
        QCOMPARE(rawRows(w.backups().front().path,
                         u"select Mirel_txt from Mirel where Reg_dat like '2026-12-06%'"_s),
                 QList<QStringList>({{u"書きかけ"_s}}));
        QCOMPARE(rawRows(journal, u"select Mirel_txt from Mirel"_s),
                 QList<QStringList>({{u"残したい日記"_s}}));
        // The editor shows the restored (empty) day and writes nothing old back on leaving it.
        QVERIFY(e.boxText(1).isEmpty() && !e.txtChg);
        e.Command1_Click(3);
        QCOMPARE(rawRows(journal, u"select count(*) from Mirel"_s), QList<QStringList>({{u"1"_s}}));
        // The calendar's marks are the restored journal's.
        QVERIFY(tagOf(cal, 4).isEmpty() && !hasPen(cal, 4));
        QVERIFY(tagOf(cal, 5) == u"on"_s && hasPen(cal, 5));
    }
};

ORVANE_TEST_MAIN(RestoreWindowTest)
#include "tst_restore_window.moc"
