// The power cut at every step of a save, a delete, a compaction, turning on encryption, a backup,
// a restore and a switch to a new journal. A child process runs the operation over the power-cut
// layer and stops dead at step k with what had not reached the disk lost or torn; the journal, the
// backups and the new journal are then opened as the program opens them: each must be whole and
// hold a state it had, with every change the program reported done.
// Then a disk that fails: the same layer makes SQLite's n-th write, sync, truncation, delete or
// folder sync, or the n-th step of the program's own file work (a copy, each block it writes, a
// rename, its folder's sync) fail in a save, a delete, a compaction, a backup and a restore, for
// every n. Each ends complete, or with the standard message and nothing changed, and the program
// goes on.
#include "store/Encryption.h"
#include "store/JournalLock.h"
#include "store/backup/BackupFiles.h"
#include "support/PowerCut.h"
#include "support/Testing.h"

using namespace testing;

namespace {

namespace cipher = platform::cipher;

// The passphrase the journal is encrypted with, and the one it is changed to.
const QString Passphrase = u"合言葉"_s;
const QString NewPassphrase = u"新しい合言葉"_s;

// The layer that opens an encrypted file with either passphrase; null for a plain one.
std::shared_ptr<cipher::CipherVfs> layerOf(const QString& path) {
    auto layer = cipherLayer(path, Passphrase);
    return layer ? layer : cipherLayer(path, NewPassphrase);
}

QString rowsOf(const QString& journal) {
    const auto layer = layerOf(journal);
    return rawText(journal, u"select * from Mirel order by Reg_dat"_s,
                   layer ? layer->name() : nullptr);
}

// Opens a journal as the program does (an encrypted one with its passphrase) and reads its rows
// (none without a table); one that does not open or is not whole fails the test.
QString opened(const QString& path, const QString& where) {
    QString verdict;
    bool table = false;
    const QString error = failure([&] {
        const platform::db::Workspace workspace(layerOf(path));
        auto db = store::openJournal(workspace, path);
        verdict =
            db->openRecordset(u"pragma integrity_check"_s).field(u"integrity_check"_s).toString();
        table = db->hasTable(u"Mirel"_s);
    });
    QTest::qVerify(error.isEmpty() && verdict == u"ok"_s, "opened",
                   qPrintable(where + error + verdict), __FILE__, __LINE__);
    return table ? rowsOf(path) : QString();
}

// The child: the operation as the program runs it, its power cut at step at. Each change the
// program reports done is said with the journal's rows then.
int child(const QStringList& args) {
    const QString& op = args.value(0);
    powercut::install();
    platform::FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(21, 30)));
    platform::setClock(&clock);
    ScriptedDialogs dialogs;
    platform::setDialogs(&dialogs);
    auto& m = app::modFunc();
    const QString data = platform::dataFolder();
    const QString journal = m.mdbPath = data + u"/orvane.mdb"_s;
    m.gPath = data + u"/Graphic"_s;
    m.TerminalName = u"PC01"_s;
    m.Kdf = QuickKdf;
    store::openAtStart(nullptr);
    m.WorkDate = QDate(2026, 12, 2);
    frmMirel* editor = op == u"delete" ? nullptr : &windows::showEditor();
    const auto write = [&](int day, const QString& text) {
        m.WorkDate = QDate(2026, 12, day);
        editor->iniForm();
        editor->textBox(1)->setPlainText(text);
        editor->txtChg = true;
    };
    const auto ack = [&] { say(u"ack\t"_s + rowsOf(journal)); };
    const auto backups = store::backup::listBackups(journal);

    powercut::arm(args.value(1).toInt(), args.value(2).toUInt());
    if (op == u"save") {
        write(4, u"四日に書いた"_s);
        if (editor->devProc())
            ack();
        write(2, u"二日を書き直した"_s);
        if (editor->devProc())
            ack();
    } else if (op == u"delete") {
        dialogs.answerMessage(platform::Answer::Yes);
        frmCal& calendar = windows::showCalendar();
        calendar.oCal1->setValue(u"2026/12/02"_s);
        calendar.markAnew();
        calendar.optFile_Click(1);
        if (dialogs.problems().isEmpty()) // asked, and no failure said
            ack();
    } else if (op == u"compact") {
        store::compactJournal(m.JournalDb, *m.JournalWs, journal,
                              store::compactionCopyPath(journal, data));
        ack();
        write(4, u"最適化の後に書いた"_s);
        if (editor->devProc())
            ack();
    } else if (op == u"encrypt" || op == u"decrypt" || op == u"rekey") {
        store::encryptJournal(m.JournalDb, m.JournalWs, journal, Passphrase, QuickKdf);
        ack();
        if (op == u"decrypt")
            store::decryptOpenJournal(Passphrase);
        if (op == u"rekey")
            store::changePassphrase(Passphrase, NewPassphrase, false);
        if (op != u"encrypt")
            ack();
    } else if (op == u"backup") {
        store::backup::backupNow(*m.JournalDb, m.gPath);
        ack();
    } else if (op == u"restore") {
        store::backup::restoreJournal(backups.front());
        ack();
    } else {
        dialogs.answerFile(data + u"/second.mdb"_s);
        dialogs.answerMessage(platform::Answer::Ok);
        write(5, u"切り替える前に書いた"_s);
        editor->optPath_Click(1);
        if (m.JournalDb->path() != journal)
            ack();
    }
    say(u"steps\t%1"_s.arg(powercut::finish()));
    return 0;
}

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

