#pragma once

#include <QString>

#include <optional>

// One running copy of the program per user: a lock on a file, held for the whole run. The system
// lets the lock go when the process ends in any way, so a crashed run leaves nothing behind.
namespace platform {

// $XDG_RUNTIME_DIR/orvane.lock; without a runtime folder, orvane.lock in the user's own cache
// folder (~/.cache/orvane), never in the temporary folder that every user shares.
QString instanceLockPath();

struct LockOutcome {
    enum class Kind {
        Taken,   // this process holds the lock
        Running, // another running copy holds it
        Failed,  // the lock file cannot be used; cause says why
    };
    Kind kind;
    QString cause;
};

// Takes the lock for this process and keeps it until the process ends (also on the immediate
// ending). Taking it again while held succeeds at once.
LockOutcome acquireInstanceLock();

// Whether this process holds the lock.
bool holdsInstanceLock();

// Lets the lock go (at exit, and between the runs of a test).
void releaseInstanceLock();

// Whose lock file counts as this user's own: the process's user, or the one a test stands for
// (nullopt: the process's again), so that any user can meet a file that another user made.
void setLockOwner(std::optional<unsigned> uid);

} // namespace platform
