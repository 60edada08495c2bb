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
    int (*remove)(const char* path, int syncFolder);
    void (*opened)(const char* path) = nullptr;
};

// Installs the layer; once installed, later calls do nothing.
void install(const Layer& layer);
// The system's layer under it.
sqlite3_vfs& system();
// A file's own methods, the system's, and its path (null for a temporary file).
const sqlite3_io_methods& real(sqlite3_file* f);
const char* path(sqlite3_file* f);

} // namespace testing::filelayer
