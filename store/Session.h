#pragma once

#include "platform/Database.h"
#include "platform/JournalCipher.h"

#include <QSet>
#include <QString>

#include <memory>
#include <optional>

namespace store::search {
class SearchService;
}
namespace store::backup {
class StartupBackup;
}

namespace store {

// The journal the program works on and what lives beside it for the whole run. store/ declares
// what it needs here; the program (app/) owns the one session there is, fills in the paths and
// closes its own splash window, so nothing in store/ knows the program around it.
class Session {
public:
    QString mdbPath; // journal file
    QString gPath;   // picture folder

    // Opens the journal's file; it holds the key when the journal is encrypted.
    std::unique_ptr<platform::db::Workspace> JournalWs;
    std::unique_ptr<platform::db::Database> JournalDb;
    QString SqlText;                                  // the statement last built
    std::optional<platform::db::Recordset> JournalRs; // the result of the last query

    // Keys in another form that could not be brought into the stored form because their day has
    // a row already; each is named to the user once.
    QSet<QString> ReportedKeyClashes;

    // The search over the journal, from the first search until the end of the run.
    std::unique_ptr<search::SearchService> Search;
    // The backup made after start-up, while it runs.
    std::unique_ptr<backup::StartupBackup> Backup;

    // What turning a passphrase into a key costs (tests lower it).
    platform::cipher::KdfCost Kdf = platform::cipher::standardCost();

    // Closes the start-up window, when it is still up, so that a message is not hidden behind it.
    virtual void closeSplash() = 0;

    Session();
    Session& operator=(Session&&) noexcept;
    virtual ~Session();
};

// The program's session. Defined where the program is put together (app/), which owns it.
Session& session();

} // namespace store
