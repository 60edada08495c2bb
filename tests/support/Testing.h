#pragma once

// What the tests share: Qt's widgets and test library, the program's windows, its journal and
// backups, and the helpers of this folder.
#include "app/Main.h"
#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/CipherVfs.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "platform/InstanceLock.h"
#include "platform/PagePrinter.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/Compaction.h"
#include "store/Journal.h"
#include "store/Schema.h"
#include "store/backup/Backups.h"
#include "store/backup/StartupBackup.h"
#include "store/search/SearchService.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/frmMirel.h"
#include "windows/notebook/frmBar.h"
#include "windows/restore/frmRestore.h"
#include "windows/search/frmFind.h"

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using platform::Answer;

namespace testing {

// ---- dialogs and the test's world ----

// Answers dialogs from a queue the test fills in advance and records every call. A dialog that
// was not expected, or of another kind than the next queued answer, is recorded as a problem
// and answered as cancelled; the fixture fails the test when problems or unused answers remain.
class ScriptedDialogs : public platform::Dialogs {
public:
    enum class Kind { Message, Input, OpenFile, Printer };

    struct Call {
        Kind kind;
        QString text; // message text or input prompt
        QString title;
        platform::Buttons buttons = platform::Buttons::Ok;
        platform::Icon icon = platform::Icon::None;
        QString defaultText;
        platform::FileRequest file;
        bool splashShown = false; // the start-up splash was on the screen
        // "title|buttons|icon|text", the buttons and icon by their numbers in platform/Dialogs.h.
        QString summary() const;
    };

    // Queue the next answers.
    void answerMessage(platform::Answer answer) { queue_.push_back({Kind::Message, answer, {}}); }
    void answerInput(std::optional<QString> text) { queue_.push_back({Kind::Input, {}, text}); }
    void answerFile(std::optional<QString> path) { queue_.push_back({Kind::OpenFile, {}, path}); }
    // The chosen printer writes its pages to a PDF file at the path; nothing cancels.
    void answerPrinter(std::optional<QString> pdfPath) {
        queue_.push_back({Kind::Printer, {}, pdfPath});
    }

    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                             const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    std::optional<QString> openFile(const platform::FileRequest& request) override;
    std::unique_ptr<platform::PageJob>
    choosePrinter(const platform::PrintRequest& request) override;

    const std::vector<Call>& calls() const { return calls_; }
    // Texts of the message boxes shown, in order.
    QStringList messageTexts() const;

    // Problems met so far plus answers never used; empty when the script ran as planned.
    QStringList problems() const;
    void reset();

private:
    struct Queued {
        Kind kind;
        platform::Answer answer = platform::Answer::Ok;
        std::optional<QString> text;
    };
    // Records the call and takes the next answer when it is of the call's kind.
    std::optional<Queued> take(Call call, const QString& what);

    std::deque<Queued> queue_;
    std::vector<Call> calls_;
    QStringList problems_;
};

// A private world for one test function: fresh XDG data, config and runtime folders and settings
// file, the scripted dialogs, a clock fixed at 2026-12-06 21:05:09 and an ending that is only
// recorded. Restores the real services when destroyed. Not copyable (it owns its folder).
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    ScriptedDialogs dialogs;
    platform::FixedClock clock{QDateTime(QDate(2026, 12, 6), QTime(21, 5, 9))};
    // Exit codes of every ending of the program, in order.
    QList<int> endings;

