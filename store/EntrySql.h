#pragma once

#include <QString>

// The statements of the entry editor. Values travel as bound parameters, in the order given.
namespace store::sql {

// One day's row; parameter: the day as "yyyy/mm/dd".
inline QString selectEntry() {
    return QStringLiteral("select * from mirel where format(reg_dat,'yyyy/mm/dd')=?");
}

// A new row, in table column order: day, text, remark, picture path, error flag, date and time of
// the first save, computer name.
inline QString insertEntry() {
    return QStringLiteral("insert into Mirel values(?,?,?,?,?,?,?,?)");
}

// Text, remark and picture path of one day's row; the last parameter is the day as "yyyy/mm/dd".
inline QString updateEntry() {
    return QStringLiteral("update Mirel set mirel_txt=?,memo_txt=?,pic_txt=? "
                          "where format(reg_dat,'yyyy/mm/dd')=?");
}

} // namespace store::sql
