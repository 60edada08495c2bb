#pragma once

#include "platform/Database.h"
#include "platform/JournalCipher.h"

#include <QString>

#include <functional>
#include <memory>

// Turning encryption of the journal file on and off. Either way a copy is written beside the
// journal (the journal itself stays as it is until then), every row of the copy is read back and
// compared with the journal's, and only then the copy replaces the journal in one step, with the
// journal's permission bits. On any failure the journal file is unchanged and open again.
namespace store {

// The open plain journal becomes encrypted under the passphrase, with a new data key; db and
// workspace are then the sealed journal and the workspace that opens it. A keyringKey wraps the
// data key a second time; storeKey(file id) is called before anything is copied.
void encryptJournal(std::unique_ptr<platform::db::Database>& db,
                    std::unique_ptr<platform::db::Workspace>& workspace, const QString& path,
                    const QString& passphrase,
                    const platform::cipher::KdfCost& cost = platform::cipher::standardCost(),
                    const std::function<void(const platform::cipher::FileId&,
                                             const platform::cipher::Key&)>& storeKey = {});

// The open encrypted journal becomes plain; db and workspace are then plain.
void decryptJournal(std::unique_ptr<platform::db::Database>& db,
                    std::unique_ptr<platform::db::Workspace>& workspace, const QString& path);

// Gives the file at path another header block (same file id and page size): a copy with the
// new header replaces it in one step, so a cut leaves the old or the new one whole.
void replaceHeader(const QString& path, const QByteArray& header);

// Removes the copies that a change of the file at path, cut off before it was done, left beside
// it: one of a decrypted journal would be readable by anyone who finds it.
void removeInterruptedCopies(const QString& path);

} // namespace store
