#include "platform/Services.h"

#include "platform/Clock.h"
#include "platform/Printer.h"
#include "platform/QtDialogs.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

struct ServiceState {
    QtDialogs qtDialogs;
    SystemClock systemClock;
    QtPrinter defaultPrinter;
    Dialogs* dialogs = nullptr;
    const Clock* clock = nullptr;
    Printer* printer = nullptr;
    EndHandler endHandler;
    std::vector<std::function<void()>> endCleanups;
};

ServiceState& state() {
    static ServiceState s;
    return s;
}

} // namespace

Dialogs& dialogs() {
    auto& s = state();
    return s.dialogs != nullptr ? *s.dialogs : s.qtDialogs;
}

void setDialogs(Dialogs* dialogs) {
    state().dialogs = dialogs;
}

const Clock& clock() {
    auto& s = state();
    return s.clock != nullptr ? *s.clock : s.systemClock;
}

void setClock(const Clock* clock) {
    state().clock = clock;
}

Printer& printer() {
    auto& s = state();
    return s.printer != nullptr ? *s.printer : s.defaultPrinter;
}

void setPrinter(Printer* printer) {
    state().printer = printer;
}

void endProgram(int exitCode) {
    auto& s = state();
    if (s.endHandler) {
        s.endHandler(exitCode);
        return;
    }
    for (auto& cleanup : s.endCleanups)
        cleanup();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void setEndHandler(EndHandler handler) {
    state().endHandler = std::move(handler);
}

void addEndCleanup(std::function<void()> cleanup) {
    state().endCleanups.push_back(std::move(cleanup));
}

} // namespace platform
