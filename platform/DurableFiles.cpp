#include "platform/DurableFiles.h"

#include "platform/Error.h"
#include "platform/FileErrors.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::function<void()>& stepHook() {
    static std::function<void()> hook;
    return hook;
}

void beforeStep() {
    if (stepHook())
        stepHook()();
}

void syncPath(const QString& path, int flags, int number) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + path);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        throw Error(number, fileErrorText(error) + QLatin1Char('\n') + path);
}

} // namespace

void setFileStepHook(std::function<void()> hook) {
    stepHook() = std::move(hook);
}

void renameDurably(const QString& from, const QString& to, int number) {
    beforeStep();
    // What replaces a file keeps its permissions: a journal the user shared with the group stays
    // shared after a compaction or a restore.
    struct stat replaced {};
    if (::stat(QFile::encodeName(to).constData(), &replaced) == 0 &&
        ::chmod(QFile::encodeName(from).constData(), replaced.st_mode & 0777) != 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + from);
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + to);
    // The folder holds the new name: without its sync a power cut could bring the old one back.
    try {
        beforeStep();
        syncPath(QFileInfo(to).absolutePath(), O_RDONLY, number);
    } catch (const Error&) {
        // The rename is done; a folder that cannot be synced changes nothing for the caller.
    }
}

void copyDurably(const QString& from, const QString& to, int number) {
    beforeStep();
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly))
        throw Error(number, source.errorString() + QLatin1Char('\n') + from);
    if (!target.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        throw Error(number, target.errorString() + QLatin1Char('\n') + to);
    QByteArray block;
    while (!(block = source.read(1 << 20)).isEmpty()) {
        if (target.write(block) != block.size())
            throw Error(number, target.errorString() + QLatin1Char('\n') + to);
        beforeStep();
    }
    if (source.error() != QFileDevice::NoError)
        throw Error(number, source.errorString() + QLatin1Char('\n') + from);
    if (!target.flush() || ::fsync(target.handle()) != 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + to);
}

void syncFile(const QString& path, int number) {
    beforeStep();
    syncPath(path, O_RDONLY, number);
}

QString fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace platform
