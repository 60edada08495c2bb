#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace testing {

class TestEnv;

// Creates a real journal file, orvane.mdb in the test's data folder, through the program's
// engine (with table Mirel unless told otherwise), opens it as modFunc().JournalDb and sets
// mdbPath and gPath (the Graphic folder, created) to match. Returns the file's path.
QString createJournal(const TestEnv& env, bool withTable = true);

// Runs a statement on a journal file with SQLite's own library, apart from the program's engine
// (as another tool would write it). Returns false, with a warning, when it fails.
[[nodiscard]] bool rawExecute(const QString& path, const QString& sql);
// The rows of a select, each column as its stored text ("<NULL>" for a missing value). A query
// that fails fails the running test.
QList<QStringList> rawRows(const QString& path, const QString& sql);

} // namespace testing
