// Killed at any moment, the program keeps every save it reported and a whole journal: a child
// process saves, or encrypts, changes the passphrase and decrypts, in a loop and is killed with
// SIGKILL at a random moment, again and again, on one journal. (The power-cut test stops the
// other operations at every step.)
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "support/Testing.h"

#include <signal.h>
#include <sys/stat.h>

using namespace testing;

namespace {

// In the child a message box would wait for a click nobody makes: it is printed instead.
struct PrintedDialogs : ScriptedDialogs {
    platform::Answer message(const QString& text, platform::Buttons, platform::Icon,
                             const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return platform::Answer::Ok;
    }
};

// The text the child saves as attempt k of a round.
QString savedText(int round, int k) {
    return u"第%1回の%2番目「引用」\n😀 %3"_s.arg(round).arg(k).arg(QString(k % 7 * 300, u'字'));
}

// The journal is plain (0) or encrypted under the first (1) or the second (2) of these.
const QStringList Passphrases{{}, u"最初の合言葉です"_s, u"二番目の合言葉です"_s};

// How the file opens as the program's start-up opens it, with the layer that reads it; the state
// is -1 when no passphrase opens it.
struct Opening {
    int state = 0;
    std::shared_ptr<platform::cipher::CipherVfs> layer;
};
Opening unlocked(const QString& path) {
    if (!store::encryptedHeader(path))
        return {};
    for (int state = 1; state < Passphrases.size(); ++state) {
        auto opened = store::unlockFile(path, Passphrases[state]);
        if (auto* layer = std::get_if<std::shared_ptr<platform::cipher::CipherVfs>>(&opened))
            return {state, std::move(*layer)};
    }
    return {-1, nullptr};
}

// Opens the journal as start-up does, an encrypted one with its passphrase.
Opening openAsAtStart(const QString& path) {
    auto& m = app::modFunc();
    m.Kdf = QuickKdf;
    m.mdbPath = path;
    Opening opening = unlocked(path);
    store::openAtStart(opening.layer);
    return opening;
}

// The child: opens the journal as the program does and works until it is killed.
int child(const QStringList& args) {
    const QString& what = args.value(0);
    const QString& folder = args.value(1);
    const int round = args.value(2).toInt();
    PrintedDialogs dialogs;
    platform::setDialogs(&dialogs);
    auto& m = app::modFunc();
    m.gPath = folder + u"/Graphic"_s;
    const int opened = openAsAtStart(folder + u"/orvane.mdb"_s).state;
    say(u"opened"_s);
    m.WorkDate = QDate(2026, 1, 1);
    frmMirel& editor = windows::showEditor();
    if (what == u"once") {
        editor.textBox(1)->setPlainText(u"書けるか"_s);
        editor.txtChg = true;
        return editor.devProc() ? 0 : 3;
    }
    if (what == u"save") {
        for (int k = 0;; ++k) {
            const QString day = QDate(2026, 1, 1).addDays(k % 40).toString(Qt::ISODate);
            m.WorkDate = QDate::fromString(day, Qt::ISODate);
            editor.iniForm();
            editor.textBox(1)->setPlainText(savedText(round, k));
            editor.txtChg = true;
            // From "try" to "done" the save runs; "done" carries what devProc answered.
            say(u"try\t%1\t%2"_s.arg(day).arg(k));
            const bool saved = editor.devProc();
            say(u"done\t%1\t%2\t%3"_s.arg(day).arg(k).arg(int(saved)));
        }
    }
    // Encrypts, changes the passphrase and decrypts, round and round.
    for (int state = opened;; state = (state + 1) % 3) {
        if (state == 0) {
            store::encryptOpenJournal(Passphrases[1], false);
            store::backup::backupNow(*m.JournalDb, m.gPath); // for the change to reach
        } else if (state == 1)
            store::changePassphrase(Passphrases[1], Passphrases[2], false);
        else
            store::decryptOpenJournal(Passphrases[2]);
        say(u"done"_s);
    }
}

const QString NoRow = u"(no row)"_s;

} // namespace

