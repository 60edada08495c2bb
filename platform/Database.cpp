#include "platform/Database.h"

#include "platform/Dates.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringView>

#include <sqlite3.h>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::db {

namespace {

// Marks files this program created, so a database of another program is never taken for a
// journal and changed.
constexpr int ApplicationId = 0x4F52564E; // "ORVN"

constexpr int ItemNotFound = 3265;
constexpr int NoCurrentRecord = 3021;
constexpr int NullInKey = 3058;
constexpr int ZeroLengthNotAllowed = 3315;
constexpr int ConversionError = 3421;
constexpr int AlreadyExists = 3204;

const QString storagePattern = QStringLiteral("yyyy-mm-dd hh:nn:ss");

QString quoted(const QString& identifier) {
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

struct Moment {
    QDate date;
    QTime time;
};

// Reads the stored text of a Date/Time value, "yyyy-mm-dd hh:nn:ss"; also a bare date, "/" as
// separator and a "T" before the time, so rows written by other tools still read.
std::optional<Moment> readStorageText(QStringView text) {
    text = text.trimmed();
    qsizetype i = 0;
    auto number = [&](int minDigits, int maxDigits) -> std::optional<int> {
        int value = 0;
        int digits = 0;
        while (i < text.size() && digits < maxDigits && text[i].isDigit()) {
            value = value * 10 + text[i].digitValue();
            ++digits;
            ++i;
        }
        return digits >= minDigits ? std::optional<int>(value) : std::nullopt;
    };
    auto separator = [&](std::initializer_list<char> allowed) {
        if (i >= text.size())
            return false;
        for (char c : allowed) {
            if (text[i] == QLatin1Char(c)) {
                ++i;
                return true;
            }
        }
        return false;
    };
    const auto year = number(3, 4);
    if (!year || !separator({'-', '/'}))
        return std::nullopt;
    const auto month = number(1, 2);
    if (!month || !separator({'-', '/'}))
        return std::nullopt;
    const auto day = number(1, 2);
    if (!day)
        return std::nullopt;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (i < text.size()) {
        if (!separator({' ', 'T'}))
            return std::nullopt;
        const auto h = number(1, 2);
        if (!h || !separator({':'}))
            return std::nullopt;
        const auto n = number(1, 2);
        if (!n)
            return std::nullopt;
        hour = *h;
        minute = *n;
        if (separator({':'})) {
            const auto sec = number(1, 2);
            if (!sec)
                return std::nullopt;
            second = *sec;
        }
        if (separator({'.'}))
            number(1, 9);
        if (i != text.size())
            return std::nullopt;
    }
    const QDate date(*year, *month, *day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return Moment{date, time};
}

QString formatted(const QString& value, const dates::Pattern& pattern) {
    if (const auto moment = readStorageText(value))
        return pattern.format(moment->date, moment->time);
    return value;
}

void setTextResult(sqlite3_context* context, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString textOf(sqlite3_value* value) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QString::fromUtf8(bytes, sqlite3_value_bytes(value));
}

// format(value, pattern) inside SQL: the same formatter the windows use. The pattern is read once
// per statement and kept with it.
void formatFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString value = textOf(argv[0]);
    auto* pattern = static_cast<dates::Pattern*>(sqlite3_get_auxdata(context, 1));
    if (pattern == nullptr) {
        auto made = std::make_unique<dates::Pattern>(textOf(argv[1]));
        pattern = made.get();
        sqlite3_set_auxdata(context, 1, made.release(),
                            [](void* p) { delete static_cast<dates::Pattern*>(p); });
        // SQLite may drop the data at once; fetch it again to know.
        pattern = static_cast<dates::Pattern*>(sqlite3_get_auxdata(context, 1));
        if (pattern == nullptr) {
            const dates::Pattern once(textOf(argv[1]));
            return setTextResult(context, formatted(value, once));
        }
    }
    setTextResult(context, formatted(value, *pattern));
}

// Turns a failed call into the program's error, with the numbers the callers react to.
[[noreturn]] void fail(sqlite3* handle, int code) {
    const QString text = handle != nullptr ? QString::fromUtf8(sqlite3_errmsg(handle))
                                           : QString::fromUtf8(sqlite3_errstr(code));
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:\\w+\\.)?(.+)$"));
    static const QRegularExpression check(QStringLiteral("^CHECK constraint failed: (\\w+)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: (.+)$"));
    static const QRegularExpression unique(
        QStringLiteral("^UNIQUE constraint failed: (\\w+)\\.(\\w+)"));

    const int extended = handle != nullptr ? sqlite3_extended_errcode(handle) : code;
    if (extended == SQLITE_CONSTRAINT_PRIMARYKEY || extended == SQLITE_CONSTRAINT_UNIQUE) {
        const auto m = unique.match(text);
        const QString table = m.hasMatch() ? m.captured(1) : QString();
        throw Error(
            errnum::DuplicateKey,
            QStringLiteral("主キーの値が重複しているため、テーブル '%1' を変更できませんでした。")
                .arg(table));
    }
    if (const auto m = noTable.match(text); m.hasMatch()) {
        throw Error(errnum::TableMissing,
                    QStringLiteral("入力テーブルまたはクエリ '%1' が見つかりませんでした。")
                        .arg(m.captured(1)));
    }
    if (const auto m = check.match(text); m.hasMatch()) {
        // Constraint names carry what was checked: len_<column>_<limit>, nz_<column>, yn_<column>.
        const QString name = m.captured(1);
        static const QRegularExpression length(QStringLiteral("^len_(\\w+)_(\\d+)$"));
        if (const auto l = length.match(name); l.hasMatch()) {
            throw Error(errnum::FieldTooSmall,
                        QStringLiteral("フィールド '%1' に入力できるのは %2 文字までです。")
                            .arg(l.captured(1), l.captured(2)));
        }
        if (name.startsWith(QStringLiteral("nz_"))) {
            throw Error(ZeroLengthNotAllowed,
                        QStringLiteral("フィールド '%1' には長さ 0 の文字列を入力できません。")
                            .arg(name.mid(3)));
        }
        if (name.startsWith(QStringLiteral("yn_"))) {
            throw Error(ConversionError,
                        QStringLiteral("フィールド '%1' に入力できるのは Yes/No の値だけです。")
                            .arg(name.mid(3)));
        }
    }
    // What the user can do something about, said in the program's language.
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw Error(code & 0xff, QStringLiteral("日記のファイルを別のプログラムが使っているため、"
                                                "書き込めませんでした。しばらくしてからもう一度"
                                                "保存してください。"));
    case SQLITE_READONLY:
        throw Error(code & 0xff,
                    QStringLiteral("日記のファイルは読み取り専用のため、書き込めませんでした。"));
    case SQLITE_FULL:
        throw Error(code & 0xff, QStringLiteral("ディスクに空きがないため、日記のファイルに"
                                                "書き込めませんでした。"));
    default:
        break;
    }
    if (const auto m = notNull.match(text); m.hasMatch()) {
        throw Error(
            NullInKey,
            QStringLiteral("フィールド '%1' を空にすることはできません。").arg(m.captured(1)));
    }
    throw Error(code & 0xff, text);
}

