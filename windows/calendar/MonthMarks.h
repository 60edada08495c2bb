#pragma once

#include <QString>

#include <cstdint>

// Which month the pen marks show.
namespace windows::calendar {

// The key of a month: the year's digits followed by the month's without a leading zero, read as
// one number (July 1998 is 19987, December 1998 is 199812). 0 stands for no month.
std::int32_t monthKey(int year, int month);

} // namespace windows::calendar