class KillTest : public QObject {
    Q_OBJECT

    TestEnv world; // its private folders are the children's too
    QString journal;
    int opened = 0;

    // Runs the child until a random moment, kills it and returns what it printed. A child that
    // ended in any other way (an exception, a crash of its own, an exit) or showed a message
    // returns one line that says so. The delay runs from the first time the child prints
    // startsAfter, so a busy machine that is slow to start a child or to open its windows does not
    // move the kills out of the work.
    QStringList runAndKill(const QString& what, int round, int killAfterMs,
                           const QByteArray& startsAfter = "opened\n") {
        QProcess process;
        process.start(QCoreApplication::applicationFilePath(),
                      {u"--child"_s, what, world.root(), QString::number(round)});
        while (!process.peek(process.bytesAvailable()).contains(startsAfter))
            if (!process.waitForReadyRead(60000))
                return {u"%1 round %2 never printed %3"_s.arg(what).arg(round).arg(
                    QString::fromUtf8(startsAfter.trimmed()))};
        QTest::qWait(killAfterMs);
        // A child already gone has no id left: kill(0) would hit this whole process group.
        if (process.state() == QProcess::Running)
            ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished();
        const QString err = QString::fromUtf8(process.readAllStandardError());
        if (process.exitStatus() != QProcess::CrashExit || process.exitCode() != SIGKILL ||
            err.contains(u"message: "_s))
            return {u"%1 round %2 ended by itself (%3): "_s.arg(what).arg(round).arg(
                        process.exitCode()) +
                    err};
        return saidLines(process);
    }

    // Opened as the next start opens it, which rolls back what a kill left half done, the journal
    // is whole; opened is how it opened.
    void checkWhole() {
        auto& m = app::modFunc();
        const QString error = failure([&] { opened = openAsAtStart(journal).state; });
        QVERIFY2(error.isEmpty() && opened >= 0, qPrintable(error));
        QCOMPARE(m.JournalDb->openRecordset(u"pragma integrity_check"_s)
                     .field(u"integrity_check"_s)
                     .toString(),
                 u"ok"_s);
        m.JournalDb.reset();
    }

private Q_SLOTS:
    void initTestCase() {
        QDir().mkpath(world.root() + u"/Graphic"_s);
        journal = world.root() + u"/orvane.mdb"_s;
        store::tblMake(*platform::db::Workspace().createDatabase(journal));
    }

