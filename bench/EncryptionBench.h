#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>

namespace platform::cipher {
class CipherVfs;
}

// What only an encrypted journal costs: turning its passphrase into a key, and asking the desktop
// keyring for the key it keeps.
namespace bench {

// The passphrase of the benchmark's encrypted journals. Plain ASCII: xdotool types characters
// outside the keyboard map by remapping a key on the fly, and those were seen to arrive wrong.
inline constexpr char Passphrase[] = "bench passphrase 2026";

// Encrypts the plain journal at path in place under Passphrase, at this version's cost, as the
// program's command does: the layer that reads it. With remember the desktop keyring (on this
// process's session bus) keeps a key that opens it too, as with このコンピューターで記憶する.
std::shared_ptr<const platform::cipher::CipherVfs> encryptInPlace(const QString& path,
                                                                  bool remember = false);

// A GNOME Keyring of its own on the benchmark's session bus, its login keyring made and unlocked
// in a temporary home (the machine's keyrings are never touched). Stopped when destroyed.
class KeyringDaemon {
public:
    explicit KeyringDaemon(const QStringList& desktopEnvironment);
    ~KeyringDaemon();
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;
    // Why the keyring could not be started or does not answer; nothing when it runs.
    const std::optional<QString>& problem() const { return problem_; }

private:
    QTemporaryDir home_;
    QProcess daemon_;
    std::optional<QString> problem_;
};

// Seconds to open the encrypted journal's header with the passphrase at this version's cost (the
// key derivation), by a new process as at start-up. Nothing when it does not open.
std::optional<double> measureKeyDerivation(const QString& journal);
// The child's side: argv ends with --key-derivation and the journal's path.
int runKeyDerivation(int argc, char** argv);

// Milliseconds for a key kept in the keyring to be found, each time by a new process as at
// start-up (its connection to the bus included): the median of seven. Figures: keyring_lookup_ms,
// or keyring_problem when it could not be measured (its text on stderr).
std::map<QString, double> measureKeyringLookup(const QStringList& desktopEnvironment);

// The child's side: argv holds --keyring-store or --keyring-lookup and a file id in hex.
int runKeyring(int argc, char** argv);

} // namespace bench
