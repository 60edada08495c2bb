#include "windows/calendar/MonthMarks.h"

namespace windows::calendar {

std::int32_t monthKey(int year, int month) {
    // The digits side by side: 1998 and 7 give 19987, 1998 and 11 give 199811.
    return (QString::number(year) + QString::number(month)).toInt();
}

} // namespace windows::calendar
