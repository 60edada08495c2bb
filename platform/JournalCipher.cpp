#include "platform/JournalCipher.h"

#include <sodium.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace platform::cipher {
namespace {

constexpr int SaltAt = 40;
constexpr int CostAt = 56;
constexpr int NonceAt = 72;
constexpr int WrappedAt = 96;
constexpr int WrappedSize = Key::Size + crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr int KeyringNonceAt = 144;
constexpr int KeyringWrappedAt = 168;
constexpr int KeyringSlotSize = KeyringWrappedAt + WrappedSize - KeyringNonceAt;
// Magic, version, page size and file id: what the keyring wrapping is bound to.
constexpr int KeyringDataSize = 40;
constexpr int ChecksumAt = HeaderSize - 32;
constexpr int NonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
static_assert(ReservedBytes == NonceSize + crypto_aead_xchacha20poly1305_ietf_ABYTES);

void ready() {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
}

unsigned char* bytes(QByteArray& array) {
    return reinterpret_cast<unsigned char*>(array.data());
}
const unsigned char* bytes(const QByteArray& array) {
    return reinterpret_cast<const unsigned char*>(array.constData());
}

void put32(QByteArray& to, int at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        to[at + i] = char(value >> (8 * i));
}
void put64(QByteArray& to, int at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        to[at + i] = char(value >> (8 * i));
}
std::uint64_t get(const QByteArray& from, int at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(from[at + i]);
    return value;
}

QByteArray checksum(const QByteArray& header) {
    QByteArray sum(32, '\0');
    crypto_generichash(bytes(sum), 32, bytes(header), ChecksumAt, nullptr, 0);
    return sum;
}

// The key that wraps the data key: Argon2id of the passphrase's UTF-8 in NFC.
Key passphraseKey(const QString& passphrase, const QByteArray& header) {
    const QByteArray utf8 = passphrase.normalized(QString::NormalizationForm_C).toUtf8();
    Key key;
    if (crypto_pwhash(key.data(), Key::Size, utf8.constData(), std::size_t(utf8.size()),
                      bytes(header) + SaltAt, get(header, CostAt, 8),
                      std::size_t(get(header, CostAt + 8, 8)), crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::bad_alloc(); // only when the memory it asks for cannot be had
    return key;
}

// Wraps the data key into the header under the passphrase and seals the header's checksum.
void wrap(QByteArray& header, const Key& dataKey, const QString& passphrase) {
    randombytes_buf(bytes(header) + NonceAt, NonceSize);
    const Key wrapping = passphraseKey(passphrase, header);
    crypto_aead_xchacha20poly1305_ietf_encrypt(bytes(header) + WrappedAt, nullptr, dataKey.data(),
                                               Key::Size, bytes(header), NonceAt, nullptr,
                                               bytes(header) + NonceAt, wrapping.data());
    header.replace(ChecksumAt, 32, checksum(header));
}

// Associated data of a page: the file id, the kind, the page number and the format version.
std::array<unsigned char, 25> pageData(const FileId& file, FileKind kind,
                                       std::uint32_t pageNumber) {
    std::array<unsigned char, 25> data{};
    std::memcpy(data.data(), file.data(), file.size());
    data[16] = static_cast<unsigned char>(kind);
    for (int i = 0; i < 4; ++i) {
        data[std::size_t(17 + i)] = static_cast<unsigned char>(pageNumber >> (8 * i));
        data[std::size_t(21 + i)] = static_cast<unsigned char>(Version >> (8 * i));
    }
    return data;
}

// What every opening checks before any key: ours, whole, this version, a sane page size.
std::optional<OpenFailure> checkLayout(const QByteArray& header) {
    ready();
    if (!looksEncrypted(header))
        return OpenFailure::NotEncrypted;
    if (header.size() < HeaderSize || header.mid(ChecksumAt, 32) != checksum(header))
        return OpenFailure::Damaged;
    if (get(header, 16, 4) > Version)
        return OpenFailure::NewerVersion;
    const std::uint64_t pageSize = get(header, 20, 4);
    if (get(header, 16, 4) != Version || pageSize < 512 || pageSize > 65536 ||
        (pageSize & (pageSize - 1)) != 0)
        return OpenFailure::Damaged;
    return std::nullopt;
}

} // namespace

Key::Key() {
    ready();
    bytes_ = static_cast<unsigned char*>(sodium_malloc(Size));
    if (bytes_ == nullptr)
        throw std::bad_alloc();
    sodium_memzero(bytes_, Size);
}

Key::~Key() {
    sodium_free(bytes_); // wipes it first; null is allowed
}

Key::Key(Key&& other) noexcept : bytes_(std::exchange(other.bytes_, nullptr)) {}

Key& Key::operator=(Key&& other) noexcept {
    std::swap(bytes_, other.bytes_);
    return *this;
}

Key Key::copy() const {
    Key key;
    std::memcpy(key.data(), bytes_, Size);
    return key;
}

Key Key::random() {
    Key key;
    crypto_aead_xchacha20poly1305_ietf_keygen(key.data());
    return key;
}

KdfCost standardCost() {
    return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE};
}

Created createHeader(const QString& passphrase, std::uint32_t pageSize, const KdfCost& cost) {
    ready();
    QByteArray header(HeaderSize, '\0');
    header.replace(0, sizeof Magic, QByteArray(Magic, sizeof Magic));
    put32(header, 16, Version);
    put32(header, 20, pageSize);
    randombytes_buf(bytes(header) + 24, 16);
    randombytes_buf(bytes(header) + SaltAt, crypto_pwhash_SALTBYTES);
    put64(header, CostAt, cost.operations);
    put64(header, CostAt + 8, cost.memory);
    Created created{header, Key::random(), {}};
    wrap(created.header, created.dataKey, passphrase);
    std::memcpy(created.fileId.data(), bytes(header) + 24, created.fileId.size());
    return created;
}

bool looksEncrypted(const QByteArray& start) {
    return start.startsWith(QByteArray(Magic, sizeof Magic));
}

std::variant<Opened, OpenFailure> openHeader(const QByteArray& header, const QString& passphrase,
                                             const KdfCost& expected) {
    if (const auto failure = checkLayout(header))
        return *failure;
    const KdfCost cost{get(header, CostAt, 8), get(header, CostAt + 8, 8)};
    if (cost.operations < expected.operations || cost.memory < expected.memory ||
        cost.operations > 4 * expected.operations || cost.memory > 4 * expected.memory)
        return OpenFailure::Damaged;
    const Key wrapping = passphraseKey(passphrase, header);
    Opened opened;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            opened.dataKey.data(), nullptr, nullptr, bytes(header) + WrappedAt, WrappedSize,
            bytes(header), NonceAt, bytes(header) + NonceAt, wrapping.data()) != 0)
        return OpenFailure::WrongPassphrase;
    std::memcpy(opened.fileId.data(), bytes(header) + 24, opened.fileId.size());
    opened.pageSize = std::uint32_t(get(header, 20, 4));
    return opened;
}

