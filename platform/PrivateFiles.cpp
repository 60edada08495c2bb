#include "platform/PrivateFiles.h"

#include <QDirIterator>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Set in main() before any thread exists; read when a program is started for the user.
std::optional<mode_t>& rememberedUmask() {
    static std::optional<mode_t> mask;
    return mask;
}

void makeOnePrivate(const QString& folder) {
    // Opened without following a link, so a link put in its place is never changed instead.
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) {
        // Nothing to tell the user when it fails: the folder stays as the older version left it.
        (void)::fchmod(fd, info.st_mode & 0700);
    }
    ::close(fd);
}

} // namespace

void keepFilesPrivate() {
    rememberedUmask() = ::umask(077);
}

std::optional<mode_t> userUmask() {
    return rememberedUmask();
}

void makeFolderPrivate(const QString& folder, bool withSubfolders) {
    makeOnePrivate(folder);
    if (!withSubfolders)
        return;
    QDirIterator below(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (below.hasNext())
        makeOnePrivate(below.next());
}

} // namespace platform

namespace platform {

void followUserUmask(const QString& path) {
    const auto mask = userUmask();
    if (!mask)
        return;
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &info) != 0 || S_ISLNK(info.st_mode))
        return;
    const mode_t wanted = (S_ISDIR(info.st_mode) ? 0777 : 0666) & ~*mask;
    (void)::chmod(name.constData(), wanted);
}

} // namespace platform
