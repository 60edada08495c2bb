#include "platform/InstanceLock.h"

#include "platform/Services.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform {

namespace {

// The one holder of the lock in this process.
struct LockHolder {
    std::unique_ptr<QLockFile> lock;
    bool cleanupRegistered = false;
};

LockHolder& holder() {
    static LockHolder h;
    return h;
}

} // namespace

QString instanceLockPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("orvane.lock"));
#ifdef Q_OS_UNIX
    // The temp folder is shared by every user; one user's copy must not refuse another's.
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("orvane-%1.lock").arg(static_cast<qulonglong>(::getuid())));
#else
    return QDir(QDir::tempPath()).filePath(QStringLiteral("orvane.lock"));
#endif
}

bool acquireInstanceLock() {
    auto& h = holder();
    if (h.lock)
        return true;
    auto lock = std::make_unique<QLockFile>(instanceLockPath());
    // Only a dead owner makes a lock stale, never its age: a run may last for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    h.lock = std::move(lock);
    if (!h.cleanupRegistered) {
        h.cleanupRegistered = true;
        addEndCleanup([] { releaseInstanceLock(); });
    }
    return true;
}

bool holdsInstanceLock() {
    return holder().lock != nullptr;
}

void releaseInstanceLock() {
    auto& h = holder();
    if (h.lock) {
        h.lock->unlock();
        h.lock.reset();
    }
}

} // namespace platform
