#pragma once

#include "platform/CipherVfs.h"
#include "store/Encryption.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The encryption commands on the open journal (session().JournalDb) and what goes with them:
// its backups, its search index and the desktop keyring. Each raises platform::Error, saying
// why, and then leaves the journal as it was and open.
namespace store {

// Whether the open journal is encrypted.
bool journalEncrypted();
// Why a new passphrase typed twice cannot be used; nothing when it can.
std::optional<QString> passphraseProblem(const QString& passphrase, const QString& again);

// Encrypting or decrypting the open journal, begun on the session's thread (the start-up backup
// and the search stop, and the search index is deleted). copy() writes and checks the copy beside
// the journal on any thread, while nothing else uses the journal, and answers false when progress
// stopped it: then everything is as it was. Only after it answered true, finish() puts the copy
// in the journal's place on the session's thread.
struct LockChange {
    std::function<bool(const Progress& progress)> copy;
    std::function<void()> finish;
};
// The open plain journal to be encrypted under the passphrase with a new data key; with remember
// the desktop keyring keeps a key that opens it too (and forgets it when the change is stopped).
LockChange encrypting(const QString& passphrase, bool remember);
// The open encrypted journal to be made plain again, its keyring item then forgotten.
LockChange decrypting(const QString& passphrase);
// Each of them at once on this thread; false when progress stopped it.
bool encryptOpenJournal(const QString& passphrase, bool remember, const Progress& progress = {});
bool decryptOpenJournal(const QString& passphrase, const Progress& progress = {});
// The key wrapping of the open journal and of every encrypted backup of it under a new
// passphrase; remember adds or keeps the keyring's wrapping, else removes it and the item.
void changePassphrase(const QString& current, const QString& next, bool remember);
// Whether the keyring's wrapping opens the open journal too.
bool rememberedInKeyring();

// The plain backups of the open journal (made before it was encrypted).
int plainBackupCount();
// Deletes them and their picture lists; the stored pictures stay.
void removePlainBackups();

// Opens the session's journal (mdbPath) through the layer, null for a plain journal, as the
// program starts: a passphrase change cut off is finished for the backups (or tried again at the
// next start) and the copies a cut-off change or compaction left beside the journal are removed.
void openAtStart(std::shared_ptr<platform::cipher::CipherVfs> layer);

// The encrypted backups of the open journal get its header when theirs differs: a passphrase
// change cut off before it reached every backup is finished.
void alignBackupHeaders();

// The key the keyring keeps for the encrypted file at path; nothing when the file has no keyring
// wrapping or the keyring keeps none or cannot be asked. Safe on any thread.
std::optional<platform::cipher::Key> keyringKeyFor(const QString& path);
// The layer for the encrypted file at path from the keyring's key; null when it no longer fits.
std::shared_ptr<platform::cipher::CipherVfs> unlockWithKeyringKey(const QString& path,
                                                                  const platform::cipher::Key& key);
// Both: null when the keyring has no key that fits.
std::shared_ptr<platform::cipher::CipherVfs> unlockFromKeyring(const QString& path);

} // namespace store
