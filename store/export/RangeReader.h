#pragma once

#include "platform/Sqlite.h"
#include "store/export/ExportRange.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// The entries of a range of days, read a month at a time through a read-only connection of its
// own, so a save of the program never waits for more than one month's read. Runs on any thread.
namespace store::exporting {

struct Entry {
    QDate date;
    QString text;
    QString remark;
    QString picture; // as stored
};

class RangeReader {
public:
    RangeReader(const QString& journalPath, const Range& range);

    // The entries of the next month that holds any, in the order of their days; nothing once
    // the range is done. A row whose key is no date is passed over.
    std::optional<std::vector<Entry>> nextMonth();

private:
    platform::sqlite::Connection journal_;
    QString from_; // the key's stored text from which the next month is looked for
    QString to_;   // the key's stored text after the range
};

// How many entries the range holds.
qint64 entriesIn(const QString& journalPath, const Range& range);

} // namespace store::exporting
