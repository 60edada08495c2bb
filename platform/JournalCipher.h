#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

// The cryptography of an encrypted journal file, all of it libsodium's: the file's header (a
// random data key wrapped with XChaCha20-Poly1305 under an Argon2id key from the passphrase) and
// the sealing of each page. This file only lays out the bytes.
//
// The header block, HeaderSize bytes at the start of the file, little-endian numbers:
//    0  16  Magic
//   16   4  format version
//   20   4  page size
//   24  16  file id (random)
//   40  16  Argon2id salt
//   56   8  Argon2id operations
//   64   8  Argon2id memory in bytes
//   72  24  nonce of the passphrase wrapping
//   96  48  the data key wrapped under the passphrase's key (32 bytes and the 16-byte tag);
//           the associated data is bytes 0–71
//  144  24  nonce of the keyring wrapping, zeros when there is none
//  168  48  the data key wrapped under the keyring's key (32 bytes and the 16-byte tag), zeros
//           when there is none; the associated data is bytes 0–39, which a new passphrase
//           leaves as they are, so the wrapping outlives a change of passphrase
//  ...      zeros
//  HeaderSize - 32: an unkeyed BLAKE2b-256 checksum of everything before it
namespace platform::cipher {

inline constexpr int HeaderSize = 4096;
// Per page, at its end: the nonce (24 bytes) and the tag (16 bytes) of its sealing.
inline constexpr int ReservedBytes = 40;
inline constexpr std::uint32_t Version = 1;
inline constexpr char Magic[16] = {'V', 'e', 'l', 'm', 'o', 'r', 'a', ' ',
                                   'j', 'o', 'u', 'r', 'n', 'a', 'l', '\x01'};

using FileId = std::array<unsigned char, 16>;

// What a sealed page belongs to: it opens only as a page of the same number, kind and file.
enum class FileKind : std::uint8_t { Database = 1, RollbackJournal = 2 };

// A 32-byte key in guarded memory (sodium_malloc: locked, fenced), wiped when it goes.
class Key {
public:
    static constexpr std::size_t Size = 32;
    Key();
    ~Key();
    Key(Key&& other) noexcept;
    Key& operator=(Key&& other) noexcept;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    static Key random();
    // Another guarded key with the same bytes.
    Key copy() const;
    unsigned char* data() { return bytes_; }
    const unsigned char* data() const { return bytes_; }

private:
    unsigned char* bytes_;
};

// The Argon2id cost of turning a passphrase into a key.
struct KdfCost {
    std::uint64_t operations;
    std::uint64_t memory; // bytes
    bool operator==(const KdfCost&) const = default;
};
// This version's cost: about half a second on a current computer. A header asking for less, or
// for more than four times as much, is taken for a damaged one.
KdfCost standardCost();

// A new header for the passphrase (in NFC, never trimmed) with a new random data key and file id.
struct Created {
    QByteArray header;
    Key dataKey;
    FileId fileId;
};
Created createHeader(const QString& passphrase, std::uint32_t pageSize,
                     const KdfCost& cost = standardCost());

enum class OpenFailure {
    NotEncrypted,    // no header of ours at all
    Damaged,         // the checksum or a field is wrong: changed or cut short
    NewerVersion,    // written by a newer version of the program
    WrongPassphrase, // whole and ours, but the passphrase does not open it
};
struct Opened {
    Key dataKey;
    FileId fileId;
    std::uint32_t pageSize = 0;
};
// Opens a header with the passphrase; expected is the cost this program asks for (tests lower
// it), which the header's must match within a factor of four upwards.
std::variant<Opened, OpenFailure> openHeader(const QByteArray& header, const QString& passphrase,
                                             const KdfCost& expected = standardCost());

// Whether the bytes start as our header does (the file is an encrypted journal).
bool looksEncrypted(const QByteArray& start);

// The header with the same data key and file id wrapped under a new passphrase.
QByteArray rewrapHeader(const QByteArray& header, const Key& dataKey, const QString& newPassphrase,
                        const KdfCost& cost = standardCost());

// A second wrapping of the data key, under a random key that the desktop's keyring keeps, so
// that the journal opens without its passphrase on this computer. Each returns the header with
// its checksum made right again.
QByteArray addKeyWrapping(const QByteArray& header, const Key& dataKey, const Key& keyringKey);
QByteArray removeKeyWrapping(const QByteArray& header);
bool hasKeyWrapping(const QByteArray& header);
// Opens a header with the keyring's key: the same checks as openHeader but no key derivation;
// nullopt when the header is not whole and ours, has no keyring wrapping or the key does not fit.
std::optional<Opened> openHeaderWithKey(const QByteArray& header, const Key& keyringKey);

// Seals a page in place: all but its last ReservedBytes encrypted, those receiving a fresh random
// nonce and the tag.
void sealPage(const Key& key, const FileId& file, FileKind kind, std::uint32_t pageNumber,
              std::span<unsigned char> page);
// Opens a sealed page in place; false when it was changed or belongs to another place, kind or
// file (its bytes are then zeros).
bool openPage(const Key& key, const FileId& file, FileKind kind, std::uint32_t pageNumber,
              std::span<unsigned char> page);

} // namespace platform::cipher