    // A journal the user may read but not write: run as another user, as the test runs as root
    // (whom no permission stops).
    void readOnlyJournalSaysSo() {
        QTemporaryDir readOnly;
        const QString folder = readOnly.path();
        QDir().mkpath(folder + u"/Graphic"_s);
        const QString mdb = folder + u"/orvane.mdb"_s;
        store::tblMake(*platform::db::Workspace().createDatabase(mdb));
        const QByteArray before = readFile(mdb);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        ::chmod(QFile::encodeName(mdb).constData(), 0644);
        QProcess process;
        process.start(u"setpriv"_s, {u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s,
                                     u"--"_s, QCoreApplication::applicationFilePath(), u"--child"_s,
                                     u"once"_s, folder, u"0"_s});
        QVERIFY(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(out.startsWith(u"opened\n"_s), qPrintable(out + err));
        QCOMPARE(process.exitCode(), 3);
        QVERIFY2(err.contains(u"message: "_s) && err.contains(u"読み取り専用"_s), qPrintable(err));
        QCOMPARE(readFile(mdb), before);
    }

    void killedDuringSaves() {
        const quint32 seed = QRandomGenerator::global()->generate();
        std::printf("kill test seed %u\n", seed);
        QRandomGenerator random(seed);
        // What each day must hold: the last save acknowledged, or one tried after it.
        QMap<QString, QStringList> allowed;
        const int rounds = 200;
        int amid = 0;
        for (int round = 0; round < rounds; ++round) {
            const QStringList lines =
                runAndKill(u"save"_s, round, random.bounded(20, 120), "try\t");
            QVERIFY2(lines.value(0) == u"opened"_s, qPrintable(lines.value(0)));
            amid += int(lines.back().startsWith(u"try"_s));
            for (const QString& line : lines) {
                const QStringList parts = line.split(u'\t');
                const QString text =
                    parts.size() > 2 ? savedText(round, parts[2].toInt()) : QString();
                if (parts.front() == u"try") // no row yet is still possible, if the kill came first
                    allowed[parts[1]] = allowed.value(parts[1], {NoRow}) << text;
                if (parts.front() == u"done") {
                    QVERIFY2(parts[3] == u"1"_s, qPrintable(line)); // nothing stood in its way
                    allowed[parts[1]] = {text};
                }
            }
            checkWhole();
            for (auto it = allowed.begin(); it != allowed.end(); ++it) {
                const auto rows = rawRows(journal, u"select Mirel_txt from Mirel where Reg_dat "
                                                   u"like '%1%'"_s.arg(it.key()));
                const QString onDisk = rows.isEmpty() ? NoRow : rows.front().front();
                QVERIFY2(
                    rows.size() <= 1 && it.value().contains(onDisk),
                    qPrintable(u"seed %1 round %2 day %3"_s.arg(seed).arg(round).arg(it.key())));
                // From here on the text on disk is what a later save must find.
                it.value() = {onDisk};
            }
        }
        std::printf("kills amid a commit: %d of %d\n", amid, rounds);
        QVERIFY(amid >= 20);
    }

    void killedDuringEncryption() {
        const auto content = [](const QString& file) {
            const auto layer = unlocked(file).layer;
            return rawText(file, u"select Reg_dat, Mirel_txt from Mirel order by Reg_dat"_s,
                           layer ? layer->name() : nullptr);
        };
        QRandomGenerator random(7);
        int finished = 0;
        int state = 0;
        for (int round = 0; round < 20; ++round) {
            const QString before = content(journal);
            const QStringList files = QDir(world.root()).entryList(QDir::Files | QDir::Hidden);
            const QStringList lines =
                runAndKill(u"crypt"_s, round, random.bounded(10, 400),
                           // The operation is seen to complete at least once.
                           round == 19 && finished == 0 ? "done\n" : "opened\n");
            finished += int(lines.count(u"done"_s));
            QVERIFY2(lines.value(0) == u"opened"_s, qPrintable(lines.value(0)));
            checkWhole();
            const QString where = u"round %1 state %2"_s.arg(round).arg(opened);
            QVERIFY2(content(journal) == before, qPrintable(where));
            // Plain, or under the passphrase of the step the child had reached or of the next, and
            // no copy is left beside it.
            const QStringList left = QDir(world.root()).entryList(QDir::Files | QDir::Hidden);
            QVERIFY2(left == files, qPrintable(where + left.join(u' ')));
            state = (state + int(lines.count(u"done"_s))) % 3;
            QVERIFY2(opened == state || opened == (state + 1) % 3, qPrintable(where));
            state = opened;
            // Every backup opens, those of the journal's data key with its passphrase.
            const auto layer = unlocked(journal).layer;
            for (const auto& backup : store::backup::listBackups(journal)) {
                const Opening held = unlocked(backup.path);
                QVERIFY2(held.state == opened ||
                             (held.state >= 0 &&
                              !(held.layer && layer && held.layer->fileId() == layer->fileId())),
                         qPrintable(where + backup.path));
            }
        }
        QVERIFY(finished > 0 && !store::backup::listBackups(journal).empty());
    }
};

int main(int argc, char** argv) {
    return testsOrChild<KillTest>(argc, argv, child);
}

#include "tst_kill.moc"
