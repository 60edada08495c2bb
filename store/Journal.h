#pragma once

#include "platform/Database.h"

#include <QString>

#include <memory>

namespace store {

// Opens the journal file at path for reading and writing. A database of another program is
// refused unchanged, as "not a database": one whose application id is another program's, and one
// with tables of its own but no table Mirel. A journal without the key indexes gets them.
std::unique_ptr<platform::db::Database> openJournal(const platform::db::Workspace& workspace,
                                                    const QString& path);

// Reads the day and remark of every entry between two key bounds (monthKeys, yearKeys) into
// session().JournalRs, keys of other tools brought into the stored form first. A journal without
// its table gets it, and so no entries.
void openEntriesBetween(platform::db::Database& db, const QVariantList& bounds);

} // namespace store
