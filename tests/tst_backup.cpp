// Backups of the journal and its pictures: when they are made, what is kept, faults, restoring,
// and the restore window (opened from the calendar's options menu, its list of backups, the
// questions the restore command asks and when it stops).
#include "store/backup/Generations.h"
#include "support/Testing.h"

using namespace testing;
using namespace store::backup;

namespace {

QStringList namesIn(const QString& folder, const QString& filter = u"*"_s) {
    return QDir(folder).entryList({filter}, QDir::Files, QDir::Name);
}

// 3001 entries of 900 characters each, so that a backup copies them in many steps.
void fill(const QString& journal) {
    QVERIFY(rawExecute(journal, u"with recursive n(i) as (select 0 union all select i+1 from "
                                u"n where i<3000) insert into Mirel(Reg_dat,Mirel_txt) select "
                                u"date('2000-01-01','+'||i||' days')||' 00:00:00',"
                                u"printf('%.*c',900,'x') from n"_s));
}

// Starts the start-up backup and returns once its copy waits after its first step, which it
// does until go is set or at most waitMs have passed.
bool startHeldBackup(std::atomic<bool>& go, int waitMs) {
    static std::atomic<bool> copying;
    copying = false;
    setStepHook([&go, waitMs](QStringView name) {
        if (name != u"copy step" || copying.exchange(true))
            return;
        for (int i = 0; i < waitMs && !go; ++i)
            QThread::msleep(1);
    });
    backupAfterStart(std::chrono::milliseconds(0));
    for (int i = 0; i < 10000 && !copying; ++i)
        QThread::msleep(1);
    return copying;
}

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

class BackupTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
    void startupBacksUpOnlyAChangedJournal() {
        putEntry(journal, u"2026-12-01"_s, u"初雪"_s);
        auto& m = app::modFunc();
        const QString folder = backupFolder(journal);
        QVERIFY(folder.startsWith(env->dataDir() + u"/Backup/orvane.mdb-"_s));

        backupAfterStart(std::chrono::milliseconds(0));
        QVERIFY(m.Backup);
        m.Backup->wait();
        QCOMPARE(namesIn(folder, u"*.mdb"_s), QStringList({u"orvane-20261206-210509.mdb"_s}));
        // Nothing changed: no second, identical copy.
        m.Backup.reset();
        backupAfterStart(std::chrono::milliseconds(0));
        QVERIFY(!m.Backup);
        // A change (made by any program) is backed up at the next start, under a free name.
        putEntry(journal, u"2026-12-02"_s, u"二日目"_s);
        backupAfterStart(std::chrono::milliseconds(0));
        QVERIFY(m.Backup);
        m.Backup->wait();
        QCOMPARE(namesIn(folder, u"*.mdb"_s),
                 QStringList({u"orvane-20261206-210509-2.mdb"_s, u"orvane-20261206-210509.mdb"_s}));
        const auto listed = listBackups(journal);
        QCOMPARE(listed.size(), std::size_t(2));
        QCOMPARE(listed.front().entries, std::optional<int>(2));
        QCOMPARE(listed.front().newest, std::optional<QDate>(QDate(2026, 12, 2)));
    }

    void unwritableFolderSaysSoOnce() {
        putEntry(journal, u"2026-12-01"_s, u"初雪"_s);
        // A file where the backups' folder should be stops even root.
        writeFile(env->dataDir() + u"/Backup"_s, "in the way");
        env->dialogs.answerMessage(platform::Answer::Ok);
        backupAfterStart(std::chrono::milliseconds(0));
        app::modFunc().Backup->wait();
        QCoreApplication::processEvents();
        // Once: the script holds one answer.
        QCOMPARE(
            env->dialogs.calls().front().summary(),
            u"ORVANE|0|3|バックアップを作れませんでした。バックアップのフォルダーを作れません。\n"_s +
                backupFolder(journal) + u"(75)"_s);
    }

