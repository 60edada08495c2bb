#pragma once

#include <QDate>
#include <QString>

namespace bench {

struct JournalShape {
    QDate firstDay;
    QDate lastDay;
    int textChars = 1000;  // a day's text, in Japanese characters
    int remarkChars = 40;  // a day's remark
    int pictureEvery = 10; // one day in this many has a picture path
};

// Writes a journal file at path (which must not exist) with one entry for every day of the
// shape, its text made of a vocabulary of thousands of words, as a real diary's is. The same
// shape always gives the same file. Returns the number of entries written.
int generateJournal(const QString& path, const JournalShape& shape);

} // namespace bench
