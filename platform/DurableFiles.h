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

// The SHA-256 of a file's contents in hex; empty when it cannot be read.
QString fileSha256(const QString& path);

} // namespace platform
