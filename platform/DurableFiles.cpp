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

std::function<void(const FileStep&)>& stepObserver() {
    static std::function<void(const FileStep&)> observer;
    return observer;
}

void beforeStep() {
    if (stepHook())
        stepHook()();
}

void observe(FileStep::Kind kind, const QString& path, const QString& target = {}) {
    if (stepObserver())
        stepObserver()({kind, path, target});
}

// Every sync here goes through this one call, told first: a sync left out is left out of what
// an observer sees too.
int syncObserved(int fd, FileStep::Kind kind, const QString& path) {
    observe(kind, path);
    return ::fsync(fd);
}

void syncPath(const QString& path, FileStep::Kind kind, int number) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + path);
    const int result = syncObserved(fd, kind, path);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        throw Error(number, fileErrorText(error) + QLatin1Char('\n') + path);
}

} // namespace

void setFileStepHook(std::function<void()> hook) {
    stepHook() = std::move(hook);
}

void setFileStepObserver(std::function<void(const FileStep&)> observer) {
    stepObserver() = std::move(observer);
}

void renameDurably(const QString& from, const QString& to, int number) {
    beforeStep();
    observe(FileStep::Kind::Rename, from, to);
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
        syncPath(QFileInfo(to).absolutePath(), FileStep::Kind::FolderSync, number);
    } catch (const Error&) {
        // The rename is done; a folder that cannot be synced changes nothing for the caller.
    }
}

void copyDurably(const QString& from, const QString& to, int number) {
    beforeStep();
    observe(FileStep::Kind::Copy, from, to);
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
    if (!target.flush() || syncObserved(target.handle(), FileStep::Kind::Sync, to) != 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + to);
}

void syncFile(const QString& path, int number) {
    beforeStep();
    syncPath(path, FileStep::Kind::Sync, number);
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
