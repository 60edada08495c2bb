// The desktop keyring against a real GNOME Keyring on a session bus of its own (started by
// keyring/with_keyring.sh): a key kept, found, replaced and forgotten, its item naming no path,
// and a missing bus or service told at once.
#include "platform/Keyring.h"
#include "support/Testing.h"

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
};

QTEST_GUILESS_MAIN(KeyringTest)
#include "tst_keyring.moc"
