// Backups of the journal and its pictures: when they are made, what is kept, faults, restoring.
#include "app/modFunc.h"
#include "platform/Database.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "store/backup/Backups.h"
#include "store/backup/Generations.h"
#include "store/backup/StartupBackup.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QThread>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;
using namespace store::backup;

namespace {

void put(const QString& journal, const QString& day, const QString& text,
         const QString& picture = {}) {
    QVERIFY(rawExecute(journal, u"insert or replace into Mirel(Reg_dat,Mirel_txt,Memo_txt,Pic_txt) "
                                u"values('%1 00:00:00','%2','','%3')"_s.arg(day, text, picture)));
}

QStringList namesIn(const QString& folder, const QString& filter = u"*"_s) {
    return QDir(folder).entryList({filter}, QDir::Files, QDir::Name);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class BackupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startupBacksUpOnlyAChangedJournal() {
        TestEnv env;
        const QString journal = createJournal(env);
        put(journal, u"2026-12-01"_s, u"初雪"_s);
        auto& m = app::modFunc();
        const QString folder = backupFolder(journal);
        QVERIFY(folder.startsWith(env.dataDir() + u"/Backup/orvane.mdb-"_s));
        QCOMPARE(QFileInfo(folder).fileName().size(), u"orvane.mdb-"_s.size() + 8);

        backupAfterStart(std::chrono::milliseconds(0));
        QVERIFY(m.Backup);
        m.Backup->wait();
        QCOMPARE(namesIn(folder, u"*.mdb"_s), QStringList({u"orvane-20261206-210509.mdb"_s}));
        // Nothing changed: no second, identical copy.
        m.Backup.reset();
        backupAfterStart(std::chrono::milliseconds(0));
        QVERIFY(!m.Backup);
        // A change (made by any program) is backed up at the next start, under a free name.
        put(journal, u"2026-12-02"_s, u"二日目"_s);
        backupAfterStart(std::chrono::milliseconds(0));
        QVERIFY(m.Backup);
        m.Backup->wait();
        QCOMPARE(namesIn(folder, u"*.mdb"_s),
                 QStringList({u"orvane-20261206-210509-2.mdb"_s, u"orvane-20261206-210509.mdb"_s}));
        const auto listed = listBackups(journal);
        QCOMPARE(listed.size(), std::size_t(2));
        QCOMPARE(listed.front().entries, std::optional<int>(2));
        QCOMPARE(listed.front().newest, std::optional<QDate>(QDate(2026, 12, 2)));
        QCOMPARE(rawRows(listed.front().path, u"select Mirel_txt from Mirel order by Reg_dat"_s),
                 QList<QStringList>({{u"初雪"_s}, {u"二日目"_s}}));
        ORVANE_VERIFY_ENV(env);
    }

    void unwritableFolderSaysSoOnce() {
        TestEnv env;
        const QString journal = createJournal(env);
        put(journal, u"2026-12-01"_s, u"初雪"_s);
        // A file where the backups' folder should be stops even root.
        writeFile(env.dataDir() + u"/Backup"_s, "in the way");
        env.dialogs.answerMessage(platform::Answer::Ok);
        backupAfterStart(std::chrono::milliseconds(0));
        app::modFunc().Backup->wait();
        QCoreApplication::processEvents();
        QCOMPARE(env.dialogs.calls().size(), 1);
        const auto& call = env.dialogs.calls().front();
        QCOMPARE(call.text,
                 u"バックアップを作れませんでした。バックアップのフォルダーを作れません。\n"_s +
                     backupFolder(journal) + u"(75)"_s);
        QCOMPARE(call.icon, platform::Icon::Exclamation);
        ORVANE_VERIFY_ENV(env);
    }

    void generationsOverFourHundredDays() {
        // The rule alone: two backups a day for 400 days, judged on Monday 2026-12-07 12:00.
        const QDateTime now(QDate(2026, 12, 7), QTime(12, 0));
        std::vector<QDateTime> made;
        for (int d = 400; d >= 0; --d)
            for (const QTime at : {QTime(9, 0), QTime(21, 0)})
                if (QDateTime(now.date().addDays(-d), at) <= now)
                    made.emplace_back(now.date().addDays(-d), at);
        const auto kept = keptGenerations(made, now);
        QStringList keptNames;
        for (std::size_t i = 0; i < made.size(); ++i)
            if (kept[i])
                keptNames << made[i].toString(u"MMdd-HH"_s);
        QCOMPARE(keptNames,
                 QStringList({// the newest of each of 12 months before December
                              u"1231-21"_s, u"0131-21"_s, u"0228-21"_s, u"0331-21"_s, u"0430-21"_s,
                              u"0531-21"_s, u"0630-21"_s, u"0731-21"_s, u"0831-21"_s, u"0930-21"_s,
                              u"1031-21"_s,
                              // the Sundays of 4 weeks before this one, November's end among them
                              u"1115-21"_s, u"1122-21"_s, u"1129-21"_s, u"1130-21"_s,
                              // 6 days before today, the last 24 hours, the 3 newest
                              u"1201-21"_s, u"1202-21"_s, u"1203-21"_s, u"1204-21"_s, u"1205-21"_s,
                              u"1206-09"_s, u"1206-21"_s, u"1207-09"_s}));

        // A clock set wrong: two years ahead, the 3 newest stay; a year back, every backup that
        // seems made later stays, and of those before, the 3 newest besides the usual ones.
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
        QCOMPARE(keptBefore(now.addYears(2)), u"261206-09 261206-21 261207-09"_s);
        QCOMPARE(keptBefore(now.addYears(-1)),
                 u"251109-21 251116-21 251123-21 251130-21 251201-21 251202-21 251203-21 "
                 "251204-21 251205-21 251206-09 251206-21 251207-09"_s);

        // The same on disk, the clock stepped day by day: old generations, their lists and the
        // pictures only they listed go; a file of another name stays.
        TestEnv env;
        const QString journal = createJournal(env);
        const QString picture = app::modFunc().gPath + u"/old.bmp"_s;
        writeFile(picture, "first picture");
        put(journal, u"2025-01-01"_s, u"絵の日"_s, picture);
        const QString folder = backupFolder(journal);
        QDir().mkpath(folder);
        writeFile(folder + u"/notes.txt"_s, "mine");
        for (int d = 400; d >= 0; --d) {
            env.clock.set(QDateTime(now.date().addDays(-d), QTime(21, 0)));
            if (d == 390)
                put(journal, u"2025-01-01"_s, u"絵を外した"_s);
            backupNow(*app::modFunc().JournalDb, app::modFunc().gPath);
        }
        QCOMPARE(namesIn(folder, u"*.mdb"_s).size(), 22);
        QCOMPARE(namesIn(folder, u"*.pictures"_s).size(), 22);
        QVERIFY(namesIn(folder, u"*.part"_s).isEmpty());
        QVERIFY(namesIn(folder + u"/pictures"_s).isEmpty());
        QCOMPARE(contents(folder + u"/notes.txt"_s), QByteArray("mine"));
    }

    void picturesStoredOncePerContent() {
        TestEnv env;
        const QString journal = createJournal(env);
        // Stored with a Windows path: found by its name in the picture folder.
        const QString picture = app::modFunc().gPath + u"/261206.bmp"_s;
        writeFile(picture, "morning");
        put(journal, u"2026-12-06"_s, u"絵"_s, u"C:\\絵日記\\261206.bmp"_s);
        auto& db = *app::modFunc().JournalDb;
        const QString first = backupNow(db, app::modFunc().gPath);
        env.clock.advanceMs(1000);
        backupNow(db, app::modFunc().gPath);
        const QString stored = backupFolder(journal) + u"/pictures"_s;
        QCOMPARE(namesIn(stored).size(), 1);
        // The paint program changed it: both versions are kept, each for its backup.
        writeFile(picture, "evening");
        env.clock.advanceMs(1000);
        backupNow(db, app::modFunc().gPath);
        QCOMPARE(namesIn(stored).size(), 2);
        const QString sha = platform::fileSha256(picture);
        QVERIFY(namesIn(stored).contains(sha + u".bmp"_s));
        QVERIFY(contents(first.chopped(4) + u".pictures"_s).contains(picture.toUtf8()));
    }

    void saveDuringABackup() {
        TestEnv env;
        const QString journal = createJournal(env);
        QVERIFY(rawExecute(journal, u"with recursive n(i) as (select 0 union all select i+1 from "
                                    u"n where i<3000) insert into Mirel(Reg_dat,Mirel_txt) select "
                                    u"date('2000-01-01','+'||i||' days')||' 00:00:00',"
                                    u"printf('%.*c',900,'x') from n"_s));
        auto& m = app::modFunc();
        // The copy stops after its first step until the program has saved.
        std::atomic<bool> copying = false;
        std::atomic<bool> saved = false;
        setStepHook([&](QStringView name) {
            if (name != u"copy step" || copying.exchange(true))
                return;
            for (int i = 0; i < 10000 && !saved; ++i)
                QThread::msleep(1);
        });
        backupAfterStart(std::chrono::milliseconds(0));
        for (int i = 0; i < 10000 && !copying; ++i)
            QThread::msleep(1);
        QVERIFY(copying);
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
        QCOMPARE(rawRows(listed.front().path, u"select Mirel_txt from Mirel where Reg_dat like "
                                              u"'2000-01-01%'"_s),
                 QList<QStringList>({{u"保存"_s}}));
        ORVANE_VERIFY_ENV(env);
    }

    void backupsLeaveEachOtherAlone() {
        TestEnv env;
        const QString journal = createJournal(env);
        auto& m = app::modFunc();
        // Yesterday's 09:00 backup, then its 21:00 one, then nothing until now: the backup made
        // before restoring the 09:00 one would prune it by the rules.
        put(journal, u"2026-12-05"_s, u"朝"_s);
        env.clock.set(QDateTime(QDate(2026, 12, 5), QTime(9, 0)));
        const QString morning = backupNow(*m.JournalDb, m.gPath);
        put(journal, u"2026-12-05"_s, u"夜"_s);
        env.clock.set(QDateTime(QDate(2026, 12, 5), QTime(21, 0)));
        backupNow(*m.JournalDb, m.gPath);
        env.clock.set(QDateTime(QDate(2026, 12, 6), QTime(21, 5)));
        const auto listed = listBackups(journal);
        restoreJournal(listed.back());
        QCOMPARE(rawRows(journal, u"select Mirel_txt from Mirel"_s),
                 QList<QStringList>({{u"朝"_s}}));
        QVERIFY(QFileInfo::exists(morning));

        // A compaction's backup while the start-up backup is still copying: it stops that one,
        // which says nothing, and neither removes the other's files.
        QVERIFY(rawExecute(journal, u"with recursive n(i) as (select 0 union all select i+1 from "
                                    u"n where i<3000) insert into Mirel(Reg_dat,Mirel_txt) select "
                                    u"date('2000-01-01','+'||i||' days')||' 00:00:00',"
                                    u"printf('%.*c',900,'x') from n"_s));
        std::atomic<bool> copying = false;
        std::atomic<bool> done = false;
        setStepHook([&](QStringView name) {
            if (name != u"copy step" || copying.exchange(true))
                return;
            for (int i = 0; i < 500 && !done; ++i)
                QThread::msleep(1);
        });
        backupAfterStart(std::chrono::milliseconds(0));
        for (int i = 0; i < 10000 && !copying; ++i)
            QThread::msleep(1);
        const QString compaction = backupNow(*m.JournalDb, m.gPath);
        done = true;
        if (m.Backup)
            m.Backup->wait();
        setStepHook({});
        QCoreApplication::processEvents();
        QCOMPARE(listBackups(journal).front().path, compaction);
        QCOMPARE(listBackups(journal).front().entries, std::optional<int>(3002));
        ORVANE_VERIFY_ENV(env);
    }

    void restoreBringsBackJournalAndPictures() {
        TestEnv env;
        const QString journal = createJournal(env);
        auto& m = app::modFunc();
        const QString picture = m.gPath + u"/p.bmp"_s;
        writeFile(picture, "drawn");
        put(journal, u"2026-12-05"_s, u"消してしまう日"_s, picture);
        const QString made = backupNow(*m.JournalDb, m.gPath);
        put(journal, u"2026-12-06"_s, u"今日"_s);
        QVERIFY(rawExecute(journal, u"delete from Mirel where Reg_dat like '2026-12-05%'"_s));
        QVERIFY(QFile::remove(picture));
        env.clock.advanceMs(60000);

        // Damaged backups are listed as such and refused.
        const QString broken = backupFolder(journal) + u"/orvane-20200101-000000.mdb"_s;
        QVERIFY(QFile::copy(made, broken));
        QFile::resize(broken, QFileInfo(broken).size() - 100);
        writeFile(backupFolder(journal) + u"/orvane-20200102-000000.mdb"_s, "no database");
        auto listed = listBackups(journal);
        QCOMPARE(listed.back().path, broken);
        QVERIFY(!listed.back().entries && !listed[listed.size() - 2].entries);
        QCOMPARE(failure([&] { restoreJournal(listed.back()); }),
                 u"このバックアップは壊れているため復元できません。(26)"_s);

        // A failure between copy and rename: the journal is as it was, and open.
        setStepHook([](QStringView name) {
            if (name == u"restore rename")
                throw platform::Error(5, u"I/O error"_s);
        });
        QVERIFY(failure([&] { restoreJournal(listed.front()); }).contains(u"元のまま"_s));
        setStepHook({});
        QVERIFY(m.JournalDb);
        QCOMPARE(rawRows(journal, u"select Mirel_txt from Mirel"_s),
                 QList<QStringList>({{u"今日"_s}}));
        QVERIFY(!QFileInfo::exists(journal + u".restoring"_s));

        env.clock.advanceMs(60000);
        listed = listBackups(journal);
        const auto result = restoreJournal(*std::find_if(
            listed.begin(), listed.end(), [&](const BackupInfo& b) { return b.path == made; }));
        QVERIFY(result.missingPictures.isEmpty());
        QCOMPARE(rawRows(journal, u"select Mirel_txt from Mirel"_s),
                 QList<QStringList>({{u"消してしまう日"_s}}));
        QCOMPARE(contents(picture), QByteArray("drawn"));
    }
};

ORVANE_TEST_MAIN(BackupTest)
#include "tst_backup.moc"
