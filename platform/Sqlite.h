#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_backup;

// A plain SQLite connection with prepared statements, for derived data such as the search index
// that needs speed more than the journal engine's conveniences. Every failure raises
// platform::Error with SQLite's code and message.
namespace platform::sqlite {

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    Statement& bindBlob(int index, const QByteArray& value);
    // Steps once: true while there is a row.
    bool step();
    // Runs a statement that returns no rows, then makes it ready to run again.
    void run();
    void reset();

    qint64 int64(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Connection {
public:
    enum class Mode { ReadOnly, ReadWriteCreate };
    // ":memory:" is a database in memory; an empty path a temporary file that SQLite removes
    // when the connection closes. vfs names the file layer (nullptr: SQLite's default).
    Connection(const QString& path, Mode mode, const char* vfs = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void exec(const char* sql);
    qint64 singleInt(const char* sql);
    qint64 lastInsertRowid() const;
    // Called now and then while a statement runs; returning true stops the statement with
    // SQLITE_INTERRUPT. An empty function removes it.
    void setInterruptCheck(std::function<bool()> check);
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
    std::function<bool()> interrupt_;
};

// A copy of a database into a new file with SQLite's online backup API, made in steps: between
// two steps nothing is locked, and a commit by another connection makes the copy start again,
// so the copy is always of one committed state.
class OnlineBackup {
public:
    // vfs names the target's file layer, as for Connection.
    OnlineBackup(Connection& source, const QString& target, const char* vfs = nullptr);
    ~OnlineBackup();
    OnlineBackup(const OnlineBackup&) = delete;
    OnlineBackup& operator=(const OnlineBackup&) = delete;
    // Copies up to pages pages (-1: all); true once the copy is complete and closed. A source
    // busy with a commit just makes the step copy nothing.
    bool step(int pages);

private:
    std::unique_ptr<Connection> target_;
    sqlite3_backup* backup_ = nullptr;
};

// What tells one state of a database file from another without reading it: its identity, size,
// modification time and SQLite's change counter, which every commit in rollback mode raises.
struct FileState {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint32 changeCounter = 0;
    bool operator==(const FileState&) const = default;
    QString toText() const;
};
std::optional<FileState> fileState(const QString& path);

// SQLite's result code of an error raised here (SQLITE_INTERRUPT when a statement was stopped).
bool isInterrupt(int errorNumber);

} // namespace platform::sqlite
