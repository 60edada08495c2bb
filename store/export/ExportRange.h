#pragma once

#include <QDate>
#include <QString>

// Which days an export takes and what its folder is called.
namespace store::exporting {

struct Range {
    enum class Kind { Day, Month, Year, Period, All };
    Kind kind = Kind::All;
    // Day, Month and Year: a day of it in from; Period: the first and last day.
    QDate from;
    QDate to;

    static Range day(const QDate& day) { return {Kind::Day, day, day}; }
    static Range month(const QDate& day) { return {Kind::Month, day, day}; }
    static Range year(const QDate& day) { return {Kind::Year, day, day}; }
    // The two days in either order.
    static Range period(const QDate& a, const QDate& b);
    static Range all() { return {}; }

    // The first and last day the range covers.
    QDate firstDay() const;
    QDate lastDay() const;
};

// The export's folder: the journal file's name without ".mdb", "_" and the range: 20250503,
// 202505, 2025, 20250101-20250331 or all.
QString folderName(const QString& journalPath, const Range& range);

} // namespace store::exporting
