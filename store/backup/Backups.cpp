#include "store/backup/Backups.h"

#include "platform/Error.h"

// Stand-in until the backups land.
namespace store::backup {

QString backupFolder(const QString&) {
    return {};
}
std::vector<BackupInfo> listBackups(const QString&) {
    return {};
}
qint64 totalSize(const QString&) {
    return 0;
}
QString backupNow(platform::db::Database&, const QString&) {
    throw platform::Error(platform::errnum::Internal, QStringLiteral("not yet"));
}
void backupAfterStart() {}
RestoreResult restoreJournal(const BackupInfo&) {
    throw platform::Error(platform::errnum::Internal, QStringLiteral("not yet"));
}

} // namespace store::backup
