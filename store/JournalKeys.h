#pragma once

#include <QDate>
#include <QString>
#include <QVariantList>

namespace platform::db {
class Database;
}

// The journal's key, Reg_dat. The program stores it as "yyyy-mm-dd hh:nn:ss", so a day, a month
// or a year is a range of texts that the key's index finds directly. Keys that another tool typed
// in another form ("1998/7/15") are brought into the stored form before a statement runs.
namespace store {

// Bounds for "reg_dat>=? and reg_dat<?": every key of that day, month or year.
QVariantList dayKeys(const QDate& day);
QVariantList monthKeys(int year, int month);
QVariantList yearKeys(int year);

// The condition that picks out keys not in the stored form; the partial index of such keys has
// the same condition, so finding them costs nothing while there are none.
QString otherFormCondition();

// Creates the indexes the statements rely on when a journal lacks them (one made by another
// tool): one on Reg_dat, and the partial index of keys in another form.
void makeKeyIndexes(platform::db::Database& db);

// Rewrites keys in another form into the stored form, in one transaction, the rows otherwise
// unchanged. Looks only when another program changed the journal since the last look (and at the
// first call). A key whose day has a row already stays as it is, like that row, and a message
// names it once. Errors (a missing table among them) are raised to the caller.
void normaliseKeys(platform::db::Database& db);

} // namespace store
