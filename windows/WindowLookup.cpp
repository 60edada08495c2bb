#include "windows/WindowLookup.h"

#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "windows/book/frmBook.h"
#include "windows/book/frmExport.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/frmMirel.h"
#include "windows/notebook/frmBar.h"
#include "windows/restore/frmRestore.h"
#include "windows/search/frmFind.h"

#include <QApplication>

#include <memory>

namespace windows {

namespace {

// A window counts as open while it is shown (minimized included); a closed window waiting for
// its deletion does not.
template <typename Window> Window* findOpen() {
    const auto all = QApplication::topLevelWidgets();
    for (QWidget* widget : all) {
        if (auto* window = qobject_cast<Window*>(widget); window != nullptr && window->isVisible())
            return window;
    }
    return nullptr;
}

void bringForward(QWidget& window) {
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

frmMirel* findEditor() {
    return findOpen<frmMirel>();
}

frmMirel& showEditor() {
    if (frmMirel* open = findEditor()) {
        bringForward(*open);
        return *open;
    }
    auto editor = std::make_unique<frmMirel>();
    editor->Form_Load();
    editor->show();
    editor->activateWindow();
    return *editor.release(); // deletes itself when closed
}

frmCal* findCalendar() {
    return findOpen<frmCal>();
}

frmCal* findCalendarByClockTitle() {
    return qobject_cast<frmCal*>(
        platform::findTopLevelWindow(calendarTitle(platform::clock().now())));
}

frmCal& showCalendar() {
    if (frmCal* open = findCalendar()) {
        bringForward(*open);
        return *open;
    }
    auto calendar = std::make_unique<frmCal>();
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    bringForward(*calendar);
    return *calendar.release(); // deletes itself when closed
}

frmBar* findNotebook() {
    return findOpen<frmBar>();
}

frmBar& showNotebook() {
    if (frmBar* open = findNotebook()) {
        bringForward(*open);
        return *open;
    }
    auto notebook = std::make_unique<frmBar>();
    notebook->Form_Load();
    bringForward(*notebook);
    return *notebook.release(); // deletes itself when closed
}

frmFind* findFinder() {
    return findOpen<frmFind>();
}

frmFind& showFinder() {
    if (frmFind* open = findFinder()) {
        bringForward(*open);
        return *open;
    }
    auto finder = std::make_unique<frmFind>();
    bringForward(*finder);
    return *finder.release(); // deletes itself when closed
}

frmRestore* findRestore() {
    return findOpen<frmRestore>();
}

frmRestore& showRestore() {
    if (frmRestore* open = findRestore()) {
        bringForward(*open);
        return *open;
    }
    auto restore = std::make_unique<frmRestore>();
    restore->loadBackups();
    bringForward(*restore);
    return *restore.release(); // deletes itself when closed
}

frmLock& showLock(frmLock::Mode mode) {
    if (frmLock* open = findOpen<frmLock>(); open != nullptr && open->mode() == mode) {
        bringForward(*open);
        return *open;
    }
    auto window = std::make_unique<frmLock>(mode);
    bringForward(*window);
    return *window.release(); // deletes itself when closed
}

namespace {

// The open window of the kind, or a new one, brought forward on the day.
template <typename Window> Window& showOnDay(const QDate& day) {
    Window* window = findOpen<Window>();
    std::unique_ptr<Window> made;
    if (window == nullptr) {
        made = std::make_unique<Window>();
        window = made.get();
    }
    window->setDay(day);
    bringForward(*window);
    made.release(); // deletes itself when closed
    return *window;
}

} // namespace

frmExport* findExporter() {
    return findOpen<frmExport>();
}

frmExport& showExporter(const QDate& day) {
    return showOnDay<frmExport>(day);
}

frmBook* findBookPrinter() {
    return findOpen<frmBook>();
}

frmBook& showBookPrinter(const QDate& day) {
    return showOnDay<frmBook>(day);
}

void stopBackgroundWork() {
    // Deleted, not closed: the program may be ending, with no event loop to run a later delete.
    delete findExporter();
    delete findBookPrinter();
}

} // namespace windows
