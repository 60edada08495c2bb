// The reading of a typed date (the calendar's "go to a date" box): any text either gives a day
// the program can handle or nothing, and what the strict reading accepts reads the same here.
#include "FuzzCheck.h"
#include "platform/Dates.h"

#include <cstddef>
#include <cstdint>

namespace dates = platform::dates;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose "today" (the year a month/day text falls in), the rest is typed.
    const int todayYear = dates::MinYear + (data[0] | (data[1] << 8)) % (dates::MaxYear - 99);
    const QDate today(todayYear, 6, 15);
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    const auto lenient = dates::parseLenient(text, today);
    if (lenient)
        FUZZ_CHECK(dates::inRange(*lenient), text + " -> " + lenient->toString(Qt::ISODate));

    const auto strict = dates::parseStrict(text);
    if (strict) {
        FUZZ_CHECK(dates::inRange(*strict), text);
        FUZZ_CHECK(lenient && *lenient == *strict,
                   text + " strictly " + strict->toString(Qt::ISODate) + ", leniently " +
                       (lenient ? lenient->toString(Qt::ISODate) : QStringLiteral("nothing")));
        // The calendar's own date text of that day reads back as the day.
        const QString own = dates::ymdText(strict->year(), strict->month(), strict->day());
        FUZZ_CHECK(dates::parseStrict(own) == strict, own);
        FUZZ_CHECK(dates::parseLenient(own, today) == strict, own);
    }
    return 0;
}
