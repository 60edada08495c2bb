// The encrypted journal as the user meets it: the three commands of the options menu, start-up
// with its passphrase, backups, restores and the search of an encrypted journal, and what is on
// the disk afterwards.
#include "platform/JournalCipher.h"
#include "store/Encryption.h"
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "store/search/SearchIndex.h"
#include "support/Testing.h"
#include "windows/book/frmExport.h"
#include "windows/crypto/frmLock.h"

using namespace testing;
using store::search::SearchService;

namespace {

const QString Passphrase = u"夜の散歩 2026"_s;
const QString Marker = u"ひみつの合言葉XQ7"_s;

// Types into a command's window and presses its button; true when the command was carried out.
bool runLock(frmLock::Mode mode, const QString& current, const QString& next,
             const QString& again) {
    frmLock& w = windows::showLock(mode);
    if (w.txtCurrent != nullptr)
        w.txtCurrent->setText(current);
    if (w.txtNew != nullptr) {
        w.txtNew->setText(next);
        w.txtAgain->setText(again);
    }
    return w.run();
}

// Searches the open journal and returns the number of hits.
int hits(const QString& query) {
    auto& service = store::search::service();
    QSignalSpy answers(&service, &SearchService::answered);
    const quint64 number = service.search(query);
    while (answers.isEmpty() || answers.back().front().toULongLong() != number)
        if (!answers.wait(20000))
            return -1;
    return answers.back().at(2).toInt();
}

// Every file under the folder that holds the text or opens as a plain SQLite file.
QStringList revealing(const QString& folder, const QString& text) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray content = readFile(it.next());
        if (content.contains(text.toUtf8()) || content.startsWith("SQLite format 3"))
            found << it.filePath();
    }
    return found;
}

} // namespace

class EncryptionTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
    void sessionLeavesNoReadableText() {
        auto& m = app::modFunc();
        putEntry(journal, u"2026-12-01"_s, Marker + u" 一日目"_s, u"備考"_s);
        const QString plainBackup = store::backup::backupNow(*m.JournalDb, m.gPath);
        QCOMPARE(hits(Marker), 1); // a plain index on the disk
        shownCalendar();

        // Without a keyring the box cannot be ticked, and says why.
        const frmLock& lock = windows::showLock(frmLock::Mode::Encrypt);
        QVERIFY(!lock.chkRemember->isEnabled() && !lock.chkRemember->toolTip().isEmpty());
        // Its bar and 中止 wait hidden for a long copy.
        QVERIFY(lock.progressBar->isHidden() && lock.cmdStop->text() == u"中止"_s);
        // What is typed is checked before anything happens.
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(!runLock(frmLock::Mode::Encrypt, {}, Passphrase, Passphrase + u"x"_s));
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(!runLock(frmLock::Mode::Encrypt, {}, u"1234567"_s, u"1234567"_s));
        QCOMPARE(env->dialogs.messageTexts(),
                 QStringList({u"パスフレーズが一致しません。"_s,
                              u"パスフレーズは8文字以上にしてください。"_s}));
        QVERIFY(!store::journalEncrypted());

        env->dialogs.answerMessage(Answer::No); // keep the plain backup for now
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(runLock(frmLock::Mode::Encrypt, {}, Passphrase, Passphrase));
        QCOMPARE(env->dialogs.messageTexts().mid(2, 1),
                 QStringList(u"暗号化していないバックアップを削除しますか？"_s));
        QVERIFY(store::journalEncrypted());
        QVERIFY(windows::showExporter(QDate(2026, 12, 1)).findChild<QLabel*>(u"plainNote"_s));
        frmCal* calendar = windows::findCalendar();
        calendar->oOpt->aboutToShow();
        QVERIFY(!calendar->findChild<QAction*>(u"opEncrypt"_s)->isVisible());
        QVERIFY(calendar->findChild<QAction*>(u"opDecrypt"_s)->isVisible());

        // Work goes on as before: a save, a search, a backup, a compaction and a restore.
        addEntry(QDate(2026, 12, 2), u"二日目の備考"_s, Marker + u" 二日目"_s);
        SearchService::entryChanged(QDate(2026, 12, 2));
        QCOMPARE(hits(Marker), 2);
        // Its index is kept on the disk, sealed, rather than made again in memory at every start.
        const QString index = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                              u'/' + store::search::indexFileName(journal);
        QVERIFY(store::encryptedHeader(index));
        QVERIFY(QFileInfo(index).size() > platform::cipher::HeaderSize);
        const QString backup = store::backup::backupNow(*m.JournalDb, m.gPath);
        store::compactJournal(m.JournalDb, *m.JournalWs, journal,
                              store::compactionCopyPath(journal, env->dataDir()));
        addEntry(QDate(2026, 12, 3), {}, u"消える日"_s);
        // The encrypted backup of two entries, then the plain one of one, which is encrypted on
        // the way back.
        const auto layer = cipherLayer(journal, Passphrase);
        QVERIFY(layer != nullptr);
        const auto restore = [&](const QString& path) {
            for (const auto& listed : store::backup::listBackups(journal))
                if (listed.path == path) {
                    QVERIFY(!store::backup::needsPassphrase(listed));
                    store::backup::restoreJournal(listed);
                }
        };
        restore(backup);
        QCOMPARE(rawText(journal, u"select count(*) from Mirel"_s, layer->name()), u"2"_s);
        QCOMPARE(cipherLayer(backup, Passphrase)->fileId(), layer->fileId());
        QCOMPARE(hits(Marker), 2);
        restore(plainBackup);
        QCOMPARE(rawText(journal, u"select count(*) from Mirel"_s, layer->name()), u"1"_s);
        QCOMPARE(hits(Marker), 1);
        store::removePlainBackups();
        QVERIFY(!QFileInfo::exists(plainBackup) && QFileInfo::exists(backup));
        m.Search.reset();

        QCOMPARE(revealing(env->root(), Marker), QStringList());
        QCOMPARE(revealing(QDir::tempPath(), Marker), QStringList());
    }

    void changeAndDecrypt() {
        auto& m = app::modFunc();
        putEntry(journal, u"2026-12-01"_s, Marker);
        shownCalendar();
        // Bits no umask makes (others may read, the group not): each copy must take them over.
        QVERIFY(QFile::setPermissions(journal,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const auto permissions = QFile::permissions(journal);
        // Stopped at each point it tells its progress (in the copy, after it, in the check),
        // encrypting and decrypting leave the journal file as it was, nothing beside it, and the
        // journal open and writable.
        QVERIFY(rawExecute(journal, u"with recursive n(i) as (select 1 union all select i + 1 "
                                    "from n where i < 600), d(t) as (select datetime('2020-01-01', "
                                    "i || ' days') from n) insert into Mirel select t, '日記', '', "
                                    "'', 0, t, '1899-12-30 10:00:00', 'PC01' from d"_s));
        const auto files = [&] {
            return QDir(env->dataDir()).entryList(QDir::Files | QDir::Hidden);
        };
        bool copyBeside = false; // a stop came while the copy was there
        for (const bool encrypt : {true, false}) {
            for (int stopAt = 1;; ++stopAt) {
                const QByteArray before = readFile(journal);
                int calls = 0;
                const store::Progress progress = [&](qint64, qint64) {
                    if (++calls < stopAt)
                        return true;
                    copyBeside = copyBeside || files().size() > 1;
                    return false;
                };
                const bool done = encrypt ? store::encryptOpenJournal(Passphrase, false, progress)
                                          : store::decryptOpenJournal(Passphrase, progress);
                QCOMPARE(done, calls < stopAt); // done only when not stopped
                if (done)
                    break;
                QCOMPARE(calls, stopAt); // it stopped at once
                QCOMPARE(readFile(journal), before);
                QCOMPARE(files(), QStringList{u"orvane.mdb"_s});
                addEntry(QDate(encrypt ? 2026 : 2025, 11, stopAt), {}, u"止めた後"_s);
            }
            QCOMPARE(store::journalEncrypted(), encrypt);
        }
        QVERIFY(copyBeside);
        store::encryptOpenJournal(Passphrase, false);
        QCOMPARE(QFile::permissions(journal), permissions);
        const QString backup = store::backup::backupNow(*m.JournalDb, m.gPath);
        const QByteArray oldHeader = *store::encryptedHeader(backup);

        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(!runLock(frmLock::Mode::Change, u"違う合言葉です"_s, u"新しい合言葉です"_s,
                         u"新しい合言葉です"_s));
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|Critical|パスフレーズが違います。(3050)"_s);
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(runLock(frmLock::Mode::Change, Passphrase, u"新しい合言葉です"_s,
                        u"新しい合言葉です"_s));
        // The journal and its backup open with the new passphrase only; the data key is kept.
        for (const QString& file : {journal, backup}) {
            QVERIFY(cipherLayer(file, u"新しい合言葉です"_s) != nullptr);
            QVERIFY(cipherLayer(file, Passphrase) == nullptr);
        }
        // A change cut off before it reached the backup is finished at the next opening.
        store::replaceHeader(backup, oldHeader);
        store::alignBackupHeaders();
        QVERIFY(cipherLayer(backup, u"新しい合言葉です"_s) != nullptr);

        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(runLock(frmLock::Mode::Decrypt, u"新しい合言葉です"_s, {}, {}));
        QVERIFY(!store::journalEncrypted());
        QCOMPARE(dayText(journal, u"2026-12-01"_s), Marker);
        QCOMPARE(QFile::permissions(journal), permissions);
        QCOMPARE(QDir(env->dataDir()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"orvane.mdb"_s}); // no copy left beside it

        // An encrypted backup restored onto the plain journal asks for its passphrase and is
        // decrypted on the way; a wrong one is asked again, cancelling changes nothing.
        frmRestore& w = windows::showRestore();
        w.backupList->selectRow(w.backupList->rowCount() - 1);
        env->dialogs.answerMessage(Answer::Yes);
        env->dialogs.answerInput(u"違う"_s);
        env->dialogs.answerMessage(Answer::Ok);
        env->dialogs.answerInput(std::nullopt);
        QVERIFY(!w.restoreSelected());
        QCOMPARE(lastMessage(*env),
                 u"バックアップを開く|Ok|Exclamation|パスフレーズが違います。"_s);
        env->dialogs.answerMessage(Answer::Yes);
        env->dialogs.answerInput(u"新しい合言葉です"_s);
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(w.restoreSelected());
        QVERIFY(!store::encryptedHeader(journal));
        QCOMPARE(dayText(journal, u"2026-12-01"_s), Marker);
    }

    void startUpAsksAndRefusesTampering() {
        auto& m = app::modFunc();
        putEntry(journal, u"2026-12-01"_s, Marker);
        for (int i = 0; i < 40; ++i)
            putEntry(journal, QDate(2020, 1, 1).addDays(i).toString(Qt::ISODate),
                     QString(2000, u'字'));
        store::encryptOpenJournal(Passphrase, false);
        writeFile(env->root() + u"/bin/kolourpaint"_s, "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env->root() + u"/bin"_s));
        const QString pristine = env->root() + u"/pristine.mdb"_s;
        QVERIFY(QFile::copy(journal, pristine));
        // Starts the program on the file with the dialogs' answers that queue() gives.
        const auto start = [&](const QByteArray& file, const std::function<void()>& queue) {
            app::dbClose();
            platform::releaseInstanceLock();
            deleteAllWindows();
            QFile::remove(journal);
            writeFile(journal, file);
            env->dialogs.reset();
            env->endings.clear();
            queue();
            app::Main();
        };
        const QByteArray sealed = readFile(pristine);

        start(sealed, [&] {
            env->dialogs.answerInput(u"違う合言葉です"_s);
            env->dialogs.answerMessage(Answer::Ok);
            env->dialogs.answerInput(Passphrase);
        });
        QCOMPARE(env->dialogs.calls().front().summary(),
                 u"日記を開く|1|0|パスフレーズを入力してください。"_s);
        QCOMPARE(env->dialogs.calls().at(1).summary(),
                 u"日記を開く|0|3|パスフレーズが違います。"_s);
        QVERIFY(m.JournalDb != nullptr && windows::findCalendar() != nullptr);
        QVERIFY(env->endings.isEmpty());

        start(sealed, [&] { env->dialogs.answerInput(std::nullopt); }); // 終了
        QCOMPARE(env->endings, QList<int>{0});
        QCOMPARE(readFile(journal), sealed); // nothing written before the passphrase

        // A changed header, a changed first page, two pages swapped: said, and nothing written.
        const qint64 page = 4096;
        const auto changed = [&](qint64 at) {
            QByteArray file = sealed;
            file[at] = char(file[at] ^ 1);
            return file;
        };
        const QString tampered = u"日記のファイルが壊れているか、改ざんされています。"_s;
        start(changed(30), [&] {
            env->dialogs.answerInput(Passphrase);
            env->dialogs.answerMessage(Answer::Ok);
        });
        QCOMPARE(lastMessage(*env), u"日記を開く|Ok|Critical|"_s + tampered);
        QCOMPARE(env->endings, QList<int>{1});
        start(changed(page + 100), [&] {
            env->dialogs.answerInput(Passphrase);
            env->dialogs.answerMessage(Answer::Ok);
        });
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|"_s + tampered);
        QCOMPARE(env->endings, QList<int>{1});
        QByteArray swapped = sealed;
        const qint64 last = sealed.size() - page;
        swapped.replace(last, page, sealed.mid(last - page, page));
        swapped.replace(last - page, page, sealed.mid(last, page));
        start(swapped, [&] { env->dialogs.answerInput(Passphrase); });
        QVERIFY(m.JournalDb != nullptr);
        QCOMPARE(failure([&] {
                     m.JournalDb->openRecordset(u"select max(length(Mirel_txt)) from Mirel"_s);
                 }),
                 tampered + u"(10)"_s);
        // The program writes nothing more to that file.
        QVERIFY(!failure([&] { addEntry(QDate(2026, 12, 9), {}, u"書けない"_s); }).isEmpty());
        QCOMPARE(readFile(journal), swapped);
    }

    void keptSampleStillOpens() {
        // Written by the first version of the format with the tests' Argon2id cost: the format
        // is read by every later version.
        const QString sample = QFINDTESTDATA("data/encrypted-v1.mdb");
        QVERIFY(!sample.isEmpty());
        const auto layer = cipherLayer(sample, u"サンプルの合言葉 2026"_s);
        QVERIFY(layer != nullptr);
        QCOMPARE(rawText(sample, u"select cast(Reg_dat as text), Mirel_txt, Memo_txt from Mirel"_s,
                         layer->name()),
                 u"2026-12-09 00:00:00|暗号化された日記の見本です。\n二行目 😀|見本"_s);
    }
};

// Temporary files of this process go to a folder of its own, which the test searches; no
// keyring answers.
ORVANE_TEST_MAIN_AFTER(EncryptionTest, static QTemporaryDir temporary;
                       qputenv("TMPDIR", QFile::encodeName(temporary.path()));
                       qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"))
#include "tst_encryption.moc"
