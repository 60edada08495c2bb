#include "store/backup/Backups.h"

#include "platform/CipherVfs.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/Sqlite.h"
#include "platform/System.h"
#include "store/Journal.h"
#include "store/Session.h"
#include "store/Unlock.h"
#include "store/backup/BackupFiles.h"
#include "store/backup/Generations.h"
#include "store/backup/StartupBackup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <chrono>
#include <mutex>
#include <thread>

namespace store::backup {

using platform::cipher::CipherVfs;
using platform::errnum::PathFileAccess;
using platform::sqlite::Connection;
using platform::sqlite::Statement;

namespace {

const char* vfsOf(const CipherVfs* layer) {
    return layer != nullptr ? layer->name() : nullptr;
}

// The open journal's layer when the encrypted file at path is a copy of it (the same file id):
// the layer that reads it. Null for a plain file and one under another key.
const CipherVfs* journalLayerFor(const QString& path) {
    const auto header = encryptedHeader(path);
    const auto& workspace = session().JournalWs;
    if (!header || !workspace || !workspace->layer())
        return nullptr;
    const auto id = workspace->layer()->fileId();
    return header->mid(24, 16) == QByteArray(reinterpret_cast<const char*>(id.data()), 16)
               ? workspace->layer().get()
               : nullptr;
}

StepHook& hook() {
    static StepHook instance;
    return instance;
}

void step(QStringView name) {
    if (hook())
        hook()(name);
}

const QRegularExpression& backupName() {
    static const QRegularExpression pattern(
        QStringLiteral("^orvane-(\\d{8}-\\d{6})(?:-(\\d+))?\\.mdb$"));
    return pattern;
}

QString listPathOf(const QString& backupPath) {
    return backupPath.left(backupPath.size() - 4) + QStringLiteral(".pictures");
}

QString storedName(const QString& sha, const QString& picturePath) {
    const QString suffix = QFileInfo(picturePath).suffix().toLower();
    return suffix.isEmpty() ? sha : sha + QLatin1Char('.') + suffix;
}

// Where a picture the journal names is, found as the editor finds it: at its path, else by its
// name in the picture folder; empty when it is in neither.
QString locatePicture(const QString& stored, const QString& pictureFolder) {
    if (QFileInfo(stored).isFile())
        return stored;
    const QString inFolder = QDir(pictureFolder).filePath(platform::fileTitle(stored));
    return QFileInfo(inFolder).isFile() ? inFolder : QString();
}

// A backup file's sound-enough look for the list: as long as its header says, with the
// journal's table. An encrypted one under another key can only be measured; its list tells the
// rest. The full check runs before a restore.
bool looksWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const CipherVfs* layer = nullptr;
    if (const auto sealed = encryptedHeader(path)) {
        const auto byte = [&](int i) { return quint32(quint8(sealed->at(i))); };
        const quint32 pageSize = byte(23) << 24 | byte(22) << 16 | byte(21) << 8 | byte(20);
        const qint64 pages = file.size() - platform::cipher::HeaderSize;
        if (pageSize < 512 || pages <= 0 || pages % pageSize != 0)
            return false;
        layer = journalLayerFor(path);
        if (layer == nullptr)
            return true;
    } else {
        const QByteArray header = file.read(100);
        if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3")))
            return false;
        const auto byte = [&](int i) { return quint32(quint8(header[i])); };
        quint32 pageSize = byte(16) << 8 | byte(17);
        if (pageSize == 1)
            pageSize = 65536;
        const quint32 pages = byte(28) << 24 | byte(29) << 16 | byte(30) << 8 | byte(31);
        if (pages == 0 || qint64(pageSize) * pages != file.size())
            return false;
    }
    try {
        Connection db(path, Connection::Mode::ReadOnly, vfsOf(layer));
        return db.singleInt("select count(*) from sqlite_master where type='table' and "
                            "name='Mirel' collate nocase") == 1;
    } catch (const platform::Error&) {
        return false;
    }
}

struct Checked {
    int entries = 0;
    std::optional<QDate> newest;
    QStringList pictures;
};

// The full check of a copied journal: sound, with the journal's table; its rows counted.
Checked checkJournalCopy(const QString& path, int number, const CipherVfs* layer) {
    Connection db(path, Connection::Mode::ReadOnly, vfsOf(layer));
    Statement verdict(db.handle(), "pragma quick_check");
    if (!verdict.step() || verdict.text(0) != QLatin1String("ok") ||
        db.singleInt("select count(*) from sqlite_master where type='table' and name='Mirel' "
                     "collate nocase") != 1)
        throw platform::Error(number, QStringLiteral("コピーした日記を確かめられませんでした。"));
    Checked checked;
    checked.entries = int(db.singleInt("select count(*) from Mirel"));
    Statement newest(db.handle(), "select max(cast(reg_dat as text)) from Mirel");
    if (newest.step() && !newest.isNull(0)) {
        if (const auto moment = platform::db::fromStorageText(newest.text(0)))
            checked.newest = moment->date();
    }
    Statement pictures(db.handle(), "select distinct pic_txt from Mirel where pic_txt<>''");
    while (pictures.step())
        checked.pictures.append(pictures.text(0));
    return checked;
}

void removeQuietly(const QString& path) {
    QFile::remove(path);
}

// The backups' files of a folder with the moment in their names, oldest first.
struct Named {
    QString path;
    QDateTime made;
    int serial = 1;
};
std::vector<Named> backupFiles(const QString& folder) {
    std::vector<Named> found;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("orvane-*.mdb")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const auto match = backupName().match(name);
        if (!match.hasMatch())
            continue;
        const QDateTime made =
            QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
        if (!made.isValid())
            continue;
        found.push_back({QDir(folder).filePath(name), made,
                         match.captured(2).isEmpty() ? 1 : match.captured(2).toInt()});
    }
    std::sort(found.begin(), found.end(), [](const Named& a, const Named& b) {
        return a.made != b.made ? a.made < b.made : a.serial < b.serial;
    });
    return found;
}

