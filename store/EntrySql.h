#pragma once

#include <QString>

// The statements on the journal. Rows are found through the key's index: each condition is a
// range on Reg_dat in the form the program stores it, whose bounds come from store/JournalKeys.h.
// Values travel as bound parameters, in the order given.
namespace store::sql {

// One day's row; parameters: the day's bounds (dayKeys).
inline QString selectEntry() {
    return QStringLiteral("select * from mirel where reg_dat>=? and reg_dat<? order by reg_dat");
}

// A new row, in table column order: day, text, remark, picture path, error flag, date and time of
// the first save, computer name.
inline QString insertEntry() {
    return QStringLiteral("insert into Mirel values(?,?,?,?,?,?,?,?)");
}

// Text, remark and picture path of one day's row; then the day's bounds (dayKeys).
inline QString updateEntry() {
    return QStringLiteral(
        "update Mirel set mirel_txt=?,memo_txt=?,pic_txt=? where reg_dat>=? and reg_dat<?");
}

// One day's row; parameters: the day's bounds (dayKeys).
inline QString deleteEntry() {
    return QStringLiteral("delete from Mirel where reg_dat>=? and reg_dat<?");
}

// Day and remark of every entry between two bounds, in date order: a month (monthKeys) for the
// pen marks, a year (yearKeys) for the notebook.
inline QString entriesBetween() {
    return QStringLiteral(
        "select reg_dat,memo_txt from mirel where reg_dat>=? and reg_dat<? order by reg_dat");
}

} // namespace store::sql
