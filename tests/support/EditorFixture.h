#pragma once

#include "app/modFunc.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"
#include "support/TopLevelWindows.h"
#include "windows/WindowLookup.h"
#include "windows/editor/frmMirel.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace testing {

using Rows = QList<QStringList>;

// Base of the editor's test classes: every test function gets a private world with an open
// journal file (table Mirel included) and this computer named PC01, and leaves no window behind.
class EditorTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TestEnv> env;
    QString journal;

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
    // Stores a day's row as another tool would write it; day as "2026-12-05", texts without
    // single quotes.
    bool addEntry(const QString& day, const QString& text, const QString& memo,
                  const QString& picture = {}) const {
        return rawExecute(
            journal, u"insert into Mirel values('%1 00:00:00','%2','%3','%4',0,"
                     "'%1 00:00:00','1899-12-30 10:00:00','PC01')"_s.arg(day, text, memo, picture));
    }
    // The rows of a select on the journal file, read apart from the program.
    Rows rows(const QString& sql) const { return rawRows(journal, sql); }
    static QString status(const frmMirel& editor) { return editor.StatusBar1->currentMessage(); }

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        journal = createJournal(*env);
        app::modFunc().TerminalName = u"PC01"_s;
    }
    void cleanup() {
        deleteAllWindows();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }
};

} // namespace testing
