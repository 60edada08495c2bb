#pragma once

#include "platform/Database.h"

#include <QString>

#include <memory>

namespace store {

// Where compaction writes its copy first: "NewOrvane.mdb" in the data folder when that lies on
// the journal's file system, so that the final rename replaces the journal in one step;
// otherwise the same name beside the journal.
QString compactionCopyPath(const QString& journal, const QString& dataFolder);

// Compacts the journal at path, open in db: a compact copy is written to copyPath, checked, and
// only then renamed over the journal, which is opened again. The journal is never deleted before
// its copy is complete: on any failure the journal file is as it was and open again in db, the
// copy is gone, and the error raised says that the journal was left unchanged.
void compactJournal(std::unique_ptr<platform::db::Database>& db,
                    const platform::db::Workspace& workspace, const QString& path,
                    const QString& copyPath);

} // namespace store
