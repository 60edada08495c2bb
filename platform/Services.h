#pragma once

#include <functional>

namespace platform {

class Dialogs;
class Clock;
class Printer;

// The process-wide platform services, kept together here. Tests replace them; the program uses
// the Qt dialogs, the system clock, the default printer and an ending that leaves the process at
// once.

Dialogs& dialogs();
// nullptr restores the Qt dialogs. The caller keeps ownership.
void setDialogs(Dialogs* dialogs);

const Clock& clock();
// nullptr restores the system clock. The caller keeps ownership.
void setClock(const Clock* clock);

Printer& printer();
// nullptr restores the default printer. The caller keeps ownership.
void setPrinter(Printer* printer);

// Ends the program at once: no window's closing handler runs. When a test has replaced the
// ending, the replacement runs instead and this returns, so callers return right after it.
void endProgram(int exitCode = 0);
using EndHandler = std::function<void(int exitCode)>;
// An empty handler restores the real ending.
void setEndHandler(EndHandler handler);
// Work that must happen even on the immediate ending (releasing the single-instance lock).
void addEndCleanup(std::function<void()> cleanup);

} // namespace platform