QString uniqueBase(const QString& folder, const QDateTime& now) {
    const QString stamp =
        QStringLiteral("orvane-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // Any file of that name, a leftover of a backup killed within the same second included
    // (its list or its copy's journal), takes the name.
    const auto taken = [&](const QString& base) {
        return !QDir(folder)
                    .entryList({base + QStringLiteral(".*")}, QDir::Files | QDir::Hidden)
                    .isEmpty();
    };
    QString base = stamp;
    for (int n = 2; taken(base); ++n)
        base = stamp + QStringLiteral("-%1").arg(n);
    return base;
}

// Backups are made one at a time: each removes the leftovers of interrupted ones, which would
// otherwise include the files of one still being written.
std::mutex& oneAtATime() {
    static std::mutex lock;
    return lock;
}

// Removes the generations no longer kept (except keep), their lists, the stored pictures no kept
// backup lists and the leftovers of interrupted backups. Other files stay.
void prune(const QString& folder, const QDateTime& now, const QString& keep) {
    const std::vector<Named> all = backupFiles(folder);
    std::vector<QDateTime> made;
    for (const Named& named : all)
        made.push_back(named.made);
    const std::vector<bool> kept = keptGenerations(made, now);
    QSet<QString> listed;
    QSet<QString> keptLists;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const QString list = listPathOf(all[i].path);
        if (!kept[i] && all[i].path != keep) {
            removeQuietly(all[i].path);
            removeQuietly(list);
            continue;
        }
        keptLists.insert(QFileInfo(list).fileName());
        for (const PictureLine& line : readList(list).pictures)
            listed.insert(line.stored);
    }
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("orvane-*.part"), QStringLiteral("orvane-*.part-journal"),
                        QStringLiteral("orvane-*.pictures")},
                       QDir::Files)) {
        if (!name.endsWith(QLatin1String(".pictures")) || !keptLists.contains(name))
            removeQuietly(dir.filePath(name));
    }
    static const QRegularExpression stored(QStringLiteral("^[0-9a-f]{64}(\\.[^.]+)?(\\.part)?$"));
    const QDir pictures(dir.filePath(QStringLiteral("pictures")));
    for (const QString& name : pictures.entryList(QDir::Files)) {
        if (stored.match(name).hasMatch() && !listed.contains(name))
            removeQuietly(pictures.filePath(name));
    }
}

} // namespace

void setStepHook(StepHook stepHook) {
    hook() = std::move(stepHook);
}

QString backupFolder(const QString& journalPath) {
    const QString full = QFileInfo(journalPath).absoluteFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("Backup/") + QFileInfo(full).fileName() + QLatin1Char('-') +
                  QString::fromLatin1(digest));
}

