#include "support/FaultVfs.h"

#include <sqlite3.h>

#include <atomic>

namespace testing::faultvfs {
namespace {

sqlite3_vfs* base = nullptr;
sqlite3_vfs shim{};
std::atomic<int> operations{0};
std::atomic<int> failAt{0};
std::atomic<bool> stays{false};

// Each file is the system's own, followed by its methods: the system's, but for writes, syncs
// and truncations, which may fail first. Version 1, as without memory maps every write goes
// through xWrite.
struct Methods {
    sqlite3_io_methods shown;
    const sqlite3_io_methods* real;
};

const sqlite3_io_methods* real(sqlite3_file* f) {
    return reinterpret_cast<const Methods*>(f->pMethods)->real;
}

// Where a file's methods follow its own part, aligned for their pointers.
int methodsOffset() {
    return (base->szOsFile + int(alignof(Methods)) - 1) / int(alignof(Methods)) *
           int(alignof(Methods));
}

int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    return countAndFail() ? SQLITE_IOERR_WRITE : real(f)->xWrite(f, p, n, o);
}
int xSync(sqlite3_file* f, int flags) {
    return countAndFail() ? SQLITE_IOERR_FSYNC : real(f)->xSync(f, flags);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return countAndFail() ? SQLITE_IOERR_TRUNCATE : real(f)->xTruncate(f, size);
}

// A delete (a rollback journal's is the commit) may fail before the file goes, and its folder's
// sync, when SQLite asks for one, after.
int xDelete(sqlite3_vfs*, const char* name, int syncFolder) {
    if (countAndFail())
        return SQLITE_IOERR_DELETE;
    const int rc = base->xDelete(base, name, syncFolder);
    return rc == SQLITE_OK && syncFolder != 0 && countAndFail() ? SQLITE_IOERR_DIR_FSYNC : rc;
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = base->xOpen(base, name, f, flags, outFlags);
    // Without methods SQLite does not close the file.
    if (f->pMethods != nullptr) {
        auto* methods = reinterpret_cast<Methods*>(reinterpret_cast<char*>(f) + methodsOffset());
        *methods = {*f->pMethods, f->pMethods};
        methods->shown.iVersion = 1;
        methods->shown.xWrite = xWrite;
        methods->shown.xSync = xSync;
        methods->shown.xTruncate = xTruncate;
        f->pMethods = &methods->shown;
    }
    return rc;
}

} // namespace

bool countAndFail() {
    const int n = ++operations;
    const int at = failAt;
    return at > 0 && (n == at || (stays && n > at));
}

void install() {
    if (base != nullptr)
        return;
    base = sqlite3_vfs_find(nullptr);
    shim = *base;
    shim.zName = "orvane-faults";
    shim.szOsFile = methodsOffset() + int(sizeof(Methods));
    shim.pNext = nullptr;
    shim.xOpen = xOpen;
    shim.xDelete = xDelete;
    sqlite3_vfs_register(&shim, 1);
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
