#pragma once

#include <QFont>
#include <QString>

#include <thread>

class QWidget;

// Small services of the desktop: folders, the computer's name, windows found by title, fonts.
namespace platform {

// The per-user data folder (~/.local/share/orvane), created when missing.
QString dataFolder();
// The folder of the program's own files: the executable's folder in a build tree,
// share/orvane of the install prefix when installed.
QString programFilesFolder();
// The first of kolourpaint, mtpaint, pinta, drawing, gimp found on PATH, else
// /usr/bin/kolourpaint.
QString defaultPaintProgram();
// Whether a chosen file counts as a program: its name ends in "exe" (letter case as written), or
// it is an existing executable regular file without a picture ending (bmp, jpg, jpeg, png, gif in
// any letter case) that starts like a program (an ELF header or "#!").
bool isProgramFile(const QString& path);

// This computer's name cut to its first 30 characters (the column holds 30); empty when unknown.
QString computerName();

// The visible top-level window of this program whose title is exactly the given text.
QWidget* findTopLevelWindow(const QString& exactTitle);

// Maps the font names the windows use to the installed stand-ins.
void installFontSubstitutions();
// A font the windows name as the Windows version did ("ＭＳ Ｐ明朝"), made with the family of its
// installed stand-in: looked up by that name, the toolkit would search every font on the system
// for a match first.
QFont namedFont(const QString& family, qreal points, bool bold);

// Sets the program's own text (menus, status bar, message boxes) in a Japanese interface font,
// the stand-in of "ＭＳ Ｐゴシック" at 9 points, as a Japanese desktop shows it: Japanese text then
// needs no search through the system's fonts for one that has its characters, which costs
// start-up time. The font is named by its own family, which is found without that search too.
void installInterfaceFont();

// Reads the system's font configuration on a thread of its own, so that it happens while the
// main thread connects to the desktop instead of when the first text is measured. Join it before
// the first window is made. Only the font configuration library's own state is touched, and that
// library guards it itself.
std::jthread readFontConfigurationAhead();

// Joins a folder and a name with the native separator.
QString joinPath(const QString& folder, const QString& name);

// The part of a path after its last "/" or "\".
QString fileTitle(const QString& path);

} // namespace platform
