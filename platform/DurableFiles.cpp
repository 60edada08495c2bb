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

std::function<void(const FileStep&)>& stepHook() {
    static std::function<void(const FileStep&)> hook;
    return hook;
}

// Every step goes through here first; a sync is told right before it is made, so a sync left
// out is left out of what a test sees too.
void step(FileStep::Kind kind, const QString& path, const QString& target = {}) {
    if (stepHook())
        stepHook()({kind, path, target});
}

void syncPath(const QString& path, FileStep::Kind kind, int number) {
    step(kind, path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + path);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        throw Error(number, fileErrorText(error) + QLatin1Char('\n') + path);
}

} // namespace

void setFileStepHook(std::function<void(const FileStep&)> hook) {
    stepHook() = std::move(hook);
}

void renameDurably(const QString& from, const QString& to, int number) {
    step(FileStep::Kind::Rename, from, to);
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
        syncPath(QFileInfo(to).absolutePath(), FileStep::Kind::FolderSync, number);
    } catch (const Error&) {
        // The rename is done; a folder that cannot be synced changes nothing for the caller.
    }
}

void copyDurably(const QString& from, const QString& to, int number, const QByteArray& head) {
    step(FileStep::Kind::Copy, from, to);
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly))
        throw Error(number, source.errorString() + QLatin1Char('\n') + from);
    if (!target.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        throw Error(number, target.errorString() + QLatin1Char('\n') + to);
    QByteArray block;
    while (!(block = source.read(1 << 20)).isEmpty()) {
        if (source.pos() == block.size() && !head.isEmpty())
            block.replace(0, head.size(), head);
        if (target.write(block) != block.size())
            throw Error(number, target.errorString() + QLatin1Char('\n') + to);
        step(FileStep::Kind::Written, to);
    }
    if (source.error() != QFileDevice::NoError)
        throw Error(number, source.errorString() + QLatin1Char('\n') + from);
    if (!target.flush())
        throw Error(number, target.errorString() + QLatin1Char('\n') + to);
    step(FileStep::Kind::Sync, to);
    if (::fsync(target.handle()) != 0)
        throw Error(number, fileErrorText(errno) + QLatin1Char('\n') + to);
}

void syncFile(const QString& path, int number) {
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
