// The encrypted journal's header and pages: what opens, what is refused and why, and the wrapping
// read back with libsodium's own functions at the documented places. The desktop keyring against a
// real GNOME Keyring on a session bus of its own (started by keyring/with_keyring.sh): a key kept,
// found, replaced and forgotten, its item naming no path, and a missing bus or service told at
// once. Then the encrypted journal as the user meets it: the three commands of the options menu,
// start-up with its passphrase, backups, restores and the search of an encrypted journal, and what
// is on the disk afterwards.
#include "platform/JournalCipher.h"
#include "platform/Keyring.h"
#include "platform/Sqlite.h"
#include "store/Encryption.h"
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "store/search/SearchIndex.h"
#include "support/Testing.h"
#include "windows/book/frmExport.h"
#include "windows/crypto/frmLock.h"

#include <sodium.h>

using namespace testing;
using namespace platform::cipher;
using platform::Error;
using platform::sqlite::Connection;
using store::search::SearchService;
namespace keyring = platform::keyring;

namespace {

const QString Passphrase = u"夜の散歩 2026"_s;
const QString Marker = u"ひみつの合言葉XQ7"_s;

OpenFailure refusal(const std::variant<Opened, OpenFailure>& result) {
    return std::holds_alternative<OpenFailure>(result) ? std::get<OpenFailure>(result)
                                                       : OpenFailure(-1);
}

QByteArray keyBytes(const Key& key) {
    return QByteArray(reinterpret_cast<const char*>(key.data()), Key::Size);
}

// The header with a field changed and its checksum made right again, as a newer program or a
// forger would write it.
QByteArray withField(QByteArray header, int at, const QByteArray& value) {
    header.replace(at, value.size(), value);
    QByteArray sum(32, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(sum.data()), 32,
                       reinterpret_cast<const unsigned char*>(header.constData()), HeaderSize - 32,
                       nullptr, 0);
    return header.replace(HeaderSize - 32, 32, sum);
}

QString texts(Connection& db) {
    QStringList out;
    platform::sqlite::Statement rows(db.handle(), "select t from d order by rowid");
    while (rows.step())
        out << rows.text(0);
    return out.join(u',');
}

// Types into a command's window, ticks its box to remember the key or not and presses its button;
// true when the command was carried out.
bool runLock(frmLock::Mode mode, const QString& current, const QString& next, const QString& again,
             bool remember = false) {
    frmLock& w = windows::showLock(mode);
    if (w.txtCurrent != nullptr)
        w.txtCurrent->setText(current);
    if (w.txtNew != nullptr) {
        w.txtNew->setText(next);
        w.txtAgain->setText(again);
        w.chkRemember->setChecked(remember);
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

// Each test function runs with an empty journal open; the keyring's first, as GDBus keeps the
// session bus it connects to and the missing one must come first.
class EncryptionTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
    void missingBusOrServiceToldAtOnce() {
        if (qEnvironmentVariableIsSet("ORVANE_KEYRING_CHILD")) {
            // In a child on a bus where no service runs or can be started: the lock window's box
            // cannot be ticked, and says why.
            const frmLock& lock = windows::showLock(frmLock::Mode::Encrypt);
            QVERIFY(!lock.chkRemember->isEnabled());
            QCOMPARE(lock.chkRemember->toolTip(), u"キーリングのサービスが見つかりません。"_s);
            QVERIFY(!keyring::lookupKey(FileId{}));
            return;
        }
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvane-bus");
        QElapsedTimer clock;
        clock.start();
        const auto reason = keyring::unavailable();
        QVERIFY(reason && !reason->isEmpty());
        QVERIFY(!keyring::lookupKey(FileId{}));
        keyring::removeKey(FileId{});
        QVERIFY_THROWS_EXCEPTION(Error, keyring::storeKey(FileId{}, Key::random()));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QCOMPARE(keyring::unavailable(), std::nullopt);

        QProcess child;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"ORVANE_KEYRING_CHILD"_s, u"1"_s);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(u"dbus-run-session"_s,
                    {u"--config-file="_s + qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                         u"/tests/keyring/bus-without-services.conf"_s,
                     u"--"_s, QCoreApplication::applicationFilePath(),
                     u"missingBusOrServiceToldAtOnce"_s});
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

    // Kept through the lock window: start-up finds it, other programs see one item named by the
    // file id alone, and unticking the box forgets it.
    void journalRememberedAndForgotten() {
        putEntry(journal, u"2026-12-01"_s, u"覚えている日"_s);
        const QString first = u"最初の合言葉です"_s;
        const QCheckBox& box = *windows::showLock(frmLock::Mode::Encrypt).chkRemember;
        QVERIFY(box.isEnabled() && !box.isChecked());
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(runLock(frmLock::Mode::Encrypt, {}, first, first, true));
        const auto header = store::encryptedHeader(journal);
        QVERIFY(header && hasKeyWrapping(*header));
        // Start-up opens it with the keyring's key, asking nothing.
        writeFile(env->root() + u"/bin/kolourpaint"_s, "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env->root() + u"/bin:"_s) + qgetenv("PATH"));
        app::dbClose();
        deleteAllWindows();
        env->dialogs.reset();
        app::Main();
        QVERIFY(env->dialogs.calls().empty() && windows::findCalendar() != nullptr);
        const auto layer = app::modFunc().JournalWs->layer();
        QVERIFY(layer != nullptr);
        QCOMPARE(rawText(journal, u"select Mirel_txt from Mirel"_s, layer->name()),
                 u"覚えている日"_s);
        // Stored again under its id, the item is replaced: one, labelled, found by the id alone.
        const FileId id = layer->fileId();
        const Key key = Key::random();
        keyring::storeKey(id, key);
        QCOMPARE(keyBytes(keyring::lookupKey(id).value()), keyBytes(key));
        QVERIFY(!keyring::lookupKey(FileId{}));
        const QString hex = QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(id.data()), int(id.size())).toHex());
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels); // it prints attributes on stderr
        tool.start(u"secret-tool"_s, {u"search"_s, u"--all"_s, u"file-id"_s, hex});
        QVERIFY(tool.waitForFinished(5000));
        const QString item = QString::fromUtf8(tool.readAll());
        QVERIFY2(item.count(u"\nlabel = "_s) == 1, qPrintable(item));
        QVERIFY(item.contains(u"\nlabel = Velmora絵日記 日記の鍵 "_s + hex + u'\n'));
        QVERIFY(item.contains(u"\nschema = org.velmora.diary.JournalKey\n"_s));
        QCOMPARE(item.count(u"\nattribute."_s), 1);
        QVERIFY(item.contains(u"\nattribute.file-id = "_s + hex + u'\n'));
        QVERIFY(item.contains(u"\nsecret = "_s + QString::fromLatin1(keyBytes(key).toBase64())));

        // Unticking the box removes the wrapping and the item: start-up asks again.
        QVERIFY(windows::showLock(frmLock::Mode::Change).chkRemember->isChecked());
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(
            runLock(frmLock::Mode::Change, first, u"次の新しい合言葉"_s, u"次の新しい合言葉"_s));
        QVERIFY(!hasKeyWrapping(*store::encryptedHeader(journal)));
        QVERIFY(!keyring::lookupKey(id));
        QVERIFY(store::unlockFromKeyring(journal) == nullptr);
        keyring::removeKey(id); // forgetting it twice is no fault
        platform::releaseInstanceLock();
    }

