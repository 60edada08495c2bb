#pragma once

// An SQLite file layer over the system's that makes the n-th step that changes the disk fail (a
// write, sync, truncation, delete or folder sync), for tests of what a failing disk does to a
// save, a delete, a compaction, a backup or a restore. Installed as the default for every
// connection opened after install().
namespace testing::faultvfs {

void install();
// Counts those steps from now on; the n-th (1-based) fails with an I/O error, and so does every
// later one while failing stays true (a full disk); 0 makes none fail.
void arm(int n, bool failingStays = false);
// How many steps were counted since arm().
int counted();
// Counts one more step of the program's own file work (a rename, a copy, a sync); true when it is
// the one to fail.
bool countAndFail();

} // namespace testing::faultvfs
