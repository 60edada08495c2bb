#include "support/JournalFile.h"

#include "app/modFunc.h"
#include "platform/Database.h"
#include "store/Schema.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sqlite3.h>

namespace testing {

QString createJournal(const TestEnv& env, bool withTable) {
    auto& m = app::modFunc();
    const QString path = env.dataDir() + QStringLiteral("/orvane.mdb");
    QDir().mkpath(env.dataDir());
    m.gPath = env.dataDir() + QStringLiteral("/Graphic");
    QDir().mkpath(m.gPath);
    m.mdbPath = path;
    m.JournalWs = std::make_unique<platform::db::Workspace>();
    m.JournalDb = m.JournalWs->createDatabase(path);
    if (withTable)
        store::tblMake(*m.JournalDb);
    return path;
}

bool rawExecute(const QString& path, const QString& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    char* message = nullptr;
    const int code = sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (code != SQLITE_OK)
        qWarning("rawExecute: %s", message != nullptr ? message : "failed");
    sqlite3_free(message);
    sqlite3_close(handle);
    return code == SQLITE_OK;
}

QList<QStringList> rawRows(const QString& path, const QString& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &stmt, nullptr);
    QList<QStringList> rows;
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
                row << QStringLiteral("<NULL>");
                continue;
            }
            row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                     sqlite3_column_bytes(stmt, c));
        }
        rows << row;
    }
    if (stmt == nullptr)
        qWarning("rawRows: %s", sqlite3_errmsg(handle));
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return rows;
}

} // namespace testing
