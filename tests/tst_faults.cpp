// A disk that fails: SQLite's n-th write, sync, truncation, delete or folder sync, or the n-th
// step of the program's own file work (a copy, each block it writes, a rename, its folder's sync)
// made to fail in a save, a delete, a compaction, a backup and a restore, for every n. Each ends
// complete, or with the standard message and nothing changed, and the program goes on.
#include "support/FaultVfs.h"
#include "support/Testing.h"

using namespace testing;

namespace {

// Answers Yes to questions and records every other message.
struct RecordingDialogs : ScriptedDialogs {
    QStringList messages;
    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon,
                             const QString&) override {
        if (buttons == platform::Buttons::YesNo)
            return platform::Answer::Yes;
        messages << text;
        return platform::Answer::Ok;
    }
};

// The journal holds one entry, on 2026-12-06, with the picture named.
void only(const QString& journal, const QString& text, const QString& picture = {}) {
    QVERIFY(rawExecute(journal, u"delete from Mirel; insert into Mirel(Reg_dat,Mirel_txt,Pic_txt) "
                                u"values('2026-12-06 00:00:00','%1','%2')"_s.arg(text, picture)));
}

// A picture of one and a half blocks of a copy, so that a copy can stop half written.
const QByteArray drawn(3 << 19, 'a');
const QByteArray redrawn(3 << 19, 'b');

} // namespace

class FaultTest : public CalendarTest {
    Q_OBJECT

    RecordingDialogs dialogs;

    // Runs the operation with its first, second, … disk step failing, until it needs fewer steps
    // than that: that run meets no fault and must complete. Then again with the disk failing from
    // the n-th step on. After each run the journal is sound, and either done() finds the
    // operation completed, by content, with nothing said, or the user got one message, in the
    // standard form, and kept() finds nothing changed.
    void everyFailure(const std::function<void()>& setUp, const std::function<void()>& operation,
                      const std::function<bool()>& done, const std::function<bool()>& kept) {
        platform::setDialogs(&dialogs);
        platform::setFileStepHook([](const platform::FileStep&) {
            if (faultvfs::countAndFail())
                throw platform::Error(5, u"I/O error"_s);
        });
        const auto restore = qScopeGuard([&] {
            platform::setFileStepHook({});
            platform::setDialogs(&env->dialogs);
        });
        int failed = 0;
        for (const bool stays : {false, true}) {
            for (int n = 1;; ++n) {
                faultvfs::arm(0);
                setUp();
                dialogs.messages.clear();
                faultvfs::arm(n, stays);
                try {
                    operation();
                } catch (const platform::Error& e) { // what the caller of a direct call shows
                    dialogs.messages << e.message();
                }
                const bool faultless = faultvfs::counted() < n;
                faultvfs::arm(0);
                // A disk that failed for good could not roll back: the next opener does, once it
                // works.
                if (stays)
                    QVERIFY(rawExecute(journal, u"select count(*) from sqlite_master"_s));
                const bool completed = done();
                // The step, whether the disk stayed failing, what the user was told.
                const QString at =
                    u"%1 %2: "_s.arg(n).arg(int(stays)) + dialogs.messages.join(u'|');
                QVERIFY2(rawText(journal, u"pragma integrity_check"_s) == u"ok"_s, qPrintable(at));
                // The standard form: a description and the error's number in parentheses.
                QVERIFY2(completed ? dialogs.messages.isEmpty()
                                   : !faultless && dialogs.messages.size() == 1 &&
                                         dialogs.messages.front().contains(
                                             QRegularExpression(u"\\(\\d+\\)$"_s)) &&
                                         kept(),
                         qPrintable(at));
                failed += int(!completed);
                if (faultless)
                    break;
            }
        }
        QVERIFY(failed > 0);
    }

private Q_SLOTS:
    // Before any journal opens: SQLite picks a connection's file layer when it opens.
    void initTestCase() { faultvfs::install(); }

