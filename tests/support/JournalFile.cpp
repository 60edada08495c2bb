#include "support/Testing.h"

#include <sqlite3.h>

namespace testing {

QString createJournal(const TestEnv& env, bool withTable) {
    auto& m = app::modFunc();
    m.gPath = env.dataDir() + QStringLiteral("/Graphic");
    QDir().mkpath(m.gPath);
    m.mdbPath = env.dataDir() + QStringLiteral("/orvane.mdb");
    m.JournalWs = std::make_unique<platform::db::Workspace>();
    m.JournalDb = m.JournalWs->createDatabase(m.mdbPath);
    if (withTable)
        store::tblMake(*m.JournalDb);
    return m.mdbPath;
}

bool rawExecute(const QString& path, const QString& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const int code = sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        qWarning("rawExecute: %s", sqlite3_errmsg(handle));
    sqlite3_close(handle);
    return code == SQLITE_OK;
}

void putEntry(const QString& path, const QString& day, const QString& text, const QString& remark,
              const QString& picture) {
    if (!rawExecute(
            path, u"insert or replace into Mirel values('%1 00:00:00','%2','%3','%4',0,"
                  "'%1 00:00:00','1899-12-30 10:00:00','PC01')"_s.arg(day, text, remark, picture)))
        QTest::qFail("putEntry", __FILE__, __LINE__);
}

QList<QStringList> rawRows(const QString& path, const QString& sql, const char* vfs) {
    sqlite3* handle = nullptr;
    sqlite3_stmt* stmt = nullptr;
    int code =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, vfs);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &stmt, nullptr);
    QList<QStringList> rows;
    while (code == SQLITE_OK && (code = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const bool null = sqlite3_column_type(stmt, c) == SQLITE_NULL; // before any conversion
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row << (null ? QStringLiteral("<NULL>")
                         : QString::fromUtf8(text, sqlite3_column_bytes(stmt, c)));
        }
        rows << row;
        code = SQLITE_OK;
    }
    // No rows from a query that failed would pass for an empty result.
    if (code != SQLITE_DONE)
        QTest::qFail(qPrintable(QStringLiteral("rawRows: %1: %2")
                                    .arg(QString::fromUtf8(sqlite3_errmsg(handle)), sql)),
                     __FILE__, __LINE__);
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return rows;
}

QString rawText(const QString& path, const QString& sql, const char* vfs) {
    QStringList rows;
    for (const QStringList& row : rawRows(path, sql, vfs))
        rows << row.join(u'|');
    return rows.join(QStringLiteral(", "));
}

QString dayText(const QString& path, const QString& day) {
    return rawText(path,
                   QStringLiteral("select Mirel_txt from Mirel where Reg_dat like '%1%'").arg(day));
}

QString failure(const std::function<void()>& body) {
    try {
        body();
        return {};
    } catch (const platform::Error& e) {
        return e.message();
    }
}

} // namespace testing
