#pragma once

#include "platform/JournalCipher.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <string_view>

// An SQLite file layer that seals every page of a database file, and every page image in its
// rollback journal, with a data key (platform/JournalCipher.h). It stacks on the layer that is
// SQLite's default when it is made (the system's, or a test's fault layer). On disk the database
// file is the header block followed by the sealed pages. It opens no other kind of file (no
// temporary file, statement journal or write-ahead log): connections through it keep their
// temporary data in memory.
namespace platform::cipher {

class CipherVfs {
public:
    // One layer per encrypted file: it holds the file's key and goes with the connections that
    // use it. header is the file's header block: written at the start of a new file, and an
    // existing file must carry the same file id. While a layer exists the process leaves no core
    // file (a key would be in it).
    CipherVfs(Key dataKey, QByteArray header);
    ~CipherVfs();
    CipherVfs(const CipherVfs&) = delete;
    CipherVfs& operator=(const CipherVfs&) = delete;

    // The name to open connections with.
    const char* name() const;
    // The page size of the file, fixed by its header.
    int pageSize() const;
    // A page of the file or its journal did not open: the file was changed behind the program's
    // back. Whatever reads it failed, and nothing more is written to it.
    bool tampered() const;
    // The header block new files get, and the file id in it.
    const QByteArray& header() const;
    FileId fileId() const;

    // A layer for a file derived from this one (the search index): a key and file id of its
    // own, both derived from this file's, so that neither its pages nor its header can pass for
    // the journal's. Its header opens with no passphrase.
    std::shared_ptr<CipherVfs> companion() const;

    struct Layer;

private:
    std::unique_ptr<Layer> layer_;
};

} // namespace platform::cipher
