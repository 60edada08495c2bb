#include "bench/EncryptionBench.h"
#include "bench/ProcessProbe.h"

#include "platform/Database.h"
#include "platform/Error.h"
#include "platform/JournalCipher.h"
#include "platform/Keyring.h"
#include "store/Encryption.h"
#include "store/Journal.h"
#include "store/Unlock.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

std::shared_ptr<const platform::cipher::CipherVfs> encryptInPlace(const QString& path,
                                                                  bool remember) {
    auto workspace = std::make_unique<platform::db::Workspace>();
    auto db = store::openJournal(*workspace, path);
    store::encryptJournal(db, workspace, path, QString::fromUtf8(Passphrase),
                          platform::cipher::standardCost(),
                          remember ? &platform::keyring::storeKey : nullptr);
    return workspace->layer();
}

KeyringDaemon::KeyringDaemon(const QStringList& desktopEnvironment) {
    // This process asks the keyring too, on the same bus.
    for (const QString& entry : desktopEnvironment)
        if (entry.startsWith(QStringLiteral("DBUS_SESSION_BUS_ADDRESS=")))
            qputenv("DBUS_SESSION_BUS_ADDRESS", entry.section(QLatin1Char('='), 1).toUtf8());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : desktopEnvironment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    const QString home = home_.path();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    daemon_.setProcessEnvironment(env);
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setStandardErrorFile(QProcess::nullDevice());
    // With an empty password the daemon makes no login keyring and would ask through a prompt
    // that cannot show.
    daemon_.start(QStringLiteral("gnome-keyring-daemon"),
                  {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                   QStringLiteral("--components=secrets")});
    if (!daemon_.waitForStarted(5000)) {
        problem_ = QStringLiteral("gnome-keyring-daemon cannot be started (%1)")
                       .arg(daemon_.errorString());
        return;
    }
    daemon_.write("throwaway");
    daemon_.waitForBytesWritten(5000);
    daemon_.closeWriteChannel();
    // It answers once it has registered on the bus.
    problem_ = platform::keyring::unavailable();
    for (int i = 0; problem_ && i < 50; ++i) {
        QThread::msleep(100);
        problem_ = platform::keyring::unavailable();
    }
}

KeyringDaemon::~KeyringDaemon() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
}

std::optional<double> measureKeyDerivation(const QString& journal) {
    const auto figures = childFigures({QStringLiteral("--key-derivation"), journal});
    const auto found = figures.find(QStringLiteral("key_derivation_s"));
    return found == figures.end() ? std::nullopt : std::optional(found->second);
}

int runKeyDerivation(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const auto header = store::encryptedHeader(QString::fromLocal8Bit(argv[argc - 1]));
    if (!header)
        return 1;
    QElapsedTimer timer;
    timer.start();
    const auto opened = platform::cipher::openHeader(*header, QString::fromUtf8(Passphrase));
    if (!std::holds_alternative<platform::cipher::Opened>(opened))
        return 1;
    std::printf("key_derivation_s %.4f\n", static_cast<double>(timer.nsecsElapsed()) / 1e9);
    return 0;
}

std::map<QString, double> measureKeyringLookup(const QStringList& desktopEnvironment) {
    const QString id = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(platform::cipher::Key::random().data()), 16)
            .toHex());
    if (childFigures({QStringLiteral("--keyring-store"), id}, desktopEnvironment)
            .count(QStringLiteral("keyring_stored")) == 0)
        return {{QStringLiteral("keyring_problem"), 1}};
    std::vector<double> lookups;
    for (int i = 0; i < 7; ++i) {
        auto figures = childFigures({QStringLiteral("--keyring-lookup"), id}, desktopEnvironment);
        if (figures[QStringLiteral("keyring_found")] != 1)
            return {{QStringLiteral("keyring_problem"), 1}};
        lookups.push_back(figures[QStringLiteral("keyring_lookup_ms")]);
    }
    return {{QStringLiteral("keyring_lookup_ms"), median(lookups)}};
}

int runKeyring(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const QByteArray command(argv[argc - 2]);
    const QByteArray hex = QByteArray::fromHex(argv[argc - 1]);
    platform::cipher::FileId id{};
    if (hex.size() != static_cast<qsizetype>(id.size()))
        return 2;
    std::copy(hex.begin(), hex.end(), id.begin());
    if (command == "--keyring-store") {
        try {
            platform::keyring::storeKey(id, platform::cipher::Key::random());
        } catch (const platform::Error& e) {
            std::fprintf(stderr, "orvane_bench: %s\n", qPrintable(e.message()));
            return 1;
        }
        std::printf("keyring_stored 1\n");
        return 0;
    }
    QElapsedTimer timer;
    timer.start();
    const auto key = platform::keyring::lookupKey(id);
    std::printf("keyring_lookup_ms %.3f\nkeyring_found %d\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6, key ? 1 : 0);
    return 0;
}

} // namespace bench
