#include "platform/Sqlite.h"

#include "platform/Error.h"

#include <QFile>

#include <sqlite3.h>
#include <sys/stat.h>

#include <array>

namespace platform::sqlite {
namespace {

[[noreturn]] void raise(sqlite3* db, int code) {
    const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw Error(code & 0xff, QString::fromUtf8(text));
}

void check(sqlite3* db, int code) {
    if (code != SQLITE_OK)
        raise(db, code);
}

} // namespace

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    check(db_, sqlite3_prepare_v2(db_, sql, -1, &stmt_, nullptr));
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, qint64 value) {
    check(db_, sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::bind(int index, const QString& value) {
    check(db_, sqlite3_bind_text16(stmt_, index, value.utf16(), int(value.size() * 2),
                                   SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindBlob(int index, const QByteArray& value) {
    check(db_,
          sqlite3_bind_blob(stmt_, index, value.constData(), int(value.size()), SQLITE_TRANSIENT));
    return *this;
}

bool Statement::step() {
    const int code = sqlite3_step(stmt_);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    raise(db_, code);
}

void Statement::run() {
    while (step()) {
    }
    reset();
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

qint64 Statement::int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QString Statement::text(int column) const {
    const auto* data = static_cast<const char16_t*>(sqlite3_column_text16(stmt_, column));
    return data == nullptr ? QString()
                           : QString(reinterpret_cast<const QChar*>(data),
                                     sqlite3_column_bytes16(stmt_, column) / 2);
}

QByteArray Statement::blob(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    return data == nullptr
               ? QByteArray()
               : QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt_, column));
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Connection::Connection(const QString& path, Mode mode, const char* vfs) {
    const int flags =
        mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                                     flags | SQLITE_OPEN_NOMUTEX, vfs);
    if (code != SQLITE_OK) {
        const QString text = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(code & 0xff, text);
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, 3000);
    // A sealing layer opens no temporary file: what SQLite would put in one stays in memory.
    if (vfs != nullptr)
        exec("pragma temp_store=memory");
}

Connection::~Connection() {
    sqlite3_close_v2(db_);
}

void Connection::exec(const char* sql) {
    check(db_, sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

qint64 Connection::singleInt(const char* sql) {
    Statement statement(db_, sql);
    return statement.step() ? statement.int64(0) : 0;
}

qint64 Connection::lastInsertRowid() const {
    return sqlite3_last_insert_rowid(db_);
}

void Connection::setInterruptCheck(std::function<bool()> check) {
    interrupt_ = std::move(check);
    if (!interrupt_) {
        sqlite3_progress_handler(db_, 0, nullptr, nullptr);
        return;
    }
    sqlite3_progress_handler(
        db_, 2000, [](void* self) { return static_cast<Connection*>(self)->interrupt_() ? 1 : 0; },
        this);
}

OnlineBackup::OnlineBackup(Connection& source, const QString& target, const char* vfs)
    : target_(std::make_unique<Connection>(target, Connection::Mode::ReadWriteCreate, vfs)) {
    backup_ = sqlite3_backup_init(target_->handle(), "main", source.handle(), "main");
    if (backup_ == nullptr)
        raise(target_->handle(), sqlite3_errcode(target_->handle()));
}

OnlineBackup::~OnlineBackup() {
    if (backup_ != nullptr)
        sqlite3_backup_finish(backup_);
}

bool OnlineBackup::step(int pages) {
    if (backup_ == nullptr)
        return true;
    const int code = sqlite3_backup_step(backup_, pages);
    if (code == SQLITE_OK || code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return false;
    const int finished = sqlite3_backup_finish(backup_);
    backup_ = nullptr;
    if (code != SQLITE_DONE)
        raise(nullptr, code);
    if (finished != SQLITE_OK)
        raise(target_->handle(), finished);
    target_.reset();
    return true;
}

QString FileState::toText() const {
    return QStringLiteral("%1:%2:%3:%4:%5")
        .arg(device)
        .arg(inode)
        .arg(size)
        .arg(modifiedNs)
        .arg(changeCounter);
}

std::optional<FileState> fileState(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    FileState state;
    state.device = quint64(info.st_dev);
    state.inode = quint64(info.st_ino);
    state.size = qint64(info.st_size);
    state.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.seek(24)) {
        std::array<unsigned char, 4> bytes{};
        if (file.read(reinterpret_cast<char*>(bytes.data()), 4) == 4)
            state.changeCounter = quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 |
                                  quint32(bytes[2]) << 8 | quint32(bytes[3]);
    }
    return state;
}

bool isInterrupt(int errorNumber) {
    return errorNumber == SQLITE_INTERRUPT;
}

} // namespace platform::sqlite
