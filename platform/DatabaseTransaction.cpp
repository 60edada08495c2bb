#include "platform/DatabaseDetail.h"

#include "platform/Error.h"

// A transaction for writing, and its commit: the rollback journal's deletion is the commit, so a
// failure to sync its folder or to delete it is dealt with here.
namespace platform::db {

using detail::check;
using detail::fail;

Transaction::Transaction(Database& db) : db_(db) {
    db_.checkSameFile();
    check(db_.handle_, sqlite3_exec(db_.handle_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
}

Transaction::~Transaction() {
    // Straight to SQLite: the rollback must happen even when the file check would refuse, and
    // SQLite may have rolled back already when a failure ended the transaction.
    if (open_ && sqlite3_get_autocommit(db_.handle_) == 0)
        sqlite3_exec(db_.handle_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    sqlite3* handle = db_.handle_;
    const int code = sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    open_ = sqlite3_get_autocommit(handle) == 0;
    if (code == SQLITE_OK)
        return;
    // The rollback journal is deleted but its folder could not be synced: the commit is made,
    // as a rename whose folder sync fails is (platform/DurableFiles.h).
    if (!open_ && sqlite3_extended_errcode(handle) == SQLITE_IOERR_DIR_FSYNC)
        return;
    try {
        fail(handle, code);
    } catch (const Error&) {
        // A commit whose rollback journal could not be deleted leaves it hot: one read plays it
        // back now, before a reader that may not (the backup's, the search's) meets it.
        if (!open_)
            sqlite3_exec(handle, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace platform::db
