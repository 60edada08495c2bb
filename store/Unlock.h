#pragma once

#include "platform/CipherVfs.h"

#include <QString>

#include <memory>
#include <optional>
#include <variant>

// Opening encrypted files: telling them by their header and turning a passphrase into the layer
// that reads them.
namespace store {

// The header block of the file at path when it is an encrypted journal (or a backup of one);
// nothing for any other file, a missing one included.
std::optional<QByteArray> encryptedHeader(const QString& path);

using Unlocked =
    std::variant<std::shared_ptr<platform::cipher::CipherVfs>, platform::cipher::OpenFailure>;
// The layer that reads the encrypted file at path, or why the passphrase does not give it.
Unlocked unlockFile(const QString& path, const QString& passphrase);

// What the user is told when a header does not open.
QString failureText(platform::cipher::OpenFailure failure);

// Asks for the passphrase of the encrypted file at path in a box titled title, again after a
// wrong one, until it fits: the layer that reads the file. Null when the user chose the other
// button (cancelText) or when the file cannot be opened at all (said in a message).
struct Asked {
    std::shared_ptr<platform::cipher::CipherVfs> layer;
    bool cancelled = false;
};
Asked askToUnlock(const QString& path, const QString& title, const QString& prompt,
                  const QString& cancelText);

} // namespace store
