#pragma once

#include "platform/Database.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>
#include <QVariantList>

#include <sqlite3.h>

#include <optional>

// What the files of the journal's database engine share among themselves; nothing outside
// platform/Database*.cpp includes it.
namespace platform::db::detail {

// Turns a failed call into the program's error, with the numbers the callers react to.
[[noreturn]] void fail(sqlite3* handle, int code);
// Raises the error of code unless it is SQLITE_OK, SQLITE_DONE or SQLITE_ROW.
void check(sqlite3* handle, int code);

// One prepared statement, finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* handle, const QString& sql);
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the values to the "?" placeholders in order; their number must match.
    void bind(const QVariantList& params);
    // SQLITE_ROW or SQLITE_DONE; anything else is raised.
    int step();
    sqlite3_stmt* get() const { return stmt_; }

private:
    void bindText(int index, const QString& text);
    void bindOne(int index, const QVariant& value);

    sqlite3* handle_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Asks the next VACUUM, or a file not yet written, for the bytes at the end of each page that
// the layer keeps for its seal (none without a layer).
void reserveForSealing(sqlite3* handle, const cipher::CipherVfs* layer);

// The value a pragma returns, such as "PRAGMA data_version".
int pragmaInt(sqlite3* handle, const char* pragma);

struct Moment {
    QDate date;
    QTime time;
};

// Reads the stored text of a Date/Time value, "yyyy-mm-dd hh:nn:ss"; also a bare date, "/" as
// separator and a "T" before the time, so rows written by other tools still read.
std::optional<Moment> readStorageText(QStringView text);

// format(value, pattern) inside SQL: the same formatter the windows use.
void formatFunction(sqlite3_context* context, int argc, sqlite3_value** argv);

// How a column's values are given back, from the type it was declared with.
enum class ColumnKind { Date, YesNo, Text, Other };
ColumnKind kindOf(const char* declared);
QVariant readColumn(sqlite3_stmt* stmt, int column, ColumnKind kind);

} // namespace platform::db::detail
