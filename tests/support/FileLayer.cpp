#include "support/FileLayer.h"

namespace testing::filelayer {
namespace {

sqlite3_vfs* base = nullptr;
sqlite3_vfs shim{};
Layer layer{};

// Where a file's methods follow its own part, aligned for their pointers.
int methodsOffset() {
    return (base->szOsFile + int(alignof(Methods)) - 1) / int(alignof(Methods)) *
           int(alignof(Methods));
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
    shim.xDelete = layer.remove;
    sqlite3_vfs_register(&shim, 1);
}

sqlite3_vfs& system() {
    return *base;
}

} // namespace testing::filelayer