std::vector<BackupInfo> listBackups(const QString& journalPath) {
    const QString folder = backupFolder(journalPath);
    const QDir pictures(QDir(folder).filePath(QStringLiteral("pictures")));
    std::vector<BackupInfo> infos;
    for (const Named& named : backupFiles(folder)) {
        BackupInfo info;
        info.path = named.path;
        info.made = named.made;
        info.size = QFileInfo(named.path).size();
        const BackupList list = readList(listPathOf(named.path));
        if (looksWhole(named.path)) {
            if (list.entries) {
                info.entries = list.entries;
                info.newest = list.newest;
            } else {
                try {
                    const Checked checked =
                        checkJournalCopy(named.path, PathFileAccess, journalLayerFor(named.path));
                    info.entries = checked.entries;
                    info.newest = checked.newest;
                } catch (const platform::Error&) {
                }
            }
        }
        QSet<QString> counted;
        for (const PictureLine& line : list.pictures) {
            if (!counted.contains(line.stored)) {
                counted.insert(line.stored);
                info.size += QFileInfo(pictures.filePath(line.stored)).size();
            }
        }
        infos.push_back(info);
    }
    std::reverse(infos.begin(), infos.end());
    return infos;
}

QStringList backupPaths(const QString& journalPath) {
    QStringList paths;
    for (const Named& named : backupFiles(backupFolder(journalPath)))
        paths.prepend(named.path);
    return paths;
}

