#pragma once

#include "platform/JournalCipher.h"

#include <QByteArray>

#include <atomic>
#include <memory>

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
    // existing file must carry the same file id.
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

    struct Layer;

private:
    std::unique_ptr<Layer> layer_;
};

} // namespace platform::cipher
