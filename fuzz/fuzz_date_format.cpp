// Formatting with a pattern the fuzzer writes: no pattern may crash, and text without any pattern
// letter is copied as it stands.
#include "FuzzCheck.h"
#include "platform/Dates.h"

#include <cstddef>
#include <cstdint>

namespace dates = platform::dates;

namespace {

bool hasPatternLetter(const QString& pattern) {
    for (const QChar c : pattern) {
        if (QStringLiteral("ymdhnsaYMDHNSA").contains(c))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    // Eight bytes make the date and time (an invalid date and time included), the rest is the
    // pattern.
    const int year = dates::MinYear + (data[0] | (data[1] << 8)) % (dates::MaxYear - 99);
    const int month = 1 + data[2] % 12;
    const int day = 1 + data[3] % 31;
    QDate date(year, month, day);
    if (!date.isValid() || data[7] == 0xFF)
        date = QDate();
    const QTime time = data[7] == 0xFE ? QTime() : QTime(data[4] % 24, data[5] % 60, data[6] % 60);
    const QString pattern =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 8), qsizetype(size - 8));

    const QString once = dates::format(date, time, pattern);
    if (!hasPatternLetter(pattern))
        FUZZ_CHECK(once == pattern, pattern + " -> " + once);
    return 0;
}
