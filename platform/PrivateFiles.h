#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

// The diary is its user's alone: what the program creates is readable by no other account.
namespace platform {

// Sets the process's file creation mask to 077, so that every file the program, SQLite or Qt
// creates is 0600 and every folder 0700 from the start, and remembers the mask it replaced as the
// user's. Called first thing in main(), before any thread or file exists.
void keepFilesPrivate();
// The mask the user started the program with; none when keepFilesPrivate() never ran (the
// process's mask is then still the user's own).
std::optional<mode_t> userUmask();

// Takes the group's and others' permission bits off a folder of the program's own that an older
// version left open, and off every folder below it when withSubfolders is set. A missing folder,
// a symbolic link and another account's folder are left as they are; files are never changed.
void makeFolderPrivate(const QString& folder, bool withSubfolders = false);

} // namespace platform

namespace platform {

// Gives a file or folder the user asked to have written (an export, a PDF) the permission bits the
// user's own umask gives new ones (0666 or, for a folder, 0777 without the mask's bits): the
// program's private mask is not meant for them. Raises nothing; without a remembered mask the
// process's mask already is the user's and nothing changes.
void followUserUmask(const QString& path);

} // namespace platform