    void generationsOverFourHundredDays() {
        // The rule alone: two backups a day for 400 days, judged on Monday 2026-12-07 12:00.
        const QDateTime now(QDate(2026, 12, 7), QTime(12, 0));
        std::vector<QDateTime> made;
        for (int d = 400; d >= 0; --d)
            for (const QTime at : {QTime(9, 0), QTime(21, 0)})
                if (QDateTime(now.date().addDays(-d), at) <= now)
                    made.emplace_back(now.date().addDays(-d), at);
        // Each kept backup made by then, as "yyMMdd-HH"; one made later that was not kept fails.
        const auto keptBefore = [&](const QDateTime& at) {
            const auto k = keptGenerations(made, at);
            QStringList names;
            for (std::size_t i = 0; i < made.size(); ++i) {
                if (made[i] > at && !k[i])
                    return u"a later one removed"_s;
                if (made[i] <= at && k[i])
                    names << made[i].toString(u"yyMMdd-HH"_s);
            }
            return names.join(u' ');
        };
        // The newest of each of 12 months before December; the Sundays of 4 weeks before this
        // one, November's end among them; 6 days before today, the last 24 hours, the 3 newest.
        QCOMPARE(keptBefore(now), u"251231-21 260131-21 260228-21 260331-21 260430-21 260531-21 "
                                  "260630-21 260731-21 260831-21 260930-21 261031-21 261115-21 "
                                  "261122-21 261129-21 261130-21 261201-21 261202-21 261203-21 "
                                  "261204-21 261205-21 261206-09 261206-21 261207-09"_s);
        // A clock set wrong: two years ahead, the 3 newest stay; a year back, every backup that
        // seems made later stays, and of those before, the 3 newest besides the usual ones.
        QCOMPARE(keptBefore(now.addYears(2)), u"261206-09 261206-21 261207-09"_s);
        QCOMPARE(keptBefore(now.addYears(-1)),
                 u"251109-21 251116-21 251123-21 251130-21 251201-21 251202-21 251203-21 "
                 "251204-21 251205-21 251206-09 251206-21 251207-09"_s);

        // The same on disk, the clock stepped day by day: old generations, their lists and the
        // pictures only they listed go; a file of another name stays.
        const QString picture = app::modFunc().gPath + u"/old.bmp"_s;
        writeFile(picture, "first picture");
        putEntry(journal, u"2025-01-01"_s, u"絵の日"_s, {}, picture);
        const QString folder = backupFolder(journal);
        writeFile(folder + u"/notes.txt"_s, "mine");
        for (int d = 400; d >= 0; --d) {
            env->clock.set(QDateTime(now.date().addDays(-d), QTime(21, 0)));
            if (d == 390)
                putEntry(journal, u"2025-01-01"_s, u"絵を外した"_s);
            backupNow(*app::modFunc().JournalDb, app::modFunc().gPath);
        }
        QCOMPARE(namesIn(folder, u"*.mdb"_s).size(), 22);
        QCOMPARE(namesIn(folder, u"*.pictures"_s).size(), 22);
        QVERIFY(namesIn(folder, u"*.part"_s).isEmpty());
        QVERIFY(namesIn(folder + u"/pictures"_s).isEmpty());
        QCOMPARE(readFile(folder + u"/notes.txt"_s), QByteArray("mine"));
    }

    void picturesStoredOncePerContent() {
        // Stored with a Windows path: found by its name in the picture folder.
        const QString picture = app::modFunc().gPath + u"/261206.bmp"_s;
        writeFile(picture, "morning");
        putEntry(journal, u"2026-12-06"_s, u"絵"_s, {}, u"C:\\絵日記\\261206.bmp"_s);
        auto& db = *app::modFunc().JournalDb;
        const QString first = backupNow(db, app::modFunc().gPath);
        env->clock.advanceMs(1000);
        backupNow(db, app::modFunc().gPath);
        const QString stored = backupFolder(journal) + u"/pictures"_s;
        QCOMPARE(namesIn(stored).size(), 1);
        // The paint program changed it: both versions are kept, each for its backup.
        writeFile(picture, "evening");
        env->clock.advanceMs(1000);
        backupNow(db, app::modFunc().gPath);
        // printf morning | sha256sum, printf evening | sha256sum
        QCOMPARE(namesIn(stored),
                 QStringList(
                     {u"c23b31a0179b550f8a18fb06bc52a26e32333540369073d646da5c84a4dc341f.bmp"_s,
                      u"e5bd0801d10e5965354604c20443ddf47fdfc375115151277a525467ad4816a3.bmp"_s}));
        QVERIFY(readFile(first.chopped(4) + u".pictures"_s).contains(picture.toUtf8()));
    }

    void saveDuringABackup() {
        fill(journal);
        auto& m = app::modFunc();
        // The copy stops after its first step until the program has saved.
        std::atomic<bool> saved = false;
        QVERIFY(startHeldBackup(saved, 10000));
        // The save is neither refused nor lost: the copy takes it in.
        QCOMPARE(m.JournalDb->execute(u"update Mirel set Mirel_txt='保存' where "
                                      u"Reg_dat>='2000-01-01' and Reg_dat<'2000-01-02'"_s),
                 qint64(1));
        saved = true;
        m.Backup->wait();
        setStepHook({});
        const auto listed = listBackups(journal);
        QCOMPARE(listed.size(), std::size_t(1));
        QCOMPARE(listed.front().entries, std::optional<int>(3001));
        QCOMPARE(dayText(listed.front().path, u"2000-01-01"_s), u"保存"_s);
    }

