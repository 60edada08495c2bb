#include "store/export/ExportFolder.h"

#include "platform/Error.h"
#include "platform/FileErrors.h"
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace store::exporting {

namespace {

constexpr qsizetype BlockSize = 1 << 16;
const QByteArray ListHeading = QByteArrayLiteral("Velmora export 1\n");

[[noreturn]] void fail(int error, const QString& path) {
    throw platform::Error(platform::errnum::PathFileAccess,
                          platform::fileErrorText(error) + QLatin1Char('\n') + path);
}

} // namespace

OutFile::OutFile(QString path) : path_(std::move(path)) {
    fd_ =
        ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0)
        fail(errno, path_);
}

OutFile::~OutFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

void OutFile::write(const QByteArray& bytes) {
    buffer_ += bytes;
    if (buffer_.size() >= BlockSize)
        flush();
}

void OutFile::flush() {
    const char* data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno, path_);
        }
        data += written;
        left -= written;
    }
    buffer_.clear();
}

void OutFile::close() {
    flush();
    const int result = ::close(std::exchange(fd_, -1));
    if (result != 0)
        fail(errno, path_);
    platform::followUserUmask(path_);
}

void ExportFolder::makeFolderFor(const QString& relative) {
    const QString folder = QFileInfo(relative).path();
    if (folder == QLatin1String(".") || folders_.contains(folder))
        return;
    const QString path = root_ + QLatin1Char('/') + folder;
    if (!QDir().mkpath(path))
        fail(QFileInfo(path).exists() ? ENOTDIR : errno, path);
    platform::followUserUmask(path);
    folders_ << folder;
}

std::unique_ptr<OutFile> ExportFolder::create(const QString& relative) {
    makeFolderFor(relative);
    files_ << relative;
    return std::make_unique<OutFile>(root_ + QLatin1Char('/') + relative);
}

void ExportFolder::writeFile(const QString& relative, const QByteArray& content) {
    auto file = create(relative);
    file->write(content);
    file->close();
}

void ExportFolder::writeList() {
    auto list = create(ListFileName);
    list->write(ListHeading);
    for (const QString& file : std::as_const(files_))
        list->write(file + QLatin1Char('\n'));
    list->close();
}

Existing existingFolder(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Existing::Nothing;
    if (!info.isDir() || info.isSymLink())
        return Existing::Other;
    QFile list(path + QLatin1Char('/') + ListFileName);
    if (!list.open(QIODevice::ReadOnly) || list.readLine() != ListHeading)
        return Existing::Other;
    QSet<QString> listed{ListFileName};
    while (!list.atEnd())
        listed.insert(QString::fromUtf8(list.readLine()).chopped(1));
    // A file the user put in among the exported ones is the user's: not replaced without asking.
    QDirIterator files(path, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    const QDir root(path);
    while (files.hasNext()) {
        if (!listed.contains(root.relativeFilePath(files.next())))
            return Existing::Other;
    }
    return Existing::OwnExport;
}

} // namespace store::exporting
