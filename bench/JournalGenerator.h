#pragma once

#include <QDate>
#include <QString>

namespace bench {

struct JournalShape {
    QDate firstDay;
    QDate lastDay;
    int everyNthDayEmpty = 7; // a diarist skips a day now and then
    int textChars = 800;      // typical length of one day's text
};

// Writes a journal file at path with one entry per day of the shape (the file must not exist).
// Returns the number of entries written.
int generateJournal(const QString& path, const JournalShape& shape);

} // namespace bench
