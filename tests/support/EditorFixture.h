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

#include <memory>

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
    static frmMirel& open(const QDate& day);
    // Hands another day to the open editor, as the calendar window does.
    static void reload(frmMirel& editor, const QDate& day);
    // Stores a day's row as another tool would write it; day as "2026-12-05", texts without
    // single quotes.
    bool addEntry(const QString& day, const QString& text, const QString& memo,
                  const QString& picture = {}) const;
    // The rows of a select on the journal file, read apart from the program.
    Rows rows(const QString& sql) const { return rawRows(journal, sql); }
    static QString status(const frmMirel& editor) { return editor.StatusBar1->currentMessage(); }
    // A pixel of a widget as it is drawn on screen.
    static QColor pixelOf(QWidget& widget, const QPoint& at) {
        return widget.grab().toImage().pixelColor(at);
    }

private Q_SLOTS:
    void init();
    void cleanup();
};

} // namespace testing
