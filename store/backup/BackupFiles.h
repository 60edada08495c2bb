#pragma once

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// The list kept beside each backup: the journal's state when it was copied, its entry count and
// newest day for the list of backups, and which stored picture was at which path.
namespace store::backup {

struct PictureLine {
    QString stored; // file name under pictures/: the SHA-256 and the picture's ending
    QString path;   // where the picture was
};

struct BackupList {
    QString journalState;
    std::optional<int> entries;
    std::optional<QDate> newest;
    std::vector<PictureLine> pictures;
};

// An unreadable or missing list reads as an empty one.
BackupList readList(const QString& path);
// Writes the list to a new file and syncs it; raises platform::Error(number, …).
void writeList(const QString& path, const BackupList& list, int number);

} // namespace store::backup