    QString root() const { return dir_.path(); }
    // The per-user data folder (~/.local/share/orvane in real life).
    QString dataDir() const {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    // The settings file (~/.config/orvane/orvane.ini in real life).
    QString settingsFile() const { return root() + QStringLiteral("/config/orvane/orvane.ini"); }

private:
    QTemporaryDir dir_;
};

// Sets up the process before QApplication exists: offscreen platform, private XDG folders,
// the program's application name.
void prepareProcess(int argc, char** argv);

// ---- files ----

// Writes a file, making its folder first, readable and writable by its owner (and runnable when
// executable is set). Returns the path. A file that cannot be written fails the running test.
QString writeFile(const QString& path, const QByteArray& content = "#!/bin/sh\n",
                  bool executable = false);

// The whole content of a file, empty when it cannot be read.
QByteArray readFile(const QString& path);

// ---- encrypted files ----

// The least work Argon2id accepts: tests make and open many headers.
inline constexpr platform::cipher::KdfCost QuickKdf{1, 8192};
// The file layer that opens an encrypted file made with QuickKdf, its key taken from the file's
// own header with the passphrase; nothing for a plain file or another passphrase.
std::shared_ptr<platform::cipher::CipherVfs> cipherLayer(const QString& path,
                                                         const QString& passphrase);

// ---- journal files ----

// Creates a real journal file, orvane.mdb in the test's data folder, through the program's
// engine (with table Mirel unless told otherwise), opens it as modFunc().JournalDb and sets
// mdbPath and gPath (the Graphic folder, created) to match. Returns the file's path.
QString createJournal(const TestEnv& env, bool withTable = true);

// Runs statements on a journal file (made when missing) with SQLite's own library, apart from the
// program's engine, as the sqlite3 client would. Returns false, with a warning, when one fails.
[[nodiscard]] bool rawExecute(const QString& path, const QString& sql);
// Stores a day's entry in a journal file as another tool would write it (day as "2026-12-05", texts
// without single quotes), in place of one the day has; a failure fails the running test.
void putEntry(const QString& path, const QString& day, const QString& text,
              const QString& remark = {}, const QString& picture = {});
// The rows of a select, each column as its stored text ("<NULL>" for a missing value), read
// through the named SQLite file layer (nullptr: the default). A query that fails fails the
// running test.
QList<QStringList> rawRows(const QString& path, const QString& sql, const char* vfs = nullptr);
// The same rows as one text: the cells of a row joined by "|", the rows by ", ".
QString rawText(const QString& path, const QString& sql, const char* vfs = nullptr);
// The text of a day's entries in a journal file (day as "2026-12-05"), empty when it has none.
QString dayText(const QString& path, const QString& day);

// The standard message of the error the body raises, empty when it raises none.
QString failure(const std::function<void()>& body);

// ---- child processes ----

// A line on standard output, said at once, so that the parent reads it even after a kill.
inline void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// The whole lines a finished child said: a line a kill cut short was not said.
inline QStringList saidLines(QProcess& process) {
    QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
    lines.removeLast();
    return lines;
}

// The main of every test: the process set up (private XDG folders), an application named as the
// program's, the tests run. A program that is also its own child, run with --child, passes the
// arguments after it to child instead, on the offscreen platform.
template <class Tests>
int testsOrChild(int argc, char** argv, int (*child)(const QStringList&) = nullptr) {
    const bool isChild = child != nullptr && argc > 1 && qstrcmp(argv[1], "--child") == 0;
    if (isChild)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else
        prepareProcess(argc, argv);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
    if (isChild)
        return child(QCoreApplication::arguments().mid(2));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    Tests tests;
    return QTest::qExec(&tests, argc, argv);
}

// ---- windows ----

// Deletes every window the test left open (windows that delete themselves on closing included),
// so the next test starts without any.
void deleteAllWindows();

// Runs the deletions Qt has queued (windows closed with WA_DeleteOnClose).
void runDeferredDeletes();

// Makes a shown window the active one, so that focus changes inside it are delivered.
bool activate(QWidget& window);

// ---- the calendar's and the editor's tests ----

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

using Rows = QList<QStringList>;

// Base of the editor's test classes: the calendar tests' world (an open journal file with table
// Mirel, this computer named PC01, no window left behind), with the editor's own helpers.
class EditorTest : public CalendarTest {
    Q_OBJECT

protected:
    // Sets WorkDate and shows the editor on that day.
    static frmMirel& open(const QDate& day) {
        app::modFunc().WorkDate = day;
        return windows::showEditor();
    }
    // Hands another day to the open editor, as the calendar window does.
    static void reload(frmMirel& editor, const QDate& day) {
        app::modFunc().WorkDate = day;
        editor.iniForm();
    }
    // The rows of a select on the journal file, read apart from the program.
    Rows rows(const QString& sql) const { return rawRows(journal, sql); }
    static QString status(const frmMirel& editor) { return editor.StatusBar1->currentMessage(); }
};

} // namespace testing

// Like QTEST_MAIN, with the private XDG folders and the program's application name.
#define ORVANE_TEST_MAIN(TestObject) ORVANE_TEST_MAIN_AFTER(TestObject, )
// The same, with a statement that runs first (what must be set before the application exists).
#define ORVANE_TEST_MAIN_AFTER(TestObject, first)                                                  \
    int main(int argc, char** argv) {                                                              \
        first;                                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return testing::testsOrChild<TestObject>(argc, argv);                                      \
    }

// Fails the test when the dialog script met a dialog it did not expect or kept an answer.
#define ORVANE_VERIFY_ENV(env)                                                                     \
    QVERIFY2((env).dialogs.problems().isEmpty(),                                                   \
             qPrintable((env).dialogs.problems().join(QLatin1Char('\n'))))