void check(sqlite3* handle, int code) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
        fail(handle, code);
}

// One prepared statement, finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* handle, const QString& sql) : handle_(handle) {
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        check(handle_, sqlite3_prepare_v2(handle_, utf8.constData(), static_cast<int>(utf8.size()),
                                          &stmt_, &tail));
        if (stmt_ == nullptr)
            throw Error(SQLITE_MISUSE, QStringLiteral("実行する SQL 文がありません。"));
        if (tail != nullptr && !QByteArray(tail).trimmed().isEmpty()) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw Error(SQLITE_MISUSE, QStringLiteral("一度に実行できる SQL 文は一つだけです。"));
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(const QVariantList& params) {
        const int expected = sqlite3_bind_parameter_count(stmt_);
        if (expected != params.size()) {
            throw Error(SQLITE_RANGE,
                        QStringLiteral("SQL 文の引数の数が合いません (%1 個必要、%2 個指定)。")
                            .arg(expected)
                            .arg(params.size()));
        }
        for (int i = 0; i < expected; ++i)
            bindOne(i + 1, params[i]);
    }

    int step() {
        const int code = sqlite3_step(stmt_);
        if (code != SQLITE_ROW && code != SQLITE_DONE)
            fail(handle_, code);
        return code;
    }

    sqlite3_stmt* get() const { return stmt_; }