    void saveAndDelete() {
        auto& m = app::modFunc();
        m.WorkDate = QDate(2026, 12, 6);
        frmMirel& editor = windows::showEditor();
        everyFailure(
            [&] {
                only(journal, u"前の文"_s);
                editor.iniForm();
                editor.textBox(1)->setPlainText(u"新しい文"_s);
                editor.txtChg = true;
            },
            [&] { editor.devProc(); },
            [&] { return dayText(journal, u"2026-12-06"_s) == u"新しい文"_s; },
            [&] {
                return dayText(journal, u"2026-12-06"_s) == u"前の文"_s &&
                       editor.boxText(1) == u"新しい文"_s && editor.txtChg;
            });
        editor.unload();

        frmCal& cal = shownCalendar();
        everyFailure(
            [&] {
                only(journal, u"前の文"_s);
                m.WorkDate = QDate(2026, 12, 6);
                cal.markAnew();
            },
            [&] { cal.optFile_Click(1); },
            [&] { return dayText(journal, u"2026-12-06"_s).isEmpty(); },
            [&] { return dayText(journal, u"2026-12-06"_s) == u"前の文"_s; });
    }

    void compactionBackupAndRestore() {
        auto& m = app::modFunc();
        m.WorkDate = QDate(2026, 12, 6);
        const QString picture = m.gPath + u"/261206.bmp"_s;
        const QString folder = store::backup::backupFolder(journal);
        const QString copy = env->dataDir() + u"/NewOrvane.mdb"_s;
        // Rows written and deleted leave room that the compaction gives back.
        QByteArray before;
        frmMirel& editor = windows::showEditor();
        everyFailure(
            [&] {
                only(journal, u"今の文"_s);
                QVERIFY(rawExecute(journal,
                                   u"insert into Mirel(Reg_dat,Mirel_txt) values('x',"
                                   u"zeroblob(400000)); delete from Mirel where Reg_dat='x'"_s));
                before = readFile(journal);
            },
            [&] { editor.optComp_Click(); },
            [&] {
                return m.JournalDb && QFileInfo(journal).size() * 4 < before.size() &&
                       dayText(journal, u"2026-12-06"_s) == u"今の文"_s && !QFile::exists(copy);
            },
            [&] { return m.JournalDb && readFile(journal) == before && !QFile::exists(copy); });
        editor.unload();

        everyFailure(
            [&] {
                only(journal, u"今の文"_s, picture);
                writeFile(picture, drawn);
                QDir(folder).removeRecursively();
            },
            [&] { store::backup::backupNow(*m.JournalDb, m.gPath); },
            [&] {
                const auto made = store::backup::listBackups(journal);
                const QDir stored(folder + u"/pictures"_s);
                const QStringList names = stored.entryList(QDir::Files);
                return made.size() == 1 && made.front().entries == 1 && names.size() == 1 &&
                       readFile(stored.filePath(names.front())) == drawn;
            },
            [&] {
                return !QDirIterator(folder, QDir::Files, QDirIterator::Subdirectories).hasNext();
            });

        std::optional<store::backup::BackupInfo> old;
        store::backup::RestoreResult result;
        everyFailure(
            [&] {
                only(journal, u"昔の文"_s, picture);
                writeFile(picture, drawn);
                QDir(folder).removeRecursively();
                store::backup::backupNow(*m.JournalDb, m.gPath);
                old = store::backup::listBackups(journal).front();
                env->clock.advanceMs(1000);
                only(journal, u"今の文"_s, picture);
                writeFile(picture, redrawn);
                result = {};
            },
            [&] { result = store::backup::restoreJournal(*old); },
            [&] {
                return dayText(journal, u"2026-12-06"_s) == u"昔の文"_s &&
                       (readFile(picture) == drawn ||
                        result.failedPictures == QStringList{picture});
            },
            [&] {
                return dayText(journal, u"2026-12-06"_s) == u"今の文"_s &&
                       readFile(picture) == redrawn && !QFile::exists(picture + u".part"_s) &&
                       !QFile::exists(journal + u".restoring"_s);
            });
    }
};

ORVANE_TEST_MAIN(FaultTest)
#include "tst_faults.moc"
