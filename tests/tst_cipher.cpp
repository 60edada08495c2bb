// The encrypted journal's header and pages: what opens, what is refused and why, and the wrapping
// read back with libsodium's own functions at the documented places. Then the desktop keyring
// against a real GNOME Keyring on a session bus of its own (started by keyring/with_keyring.sh): a
// key kept, found, replaced and forgotten, its item naming no path, and a missing bus or service
// told at once.
#include "platform/JournalCipher.h"
#include "platform/Keyring.h"
#include "platform/Sqlite.h"
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "support/Testing.h"
#include "windows/crypto/frmLock.h"

#include <sodium.h>

using namespace platform;
using namespace platform::cipher;

namespace {

using testing::QuickKdf;

OpenFailure failure(const std::variant<Opened, OpenFailure>& result) {
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

using platform::sqlite::Connection;

QString texts(Connection& db) {
    QStringList out;
    platform::sqlite::Statement rows(db.handle(), "select t from d order by rowid");
    while (rows.step())
        out << rows.text(0);
    return out.join(u',');
}

FileId fileId(unsigned char fill) {
    FileId id;
    id.fill(fill);
    return id;
}

} // namespace

class CipherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // First of all: GDBus keeps the session bus it connects to, so the missing one comes first.
    void missingBusOrServiceToldAtOnce() {
        if (qEnvironmentVariableIsSet("ORVANE_KEYRING_CHILD")) {
            // In a child on a bus where no service runs or can be started.
            QCOMPARE(keyring::unavailable(), u"キーリングのサービスが見つかりません。"_s);
            QVERIFY(!keyring::lookupKey(fileId(1)));
            return;
        }
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvane-bus");
        QElapsedTimer clock;
        clock.start();
        const auto reason = keyring::unavailable();
        QVERIFY(reason && !reason->isEmpty());
        QVERIFY(!keyring::lookupKey(fileId(1)));
        keyring::removeKey(fileId(1));
        QVERIFY_THROWS_EXCEPTION(Error, keyring::storeKey(fileId(1), Key::random()));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QCOMPARE(keyring::unavailable(), std::nullopt);

        QProcess child;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(u"ORVANE_KEYRING_CHILD"_s, u"1"_s);
        child.setProcessEnvironment(env);
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
        testing::TestEnv env;
        const QString journal = testing::createJournal(env);
        testing::putEntry(journal, u"2026-12-01"_s, u"覚えている日"_s);
        const auto typeAndRun = [&](frmLock& w, bool remember) {
            for (QLineEdit* box : {w.txtCurrent, w.txtNew, w.txtAgain})
                if (box != nullptr)
                    box->setText(box == w.txtCurrent ? u"最初の合言葉です"_s
                                                     : u"次の新しい合言葉"_s);
            if (w.mode() == frmLock::Mode::Encrypt)
                w.txtNew->setText(u"最初の合言葉です"_s), w.txtAgain->setText(w.txtNew->text());
            w.chkRemember->setChecked(remember);
            env.dialogs.answerMessage(Answer::Ok);
            return w.run();
        };
        frmLock& encrypt = windows::showLock(frmLock::Mode::Encrypt);
        QVERIFY(encrypt.chkRemember->isEnabled() && !encrypt.chkRemember->isChecked());
        QVERIFY(typeAndRun(encrypt, true));
        const auto header = store::encryptedHeader(journal);
        QVERIFY(header && cipher::hasKeyWrapping(*header));
        // Start-up opens it with the keyring's key, asking nothing.
        testing::writeFile(env.root() + u"/bin/kolourpaint"_s, "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env.root() + u"/bin:"_s) + qgetenv("PATH"));
        app::dbClose();
        testing::deleteAllWindows();
        env.dialogs.reset();
        app::Main();
        QVERIFY(env.dialogs.calls().empty() && windows::findCalendar() != nullptr);
        const auto layer = app::modFunc().JournalWs->layer();
        QVERIFY(layer != nullptr);
        QCOMPARE(testing::rawText(journal, u"select Mirel_txt from Mirel"_s, layer->name()),
                 u"覚えている日"_s);
        // Stored again under its id, the item is replaced: one, labelled, found by the id alone.
        const FileId id = layer->fileId();
        const Key key = Key::random();
        keyring::storeKey(id, key);
        QCOMPARE(keyBytes(keyring::lookupKey(id).value()), keyBytes(key));
        QVERIFY(!keyring::lookupKey(fileId(0x5a)));
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
        frmLock& change = windows::showLock(frmLock::Mode::Change);
        QVERIFY(change.chkRemember->isChecked());
        QVERIFY(typeAndRun(change, false));
        QVERIFY(!cipher::hasKeyWrapping(*store::encryptedHeader(journal)));
        QVERIFY(!keyring::lookupKey(id));
        QVERIFY(store::unlockFromKeyring(journal) == nullptr);
        keyring::removeKey(id); // forgetting it twice is no fault
        testing::deleteAllWindows();
        platform::releaseInstanceLock();
        ORVANE_VERIFY_ENV(env);
    }

    void headersAndPages() {
        // "é" composed and decomposed are one passphrase; a trailing blank makes another.
        const Created made = createHeader(u"caf\u00e9 の日記 "_s, 4096, QuickKdf);
        QVERIFY(looksEncrypted(made.header));
        QVERIFY(!looksEncrypted("SQLite format 3\0"_ba));
        const auto opened = openHeader(made.header, u"cafe\u0301 の日記 "_s, QuickKdf);
        QVERIFY(std::holds_alternative<Opened>(opened));
        QCOMPARE(keyBytes(std::get<Opened>(opened).dataKey), keyBytes(made.dataKey));
        QCOMPARE(std::get<Opened>(opened).fileId, made.fileId);
        QCOMPARE(std::get<Opened>(opened).pageSize, 4096u);
        QCOMPARE(failure(openHeader(made.header, u"café の日記"_s, QuickKdf)),
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
        QCOMPARE(failure(openHeader(changed, u"café の日記 "_s, QuickKdf)),
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
        QCOMPARE(failure(openHeader(flipped, u"passphrase"_s, QuickKdf)), OpenFailure::Damaged);
        QCOMPARE(failure(openHeader(header.left(2000), u"passphrase"_s, QuickKdf)),
                 OpenFailure::Damaged);
        QCOMPARE(failure(openHeader("SQLite format 3\0"_ba, u"passphrase"_s, QuickKdf)),
                 OpenFailure::NotEncrypted);
        QCOMPARE(
            failure(openHeader(withField(header, 16, "\2\0\0\0"_ba), u"passphrase"_s, QuickKdf)),
            OpenFailure::NewerVersion);
        // A forged cost, lower than this version's or beyond four times it, with a right checksum.
        const auto cost = [&](std::uint64_t operations) {
            QByteArray field(8, '\0');
            field[0] = char(operations);
            return openHeader(withField(header, 56, field), u"passphrase"_s, QuickKdf);
        };
        QCOMPARE(failure(cost(QuickKdf.operations - 1)), OpenFailure::Damaged);
        QCOMPARE(failure(cost(4 * QuickKdf.operations + 1)), OpenFailure::Damaged);
        QCOMPARE(failure(cost(4 * QuickKdf.operations)), OpenFailure::WrongPassphrase);
        // The standard cost is the one the program asks for: a quick header is refused by it.
        QCOMPARE(failure(openHeader(header, u"passphrase"_s)), OpenFailure::Damaged);

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
        const QByteArray disk = testing::readFile(path);

        // A transaction cut off with its changed pages already in the file: the copy of the
        // file and its journal opens as it was before.
        const QString crashed = dir.filePath(u"crashed.mdb"_s);
        {
            auto layer = testing::cipherLayer(path, u"passphrase"_s);
            Connection db(path, Connection::Mode::ReadWriteCreate, layer->name());
            db.exec("pragma temp_store=memory; pragma cache_size=2; begin;"
                    "update d set t='変更後'||t");
            QVERIFY(QFile::exists(path + u"-journal"_s));
            QVERIFY(!testing::readFile(path + u"-journal"_s).contains(marker.toUtf8()));
            QVERIFY(QFile::copy(path, crashed));
            QVERIFY(QFile::copy(path + u"-journal"_s, crashed + u"-journal"_s));
            QVERIFY(testing::readFile(crashed) != disk); // the cache spilled changed pages
            db.exec("rollback");
        }
        {
            auto layer = testing::cipherLayer(crashed, u"passphrase"_s);
            Connection db(crashed, Connection::Mode::ReadWriteCreate, layer->name());
            db.exec("pragma temp_store=memory");
            QVERIFY(texts(db).startsWith(marker + u"0"_s));
            QVERIFY(!texts(db).contains(u"変更後"_s));
        }
    }
};

ORVANE_TEST_MAIN(CipherTest)
#include "tst_cipher.moc"