qint64 totalSize(const QString& journalPath) {
    qint64 total = 0;
    QDirIterator it(backupFolder(journalPath), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

bool changedSinceNewest(const QString& journalPath) {
    const std::vector<Named> all = backupFiles(backupFolder(journalPath));
    if (all.empty())
        return true;
    const auto state = platform::sqlite::fileState(journalPath);
    return !state || readList(listPathOf(all.back().path)).journalState != state->toText();
}

QString makeBackup(const QString& journalPath, const CipherVfs* layer, const QString& pictureFolder,
                   int pagesPerStep, const std::atomic<bool>* stop, const QString& keep) {
    const std::scoped_lock single(oneAtATime());
    const QString folder = backupFolder(journalPath);
    if (!QDir().mkpath(folder) || !QDir().mkpath(QDir(folder).filePath(QStringLiteral("pictures"))))
        throw platform::Error(PathFileAccess,
                              QStringLiteral("バックアップのフォルダーを作れません。\n") + folder);
    const QDateTime now = platform::clock().now();
    const QString base = QDir(folder).filePath(uniqueBase(folder, now));
    const QString part = base + QStringLiteral(".mdb.part");
    const QString listPart = base + QStringLiteral(".pictures.part");
    QStringList storedHere; // pictures this backup stored first: gone again if it fails
    try {
        step(u"copy");
        // The journal's state before the copy: a change during it makes the next start copy
        // again, never skip a change.
        BackupList list;
        if (const auto state = platform::sqlite::fileState(journalPath))
            list.journalState = state->toText();
        {
            // A backup of an encrypted journal is sealed as the journal is, under its key.
            Connection source(journalPath, Connection::Mode::ReadOnly, vfsOf(layer));
            platform::sqlite::OnlineBackup copy(source, part, vfsOf(layer));
            while (!copy.step(pagesPerStep)) {
                if (stop != nullptr && *stop)
                    throw platform::Error(PathFileAccess, QStringLiteral("中断しました。"));
                step(u"copy step");
                if (pagesPerStep > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        step(u"check");
        const Checked checked = checkJournalCopy(part, PathFileAccess, layer);
        list.entries = checked.entries;
        list.newest = checked.newest;

        step(u"pictures");
        const QDir pictures(QDir(folder).filePath(QStringLiteral("pictures")));
        for (const QString& stored : checked.pictures) {
            const QString found = locatePicture(stored, pictureFolder);
            const QString sha = found.isEmpty() ? QString() : platform::fileSha256(found);
            if (sha.isEmpty())
                continue;
            const QString name = storedName(sha, found);
            const QString target = pictures.filePath(name);
            if (!QFileInfo::exists(target)) {
                storedHere << target;
                removeQuietly(target + QStringLiteral(".part"));
                platform::copyDurably(found, target + QStringLiteral(".part"), PathFileAccess);
                platform::renameDurably(target + QStringLiteral(".part"), target, PathFileAccess);
            }
            list.pictures.push_back({name, found});
        }

        step(u"list");
        writeList(listPart, list, PathFileAccess);
        platform::syncFile(part, PathFileAccess);

        step(u"rename");
        platform::renameDurably(listPart, base + QStringLiteral(".pictures"), PathFileAccess);
        platform::renameDurably(part, base + QStringLiteral(".mdb"), PathFileAccess);
    } catch (...) {
        removeQuietly(part);
        removeQuietly(part + QStringLiteral("-journal")); // left when SQLite could not delete it
        removeQuietly(listPart);
        removeQuietly(base + QStringLiteral(".pictures"));
        for (const QString& stored : storedHere) {
            removeQuietly(stored + QStringLiteral(".part"));
            removeQuietly(stored);
        }
        throw;
    }
    try {
        prune(folder, now, keep);
    } catch (const platform::Error&) {
        // Old generations stay until the next backup.
    }
    return base + QStringLiteral(".mdb");
}

QString backupNow(platform::db::Database& db, const QString& pictureFolder, const QString& keep) {
    // A start-up backup still copying would only be older than this one: it stops rather than
    // keep the user waiting.
    session().Backup.reset();
    return makeBackup(db.path(), db.layer(), pictureFolder, -1, nullptr, keep);
}

bool needsPassphrase(const BackupInfo& backup) {
    return encryptedHeader(backup.path) && journalLayerFor(backup.path) == nullptr;
}

RestoreResult restoreJournal(const BackupInfo& backup,
                             const std::shared_ptr<const CipherVfs>& backupLayer) {
    constexpr int RestoreFailed = platform::errnum::PathFileAccess;
    if (!backup.entries || !looksWhole(backup.path))
        throw platform::Error(platform::errnum::NotADatabase,
                              QStringLiteral("このバックアップは壊れているため復元できません。"));
    auto& m = session();
    if (!m.JournalDb || !m.JournalWs)
        throw platform::Error(91, QStringLiteral("日記が開いていません。"));
    const QString journal = m.JournalDb->path();
    const BackupList list = readList(listPathOf(backup.path));

    // The present state first, so that the restore itself can be undone; its pruning leaves the
    // backup being restored alone.
    backupNow(*m.JournalDb, m.gPath, backup.path);

    // Everything that is copied is copied before the journal is replaced: a copy that fails leaves
    // the journal and the pictures as they were. The pictures missing or different from the
    // backup's go beside their place first.
    RestoreResult result;
    QStringList staged;
    const QDir pictures(QDir(backupFolder(journal)).filePath(QStringLiteral("pictures")));
    const QString temporary = journal + QStringLiteral(".restoring");
    bool replaced = false;
    try {
        removeQuietly(temporary);
        step(u"restore copy");
        // Restoring never changes whether the journal is encrypted: a backup sealed otherwise
        // is read through its own layer and written sealed as the journal is.
        const CipherVfs* journalLayer = m.JournalWs->layer().get();
        const bool sealed = encryptedHeader(backup.path).has_value();
        if (sealed ? journalLayerFor(backup.path) != nullptr : journalLayer == nullptr) {
            platform::copyDurably(backup.path, temporary, RestoreFailed);
        } else {
            if (sealed && !backupLayer)
                throw platform::Error(RestoreFailed,
                                      QStringLiteral("このバックアップのパスフレーズが必要です。"));
            platform::db::Workspace(sealed ? backupLayer : nullptr)
                .openDatabase(backup.path)
                ->copyInto(temporary, journalLayer);
        }
        checkJournalCopy(temporary, RestoreFailed, journalLayer);
        for (const PictureLine& line : list.pictures) {
            const QString stored = pictures.filePath(line.stored);
            if (!QFileInfo::exists(stored)) {
                result.missingPictures.append(line.path);
            } else if (!staged.contains(line.path) &&
                       (!QFileInfo::exists(line.path) ||
                        platform::fileSha256(line.path) !=
                            line.stored.section(QLatin1Char('.'), 0, 0))) {
                QDir().mkpath(QFileInfo(line.path).absolutePath());
                staged << line.path;
                removeQuietly(line.path + QStringLiteral(".part"));
                platform::copyDurably(stored, line.path + QStringLiteral(".part"), RestoreFailed);
            }
        }
        step(u"restore rename");
        m.JournalDb.reset();
        platform::renameDurably(temporary, journal, RestoreFailed);
        replaced = true;
        m.JournalDb = store::openJournal(*m.JournalWs, journal);
    } catch (const platform::Error& e) {
        if (replaced)
            throw;
        removeQuietly(temporary);
        for (const QString& path : staged)
            removeQuietly(path + QStringLiteral(".part"));
        if (!m.JournalDb)
            m.JournalDb = store::openJournal(*m.JournalWs, journal);
        throw platform::Error(e.number(),
                              e.description() + QStringLiteral("\n日記のファイルは元のままです。"));
    }
    // The journal is the backup's now: each picture takes its place, and one that cannot is said.
    for (const QString& path : staged) {
        try {
            platform::renameDurably(path + QStringLiteral(".part"), path, RestoreFailed);
        } catch (const platform::Error&) {
            removeQuietly(path + QStringLiteral(".part"));
            result.failedPictures.append(path);
        }
    }
    return result;
}

} // namespace store::backup
