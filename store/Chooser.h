#pragma once

// The chooser that runs when no journal file is found.
namespace store {

// Where the chooser runs: at start-up a journal must be found or the program ends; from the
// editor the open journal and the user's text are still there, so nothing ends.
enum class ChooserFrom { StartUp, Editor };

// Offers to create a new journal at mdbPath (OK), or lets the user pick an existing one
// (Cancel). A created journal is left open in JournalDb with its table made; a picked one is
// only stored in mdbPath, the caller opens it. Returns false when the pick was wrong or
// cancelled: at start-up the program has then been ended and the caller must return at once;
// from the editor the message was shown and nothing else happened. Errors of tblMake are raised
// to the caller.
[[nodiscard]] bool mdbSelect(ChooserFrom from = ChooserFrom::StartUp);

} // namespace store
