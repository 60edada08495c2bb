#pragma once

namespace app {

// The start-up sequence: splash, working date and default paths, settings and path check,
// single-instance check, journal, calendar window. Returns at once after any ending of the
// program (when a test has replaced the ending); otherwise the calendar window is shown.
void Main();

// Refuses a second running copy (message, then the program ends) and fills TerminalName.
// Returns false when the program was ended.
bool chkPrev();

// Releases the journal: the workspace first, then the database.
void dbClose();

} // namespace app
