#pragma once

#include <QDate>
#include <QString>

// Reading the text typed into the calendar window's go-to-date box.
namespace windows::calendar {

struct GoToDate {
    enum class Kind {
        Day,     // a date: the calendar goes to it
        Year,    // no date, but it begins with a number: the calendar goes to that year
        Invalid, // neither: the user is told to type a correct date
    };
    Kind kind = Kind::Invalid;
    QDate day;                 // Kind::Day
    bool takeWorkDate = false; // Kind::Day: a full date (8 characters or more), not just 7/15
    int year = 0;              // Kind::Year
};

// A date by the lenient reading (7/15 in today's year); otherwise the number the first four
// characters make (blanks around it, a sign and a decimal point allowed, rounded half to even);
// otherwise Invalid. The empty text of a cancelled box is Invalid.
GoToDate readGoToDate(const QString& text, const QDate& today);

} // namespace windows::calendar
