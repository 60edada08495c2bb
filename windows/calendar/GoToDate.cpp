#include "windows/calendar/GoToDate.h"

#include "platform/Dates.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <optional>

namespace windows::calendar {

namespace {

// A plain decimal number with blanks around it, as the old numeric test accepted it: a sign,
// digits with a decimal point, an exponent. Full-width digits count as digits.
std::optional<double> readNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?$"));
    const QString s = text.normalized(QString::NormalizationForm_KC).trimmed();
    if (!number.match(s).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = s.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

GoToDate readGoToDate(const QString& text, const QDate& today) {
    GoToDate result;
    if (const auto day = platform::dates::parseLenient(text, today)) {
        result.kind = GoToDate::Kind::Day;
        result.day = *day;
        result.takeWorkDate = text.size() >= 8;
        return result;
    }
    if (const auto number = readNumber(text.left(4))) {
        result.kind = GoToDate::Kind::Year;
        // Half to even, as the old integer conversion rounded. No four characters make a number
        // beyond the int range except with an exponent; such a year is out of the calendar's
        // range anyway.
        const double rounded = std::nearbyint(*number);
        constexpr double limit = std::numeric_limits<int>::max();
        result.year = std::abs(rounded) <= limit ? static_cast<int>(rounded) : 0;
        return result;
    }
    return result;
}

} // namespace windows::calendar
