#include "support/FaultVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace testing::faultvfs {
namespace {

sqlite3_vfs* base = nullptr;
sqlite3_vfs shim{};
sqlite3_io_methods methods{};
std::atomic<int> operations{0};
std::atomic<int> failAt{0};
std::atomic<bool> stays{false};

struct File {
    sqlite3_file header;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}

bool failNow() {
    const int n = ++operations;
    const int at = failAt;
    return at > 0 && (n == at || (stays && n > at));
}

int xClose(sqlite3_file* f) {
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    sqlite3_free(real(f));
    return rc;
}
int xRead(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
    return real(f)->pMethods->xRead(real(f), p, n, o);
}
int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    return failNow() ? SQLITE_IOERR_WRITE : real(f)->pMethods->xWrite(real(f), p, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    return failNow() ? SQLITE_IOERR_FSYNC : real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xLock(real(f), l);
}
int xUnlock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xUnlock(real(f), l);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->real = static_cast<sqlite3_file*>(sqlite3_malloc(base->szOsFile));
    if (file->real == nullptr)
        return SQLITE_NOMEM;
    std::memset(file->real, 0, size_t(base->szOsFile));
    const int rc = base->xOpen(base, name, file->real, flags, outFlags);
    // Without methods SQLite does not close the file; the real one is freed here then.
    if (file->real->pMethods == nullptr) {
        sqlite3_free(file->real);
        file->real = nullptr;
        f->pMethods = nullptr;
        return rc;
    }
    f->pMethods = &methods;
    return rc;
}

} // namespace

void install() {
    if (base != nullptr)
        return;
    base = sqlite3_vfs_find(nullptr);
    shim = *base;
    shim.zName = "orvane-faults";
    shim.szOsFile = int(sizeof(File));
    shim.pNext = nullptr;
    shim.xOpen = xOpen;
    methods.iVersion = 1;
    methods.xClose = xClose;
    methods.xRead = xRead;
    methods.xWrite = xWrite;
    methods.xTruncate = xTruncate;
    methods.xSync = xSync;
    methods.xFileSize = xFileSize;
    methods.xLock = xLock;
    methods.xUnlock = xUnlock;
    methods.xCheckReservedLock = xCheckReservedLock;
    methods.xFileControl = xFileControl;
    methods.xSectorSize = xSectorSize;
    methods.xDeviceCharacteristics = xDeviceCharacteristics;
    sqlite3_vfs_register(&shim, 1);
}

void arm(int n, bool failingStays) {
    operations = 0;
    stays = failingStays;
    failAt = n;
}

bool countAndFail() {
    return failNow();
}

int counted() {
    return operations;
}

} // namespace testing::faultvfs
