#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::db {
class Database;
}
namespace platform::cipher {
class CipherVfs;
}

// Backups of the journal and its pictures, kept per journal in the data folder under
// Backup/<journal file name>-<8 hex digits of a hash of its full path>/: complete journals named
// orvane-yyyymmdd-hhnnss.mdb (the sqlite3 client opens them), each with a list of its pictures
// beside it, the pictures stored once per content under pictures/ named by their SHA-256.
namespace store::backup {

struct BackupInfo {
    QString path;                // the backup's journal file
    QDateTime made;              // from its name
    std::optional<int> entries;  // nullopt when the file is damaged or no journal (破損)
    std::optional<QDate> newest; // the newest entry's day, when it has entries
    qint64 size = 0;             // the file and the stored pictures it lists
};

// The folder of the journal at journalPath's backups.
QString backupFolder(const QString& journalPath);
// The journal's backups, newest first.
std::vector<BackupInfo> listBackups(const QString& journalPath);
// Only the backups' journal files, newest first: nothing read from them or their lists.
QStringList backupPaths(const QString& journalPath);
// The bytes of everything the backups of this journal keep (files, lists and stored pictures).
qint64 totalSize(const QString& journalPath);

// Makes a backup of the journal file at journalPath, copied in steps of pagesPerStep pages
// (-1: at once) through a connection of its own; stops with an error when *stop becomes true.
// layer is the journal's sealing (null when plain), which the backup gets too. Then removes the
// generations no longer kept, except the backup keep. Backups are made one at a time: a second
// one waits for the first.
QString makeBackup(const QString& journalPath, const platform::cipher::CipherVfs* layer,
                   const QString& pictureFolder, int pagesPerStep, const std::atomic<bool>* stop,
                   const QString& keep = {});
// Whether the journal file changed since the newest backup was made (true when there is none).
bool changedSinceNewest(const QString& journalPath);

// Makes a backup of the open journal and of the pictures its rows name, checks it, gives it its
// final name and removes the generations no longer kept, except the backup keep. A start-up
// backup still running is stopped first. Returns the backup's path. Raises platform::Error (its
// description says why) and then leaves no backup under a final name.
QString backupNow(platform::db::Database& db, const QString& pictureFolder,
                  const QString& keep = {});

// At start-up, after the calendar is shown: a backup of the open journal when it changed since
// the newest backup, made on a thread of its own in small steps, so that the program never waits
// for it. A backup that cannot be made is said once, in the standard message form. The backup
// runs while the returned object lives (kept in session().Backup); null when none is due.
class StartupBackup;
// The copy begins after delay, so that the first seconds of the run, start-up included, have the
// machine to themselves; whether one is due is decided at once.
void backupAfterStart(std::chrono::milliseconds delay = std::chrono::seconds(2));

struct RestoreResult {
    // Pictures the backup lists but whose stored copy is missing: not put back.
    QStringList missingPictures;
    // Pictures copied but not put in their place after the journal was restored: they stay as
    // they were.
    QStringList failedPictures;
};

// Puts the journal back to the backup: first a backup of the present state (so the restore can
// be undone), then the chosen file and the listed pictures that are missing or differ are copied
// beside their places, the journal copy is checked and renamed over the journal, the pictures
// are renamed into place, and the restored journal is opened as session().JournalDb. Raises
// platform::Error when the backup is damaged or anything fails before the journal's rename; the
// journal and the pictures are then exactly as they were, and the journal open.
// A backup encrypted under a key other than the open journal's (or restored onto a plain
// journal) is read through backupLayer, which its passphrase gives (needsPassphrase).
RestoreResult
restoreJournal(const BackupInfo& backup,
               const std::shared_ptr<const platform::cipher::CipherVfs>& backupLayer = nullptr);
// Whether restoring the backup needs its own passphrase.
bool needsPassphrase(const BackupInfo& backup);

// Called with the name of each step of a backup or restore before it runs ("copy", "copy step"
// between two steps of the copy, "check",
// "pictures", "list", "rename", "restore copy", "restore rename"), so that tests can make a step
// fail by raising platform::Error. Empty by default.
using StepHook = std::function<void(QStringView)>;
void setStepHook(StepHook hook);

} // namespace store::backup