    void headersAndPages() {
        // "é" composed and decomposed are one passphrase; a trailing blank makes another.
        const Created made = createHeader(u"caf\u00e9 の日記 "_s, 4096, QuickKdf);
        const auto opened = openHeader(made.header, u"cafe\u0301 の日記 "_s, QuickKdf);
        QVERIFY(std::holds_alternative<Opened>(opened));
        QCOMPARE(keyBytes(std::get<Opened>(opened).dataKey), keyBytes(made.dataKey));
        QCOMPARE(std::get<Opened>(opened).fileId, made.fileId);
        QCOMPARE(refusal(openHeader(made.header, u"café の日記"_s, QuickKdf)),
                 OpenFailure::WrongPassphrase);

        // The wrapping as documented, undone with libsodium alone: Argon2id of the UTF-8 with the
        // salt and cost at 40 and 56, XChaCha20-Poly1305 with the nonce at 72 over bytes 0–71.
        const auto* h = reinterpret_cast<const unsigned char*>(made.header.constData());
        const QByteArray utf8 = u"café の日記 "_s.toUtf8();
        unsigned char wrapping[32];
        QCOMPARE(crypto_pwhash(wrapping, 32, utf8.constData(), std::size_t(utf8.size()), h + 40,
                               QuickKdf.operations, QuickKdf.memory, crypto_pwhash_ALG_ARGON2ID13),
                 0);
        unsigned char data[32];
        QCOMPARE(crypto_aead_xchacha20poly1305_ietf_decrypt(data, nullptr, nullptr, h + 96, 48, h,
                                                            72, h + 72, wrapping),
                 0);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(data), 32), keyBytes(made.dataKey));

        // A new passphrase keeps the data key and the file id; the old one no longer opens it.
        const QByteArray changed =
            rewrapHeader(made.header, made.dataKey, u"新しい合言葉"_s, QuickKdf);
        QCOMPARE(changed.mid(24, 16), made.header.mid(24, 16));
        QCOMPARE(
            keyBytes(std::get<Opened>(openHeader(changed, u"新しい合言葉"_s, QuickKdf)).dataKey),
            keyBytes(made.dataKey));
        QCOMPARE(refusal(openHeader(changed, u"café の日記 "_s, QuickKdf)),
                 OpenFailure::WrongPassphrase);
        // The keyring's wrapping beside it opens with its key alone; undone with libsodium alone
        // at 144 and 168 over bytes 0–39, it outlives a new passphrase and goes without a trace.
        const Key keyringKey = Key::random();
        const QByteArray kept = addKeyWrapping(made.header, made.dataKey, keyringKey);
        QVERIFY(hasKeyWrapping(kept) && !hasKeyWrapping(made.header));
        const auto viaKeyring = openHeaderWithKey(kept, keyringKey);
        QVERIFY(viaKeyring && viaKeyring->fileId == made.fileId);
        QCOMPARE(keyBytes(viaKeyring->dataKey), keyBytes(made.dataKey));
        QVERIFY(!openHeaderWithKey(kept, Key::random()) &&
                !openHeaderWithKey(made.header, keyringKey));
        QByteArray broken = kept;
        broken[100] = char(broken[100] ^ 1); // outside the wrapping: only the checksum tells
        QVERIFY(!openHeaderWithKey(broken, keyringKey));
        const auto* k = reinterpret_cast<const unsigned char*>(kept.constData());
        QCOMPARE(crypto_aead_xchacha20poly1305_ietf_decrypt(data, nullptr, nullptr, k + 168, 48, k,
                                                            40, k + 144, keyringKey.data()),
                 0);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(data), 32), keyBytes(made.dataKey));
        const QByteArray rekept = rewrapHeader(kept, made.dataKey, u"新しい合言葉"_s, QuickKdf);
        QVERIFY(openHeaderWithKey(rekept, keyringKey));
        const QByteArray removed = removeKeyWrapping(rekept);
        QCOMPARE(removed.mid(144, 72), QByteArray(72, '\0'));
        QVERIFY(!hasKeyWrapping(removed) && !openHeaderWithKey(removed, keyringKey));
        QVERIFY(std::holds_alternative<Opened>(openHeader(removed, u"新しい合言葉"_s, QuickKdf)));
        // Two files never share a key or an id.
        const Created other = createHeader(u"café の日記 "_s, 4096, QuickKdf);
        QVERIFY(keyBytes(other.dataKey) != keyBytes(made.dataKey) && other.fileId != made.fileId);

        // Damaged, foreign, newer and forged headers are told apart.
        const QByteArray header = createHeader(u"passphrase"_s, 4096, QuickKdf).header;
        QByteArray flipped = header;
        flipped[100] = char(flipped[100] ^ 1);
        QCOMPARE(refusal(openHeader(flipped, u"passphrase"_s, QuickKdf)), OpenFailure::Damaged);
        QCOMPARE(refusal(openHeader(header.left(2000), u"passphrase"_s, QuickKdf)),
                 OpenFailure::Damaged);
        QCOMPARE(refusal(openHeader("SQLite format 3\0"_ba, u"passphrase"_s, QuickKdf)),
                 OpenFailure::NotEncrypted);
        QCOMPARE(
            refusal(openHeader(withField(header, 16, "\2\0\0\0"_ba), u"passphrase"_s, QuickKdf)),
            OpenFailure::NewerVersion);
        // A forged cost, lower than this version's or beyond four times it, with a right checksum.
        const auto cost = [&](std::uint64_t operations) {
            QByteArray field(8, '\0');
            field[0] = char(operations);
            return openHeader(withField(header, 56, field), u"passphrase"_s, QuickKdf);
        };
        QCOMPARE(refusal(cost(QuickKdf.operations - 1)), OpenFailure::Damaged);
        QCOMPARE(refusal(cost(4 * QuickKdf.operations + 1)), OpenFailure::Damaged);
        QCOMPARE(refusal(cost(4 * QuickKdf.operations)), OpenFailure::WrongPassphrase);
        // The standard cost is the one the program asks for: a quick header is refused by it.
        QCOMPARE(refusal(openHeader(header, u"passphrase"_s)), OpenFailure::Damaged);

        // Pages open only in their place: their number, their kind of file, their file.
        QByteArray plain = "日記の本文"_ba;
        plain.resize(4096, '\0');
        const auto span = [](QByteArray& page) {
            return std::span(reinterpret_cast<unsigned char*>(page.data()),
                             std::size_t(page.size()));
        };
        QByteArray page = plain;
        sealPage(made.dataKey, made.fileId, FileKind::Database, 7, span(page));
        QVERIFY(!page.contains("日記"_ba));
        QByteArray again = plain;
        sealPage(made.dataKey, made.fileId, FileKind::Database, 7, span(again));
        QVERIFY(again.left(4056) != page.left(4056)); // a fresh nonce on every write
        for (const auto& [kind, number, file] :
             {std::tuple{FileKind::Database, 8u, made.fileId},
              std::tuple{FileKind::RollbackJournal, 7u, made.fileId},
              std::tuple{FileKind::Database, 7u, other.fileId}}) {
            QByteArray moved = page;
            QVERIFY(!openPage(made.dataKey, file, kind, number, span(moved)));
        }
        QByteArray bitFlipped = page;
        bitFlipped[3000] = char(bitFlipped[3000] ^ 0x10);
        QVERIFY(!openPage(made.dataKey, made.fileId, FileKind::Database, 7, span(bitFlipped)));
        QVERIFY(openPage(made.dataKey, made.fileId, FileKind::Database, 7, span(page)));
        QCOMPARE(page.left(4056), plain.left(4056));
    }

    // A journal written through the layer: nothing of its text in its rollback journal, and a hot
    // journal rolled back. (The files a session leaves, the journal among them, are searched for
    // the text in tst_encryption.)
    void encryptedDatabase() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"journal.mdb"_s);
        const QString marker = u"秘密の日記MARKER"_s;
        {
            Created made = createHeader(u"passphrase"_s, 4096, QuickKdf);
            const platform::db::Workspace sealed(
                std::make_shared<CipherVfs>(std::move(made.dataKey), made.header));
            auto db = sealed.createDatabase(path);
            db->createTable({u"d"_s, {{u"t"_s, platform::db::FieldType::Memo}}, {}, {}});
            for (int i = 0; i < 300; ++i)
                db->execute(u"insert into d values(?)"_s,
                            {marker + QString::number(i) + QString(200, u'字')});
        }
        const QByteArray disk = readFile(path);

        // A transaction cut off with its changed pages already in the file: the copy of the
        // file and its journal opens as it was before.
        const QString crashed = dir.filePath(u"crashed.mdb"_s);
        {
            auto layer = cipherLayer(path, u"passphrase"_s);
            Connection db(path, Connection::Mode::ReadWriteCreate, layer->name());
            db.exec("pragma temp_store=memory; pragma cache_size=2; begin;"
                    "update d set t='変更後'||t");
            QVERIFY(QFile::exists(path + u"-journal"_s));
            QVERIFY(!readFile(path + u"-journal"_s).contains(marker.toUtf8()));
            QVERIFY(QFile::copy(path, crashed));
            QVERIFY(QFile::copy(path + u"-journal"_s, crashed + u"-journal"_s));
            QVERIFY(readFile(crashed) != disk); // the cache spilled changed pages
            db.exec("rollback");
        }
        {
            auto layer = cipherLayer(crashed, u"passphrase"_s);
            Connection db(crashed, Connection::Mode::ReadWriteCreate, layer->name());
            db.exec("pragma temp_store=memory");
            QVERIFY(texts(db).startsWith(marker + u"0"_s));
            QVERIFY(!texts(db).contains(u"変更後"_s));
        }
    }
    void sessionLeavesNoReadableText() {
        auto& m = app::modFunc();
        putEntry(journal, u"2026-12-01"_s, Marker + u" 一日目"_s, u"備考"_s);
        const QString plainBackup = store::backup::backupNow(*m.JournalDb, m.gPath);
        QCOMPARE(hits(Marker), 1); // a plain index on the disk
        shownCalendar();

        const frmLock& lock = windows::showLock(frmLock::Mode::Encrypt);
        // Its bar and 中止 wait hidden for a long copy.
        QVERIFY(lock.progressBar->isHidden() && lock.cmdStop->text() == u"中止"_s);
        // What is typed is checked before anything happens.
        env->dialogs.answerMessage(Answer::Ok);
        // The options menu's items from the fifth on, as the user sees them.
        const auto lastOptions = [] {
            frmCal& calendar = *windows::findCalendar();
            calendar.oOpt->aboutToShow();
            QStringList shown;
            for (const QAction* action : calendar.oOpt->actions())
                if (action->isVisible())
                    shown << action->text();
            return shown.mid(4);
        };
        QCOMPARE(lastOptions(), QStringList({u"ﾊﾞｯｸｱｯﾌﾟから復元(&R)"_s, u"日記を暗号化(&K)..."_s}));
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
        QCOMPARE(lastOptions(),
                 QStringList({u"ﾊﾞｯｸｱｯﾌﾟから復元(&R)"_s, u"パスフレーズの変更(&K)..."_s,
                              u"暗号化を解除(&U)..."_s}));

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
        restore(plainBackup);
        QCOMPARE(rawText(journal, u"select count(*) from Mirel"_s, layer->name()), u"1"_s);
        QCOMPARE(hits(Marker), 1);
        // A large build writes the index afresh into a copy that replaces it: sealed as well.
        m.JournalDb->execute(u"with recursive n(i) as (select 1 union all select i + 1 from n "
                             u"where i < 1200) insert into Mirel(Reg_dat, Mirel_txt) "
                             u"select date('1990-01-01', '+' || i || ' days'), ? from n"_s,
                             {Marker});
        SearchService::dropIndex(journal); // built anew at the next search
        QCOMPARE(hits(Marker), 1201);
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
        QCOMPARE(files(), QStringList{u"orvane.mdb"_s}); // no copy left beside it

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

// Temporary files of this process go to a folder of its own, which the test searches.
ORVANE_TEST_MAIN_AFTER(EncryptionTest, static QTemporaryDir temporary;
                       qputenv("TMPDIR", QFile::encodeName(temporary.path())))
#include "tst_encryption.moc"
