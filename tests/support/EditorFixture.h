#pragma once

#include "support/CalendarFixture.h"
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
};

} // namespace testing
