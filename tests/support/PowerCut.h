#pragma once

#include <QtGlobal>

// A power cut, as SQLite's own crash tests make one: a file layer over the system's, installed as
// SQLite's default for every connection opened after (one in a process; every method is the
// system's but for the writes, syncs, truncations and deletions), and an observer of the program's
// own file steps (platform/DurableFiles.h) count every step (a write, sync, truncation or deletion
// of any file, a deleted file's folder sync, a rename, a folder's sync, a copy). Each write not yet
// synced keeps what it wrote over, so that at the cut it can be lost or torn at 512-byte sectors,
// and a rename whose folder was not synced since can be undone. A deletion, like a rename, lasts
// once its folder is synced (SQLite asks for that with the deletion, or a later step syncs it); a
// new file stays, even when its folder was never synced. Files the program writes outside SQLite
// count as unsynced until a sync step names them. The same steps can instead fail, as on a failing
// disk.
namespace testing::powercut {

// How a process whose power was cut ends.
constexpr int CutStatus = 86;

void install();
// From now on counts steps; just before step at (1-based) the power goes: what was not synced is
// lost, kept or torn as drawn from seed, and the process ends at once with CutStatus. 0 cuts
// nothing.
void arm(int at, quint32 seed);
// From now on counts steps; step at (1-based) fails with an I/O error, and so does every later one
// while failing stays (a full disk).
void failAt(int at, bool failingStays);
// The end of the operation, counted as one more step so that the power can also go right after
// it; returns how many steps were counted and counts no more.
int finish();

} // namespace testing::powercut
