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

} // namespace store
