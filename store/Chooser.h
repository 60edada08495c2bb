#pragma once

// The chooser that runs when no journal file is found.
namespace store {

// Offers to create a new journal at mdbPath (OK), or lets the user pick an existing one
// (Cancel). A created journal is left open in JournalDb with its table made; a picked one is
// only stored in mdbPath, the caller opens it. Returns false when the program was ended (the
// pick was wrong or cancelled); the caller must then return at once. Errors of tblMake are
// raised to the caller.
[[nodiscard]] bool mdbSelect();

} // namespace store
