#pragma once

#include "platform/CipherVfs.h"

#include <QString>

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

// The open plain journal encrypted under the passphrase with a new data key; with remember the
// desktop keyring keeps a key that opens it too. The start-up backup and the search stop first,
// and the plain search index is deleted.
void encryptOpenJournal(const QString& passphrase, bool remember);
// The open encrypted journal made plain again, its keyring item forgotten.
void decryptOpenJournal(const QString& passphrase);
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
// next start) and the copies a cut-off change left beside the journal are removed.
void openAtStart(std::shared_ptr<platform::cipher::CipherVfs> layer);

// The encrypted backups of the open journal get its header when theirs differs: a passphrase
// change cut off before it reached every backup is finished.
void alignBackupHeaders();

// The layer for the encrypted file at path from the key the keyring keeps for it; null when it
// keeps none or that key no longer fits.
std::shared_ptr<platform::cipher::CipherVfs> unlockFromKeyring(const QString& path);

} // namespace store
