#include "store/Journal.h"

#include "platform/Error.h"
#include "store/EntrySql.h"
#include "store/JournalKeys.h"
#include "store/Schema.h"
#include "store/Session.h"

namespace store {

std::unique_ptr<platform::db::Database> openJournal(const platform::db::Workspace& workspace,
                                                    const QString& path) {
    auto db = workspace.openDatabase(path);
    // An empty database becomes a journal when its table is made; one that holds only tables of
    // its own belongs to someone else.
    if (!db->hasTable(QStringLiteral("Mirel")) &&
        !db->openRecordset(QStringLiteral("select 1 from sqlite_master where type='table' "
                                          "and name not like 'sqlite\\_%' escape '\\'"))
             .eof()) {
        throw platform::Error(platform::errnum::NotADatabase,
                              QStringLiteral("このファイルは別のプログラムのデータベースです。"));
    }
    try {
        makeKeyIndexes(*db);
    } catch (const platform::Error&) {
        // A journal that cannot be written (read-only) is still read correctly without them,
        // only more slowly.
    }
    // Keys typed in by other tools are put right now, so that the statements of the run need no
    // look of their own until another program changes the file. When that fails, the first
    // statement tries again and reports why.
    try {
        if (db->hasTable(QStringLiteral("Mirel")))
            normaliseKeys(*db);
    } catch (const platform::Error&) {
        // Not now, then: normaliseKeys has left itself to be run again.
    }
    return db;
}

void openEntriesBetween(platform::db::Database& db, const QVariantList& bounds) {
    auto& m = session();
    const auto open = [&] {
        normaliseKeys(db);
        m.SqlText = sql::entriesBetween();
        m.JournalRs = db.openRecordset(m.SqlText, bounds);
    };
    try {
        open();
    } catch (const platform::Error& e) {
        if (e.number() != platform::errnum::TableMissing)
            throw;
        tblMake(db);
        open();
    }
}

} // namespace store
