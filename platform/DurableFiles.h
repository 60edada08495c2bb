#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// File steps that must last once they are done: a rename that survives a power cut, a copy
// that has reached the disk, the SHA-256 of a file.
namespace platform {

// Renames from over to (replacing it in one step on one file system) and syncs the folder.
// Raises Error(number, the cause in words) on failure.
void renameDurably(const QString& from, const QString& to, int number);
// Copies from to a new file to (which must not exist) and syncs it, the copy's first bytes
// replaced by head when it is given. Raises Error(number, …).
void copyDurably(const QString& from, const QString& to, int number, const QByteArray& head = {});
// Syncs a file that is already written. Raises Error(number, …).
void syncFile(const QString& path, int number);
// A file step about to run. Tests see each one through the hook: they make it fail (the hook
// raises Error) or cut the power before it, knowing what had reached the disk by then.
struct FileStep {
    enum class Kind {
        Rename,     // path is about to be renamed to target
        FolderSync, // the folder path, where a rename happened, is about to be synced
        Copy,       // path is about to be copied to the new file target
        Written,    // a block of the copy path was written, not yet synced
        Sync,       // the file path (a copy just written included) is about to be synced
    };
    Kind kind;
    QString path;
    QString target;
};
// Empty by default.
void setFileStepHook(std::function<void(const FileStep&)> hook);

// The SHA-256 of a file's contents in hex; empty when it cannot be read.
QString fileSha256(const QString& path);

} // namespace platform
