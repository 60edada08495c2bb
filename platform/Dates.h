#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <memory>
#include <optional>

// The one date helper of the program: patterns, reading typed dates and calendar arithmetic.
namespace platform::dates {

// The years the program handles; arithmetic that leaves them raises error 13.
inline constexpr int MinYear = 100;
inline constexpr int MaxYear = 9999;

bool inRange(const QDate& date);

// The date that holds a time of day alone.
QDate zeroDate();

// Formats with the program's patterns: yyyy, yy, mm, m, dd, d, hh, h, nn, n, ss, s, aaa (日..土),
// aaaa (日曜日..土曜日); "m"/"mm" right after an hour or right before seconds means minutes.
// Every other character is copied as it stands.
QString format(const QDateTime& value, const QString& pattern);
QString format(const QDate& value, const QString& pattern);
QString format(const QDate& date, const QTime& time, const QString& pattern);

// A pattern read once and applied to many values (the SQL function formats every row with one).
class Pattern {
public:
    explicit Pattern(const QString& pattern);
    QString format(const QDate& date, const QTime& time) const;

private:
    struct Pieces;
    std::shared_ptr<const Pieces> pieces_;
};

// 日 月 火 水 木 金 土, Sunday first.
QString weekdayName(const QDate& date);
// Monday = 1 ... Sunday = 7.
int weekdayMondayFirst(const QDate& date);

// The calendar day y/m/d, or nothing when the calendar lacks it or it lies outside the years.
std::optional<QDate> tryDate(int year, int month, int day);
// The same, raising error 13 when there is no such day.
QDate makeDate(int year, int month, int day);

// "y/m/d" without leading zeros, as the calendar builds its date texts: 1998/7/5.
QString ymdText(int year, int month, int day);

// Strict reading of "y/m/d" (leading zeros allowed, four-digit or three-digit years only).
std::optional<QDate> parseStrict(const QString& text);

// Lenient reading of a typed date: 1998/07/15, 98/7/15, 7/15 (in the year of today), "-" and "."
// as separators, 1998年7月15日, full-width digits. Two-digit years 00-29 are 2000-2029, 30-99
// are 1930-1999.
std::optional<QDate> parseLenient(const QString& text, const QDate& today);

// Arithmetic with end-of-month clamping; a result outside the years raises error 13.
QDate addDays(const QDate& date, qint64 days);
QDate addMonths(const QDate& date, int months);
QDate addYears(const QDate& date, int years);

} // namespace platform::dates
