#include "platform/DatabaseDetail.h"

#include "platform/CipherVfs.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

// Opening and creating database files.
namespace platform::db {

using namespace detail;

namespace {

// Marks files this program created, so a database of another program is never taken for a
// journal and changed.
constexpr int ApplicationId = 0x4F52564E; // "ORVN"

constexpr int AlreadyExists = 3204;

struct HandleCloser {
    void operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }
};
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

Handle openHandle(const QString& path, int flags, const cipher::CipherVfs* layer) {
    sqlite3* raw = nullptr;
    // URIs name the layer of a copy made with VACUUM INTO.
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                     flags | SQLITE_OPEN_URI, layer ? layer->name() : nullptr);
    Handle handle(raw);
    if (code != SQLITE_OK)
        fail(handle.get(), code);
    sqlite3_extended_result_codes(handle.get(), 1);
    sqlite3_busy_timeout(handle.get(), 3000);
    // A commit is the deletion of the rollback journal; only with its folder synced does the
    // deletion, and so the save, survive a power cut (SQLite's FULL leaves the folder unsynced).
    check(handle.get(),
          sqlite3_exec(handle.get(), "PRAGMA synchronous=EXTRA", nullptr, nullptr, nullptr));
    // Temporary data in memory: the layer of an encrypted file opens no file it cannot seal.
    check(handle.get(),
          sqlite3_exec(handle.get(), "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr));
    check(handle.get(),
          sqlite3_create_function_v2(handle.get(), "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                     nullptr, &formatFunction, nullptr, nullptr, nullptr));
    return handle;
}

} // namespace

void detail::reserveForSealing(sqlite3* handle, const cipher::CipherVfs* layer) {
    int bytes = layer ? cipher::ReservedBytes : 0;
    sqlite3_file_control(handle, "main", SQLITE_FCNTL_RESERVE_BYTES, &bytes);
}

Workspace::Workspace(std::shared_ptr<const cipher::CipherVfs> layer) : layer_(std::move(layer)) {}

std::unique_ptr<Database> Workspace::openDatabase(const QString& path) const {
    const QFileInfo info(path);
    if (!info.isFile())
        throw Error(SQLITE_CANTOPEN, QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)));
    // An empty file would open as an empty database; it is no journal.
    if (info.size() == 0)
        throw Error(SQLITE_NOTADB, QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)));
    Handle handle = openHandle(path, SQLITE_OPEN_READWRITE, layer_.get());
    // Reading the header proves the file is a database at all.
    const int appId = pragmaInt(handle.get(), "PRAGMA application_id");
    if (appId != 0 && appId != ApplicationId) {
        throw Error(SQLITE_NOTADB,
                    QStringLiteral("このファイルは別のプログラムのデータベースです。"));
    }
    auto db = std::make_unique<Database>(Database::Key{}, handle.release(), path);
    db->layer_ = layer_.get();
    return db;
}

std::unique_ptr<Database> Workspace::createDatabase(const QString& path) const {
    if (QFileInfo::exists(path))
        throw Error(AlreadyExists, QStringLiteral("データベースは既に存在します。"));
    // The file takes the name only once it is a database: a crash or a power cut while it is
    // made would otherwise leave an empty file there, which no later start opens or replaces.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        Handle handle = openHandle(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, layer_.get());
        if (layer_) {
            reserveForSealing(handle.get(), layer_.get());
            check(handle.get(), sqlite3_exec(handle.get(),
                                             QStringLiteral("PRAGMA page_size=%1")
                                                 .arg(layer_->pageSize())
                                                 .toUtf8()
                                                 .constData(),
                                             nullptr, nullptr, nullptr));
        }
        // Writing the header makes the new file a complete, recognisable database.
        Statement mark(handle.get(),
                       QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId));
        mark.step();
    } catch (const Error&) {
        QFile::remove(part);
        throw;
    }
    renameDurably(part, path, errnum::PathFileAccess);
    auto db = std::make_unique<Database>(
        Database::Key{}, openHandle(path, SQLITE_OPEN_READWRITE, layer_.get()).release(), path);
    db->layer_ = layer_.get();
    return db;
}

} // namespace platform::db
