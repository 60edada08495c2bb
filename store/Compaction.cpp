#include "store/Compaction.h"

#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "store/Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>


namespace store {

namespace {

constexpr int CompactionFailed = 3049; // "cannot compact the database"

qint64 rowCount(platform::db::Database& db) {
    return db.openRecordset(QStringLiteral("select count(*) as n from Mirel"))
        .field(QStringLiteral("n"))
        .toLongLong();
}

// The copy must be a whole, sound journal with every row before it may replace the journal.
void checkCopy(const platform::db::Workspace& workspace, const QString& copyPath, qint64 rows) {
    auto copy = workspace.openDatabase(copyPath);
    const QString verdict = copy->openRecordset(QStringLiteral("PRAGMA quick_check"))
                                .field(QStringLiteral("quick_check"))
                                .toString();
    if (verdict != QLatin1String("ok") || rowCount(*copy) != rows) {
        throw platform::Error(CompactionFailed,
                              QStringLiteral("最適化したコピーを確かめられませんでした。"));
    }
}

void removeCopy(const QString& copyPath) {
    if (QFileInfo::exists(copyPath) && !QFile::remove(copyPath)) {
        throw platform::Error(
            CompactionFailed,
            QStringLiteral("%1 を消せません。").arg(QDir::toNativeSeparators(copyPath)));
    }
}

} // namespace

QString compactionCopyPath(const QString& journal, const QString& dataFolder) {
    const QString name = QStringLiteral("NewOrvane.mdb");
    const QString journalFolder = QFileInfo(journal).absolutePath();
    const auto here = platform::db::Database::fileId(journalFolder);
    const auto data = platform::db::Database::fileId(dataFolder);
    if (here && data && here->device == data->device)
        return QDir(dataFolder).filePath(name);
    return QDir(journalFolder).filePath(name);
}

void compactJournal(std::unique_ptr<platform::db::Database>& db,
                    const platform::db::Workspace& workspace, const QString& path,
                    const QString& copyPath) {
    bool replaced = false;
    try {
        removeCopy(copyPath);
        const qint64 rows = rowCount(*db);
        db->compactInto(copyPath);
        checkCopy(workspace, copyPath, rows);
        db.reset();
        // The journal replaced by its copy in one step, a change that lasts.
        platform::renameDurably(copyPath, path, CompactionFailed);
        replaced = true;
        db = openJournal(workspace, path);
    } catch (const platform::Error& e) {
        if (replaced)
            throw; // the journal is the complete, checked copy; only opening it failed
        try {
            removeCopy(copyPath);
        } catch (const platform::Error&) {
            // Left behind; the next compaction removes it first.
        }
        if (!db)
            db = openJournal(workspace, path);
        throw platform::Error(e.number(),
                              e.description() + QStringLiteral("日記のファイルは元のままです。"));
    }
}

} // namespace store
