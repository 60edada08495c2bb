// A disk that fails: the n-th write, sync or rename of a save, a delete, a compaction, a backup
// and a restore made to fail, for every n. The user hears of it in the standard form, the editor
// keeps its text, the journal is whole (unchanged or completely changed) and the program goes on.
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "store/backup/Backups.h"
#include "support/CalendarFixture.h"
#include "support/FaultVfs.h"
#include "windows/WindowLookup.h"
#include "windows/editor/frmMirel.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;

namespace {

// Answers Yes to questions and records every message.
struct RecordingDialogs : platform::Dialogs {
    QStringList messages;
    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon,
                             const QString&) override {
        messages << text;
        return buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
    }
    std::optional<QString> input(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> openFile(const platform::FileRequest&) override { return std::nullopt; }
};

// The standard message form: a description and the error's number in parentheses.
bool standardForm(const QString& text) {
    static const QRegularExpression form(u"\\(\\d+\\)$"_s);
    return form.match(text).hasMatch();
}

// The journal holds one entry, on 2026-12-06.
void only(const QString& journal, const QString& text) {
    QVERIFY(rawExecute(journal, u"delete from Mirel; insert into Mirel(Reg_dat,Mirel_txt) "
                                u"values('2026-12-06 00:00:00','%1')"_s.arg(text)));
}

} // namespace

class FaultTest : public CalendarTest {
    Q_OBJECT

    RecordingDialogs dialogs;

    // Runs the operation with its first, second, … write, sync or rename failing until it needs
    // fewer than n of them; check() judges each outcome. Returns how many positions were tried.
    int everyFailure(const std::function<void()>& setUp, const std::function<void()>& operation,
                     const std::function<void(int n)>& check) {
        platform::setDialogs(&dialogs);
        platform::setFileStepHook([] {
            if (faultvfs::countAndFail())
                throw platform::Error(5, u"I/O error"_s);
        });
        int n = 1;
        for (;; ++n) {
            faultvfs::arm(0);
            dialogs.messages.clear();
            setUp();
            faultvfs::arm(n);
            operation();
            const int used = faultvfs::counted();
            faultvfs::arm(0);
            const bool sound = rawText(journal, u"pragma integrity_check"_s) == u"ok"_s;
            QTest::qVerify(sound, "integrity_check", "", __FILE__, __LINE__);
            check(n);
            if (used < n || !sound || QTest::currentTestFailed())
                break;
        }
        platform::setFileStepHook({});
        platform::setDialogs(&env->dialogs);
        return n;
    }

private Q_SLOTS:
    // Before any journal opens: SQLite picks a connection's file layer when it opens.
    void initTestCase() { faultvfs::install(); }