    void backupsLeaveEachOtherAlone() {
        auto& m = app::modFunc();
        // Yesterday's 09:00 backup, then its 21:00 one, then nothing until now: the backup made
        // before restoring the 09:00 one would prune it by the rules.
        putEntry(journal, u"2026-12-05"_s, u"朝"_s);
        env->clock.set(QDateTime(QDate(2026, 12, 5), QTime(9, 0)));
        const QString morning = backupNow(*m.JournalDb, m.gPath);
        putEntry(journal, u"2026-12-05"_s, u"夜"_s);
        env->clock.set(QDateTime(QDate(2026, 12, 5), QTime(21, 0)));
        backupNow(*m.JournalDb, m.gPath);
        env->clock.set(QDateTime(QDate(2026, 12, 6), QTime(21, 5)));
        const auto listed = listBackups(journal);
        restoreJournal(listed.back());
        QVERIFY(QFileInfo::exists(morning));

        // A compaction's backup while the start-up backup is still copying: it stops that one,
        // which says nothing, and neither removes the other's files.
        fill(journal);
        std::atomic<bool> done = false;
        startHeldBackup(done, 500);
        const QString compaction = backupNow(*m.JournalDb, m.gPath);
        done = true;
        if (m.Backup)
            m.Backup->wait();
        setStepHook({});
        QCoreApplication::processEvents();
        QCOMPARE(listBackups(journal).front().path, compaction);
        QCOMPARE(listBackups(journal).front().entries, std::optional<int>(3002));

        // A backup killed within this second left only its list: the next takes another name.
        env->clock.set(QDateTime(QDate(2026, 12, 6), QTime(22, 0)));
        writeFile(backupFolder(journal) + u"/orvane-20261206-220000.pictures.part"_s, "");
        QCOMPARE(QFileInfo(backupNow(*m.JournalDb, m.gPath)).fileName(),
                 u"orvane-20261206-220000-2.mdb"_s);
    }

    void restoreAndDamagedBackups() {
        // A picture gone since the backup comes back with the journal (restores over pictures
        // that changed: the random walk, tst_faults and tst_powercut).
        const QString picture = app::modFunc().gPath + u"/sub/p.bmp"_s;
        writeFile(picture, "drawn");
        putEntry(journal, u"2026-12-05"_s, u"消してしまう日"_s, {}, picture);
        const QString made = backupNow(*app::modFunc().JournalDb, app::modFunc().gPath);
        QVERIFY(QDir(app::modFunc().gPath + u"/sub"_s).removeRecursively());
        // Damaged backups are listed as such and refused.
        const QString broken = backupFolder(journal) + u"/orvane-20200101-000000.mdb"_s;
        QVERIFY(QFile::copy(made, broken));
        QFile::resize(broken, QFileInfo(broken).size() - 100);
        writeFile(backupFolder(journal) + u"/orvane-20200102-000000.mdb"_s, "no database");
        const auto listed = listBackups(journal);
        QCOMPARE(listed.back().path, broken);
        QVERIFY(!listed.back().entries && !listed[listed.size() - 2].entries);
        QCOMPARE(failure([&] { restoreJournal(listed.back()); }),
                 u"このバックアップは壊れているため復元できません。(26)"_s);
        QVERIFY(restoreJournal(listed.front()).missingPictures.isEmpty());
        QCOMPARE(readFile(picture), QByteArray("drawn"));
    }

    // The window from the menu, its list, the questions a restore asks and when it stops.
    void restoreWindow() {
        frmCal& cal = shownCalendar();
        // (Which encryption item the options menu shows: tst_encryption and the random walk.)
        // (One window at a time, as every window: tst_store menusOpenOneWindow.)
        cal.opRestore->trigger();
        frmRestore& w = *windows::findRestore();
        QCOMPARE(w.windowTitle(), u"バックアップから復元"_s);

        // Damaged, empty, and sizes at a unit's edge.
        const BackupInfo empty{{}, QDateTime({2025, 1, 2}, {3, 4}), 0, std::nullopt, 1048575};
        w.setBackups({fine, broken, empty}, 12897485);
        QCOMPARE(listed(w),
                 u"日時|件数|最新の日記|サイズ, 2026/12/06 21:05|12|2026/12/05 (土)|1.2 MB, "
                 "2026/11/30 08:00|破損||850 KB, 2025/01/02 03:04|0||1.0 MB / 合計 12.3 MB"_s);

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
        QCOMPARE(w.backupList->rowCount(), int(listBackups(journal).size()));
    }
};

ORVANE_TEST_MAIN(BackupTest)
#include "tst_backup.moc"
