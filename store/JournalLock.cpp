#include "store/JournalLock.h"

#include "platform/Error.h"
#include "platform/Keyring.h"
#include "platform/System.h"
#include "store/Compaction.h"
#include "store/Encryption.h"
#include "store/Journal.h"
#include "store/Session.h"
#include "store/Unlock.h"
#include "store/backup/Backups.h"
#include "store/backup/StartupBackup.h"
#include "store/search/SearchService.h"

#include <QFile>
#include <QScopeGuard>

namespace store {

namespace {

using platform::cipher::CipherVfs;
using platform::cipher::FileId;
using platform::cipher::Key;
using platform::cipher::OpenFailure;

constexpr int PassphraseRefused = 3050;

platform::db::Database& journal() {
    auto& m = session();
    if (!m.JournalDb || !m.JournalWs)
        throw platform::Error(91, QStringLiteral("日記が開いていません。"));
    return *m.JournalDb;
}

const CipherVfs& journalLayer() {
    journal();
    const auto& layer = session().JournalWs->layer();
    if (!layer)
        throw platform::Error(PassphraseRefused, QStringLiteral("日記は暗号化されていません。"));
    return *layer;
}

// Nothing may copy or read the journal while its file is replaced.
void stopBackgroundWork(const QString& path) {
    session().Backup.reset();
    search::SearchService::dropIndex(path);
}

// The data key of a header, when the passphrase opens it.
Key dataKeyFor(const QByteArray& header, const QString& passphrase,
               const platform::cipher::KdfCost& cost) {
    auto opened = platform::cipher::openHeader(header, passphrase, cost);
    if (const auto* failure = std::get_if<OpenFailure>(&opened))
        throw platform::Error(PassphraseRefused, failureText(*failure));
    return std::move(std::get<platform::cipher::Opened>(opened).dataKey);
}

// The journal's encrypted backups and whether each is a copy of it (the same file id).
template <typename F> void forEachBackup(F visit) {
    const QString path = journal().path();
    // Only the files: a backup's picture list may be long, and this runs at every start.
    for (const QString& backup : backup::backupPaths(path))
        visit(backup, encryptedHeader(backup));
}

void forgetKey(const FileId& id) {
    try {
        platform::keyring::removeKey(id);
    } catch (const platform::Error&) {
        // An item left behind opens nothing: no file has that id with a keyring wrapping.
    }
}

bool sameFile(const QByteArray& a, const QByteArray& b) {
    return a.mid(24, 16) == b.mid(24, 16);
}

} // namespace

bool journalEncrypted() {
    const auto& m = session();
    return m.JournalWs && m.JournalWs->layer();
}

std::optional<QString> passphraseProblem(const QString& passphrase, const QString& again) {
    if (passphrase.toUcs4().size() < 8)
        return QStringLiteral("パスフレーズは8文字以上にしてください。");
    if (passphrase != again)
        return QStringLiteral("パスフレーズが一致しません。");
    return std::nullopt;
}

LockChange encrypting(const QString& passphrase, bool remember) {
    auto& m = session();
    const QString path = journal().path();
    if (journalEncrypted())
        throw platform::Error(PassphraseRefused, QStringLiteral("日記は暗号化されています。"));
    stopBackgroundWork(path);
    auto conversion = std::make_shared<JournalConversion>(path, m.JournalWs->layer());
    // The keyring item made for the new file, forgotten unless the journal becomes that file.
    auto stored = std::make_shared<std::optional<FileId>>();
    StoreKey storeKey;
    if (remember)
        storeKey = [stored](const FileId& id, const Key& key) {
            platform::keyring::storeKey(id, key);
            *stored = id;
        };
    return {[conversion, passphrase, cost = m.Kdf, storeKey, stored](const Progress& progress) {
                auto unused = qScopeGuard([stored] {
                    if (*stored)
                        forgetKey(**stored);
                });
                if (!conversion->encrypt(passphrase, cost, storeKey, progress))
                    return false;
                unused.dismiss();
                return true;
            },
            [conversion, stored] {
                const auto unused = qScopeGuard([stored] {
                    if (*stored && !journalEncrypted())
                        forgetKey(**stored);
                });
                conversion->replace(session().JournalDb, session().JournalWs);
            }};
}

LockChange decrypting(const QString& passphrase) {
    auto& m = session();
    const QString path = journal().path();
    const auto id = journalLayer().fileId();
    const QByteArray header = journalLayer().header();
    stopBackgroundWork(path);
    auto conversion = std::make_shared<JournalConversion>(path, m.JournalWs->layer());
    return {[conversion, header, passphrase, cost = m.Kdf](const Progress& progress) {
                dataKeyFor(header, passphrase, cost);
                return conversion->decrypt(progress);
            },
            [conversion, id] {
                conversion->replace(session().JournalDb, session().JournalWs);
                // The key it kept opens nothing any more: the journal has no keyring wrapping.
                forgetKey(id);
            }};
}

bool encryptOpenJournal(const QString& passphrase, bool remember, const Progress& progress) {
    const LockChange change = encrypting(passphrase, remember);
    if (!change.copy(progress))
        return false;
    change.finish();
    return true;
}

bool decryptOpenJournal(const QString& passphrase, const Progress& progress) {
    const LockChange change = decrypting(passphrase);
    if (!change.copy(progress))
        return false;
    change.finish();
    return true;
}

bool rememberedInKeyring() {
    return journalEncrypted() && platform::cipher::hasKeyWrapping(journalLayer().header());
}

void changePassphrase(const QString& current, const QString& next, bool remember) {
    auto& m = session();
    const QString path = journal().path();
    const CipherVfs& layer = journalLayer();
    const Key dataKey = dataKeyFor(layer.header(), current, m.Kdf);
    QByteArray header = platform::cipher::rewrapHeader(layer.header(), dataKey, next, m.Kdf);
    const bool had = platform::cipher::hasKeyWrapping(header);
    if (remember && !had) {
        const Key keyringKey = Key::random();
        header = platform::cipher::addKeyWrapping(header, dataKey, keyringKey);
        platform::keyring::storeKey(layer.fileId(), keyringKey);
    } else if (!remember && had) {
        header = platform::cipher::removeKeyWrapping(header);
    }
    stopBackgroundWork(path);
    auto nextLayer = std::make_shared<CipherVfs>(dataKey.copy(), header);
    m.JournalDb.reset();
    try {
        replaceHeader(path, header);
    } catch (...) {
        m.JournalDb = openJournal(*m.JournalWs, path);
        throw;
    }
    m.JournalWs = std::make_unique<platform::db::Workspace>(nextLayer);
    m.JournalDb = openJournal(*m.JournalWs, path);
    if (!remember && had)
        platform::keyring::removeKey(nextLayer->fileId());
    alignBackupHeaders();
}

void openAtStart(std::shared_ptr<CipherVfs> layer) {
    auto& m = session();
    removeInterruptedCopies(m.mdbPath);
    // A compaction cut off leaves its copy: the journal was replaced by it in one step or not.
    const QString compacted = compactionCopyPath(m.mdbPath, platform::dataFolder());
    QFile::remove(compacted);
    QFile::remove(compacted + QStringLiteral("-journal"));
    m.JournalDb.reset();
    m.JournalWs = std::make_unique<platform::db::Workspace>(std::move(layer));
    m.JournalDb = openJournal(*m.JournalWs, m.mdbPath);
    if (!journalEncrypted())
        return;
    try {
        alignBackupHeaders();
    } catch (const platform::Error&) {
        // Tried again at the next start; the backups open with the key in the meantime.
    }
}

void alignBackupHeaders() {
    const QByteArray& header = journalLayer().header();
    forEachBackup([&](const QString& path, const std::optional<QByteArray>& sealed) {
        if (sealed && sameFile(*sealed, header) && *sealed != header)
            replaceHeader(path, header);
    });
}

int plainBackupCount() {
    int count = 0;
    forEachBackup(
        [&](const QString&, const std::optional<QByteArray>& sealed) { count += sealed ? 0 : 1; });
    return count;
}

void removePlainBackups() {
    forEachBackup([](const QString& path, const std::optional<QByteArray>& sealed) {
        if (sealed)
            return;
        QFile::remove(path);
        QFile::remove(path.left(path.size() - 4) + QStringLiteral(".pictures"));
    });
}

std::optional<Key> keyringKeyFor(const QString& path) {
    const auto header = encryptedHeader(path);
    if (!header || !platform::cipher::hasKeyWrapping(*header))
        return std::nullopt;
    platform::cipher::FileId id{};
    std::copy_n(header->constData() + 24, id.size(), reinterpret_cast<char*>(id.data()));
    return platform::keyring::lookupKey(id);
}

std::shared_ptr<CipherVfs> unlockWithKeyringKey(const QString& path, const Key& key) {
    const auto header = encryptedHeader(path);
    auto opened = header ? platform::cipher::openHeaderWithKey(*header, key) : std::nullopt;
    if (!opened)
        return nullptr;
    return std::make_shared<CipherVfs>(std::move(opened->dataKey), *header);
}

std::shared_ptr<CipherVfs> unlockFromKeyring(const QString& path) {
    const auto key = keyringKeyFor(path);
    return key ? unlockWithKeyringKey(path, *key) : nullptr;
}

} // namespace store
