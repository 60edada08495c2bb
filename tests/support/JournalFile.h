#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace testing {

class TestEnv;

// Creates a real journal file, orvane.mdb in the test's data folder, through the program's
// engine (with table Mirel unless told otherwise), opens it as modFunc().JournalDb and sets
// mdbPath and gPath (the Graphic folder, created) to match. Returns the file's path.
QString createJournal(const TestEnv& env, bool withTable = true);

// Runs statements on a journal file (made when missing) with SQLite's own library, apart from the
// program's engine, as the sqlite3 client would. Returns false, with a warning, when one fails.
[[nodiscard]] bool rawExecute(const QString& path, const QString& sql);
// The rows of a select, each column as its stored text ("<NULL>" for a missing value). A query
// that fails fails the running test.
QList<QStringList> rawRows(const QString& path, const QString& sql);
// The same rows as one text: the cells of a row joined by "|", the rows by ", ".
QString rawText(const QString& path, const QString& sql);
// The text of a day's entries in a journal file (day as "2026-12-05"), empty when it has none.
QString dayText(const QString& path, const QString& day);

// The standard message of the error the body raises, empty when it raises none.
QString failure(const std::function<void()>& body);

} // namespace testing
