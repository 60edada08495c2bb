#pragma once

#include "windows/crypto/frmLock.h"

class frmBar;
class frmBook;
class frmCal;
class frmExport;
class QDate;
class frmFind;
class frmMirel;
class frmRestore;

// Finding and showing the program's windows. Nothing is remembered here: every call looks at the
// application's open top-level windows.
namespace windows {

// The open entry editor, or nullptr.
frmMirel* findEditor();
// Brings the open editor to the front, or creates one, runs its load handler (which shows
// WorkDate's entry) and shows it. The editor deletes itself when it closes.
frmMirel& showEditor();

// The open calendar window, whatever its title shows, or nullptr.
frmCal* findCalendar();
// The calendar window as the editor looks for it after a save: the window whose title is
// exactly the clock title of this moment (so not while it is minimized), or nullptr.
frmCal* findCalendarByClockTitle();
// Shows the open calendar window, or a new one when none is open, and gives it the focus.
frmCal& showCalendar();

// The open year notebook, or nullptr.
frmBar* findNotebook();
// Brings the open notebook to the front, or creates one, runs its load handler (which lists the
// year of WorkDate) and shows it. The notebook deletes itself when it closes.
frmBar& showNotebook();

// The open search window, or nullptr.
frmFind* findFinder();
// Brings the open search window to the front, or creates and shows one, which prepares the
// search. The window deletes itself when it closes.
frmFind& showFinder();

// The open restore window, or nullptr.
frmRestore* findRestore();
// Brings the open restore window to the front, or creates one, lists the journal's backups and
// shows it. The window deletes itself when it closes.
frmRestore& showRestore();

// Brings the open encryption window to the front, or creates and shows one for the command.
frmLock& showLock(frmLock::Mode mode);

// The open export window, or nullptr.
frmExport* findExporter();
// Brings the open export window to the front, or creates and shows one; either way its day (for
// この日, この月 and この年) becomes the given one. The window deletes itself when it closes.
frmExport& showExporter(const QDate& day);

// The open print window, or nullptr.
frmBook* findBookPrinter();
// Brings the open print window to the front, or creates and shows one; either way its day (for
// この日, この月 and この年) becomes the given one. The window deletes itself when it closes.
frmBook& showBookPrinter(const QDate& day);

// Closes the export and print windows without asking: the work they run stops and removes its
// unfinished files before this returns.
void stopBackgroundWork();

} // namespace windows
