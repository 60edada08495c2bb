#include "support/FaultVfs.h"

#include "support/FileLayer.h"

#include <atomic>

namespace testing::faultvfs {
namespace {

std::atomic<int> operations{0};
std::atomic<int> failAt{0};
std::atomic<bool> stays{false};

int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    return countAndFail() ? SQLITE_IOERR_WRITE : filelayer::of(f).real->xWrite(f, p, n, o);
}
int xSync(sqlite3_file* f, int flags) {
    return countAndFail() ? SQLITE_IOERR_FSYNC : filelayer::of(f).real->xSync(f, flags);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return countAndFail() ? SQLITE_IOERR_TRUNCATE : filelayer::of(f).real->xTruncate(f, size);
}

// A delete (a rollback journal's is the commit) may fail before the file goes, and its folder's
// sync, when SQLite asks for one, after.
int xDelete(sqlite3_vfs*, const char* name, int syncFolder) {
    if (countAndFail())
        return SQLITE_IOERR_DELETE;
    sqlite3_vfs& system = filelayer::system();
    const int rc = system.xDelete(&system, name, syncFolder);
    return rc == SQLITE_OK && syncFolder != 0 && countAndFail() ? SQLITE_IOERR_DIR_FSYNC : rc;
}

} // namespace

bool countAndFail() {
    const int n = ++operations;
    const int at = failAt;
    return at > 0 && (n == at || (stays && n > at));
}

void install() {
    filelayer::install({"orvane-faults", xWrite, xSync, xTruncate, xDelete});
}

void arm(int n, bool failingStays) {
    operations = 0;
    stays = failingStays;
    failAt = n;
}

int counted() {
    return operations;
}

} // namespace testing::faultvfs
