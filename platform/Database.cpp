#include "platform/DatabaseDetail.h"

#include "platform/CipherVfs.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::db {

using namespace detail;

namespace {

constexpr int ItemNotFound = 3265;
constexpr int NoCurrentRecord = 3021;
// Virtual machine steps of a copy between two questions whether to go on: a few hundred rows.
constexpr int CopyStepsBetweenAsks = 1000;

int stopRequested(void* keepGoing) {
    try {
        return (*static_cast<std::function<bool()>*>(keepGoing))() ? 0 : 1;
    } catch (...) {
        return 1; // nothing may unwind through SQLite
    }
}

QString quoted(const QString& identifier) {
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
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

quint64 nextOpening() {
    static std::atomic<quint64> count{0};
    return ++count;
}

} // namespace

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
    copyInto(target, layer_);
}

void Database::copyInto(const QString& target, const cipher::CipherVfs* layer,
                        const std::function<bool()>& keepGoing) {
    ++statementCount_;
    detail::reserveForSealing(handle_, layer);
    if (keepGoing) {
        // SQLite stops the statement when the handler answers non-zero.
        sqlite3_progress_handler(handle_, CopyStepsBetweenAsks, &stopRequested,
                                 const_cast<std::function<bool()>*>(&keepGoing));
    }
    const auto asBefore = qScopeGuard([this] {
        detail::reserveForSealing(handle_, layer_);
        sqlite3_progress_handler(handle_, 0, nullptr, nullptr);
    });
    // A URI, so that the copy can name its layer.
    QByteArray uri = "file:" + QUrl::toPercentEncoding(QFileInfo(target).absoluteFilePath(), "/");
    // Without a layer the copy is plain: SQLite's default layer, not this connection's.
    uri += QByteArray("?vfs=") + (layer ? layer->name() : sqlite3_vfs_find(nullptr)->zName);
    Statement statement(handle_, QStringLiteral("VACUUM INTO ?"));
    statement.bind({QString::fromUtf8(uri)});
    statement.step();
    // The copy must be on the disk before anything relies on it.
    QFile copy(target);
    if (!copy.open(QIODevice::ReadOnly) || ::fsync(copy.handle()) != 0)
        throw Error(errnum::PathFileAccess, QStringLiteral("%1 をディスクに書き込めませんでした。")
                                                .arg(QDir::toNativeSeparators(target)));
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

} // namespace platform::db
