#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace platform::cipher {
class CipherVfs;
}

// The journal's database engine over SQLite. Every failure raises platform::Error with a number
// and a description: 3022 for a duplicate primary key, 3078 for a missing table, 3163 for a text
// longer than its column, SQLite's own result code and message otherwise.
namespace platform::db {

// Column types, numbered as the old engine numbered them.
enum class FieldType { YesNo = 1, DateTime = 8, Text = 10, Memo = 12 };

struct FieldDef {
    QString name;
    FieldType type;
    int size = 0;                 // characters, Text only
    bool allowZeroLength = false; // Text and Memo only
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
    QString primaryKeyName; // the named constraint, empty for none
    QString primaryKeyField;
};

// A read-only, forward-only snapshot: every row is read when it is opened, so nothing stays
// locked while the caller works through it.
class Recordset {
public:
    bool eof() const { return current_ >= rows_.size(); }
    // The value of a column of the current row, found by name without regard to case.
    // Date/Time columns come back as QDateTime, Yes/No as bool, text as QString, NULL as an
    // invalid QVariant. Raises error 3265 for an unknown column and 3021 past the end.
    QVariant field(const QString& name) const;
    void moveNext();
    std::size_t rowCount() const { return rows_.size(); }

private:
    friend class Database;
    QStringList columns_;
    std::vector<QVariantList> rows_;
    std::size_t current_ = 0;
};

// One open database file; closing happens when the object is released.
class Database {
    struct Key {
        explicit Key() = default;
    };

public:
    // Made only by Workspace (the key type is private).
    Database(Key, sqlite3* handle, QString path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return path_; }
    // The sealing of the file, null for a plain one.
    const cipher::CipherVfs* layer() const { return layer_; }
    // Tells this opening of a file from every other one in the run, the same file opened again
    // included (an address in memory may be reused, this number never is).
    quint64 opening() const { return opening_; }

    // Creates the table in one statement, with its named primary key and the column checks.
    void createTable(const TableDef& table);

    // Runs an action statement; values are bound to the "?" placeholders in order. A failing
    // statement changes nothing and raises its error. QDate, QTime and QDateTime values are
    // stored as "yyyy-mm-dd hh:nn:ss" text (a time alone on 1899-12-30), bool as 0 or -1.
    // Returns how many rows the statement inserted, updated or deleted (0 for schema
    // statements), so that a caller can tell an update that matched no row.
    qint64 execute(const QString& sql, const QVariantList& params = {});

    // Runs a select and returns its snapshot.
    Recordset openRecordset(const QString& sql, const QVariantList& params = {});

    // How many statements this database has run, so that tests and the benchmark can count
    // queries.
    quint64 statementCount() const { return statementCount_; }

    // Whether another connection (another program, such as the sqlite3 client) committed a
    // change since the last call; true at the first call and after forgetChanges().
    bool changedElsewhere();
    // Makes the next changedElsewhere() true again (the caller could not deal with the change).
    void forgetChanges() { dataVersion_.reset(); }
    // How many times, since the file was opened, another connection was found to have committed
    // a change; asks SQLite at each call. Independent of changedElsewhere().
    quint64 changesElsewhere();

    // Whether a table of that name exists, letter case ignored.
    bool hasTable(const QString& name);

    // Writes a compact copy of the database to a new file (which must not exist), sealed as this
    // database is, and makes sure it has reached the disk. This database stays open and
    // unchanged.
    void compactInto(const QString& target);
    // The same copy sealed by another layer (an encrypted copy of a plain file), or plain when
    // layer is null (a plain copy of an encrypted one). keepGoing is asked now and then while
    // the copy is written; once it answers false the copy stops with SQLite's interrupt error,
    // leaving a partial target for the caller to remove.
    void copyInto(const QString& target, const cipher::CipherVfs* layer,
                  const std::function<bool()>& keepGoing = {});

    // The identity of a file on its file system; empty when there is no file.
    struct FileId {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileId&) const = default;
    };
    static std::optional<FileId> fileId(const QString& path);

private:
    friend class Workspace;
    friend class Transaction;
    // Refuses to write when the file at the path is no longer the one this connection has open
    // (deleted, or replaced by another file): the write would go to a file nobody sees again.
    void checkSameFile() const;

    sqlite3* handle_;
    QString path_;
    const cipher::CipherVfs* layer_ = nullptr; // the file's sealing, if it is encrypted
    std::optional<FileId> fileId_;
    quint64 statementCount_ = 0;
    std::optional<qint64> dataVersion_;
    std::optional<qint64> countedVersion_;
    quint64 changesElsewhere_ = 0;
    quint64 opening_;
};

// One transaction, begun at once for writing; rolled back when it ends without commit().
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool open_ = true;
};

// The engine's entry point. A workspace with a cipher layer opens and creates the files it seals
// (platform/CipherVfs.h), one encrypted file and its copies; it keeps the layer while it lives.
class Workspace {
public:
    explicit Workspace(std::shared_ptr<const cipher::CipherVfs> layer = nullptr);

    // Opens an existing database read-write; a missing file or one that is no database raises
    // an error and creates nothing.
    std::unique_ptr<Database> openDatabase(const QString& path) const;
    // Creates a new, empty database file; an existing file is an error. The file is made as
    // path.part and renamed durably to path once it is a database.
    std::unique_ptr<Database> createDatabase(const QString& path) const;

    // The sealing of the files it opens; null for plain files.
    const std::shared_ptr<const cipher::CipherVfs>& layer() const { return layer_; }

private:
    std::shared_ptr<const cipher::CipherVfs> layer_;
};

// Text form of a Date/Time value as stored in the file.
QString toStorageText(const QDateTime& value);
// Reads a stored Date/Time text: "yyyy-mm-dd hh:nn:ss", also a bare date, "/" as separator and a
// "T" before the time (forms other tools write).
std::optional<QDateTime> fromStorageText(const QString& text);

} // namespace platform::db
