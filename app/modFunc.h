#pragma once

#include "platform/Database.h"

#include <QDate>
#include <QPointer>
#include <QSet>
#include <QStatusBar>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;
class QTextEdit;

namespace store::search {
class SearchService;
}
namespace store::backup {
class StartupBackup;
}

namespace app {

// The process-wide values the windows share, kept together in one place. They live for the
// whole run.
struct ModFunc {
    QDate WorkDate; // the day the editor shows and saves

    QString DefPPath;   // default paint program
    QString DefMdbPath; // default journal file: data folder + "/orvane.mdb"
    QString DefGPath;   // default picture folder: data folder + "/Graphic"

    QString pPath;   // paint program
    QString mdbPath; // journal file
    QString gPath;   // picture folder
    QString bgPath;  // editor background texture, empty for the built-in one

    // Editor font size, top, left, height, width (twips); height 0 means width holds the state.
    std::array<std::int32_t, 5> EditorLayout{9, 100, 100, 6855, 7295};

    QString TerminalName; // this computer's name, at most 30 characters

    QPointer<QWidget> Splash; // the splash window while start-up runs

    std::unique_ptr<platform::db::Workspace> JournalWs;
    std::unique_ptr<platform::db::Database> JournalDb;
    QString SqlText;                                  // the statement last built
    std::optional<platform::db::Recordset> JournalRs; // the result of the last query

    // Keys in another form that could not be brought into the stored form because their day has
    // a row already; each is named to the user once.
    QSet<QString> ReportedKeyClashes;

    std::int32_t MarkedMonth = 0;   // key of the month whose marks are drawn, 0 for none
    QPointer<QStatusBar> StatusRef; // the editor's status bar while it is open
    qint64 PaintPid = 0;            // process id of the paint program started last
    std::array<std::int32_t, 4> NotebookLayout{0, 0, 0, 0};

    // The search over the journal, from the first search until the end of the run.
    std::unique_ptr<store::search::SearchService> Search;
    // The backup made after start-up, while it runs.
    std::unique_ptr<store::backup::StartupBackup> Backup;

    ModFunc();
    ~ModFunc();
    ModFunc& operator=(ModFunc&&) noexcept;
};

ModFunc& modFunc();
// Back to the values at creation (tests start each case from here).
void resetModFunc();

} // namespace app