private:
    void bindText(int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        check(handle_, sqlite3_bind_text(stmt_, index, utf8.constData(),
                                         static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
    }

    void bindOne(int index, const QVariant& value) {
        if (!value.isValid() || value.isNull()) {
            // A null QString still means an empty text, not a missing value.
            if (value.typeId() == QMetaType::QString)
                bindText(index, QString(QLatin1String("")));
            else
                check(handle_, sqlite3_bind_null(stmt_, index));
            return;
        }
        switch (value.typeId()) {
        case QMetaType::QDate:
            bindText(index, toStorageText(QDateTime(value.toDate(), QTime(0, 0))));
            break;
        case QMetaType::QTime:
            bindText(index, toStorageText(QDateTime(dates::zeroDate(), value.toTime())));
            break;
        case QMetaType::QDateTime:
            bindText(index, toStorageText(value.toDateTime()));
            break;
        case QMetaType::Bool:
            check(handle_, sqlite3_bind_int(stmt_, index, value.toBool() ? -1 : 0));
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
            check(handle_, sqlite3_bind_int64(stmt_, index, value.toLongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            check(handle_, sqlite3_bind_double(stmt_, index, value.toDouble()));
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            check(handle_, sqlite3_bind_blob(stmt_, index, bytes.constData(),
                                             static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
            break;
        }
        default:
            bindText(index, value.toString());
            break;
        }
    }

    sqlite3* handle_;
    sqlite3_stmt* stmt_ = nullptr;
};

enum class ColumnKind { Date, YesNo, Text, Other };

ColumnKind kindOf(const char* declared) {
    const QString type = QString::fromUtf8(declared).toUpper();
    if (type.contains(QStringLiteral("DATE")) || type.contains(QStringLiteral("TIME")))
        return ColumnKind::Date;
    if (type == QStringLiteral("BIT") || type.contains(QStringLiteral("YESNO")) ||
        type.contains(QStringLiteral("BOOL")))
        return ColumnKind::YesNo;
    if (type.contains(QStringLiteral("CHAR")) || type.contains(QStringLiteral("TEXT")) ||
        type.contains(QStringLiteral("CLOB")) || type.contains(QStringLiteral("MEMO")))
        return ColumnKind::Text;
    return ColumnKind::Other;
}

QVariant readColumn(sqlite3_stmt* stmt, int column, ColumnKind kind) {
    const int type = sqlite3_column_type(stmt, column);
    if (type == SQLITE_NULL)
        return {};
    auto text = [&] {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(stmt, column));
    };
    switch (kind) {
    case ColumnKind::Date:
        if (type == SQLITE_TEXT) {
            if (const auto moment = readStorageText(text()))
                return QDateTime(moment->date, moment->time);
        }
        return text();
    case ColumnKind::YesNo:
        return sqlite3_column_int64(stmt, column) != 0;
    case ColumnKind::Text:
        return text();
    case ColumnKind::Other:
        break;
    }
    switch (type) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return text();
    }
}

QString columnSql(const FieldDef& field, bool primaryKey) {
    QString sql = quoted(field.name) + QLatin1Char(' ');
    const QString col = quoted(field.name);
    switch (field.type) {
    case FieldType::YesNo:
        sql += QStringLiteral("BIT CONSTRAINT %1 CHECK (%2 IN (0, -1))")
                   .arg(quoted(QStringLiteral("yn_") + field.name), col);
        break;
    case FieldType::DateTime:
        sql += QStringLiteral("DATETIME");
        break;
    case FieldType::Text:
        sql += QStringLiteral("VARCHAR(%1) CONSTRAINT %2 CHECK (length(%3) <= %1)")
                   .arg(field.size)
                   .arg(quoted(QStringLiteral("len_%1_%2").arg(field.name).arg(field.size)), col);
        break;
    case FieldType::Memo:
        sql += QStringLiteral("LONGTEXT");
        break;
    }
    if (!field.allowZeroLength &&
        (field.type == FieldType::Text || field.type == FieldType::Memo)) {
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (%2 <> '')")
                   .arg(quoted(QStringLiteral("nz_") + field.name), col);
    }
    if (primaryKey)
        sql += QStringLiteral(" NOT NULL");
    return sql;
}

struct HandleCloser {
    void operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }
};
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

Handle openHandle(const QString& path, int flags) {
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Handle handle(raw);
    if (code != SQLITE_OK)
        fail(handle.get(), code);
    sqlite3_extended_result_codes(handle.get(), 1);
    sqlite3_busy_timeout(handle.get(), 3000);
    // A commit is the deletion of the rollback journal; only with its folder synced does the
    // deletion, and so the save, survive a power cut (SQLite's FULL leaves the folder unsynced).
    check(handle.get(),
          sqlite3_exec(handle.get(), "PRAGMA synchronous=EXTRA", nullptr, nullptr, nullptr));
    check(handle.get(),
          sqlite3_create_function_v2(handle.get(), "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                     nullptr, &formatFunction, nullptr, nullptr, nullptr));
    return handle;
}

int pragmaInt(sqlite3* handle, const char* pragma) {
    Statement statement(handle, QString::fromLatin1(pragma));
    statement.step();
    return sqlite3_column_int(statement.get(), 0);
}

} // namespace

QString toStorageText(const QDateTime& value) {
    return dates::format(value, storagePattern);
}

std::optional<QDateTime> fromStorageText(const QString& text) {
    if (const auto moment = readStorageText(text))
        return QDateTime(moment->date, moment->time);
    return std::nullopt;
}

QVariant Recordset::field(const QString& name) const {
    if (eof())
        throw Error(NoCurrentRecord, QStringLiteral("カレント レコードがありません。"));
    for (qsizetype i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(name, Qt::CaseInsensitive) == 0)
            return rows_[current_][i];
    }
    throw Error(ItemNotFound,
                QStringLiteral("項目 '%1' はこのコレクションにありません。").arg(name));
}

void Recordset::moveNext() {
    if (eof())
        throw Error(NoCurrentRecord, QStringLiteral("カレント レコードがありません。"));
    ++current_;
}

namespace {
quint64 nextOpening() {
    static std::atomic<quint64> count{0};
    return ++count;
}
} // namespace

Database::Database(Key, sqlite3* handle, QString path)
    : handle_(handle), path_(std::move(path)), fileId_(fileId(path_)), opening_(nextOpening()) {}

std::optional<Database::FileId> Database::fileId(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileId{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

void Database::checkSameFile() const {
    if (fileId(path_) == fileId_)
        return;
    throw Error(
        errnum::JournalGone,
        QStringLiteral("開いている日記のファイル %1 が削除されたか、別のファイルに置き換えら"
                       "れました。書いても残らないため、書き込みをやめました。プログラムを"
                       "起動し直してください。")
            .arg(QDir::toNativeSeparators(path_)));
}

quint64 Database::changesElsewhere() {
    const qint64 version = pragmaInt(handle_, "PRAGMA data_version");
    if (countedVersion_ && *countedVersion_ != version)
        ++changesElsewhere_;
    countedVersion_ = version;
    return changesElsewhere_;
}

bool Database::changedElsewhere() {
    const qint64 version = pragmaInt(handle_, "PRAGMA data_version");
    const bool changed = dataVersion_ != version;
    dataVersion_ = version;
    return changed;
}

bool Database::hasTable(const QString& name) {
    Statement statement(handle_, QStringLiteral("select 1 from sqlite_master where type='table' "
                                                "and name=? collate nocase"));
    statement.bind({name});
    return statement.step() == SQLITE_ROW;
}

void Database::compactInto(const QString& target) {
    ++statementCount_;
    Statement statement(handle_, QStringLiteral("VACUUM INTO ?"));
    statement.bind({target});
    statement.step();
    // The copy must be on the disk before anything relies on it.
    QFile copy(target);
    if (!copy.open(QIODevice::ReadOnly) || ::fsync(copy.handle()) != 0)
        throw Error(errnum::PathFileAccess, QStringLiteral("%1 をディスクに書き込めませんでした。")
                                                .arg(QDir::toNativeSeparators(target)));
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.checkSameFile();
    check(db_.handle_, sqlite3_exec(db_.handle_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
}

Transaction::~Transaction() {
    // Straight to SQLite: the rollback must happen even when the file check would refuse, and
    // SQLite may have rolled back already when a failure ended the transaction.
    if (open_ && sqlite3_get_autocommit(db_.handle_) == 0)
        sqlite3_exec(db_.handle_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    sqlite3* handle = db_.handle_;
    const int code = sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    open_ = sqlite3_get_autocommit(handle) == 0;
    if (code == SQLITE_OK)
        return;
    // The rollback journal is deleted but its folder could not be synced: the commit is made,
    // as a rename whose folder sync fails is (platform/DurableFiles.h).
    if (!open_ && sqlite3_extended_errcode(handle) == SQLITE_IOERR_DIR_FSYNC)
        return;
    try {
        fail(handle, code);
    } catch (const Error&) {
        // A commit whose rollback journal could not be deleted leaves it hot: one read plays it
        // back now, before a reader that may not (the backup's, the search's) meets it.
        if (!open_)
            sqlite3_exec(handle, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
        throw;
    }
}

Database::~Database() {
    sqlite3_close_v2(handle_);
}

void Database::createTable(const TableDef& table) {
    QStringList parts;
    for (const auto& field : table.fields) {
        const bool key = !table.primaryKeyField.isEmpty() &&
                         field.name.compare(table.primaryKeyField, Qt::CaseInsensitive) == 0;
        parts << columnSql(field, key);
    }
    if (!table.primaryKeyField.isEmpty()) {
        QString key = QStringLiteral("PRIMARY KEY (%1)").arg(quoted(table.primaryKeyField));
        if (!table.primaryKeyName.isEmpty())
            key.prepend(QStringLiteral("CONSTRAINT %1 ").arg(table.primaryKeyName));
        parts << key;
    }
    execute(QStringLiteral("CREATE TABLE %1 (%2)")
                .arg(quoted(table.name), parts.join(QStringLiteral(", "))));
}

qint64 Database::execute(const QString& sql, const QVariantList& params) {
    checkSameFile();
    ++statementCount_;
    // The running total moves only for rows this statement changes; the per-statement count
    // would still hold the last data statement's after a schema statement.
    // A statement on its own runs in a transaction of its own, committed apart: what it changed
    // is known before the commit, which may be made and still fail to sync its folder.
    std::optional<Transaction> own;
    if (sqlite3_get_autocommit(handle_) != 0)
        own.emplace(*this);
    const qint64 before = sqlite3_total_changes64(handle_);
    {
        Statement statement(handle_, sql);
        statement.bind(params);
        while (statement.step() == SQLITE_ROW) {
        }
    }
    const qint64 changed = sqlite3_total_changes64(handle_) - before;
    if (own)
        own->commit();
    return changed;
}

Recordset Database::openRecordset(const QString& sql, const QVariantList& params) {
    ++statementCount_;
    Statement statement(handle_, sql);
    statement.bind(params);
    Recordset result;
    sqlite3_stmt* stmt = statement.get();
    const int columns = sqlite3_column_count(stmt);
    std::vector<ColumnKind> kinds;
    for (int c = 0; c < columns; ++c) {
        result.columns_ << QString::fromUtf8(sqlite3_column_name(stmt, c));
        kinds.push_back(kindOf(sqlite3_column_decltype(stmt, c)));
    }
    while (statement.step() == SQLITE_ROW) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << readColumn(stmt, c, kinds[static_cast<std::size_t>(c)]);
        result.rows_.push_back(std::move(row));
    }
    return result;
}

std::unique_ptr<Database> Workspace::openDatabase(const QString& path) const {
    const QFileInfo info(path);
    if (!info.isFile())
        throw Error(SQLITE_CANTOPEN, QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)));
    // An empty file would open as an empty database; it is no journal.
    if (info.size() == 0)
        throw Error(SQLITE_NOTADB, QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)));
    Handle handle = openHandle(path, SQLITE_OPEN_READWRITE);
    // Reading the header proves the file is a database at all.
    const int appId = pragmaInt(handle.get(), "PRAGMA application_id");
    if (appId != 0 && appId != ApplicationId) {
        throw Error(SQLITE_NOTADB,
                    QStringLiteral("このファイルは別のプログラムのデータベースです。"));
    }
    return std::make_unique<Database>(Database::Key{}, handle.release(), path);
}

std::unique_ptr<Database> Workspace::createDatabase(const QString& path) const {
    if (QFileInfo::exists(path))
        throw Error(AlreadyExists, QStringLiteral("データベースは既に存在します。"));
    // The file takes the name only once it is a database: a crash or a power cut while it is
    // made would otherwise leave an empty file there, which no later start opens or replaces.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        Handle handle = openHandle(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // Writing the header makes the new file a complete, recognisable database.
        Statement mark(handle.get(),
                       QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId));
        mark.step();
    } catch (const Error&) {
        QFile::remove(part);
        throw;
    }
    renameDurably(part, path, errnum::PathFileAccess);
    return std::make_unique<Database>(Database::Key{},
                                      openHandle(path, SQLITE_OPEN_READWRITE).release(), path);
}

} // namespace platform::db
