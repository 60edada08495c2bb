#include "support/FileLayer.h"

namespace testing::filelayer {
namespace {

sqlite3_vfs* base = nullptr;
sqlite3_vfs shim{};
Layer layer{};

// Each file is the system's own, followed by its methods.
struct Methods {
    sqlite3_io_methods shown;
    const sqlite3_io_methods* real;
    const char* path; // SQLite keeps the name until the file closes
};

const Methods& of(sqlite3_file* f) {
    return *reinterpret_cast<const Methods*>(f->pMethods);
}

// Where a file's methods follow its own part, aligned for their pointers.
int methodsOffset() {
    return (base->szOsFile + int(alignof(Methods)) - 1) / int(alignof(Methods)) *
           int(alignof(Methods));
}

int xDelete(sqlite3_vfs*, const char* name, int syncFolder) {
    return layer.remove(name, syncFolder);
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = base->xOpen(base, name, f, flags, outFlags);
    // Without methods SQLite does not close the file.
    if (f->pMethods != nullptr) {
        auto* own = reinterpret_cast<Methods*>(reinterpret_cast<char*>(f) + methodsOffset());
        *own = {*f->pMethods, f->pMethods, name};
        own->shown.iVersion = 1; // no memory maps: every write goes through xWrite
        own->shown.xWrite = layer.write;
        own->shown.xSync = layer.sync;
        own->shown.xTruncate = layer.truncate;
        f->pMethods = &own->shown;
        if (name != nullptr && layer.opened != nullptr)
            layer.opened(name);
    }
    return rc;
}

} // namespace

void install(const Layer& over) {
    if (base != nullptr)
        return;
    layer = over;
    base = sqlite3_vfs_find(nullptr);
    shim = *base;
    shim.zName = layer.name;
    shim.szOsFile = methodsOffset() + int(sizeof(Methods));
    shim.pNext = nullptr;
    shim.xOpen = xOpen;
    shim.xDelete = xDelete;
    sqlite3_vfs_register(&shim, 1);
}

sqlite3_vfs& system() {
    return *base;
}

const sqlite3_io_methods& real(sqlite3_file* f) {
    return *of(f).real;
}

const char* path(sqlite3_file* f) {
    return of(f).path;
}

} // namespace testing::filelayer
