#pragma once

#include "platform/CipherVfs.h"
#include "platform/Sqlite.h"
#include "store/export/ExportRange.h"

#include <QDate>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// The entries of a range of days, read a month at a time through a read-only connection of its
// own, so a save of the program never waits for more than one month's read. Runs on any thread.
namespace store::exporting {

// A journal file as a reader of another thread opens it: its path and, for an encrypted one, the
// layer that reads it, kept while the reader lives.
struct JournalFile {
    JournalFile(QString path = {},
                std::shared_ptr<const platform::cipher::CipherVfs> layer = nullptr)
        : path(std::move(path)), layer(std::move(layer)) {}
    QString path;
    std::shared_ptr<const platform::cipher::CipherVfs> layer;
};
// The program's open journal.
JournalFile openJournalFile();

struct Entry {
    QDate date;
    QString text;
    QString remark;
    QString picture; // as stored
};

class RangeReader {
public:
    RangeReader(const JournalFile& journal, const Range& range);

    // The entries of the next month that holds any, in the order of their days; nothing once
    // the range is done. A row whose key is no date is passed over.
    std::optional<std::vector<Entry>> nextMonth();

private:
    std::shared_ptr<const platform::cipher::CipherVfs> layer_;
    platform::sqlite::Connection journal_;
    QString from_; // the key's stored text from which the next month is looked for
    QString to_;   // the key's stored text after the range
};

// How many entries the range holds.
qint64 entriesIn(const JournalFile& journal, const Range& range);

} // namespace store::exporting