    void saveAndDelete() {
        auto& m = app::modFunc();
        m.WorkDate = QDate(2026, 12, 6);
        frmMirel& editor = windows::showEditor();
        const auto setUp = [&] {
            only(journal, u"前の文"_s);
            editor.iniForm();
            editor.textBox(1)->setPlainText(u"新しい文"_s);
            editor.txtChg = true;
        };
        bool saved = false;
        const int tried = everyFailure(
            setUp, [&] { saved = editor.devProc(); },
            [&](int n) {
                const QString onDisk = dayText(journal, u"2026-12-06"_s);
                if (saved) {
                    QCOMPARE(onDisk, u"新しい文"_s);
                    return;
                }
                QVERIFY2(onDisk == u"前の文"_s, qPrintable(QString::number(n)));
                QVERIFY(dialogs.messages.size() == 1 && standardForm(dialogs.messages.front()));
                QVERIFY(editor.boxText(1) == u"新しい文"_s && editor.txtChg);
            });
        QVERIFY(tried > 2);
        // A full disk: every write from the first on fails, and the save says so and keeps the
        // text for a later try.
        setUp();
        platform::setDialogs(&dialogs);
        dialogs.messages.clear();
        faultvfs::arm(1, true);
        QVERIFY(!editor.devProc());
        faultvfs::arm(0);
        platform::setDialogs(&env->dialogs);
        QVERIFY(dialogs.messages.size() == 1 && standardForm(dialogs.messages.front()));
        QVERIFY(editor.boxText(1) == u"新しい文"_s && editor.txtChg);
        QCOMPARE(dayText(journal, u"2026-12-06"_s), u"前の文"_s);
        // The program goes on: the same save now works.
        QVERIFY(editor.devProc());
        QCOMPARE(dayText(journal, u"2026-12-06"_s), u"新しい文"_s);
        editor.unload();

        frmCal& cal = shownCalendar();
        bool deleted = false;
        const int deleteTried = everyFailure(
            [&] {
                only(journal, u"前の文"_s);
                m.WorkDate = QDate(2026, 12, 6);
                cal.markAnew();
            },
            [&] { cal.optFile_Click(1); },
            [&](int) {
                deleted = dayText(journal, u"2026-12-06"_s).isEmpty();
                if (!deleted) {
                    QCOMPARE(dayText(journal, u"2026-12-06"_s), u"前の文"_s);
                    QVERIFY(dialogs.messages.size() == 2 && standardForm(dialogs.messages.back()));
                }
            });
        QVERIFY(deleted && deleteTried > 2);
    }

    void compactionBackupAndRestore() {
        auto& m = app::modFunc();
        const auto base = [&] { only(journal, u"今の文"_s); };
        m.WorkDate = QDate(2026, 12, 6);
        frmMirel& editor = windows::showEditor();
        const int compactTried = everyFailure(
            base, [&] { editor.optComp_Click(); },
            [&](int n) {
                QVERIFY2(m.JournalDb, qPrintable(QString::number(n)));
                QCOMPARE(dayText(journal, u"2026-12-06"_s), u"今の文"_s);
                QVERIFY(!QFileInfo::exists(env->dataDir() + u"/NewOrvane.mdb"_s));
                QVERIFY(dialogs.messages.isEmpty() || standardForm(dialogs.messages.front()));
            });
        editor.unload();
        QVERIFY(compactTried > 5);

        const QString folder = store::backup::backupFolder(journal);
        const int backupTried = everyFailure(
            [&] {
                base();
                QDir(folder).removeRecursively();
            },
            [&] {
                try {
                    store::backup::backupNow(*m.JournalDb, m.gPath);
                } catch (const platform::Error&) {
                }
            },
            [&](int) {
                // A backup is complete under its final name, or there is none.
                const QStringList left = QDir(folder).entryList({u"*.mdb*"_s}, QDir::Files);
                QVERIFY(left.isEmpty() ||
                        (left.size() == 1 && left.front().endsWith(u".mdb"_s) &&
                         store::backup::listBackups(journal).front().entries == 1));
            });

        QVERIFY(backupTried > 5);
        std::optional<store::backup::BackupInfo> old;
        const int restoreTried = everyFailure(
            [&] {
                only(journal, u"昔の文"_s);
                QDir(folder).removeRecursively();
                store::backup::backupNow(*m.JournalDb, m.gPath);
                old = store::backup::listBackups(journal).front();
                env->clock.advanceMs(1000);
                base();
            },
            [&] {
                try {
                    store::backup::restoreJournal(*old);
                } catch (const platform::Error&) {
                }
            },
            [&](int n) {
                QVERIFY2(m.JournalDb, qPrintable(QString::number(n)));
                const QString text = dayText(journal, u"2026-12-06"_s);
                QVERIFY2(text == u"今の文"_s || text == u"昔の文"_s, qPrintable(text));
                QVERIFY(!QFileInfo::exists(journal + u".restoring"_s));
            });
        QVERIFY(restoreTried > 5);
    }
};

ORVANE_TEST_MAIN(FaultTest)
#include "tst_faults.moc"
