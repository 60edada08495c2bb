#pragma once

#include "platform/JournalCipher.h"

#include <QString>

#include <optional>

// The desktop's keyring, reached through the Secret Service (GNOME Keyring and KWallet answer
// it): one item per encrypted journal holding the key of the journal's keyring wrapping. The
// item is found and labelled by the journal's file id, never its path.
namespace platform::keyring {

// Nullopt when a Secret Service answers on the session bus; else why not, in a few words for a
// tool tip. Returns at once when there is no session bus or no service on it.
std::optional<QString> unavailable();

// The key kept for the file; nullopt when there is none or no service to ask.
std::optional<cipher::Key> lookupKey(const cipher::FileId& id);

// Keeps the key for the file in the default collection, replacing one kept before; throws
// platform::Error when the keyring refuses it or cannot be reached.
void storeKey(const cipher::FileId& id, const cipher::Key& key);

// Forgets the file's key; nothing to do when there is none or no service to ask. Throws
// platform::Error when the service is there but refuses.
void removeKey(const cipher::FileId& id);

} // namespace platform::keyring
