#pragma once

#include <sqlite3.h>

// An SQLite file layer over the system's, the ground of the tests' failing disk and power cut:
// every method is the system's but for the writes, syncs, truncations and deletions the layer
// puts in their place. Installed as SQLite's default for every connection opened after; one layer
// in a process.
namespace testing::filelayer {

struct Layer {
    const char* name;
    int (*write)(sqlite3_file*, const void*, int, sqlite3_int64);
    int (*sync)(sqlite3_file*, int);
    int (*truncate)(sqlite3_file*, sqlite3_int64);
    int (*remove)(sqlite3_vfs*, const char* path, int syncFolder);
    void (*opened)(const char* path) = nullptr;
};

// Installs the layer; once installed, later calls do nothing.
void install(const Layer& layer);
// The system's layer under it.
sqlite3_vfs& system();
// Each file is the system's own, followed by its methods: those SQLite is shown, the system's, and
// the file's path (null for a temporary file; SQLite keeps the name until the file closes).
struct Methods {
    sqlite3_io_methods shown;
    const sqlite3_io_methods* real;
    const char* path;
};
inline const Methods& of(sqlite3_file* f) {
    return *reinterpret_cast<const Methods*>(f->pMethods);
}

} // namespace testing::filelayer
