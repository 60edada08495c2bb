#pragma once

#include "platform/Database.h"

// The journal's one table.
namespace store {

// Table Mirel: Reg_dat, Mirel_txt, Memo_txt, Pic_txt (100), Error_kbn, Treat_dat, Treat_tim,
// Terminal_nam (30), with the primary key constraint mirel on Reg_dat.
platform::db::TableDef journalTable();

// Creates table Mirel in the database. Errors (the table exists already, the file cannot be
// written) are raised to the caller.
void tblMake(platform::db::Database& db);

} // namespace store
