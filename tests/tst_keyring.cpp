// The desktop keyring against a real GNOME Keyring on a session bus of its own (started by
// keyring/with_keyring.sh): a key kept, found, replaced and forgotten, its item naming no path,
// and a missing bus or service told at once.
#include "platform/JournalCipher.h"
#include "platform/Keyring.h"
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "support/Testing.h"
#include "windows/crypto/frmLock.h"

using namespace platform;
using cipher::FileId;
using cipher::Key;

namespace {

QByteArray keyBytes(const Key& key) {
    return QByteArray(reinterpret_cast<const char*>(key.data()), Key::Size);
}

FileId fileId(unsigned char fill) {
    FileId id;
    id.fill(fill);
    return id;
}

} // namespace

class KeyringTest : public QObject {
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

    void keyKeptFoundAndForgotten() {
        const FileId id = fileId(0xa5);
        const QString hex = u"a5"_s.repeated(16);
        keyring::storeKey(id, Key::random());
        const Key key = Key::random();
        keyring::storeKey(id, key); // replaces the one before
        const auto found = keyring::lookupKey(id);
        QVERIFY(found);
        QCOMPARE(keyBytes(*found), keyBytes(key));
        QVERIFY(!keyring::lookupKey(fileId(0x5a)));

        // The item as any other program sees it: one, labelled and found by the file id alone.
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

        keyring::removeKey(id);
        QVERIFY(!keyring::lookupKey(id));
        keyring::removeKey(id);
    }

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
        const auto layer = store::unlockFromKeyring(journal);
        QVERIFY(layer != nullptr);
        QCOMPARE(testing::rawText(journal, u"select Mirel_txt from Mirel"_s, layer->name()),
                 u"覚えている日"_s);

        // Unticking the box removes the wrapping and the item: start-up asks again.
        frmLock& change = windows::showLock(frmLock::Mode::Change);
        QVERIFY(change.chkRemember->isChecked());
        QVERIFY(typeAndRun(change, false));
        QVERIFY(!cipher::hasKeyWrapping(*store::encryptedHeader(journal)));
        QVERIFY(!keyring::lookupKey(layer->fileId()));
        QVERIFY(store::unlockFromKeyring(journal) == nullptr);
        testing::deleteAllWindows();
        ORVANE_VERIFY_ENV(env);
    }
};

ORVANE_TEST_MAIN(KeyringTest)
#include "tst_keyring.moc"
