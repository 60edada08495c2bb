#pragma once

#include "store/Session.h"

#include <QDate>
#include <QPointer>
#include <QStatusBar>
#include <QString>

#include <array>
#include <cstdint>

class QWidget;
class QTextEdit;

namespace app {

// The process-wide values the windows share, kept together in one place. They live for the
// whole run. The journal and what store/ keeps beside it are its store::Session part.
struct ModFunc : store::Session {
    QDate WorkDate; // the day the editor shows and saves

    QString DefPPath;   // default paint program
    QString DefMdbPath; // default journal file: data folder + "/orvane.mdb"
    QString DefGPath;   // default picture folder: data folder + "/Graphic"

    QString pPath;  // paint program
    QString bgPath; // editor background texture, empty for the built-in one

    // Editor font size, top, left, height, width (twips); height 0 means width holds the state.
    std::array<std::int32_t, 5> EditorLayout{9, 100, 100, 6855, 7295};

    QString TerminalName; // this computer's name, at most 30 characters

    QPointer<QWidget> Splash; // the splash window while start-up runs

    std::int32_t MarkedMonth = 0;   // key of the month whose marks are drawn, 0 for none
    QPointer<QStatusBar> StatusRef; // the editor's status bar while it is open
    qint64 PaintPid = 0;            // process id of the paint program started last
    std::array<std::int32_t, 4> NotebookLayout{0, 0, 0, 0};

    void closeSplash() override;

    ModFunc();
    ~ModFunc() override;
    ModFunc& operator=(ModFunc&&) noexcept;
};

ModFunc& modFunc();
// Back to the values at creation (tests start each case from here).
void resetModFunc();

} // namespace app