class PowerCutTest : public CalendarTest {
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
        const auto restore = qScopeGuard([&] { platform::setDialogs(&env->dialogs); });
        int failed = 0;
        for (const bool stays : {false, true}) {
            for (int n = 1;; ++n) {
                setUp();
                dialogs.messages.clear();
                powercut::failAt(n, stays);
                try {
                    operation();
                } catch (const platform::Error& e) { // what the caller of a direct call shows
                    dialogs.messages << e.message();
                }
                // finish() counts one step more than the operation made.
                const bool faultless = powercut::finish() <= n;
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
    void initTestCase() { powercut::install(); }

    void everyStepOfEveryOperation() {
        const QString data = env->dataDir();
        const QString picture = data + u"/Graphic/day.bmp"_s;
        const QByteArray then = "BM then" + QByteArray(3000, 't');
        const QByteArray now = "BM now" + QByteArray(5000, 'n');
        // A backup of an older state, with another picture, for the restore.
        writeFile(picture, then);
        QVERIFY(rawExecute(journal, u"insert into Mirel values('2026-12-01 00:00:00','一日の文',"
                                    u"'','%1',0,'2026-12-01 00:00:00','1899-12-30 10:00:00',"
                                    u"'PC01'); insert into Mirel(Reg_dat,Mirel_txt) values("
                                    u"'2026-12-02 00:00:00','二日の文')"_s.arg(picture)));
        const QString old =
            store::backup::backupNow(*app::modFunc().JournalDb, app::modFunc().gPath);
        QVERIFY(rawExecute(journal, u"update Mirel set Mirel_txt='一日を直した' where Reg_dat "
                                    u"like '2026-12-01%'; insert into Mirel(Reg_dat,Mirel_txt) "
                                    u"values('2026-12-03 00:00:00','三日の文')"_s));
        writeFile(picture, now);
        app::modFunc().JournalDb.reset();
        const QString start = rowsOf(journal);
        const QString oldRows = rowsOf(old);
        const QString world = env->root() + u"/world"_s;
        const QString folder = store::backup::backupFolder(journal);
        QCOMPARE(QProcess::execute(u"cp"_s, {u"-a"_s, data, world}), 0);

        const quint32 seed = QRandomGenerator::global()->generate();
        int cuts = 0;
        int checked = 0;
        for (const QString& op : {u"save"_s, u"delete"_s, u"compact"_s, u"encrypt"_s, u"decrypt"_s,
                                  u"rekey"_s, u"backup"_s, u"restore"_s, u"switch"_s}) {
            QStringList chain{start}; // the journal's states: before, after each change done
            int steps = 0;
            for (int at = 0; at <= steps; ++at) {
                const QString where =
                    u"%1 cut at %2 of %3, seed %4: "_s.arg(op).arg(at).arg(steps).arg(seed);
                QVERIFY(QDir(data).removeRecursively());
                QCOMPARE(QProcess::execute(u"cp"_s, {u"-a"_s, world, data}), 0);
                QProcess process;
                process.start(QCoreApplication::applicationFilePath(),
                              {u"--child"_s, op, QString::number(at), QString::number(seed + at)});
                QVERIFY(process.waitForFinished(120000));
                QVERIFY2(process.exitStatus() == QProcess::NormalExit &&
                             process.exitCode() == (at == 0 ? 0 : powercut::CutStatus),
                         qPrintable(where + QString::fromUtf8(process.readAllStandardError())));
                QStringList acks;
                for (const QString& line : saidLines(process)) {
                    if (line.startsWith(u"steps\t"_s))
                        steps = line.mid(6).toInt();
                    else
                        acks << line.mid(4);
                }
                if (at == 0) {
                    chain += acks;
                    QVERIFY2(op == u"backup" || op.endsWith(u"crypt") || op == u"rekey" ||
                                 chain.last() != start,
                             qPrintable(where));
                }
                QCOMPARE(acks, chain.mid(1, acks.size()));
                cuts += at > 0;
                const qsizetype done = acks.size();

                // Every change reported done is there.
                const QString rows = opened(journal, where);
                QVERIFY2(chain.mid(done, 2).contains(rows), qPrintable(where + rows));
                ++checked;
                // Encrypted once reported done, plain again once decrypted, under the new
                // passphrase once changed; the old state before, never neither.
                const bool sealed = cipher::looksEncrypted(readFile(journal));
                QVERIFY2(done == 0 || (op == u"decrypt" && done == 2 ? !sealed : sealed) ||
                             !(op.endsWith(u"crypt") || op == u"rekey"),
                         qPrintable(where));
                QVERIFY2(op != u"rekey" || done < 2 || cipherLayer(journal, NewPassphrase),
                         qPrintable(where));
                // A picture is put back whole and only after the journal.
                const QByteArray shown = readFile(picture);
                const bool putBack = op == u"restore" && shown == then && rows == oldRows;
                QVERIFY2((shown == now && (op != u"restore" || done == 0)) || putBack,
                         qPrintable(where));
                // A backup under its name holds what its name and list say; the one made here
                // (before a restore too) is there once the operation is done.
                const QStringList backups =
                    QDir(folder).entryList({u"orvane-*.mdb"_s}, QDir::Files);
                const bool backs = op == u"backup" || op == u"restore";
                QVERIFY2(backups.size() == 2 ? backs : backups.size() == 1 && !(backs && done),
                         qPrintable(where + backups.join(u' ')));
                for (const QString& name : backups) {
                    const QString path = folder + u'/' + name;
                    const QString held = opened(path, where + name);
                    QVERIFY2(held == (path == old ? oldRows : start), qPrintable(where + name));
                    const auto list = store::backup::readList(path.chopped(4) + u".pictures"_s);
                    QVERIFY2(list.entries == rawText(path, u"select count(*) from Mirel"_s).toInt(),
                             qPrintable(where + name));
                    for (const auto& line : list.pictures)
                        QVERIFY2(platform::fileSha256(folder + u"/pictures/"_s + line.stored) ==
                                     line.stored.section(u'.', 0, 0),
                                 qPrintable(where + line.stored));
                    ++checked;
                }
                // The new journal, once under its name, opens as an empty one.
                if (QFileInfo::exists(data + u"/second.mdb"_s)) {
                    QVERIFY2(opened(data + u"/second.mdb"_s, where).isEmpty(), qPrintable(where));
                    ++checked;
                } else {
                    QVERIFY2(op != u"switch" || done == 0, qPrintable(where));
                }
            }
        }
        std::printf("power cuts: %d, states checked: %d\n", cuts, checked);
        QVERIFY(cuts >= 100);
    }

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

int main(int argc, char** argv) {
    return testsOrChild<PowerCutTest>(argc, argv, child);
}

#include "tst_powercut.moc"
