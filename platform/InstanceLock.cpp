#include "platform/InstanceLock.h"

#include "platform/FileErrors.h"
#include "platform/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The one holder of the lock in this process.
struct LockHolder {
    int fd = -1;
    bool cleanupRegistered = false;
};

LockHolder& holder() {
    static LockHolder h;
    return h;
}

std::optional<unsigned>& lockOwner() {
    static std::optional<unsigned> uid;
    return uid;
}

int openLockFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // No symbolic link is followed: the file must be the user's own.
    return ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

LockOutcome failed(const QString& cause) {
    return {LockOutcome::Kind::Failed, cause};
}

} // namespace

QString instanceLockPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("orvane.lock"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("orvane.lock"));
}

LockOutcome acquireInstanceLock() {
    auto& h = holder();
    if (h.fd >= 0)
        return {LockOutcome::Kind::Taken, {}};
    const QString path = instanceLockPath();
    int fd = openLockFile(path);
    if (fd < 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        fd = openLockFile(path);
    }
    if (fd < 0)
        return failed(fileErrorText(errno));

    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != lockOwner().value_or(::getuid())) {
        ::close(fd);
        return failed(QStringLiteral("このファイルは別のユーザーのものか、普通のファイルでは"
                                     "ありません。"));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return {LockOutcome::Kind::Running, {}};
        return failed(fileErrorText(error));
    }
    h.fd = fd;
    if (!h.cleanupRegistered) {
        h.cleanupRegistered = true;
        addEndCleanup([] { releaseInstanceLock(); });
    }
    return {LockOutcome::Kind::Taken, {}};
}

void setLockOwner(std::optional<unsigned> uid) {
    lockOwner() = uid;
}

bool holdsInstanceLock() {
    return holder().fd >= 0;
}

void releaseInstanceLock() {
    auto& h = holder();
    if (h.fd >= 0) {
        // Closing lets the lock go; the file stays, so no other copy can lock a file that is
        // about to vanish.
        ::close(h.fd);
        h.fd = -1;
    }
}

} // namespace platform
