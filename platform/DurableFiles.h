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
// Copies from to a new file to (which must not exist) and syncs it. Raises Error(number, …).
void copyDurably(const QString& from, const QString& to, int number);
// Syncs a file that is already written. Raises Error(number, …).
void syncFile(const QString& path, int number);
// Tests make the file steps here fail: the hook runs before each rename, copy and sync, before
// the folder sync of a rename and after each block a copy writes, and may raise Error. Empty by
// default.
void setFileStepHook(std::function<void()> hook);

// A file step about to run, told to an observer so that tests can cut the power between steps,
// the rename and its folder's sync included, and know what had reached the disk by then.
struct FileStep {
    enum class Kind {
        Rename,     // path is about to be renamed to target
        FolderSync, // the folder path, where a rename happened, is about to be synced
        Copy,       // path is about to be copied to the new file target
        Sync,       // the file path (a copy just written included) is about to be synced
    };
    Kind kind;
    QString path;
    QString target;
};
// Empty by default.
void setFileStepObserver(std::function<void(const FileStep&)> observer);

// The SHA-256 of a file's contents in hex; empty when it cannot be read.
QString fileSha256(const QString& path);

} // namespace platform
