#pragma once

#include "app/modFunc.h" // the journal (platform/Database.h), WorkDate and MarkedMonth
#include "support/JournalFile.h"
#include "support/TestEnv.h" // the scripted dialogs (platform/Dialogs.h)
#include "support/TopLevelWindows.h"
#include "windows/calendar/frmCal.h"

#include <QComboBox>

// What the tests of the calendar window, its pen marks and its commands share.
namespace testing {

// Each test function runs in a fresh TestEnv with an empty journal (with its table) open, this
// computer named "PC01", WorkDate on today and no month marked, as start-up leaves it; afterwards
// every window goes and the dialog script is checked.
class CalendarTest : public QObject {
    Q_OBJECT
protected:
    std::unique_ptr<TestEnv> env;
    QString journal; // the journal file's path
private Q_SLOTS:
    void init();
    void cleanup();
};

// An entry in the open journal with only its day, text and remark.
void addEntry(const QDate& day, const QVariant& memo, const QString& text = QStringLiteral("text"));
// How many statements the open journal has run.
quint64 queries();
// The calendar window as the program shows it (a new one when none is open), on the screen; the
// test fails when it does not get there.
frmCal& shownCalendar();
// A day's tool tip and tag in the calendar.
QString tipOf(frmCal& w, int day);
QString tagOf(frmCal& w, int day);
// Whether a day's cell shows the pen: its black tip and dark green body, both inverted when the
// day is the selected one (the highlight inverts the whole cell).
bool hasPen(frmCal& w, int day);
// The last message box shown, as "title|buttons|icon|text" with the buttons and icon by name
// ("ORVANE|YesNo|Exclamation|..."); empty when none was shown.
QString lastMessage(const TestEnv& env);
// A selector choice as the user makes it: the item becomes current, then activated.
void choose(QComboBox* combo, const QString& text);
// The pointer comes to rest over a day and clicks, or double-clicks as the desktop delivers it:
// a click, then the double-click.
void press(frmCal& w, int day, bool twice = false);

} // namespace testing
