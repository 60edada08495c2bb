#pragma once

#include <QString>

// One running copy of the program per user: a lock file held for the whole run.
namespace platform {

// $XDG_RUNTIME_DIR/orvane.lock; without a runtime folder, a per-user name in the temp folder.
QString instanceLockPath();

// Takes the lock for this process and keeps it until the process ends (also on the immediate
// ending). True when this process holds it, false when another running copy does. A lock left
// behind by a copy that died is taken over.
bool acquireInstanceLock();

// Whether this process holds the lock.
bool holdsInstanceLock();

// Lets the lock go (at exit, and between the runs of a test).
void releaseInstanceLock();

} // namespace platform
