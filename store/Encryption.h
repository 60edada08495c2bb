#pragma once

#include "platform/Database.h"
#include "platform/JournalCipher.h"

#include <QString>

#include <functional>
#include <memory>

// Turning encryption of the journal file on and off. Either way a copy is written beside the
// journal (the journal itself stays as it is until then), every row of the copy is read back and
// compared with the journal's, and only then the copy replaces the journal in one step, with the
// journal's permission bits. On any failure, and when stopped, the journal file is unchanged and
// open again, and no copy is left beside it.
namespace store {

// Told the work done and the work in all; answers false to stop the work.
using Progress = std::function<bool(qint64 done, qint64 total)>;
// Keeps a key that opens the data key for the file of that id.
using StoreKey = std::function<void(const platform::cipher::FileId&, const platform::cipher::Key&)>;

// One change of the journal's sealing in two steps. The copy is written and checked through
// connections of its own, so on any thread, while the journal's connection stays open and unused;
// then it is put in the journal's place on that connection's thread. A copy never put in place is
// removed.
class JournalConversion {
public:
    // For the journal at path, which current seals now (null for a plain one).
    JournalConversion(QString path, std::shared_ptr<const platform::cipher::CipherVfs> current);
    ~JournalConversion();
    JournalConversion(const JournalConversion&) = delete;
    JournalConversion& operator=(const JournalConversion&) = delete;

    // Writes and checks the copy encrypted under the passphrase with a new data key; with
    // storeKey, a keyring key wraps the data key too and storeKey(file id) is called before
    // anything is copied. False when progress stopped it.
    bool encrypt(const QString& passphrase, const platform::cipher::KdfCost& cost,
                 const StoreKey& storeKey, const Progress& progress = {});
    // Writes and checks a plain copy. False when progress stopped it.
    bool decrypt(const Progress& progress = {});
    // Puts the checked copy in the journal's place: db (closed for it) and workspace then open it.
    void replace(std::unique_ptr<platform::db::Database>& db,
                 std::unique_ptr<platform::db::Workspace>& workspace);

private:
    bool writeAndCheck(std::shared_ptr<const platform::cipher::CipherVfs> next,
                       const Progress& progress);

    QString path_;
    QString copyPath_;
    std::shared_ptr<const platform::cipher::CipherVfs> current_;
    std::unique_ptr<platform::db::Workspace> next_; // opens the checked copy
    bool placed_ = false;
};

// Both steps at once: the open plain journal becomes encrypted under the passphrase. False when
// progress stopped it.
bool encryptJournal(std::unique_ptr<platform::db::Database>& db,
                    std::unique_ptr<platform::db::Workspace>& workspace, const QString& path,
                    const QString& passphrase,
                    const platform::cipher::KdfCost& cost = platform::cipher::standardCost(),
                    const StoreKey& storeKey = {}, const Progress& progress = {});

// The open encrypted journal becomes plain; false when progress stopped it.
bool decryptJournal(std::unique_ptr<platform::db::Database>& db,
                    std::unique_ptr<platform::db::Workspace>& workspace, const QString& path,
                    const Progress& progress = {});

// Gives the file at path another header block (same file id and page size): a copy with the
// new header replaces it in one step, so a cut leaves the old or the new one whole.
void replaceHeader(const QString& path, const QByteArray& header);

// Removes the copies that a change of the file at path, cut off before it was done, left beside
// it: one of a decrypted journal would be readable by anyone who finds it.
void removeInterruptedCopies(const QString& path);

} // namespace store