QByteArray rewrapHeader(const QByteArray& header, const Key& dataKey, const QString& newPassphrase,
                        const KdfCost& cost) {
    ready();
    QByteArray rewrapped = header.left(HeaderSize);
    randombytes_buf(bytes(rewrapped) + SaltAt, crypto_pwhash_SALTBYTES);
    put64(rewrapped, CostAt, cost.operations);
    put64(rewrapped, CostAt + 8, cost.memory);
    wrap(rewrapped, dataKey, newPassphrase);
    return rewrapped;
}

QByteArray addKeyWrapping(const QByteArray& header, const Key& dataKey, const Key& keyringKey) {
    ready();
    if (header.size() < HeaderSize)
        throw std::invalid_argument("not a whole journal header");
    QByteArray wrapped = header.left(HeaderSize);
    randombytes_buf(bytes(wrapped) + KeyringNonceAt, NonceSize);
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        bytes(wrapped) + KeyringWrappedAt, nullptr, dataKey.data(), Key::Size, bytes(wrapped),
        KeyringDataSize, nullptr, bytes(wrapped) + KeyringNonceAt, keyringKey.data());
    wrapped.replace(ChecksumAt, 32, checksum(wrapped));
    return wrapped;
}

QByteArray removeKeyWrapping(const QByteArray& header) {
    ready();
    if (header.size() < HeaderSize)
        throw std::invalid_argument("not a whole journal header");
    QByteArray cleared = header.left(HeaderSize);
    cleared.replace(KeyringNonceAt, KeyringSlotSize, QByteArray(KeyringSlotSize, '\0'));
    cleared.replace(ChecksumAt, 32, checksum(cleared));
    return cleared;
}

bool hasKeyWrapping(const QByteArray& header) {
    ready();
    return header.size() >= HeaderSize &&
           !sodium_is_zero(bytes(header) + KeyringNonceAt, KeyringSlotSize);
}

std::optional<Opened> openHeaderWithKey(const QByteArray& header, const Key& keyringKey) {
    if (checkLayout(header) || !hasKeyWrapping(header))
        return std::nullopt;
    Opened opened;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            opened.dataKey.data(), nullptr, nullptr, bytes(header) + KeyringWrappedAt, WrappedSize,
            bytes(header), KeyringDataSize, bytes(header) + KeyringNonceAt, keyringKey.data()) != 0)
        return std::nullopt;
    std::memcpy(opened.fileId.data(), bytes(header) + 24, opened.fileId.size());
    opened.pageSize = std::uint32_t(get(header, 20, 4));
    return opened;
}

void sealPage(const Key& key, const FileId& file, FileKind kind, std::uint32_t pageNumber,
              std::span<unsigned char> page) {
    const std::size_t body = page.size() - ReservedBytes;
    unsigned char* nonce = page.data() + body;
    unsigned char* tag = nonce + NonceSize;
    randombytes_buf(nonce, NonceSize);
    const auto data = pageData(file, kind, pageNumber);
    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(page.data(), tag, nullptr, page.data(),
                                                        body, data.data(), data.size(), nullptr,
                                                        nonce, key.data());
}

bool openPage(const Key& key, const FileId& file, FileKind kind, std::uint32_t pageNumber,
              std::span<unsigned char> page) {
    const std::size_t body = page.size() - ReservedBytes;
    const unsigned char* nonce = page.data() + body;
    const auto data = pageData(file, kind, pageNumber);
    return crypto_aead_xchacha20poly1305_ietf_decrypt_detached(page.data(), nullptr, page.data(),
                                                               body, nonce + NonceSize, data.data(),
                                                               data.size(), nonce, key.data()) == 0;
}

} // namespace platform::cipher
