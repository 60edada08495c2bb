#pragma once

namespace bench {

// Runs the program's start-up inside this process on the journal its settings name (the XDG
// folders of the environment), then measures what a diarist waits for while using it: stepping
// through months with their marks, opening the editor on an entry, changing its day and saving.
// Prints one "name value" line per figure. Returns 0, or 1 when the program did not start.
int measureInProcess(int argc, char** argv);

} // namespace bench
