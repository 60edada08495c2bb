#include "windows/calendar/MonthMarks.h"

namespace windows::calendar {

std::int32_t monthKey(int year, int month) {
    // The digits side by side: 1998 and 7 give 19987, 1998 and 11 give 199811.
    return (QString::number(year) + QString::number(month)).toInt();
}

QString monthEntriesSql() {
    return QStringLiteral(
        "select reg_dat,memo_txt from mirel where format(reg_dat,'yyyy/mm')=? order by reg_dat");
}

QVariantList monthEntriesParams(int year, int month) {
    return {QStringLiteral("%1/%2")
                .arg(year, 4, 10, QLatin1Char('0'))
                .arg(month, 2, 10, QLatin1Char('0'))};
}

} // namespace windows::calendar
