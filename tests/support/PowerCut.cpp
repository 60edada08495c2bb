#include "support/PowerCut.h"

#include "platform/DurableFiles.h"
#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace testing::powercut {
namespace {

using Path = std::string;

// Each file is the system's own, followed by its methods: those SQLite is shown, the system's, and
// the file's path (null for a temporary file; SQLite keeps the name until the file closes).
struct Methods {
    sqlite3_io_methods shown;
    const sqlite3_io_methods* real;
    const char* path;
};
const Methods& of(sqlite3_file* f) {
    return *reinterpret_cast<const Methods*>(f->pMethods);
}

sqlite3_vfs* base = nullptr; // the system's file layer, under this one
sqlite3_vfs layer{};

// A file's writes since its last sync, each with what it wrote over (a truncation: the tail).
struct Unsynced {
    qint64 syncedSize = 0;
    bool whole = false; // written outside SQLite: all of it since it was made
    std::vector<std::pair<qint64, QByteArray>> writes;
};

// A rename not yet made lasting by its folder's sync. The file it replaced is closed and synced
// (the program replaces nothing else): only its name needs keeping.
struct Rename {
    Path from, to, stash; // stash: a second name of the file the rename replaced
    QString folder;
};

// A deletion not yet made lasting by its folder's sync: the file kept under a second name.
struct Deletion {
    Path path, stash;
    QString folder;
};

bool on = false;
int counted = 0;
int cutAt = 0;
quint32 seed = 0;
int failFrom = 0;
bool failStays = false;
std::map<Path, Unsynced> files;
std::set<Path> followed; // files whose every write since their last sync is in files
std::vector<Rename> renames;
std::vector<Deletion> deletions;

void check(long result) {
    if (result < 0)
        std::perror("power cut");
}

void moveRecord(const Path& from, const Path& to) {
    files.erase(to);
    if (auto record = files.extract(from)) {
        record.key() = to;
        files.insert(std::move(record));
    }
}

// The folder's sync makes every rename and deletion in it last.
void folderSynced(const QString& folder) {
    const auto lasting = [&](const auto& change) {
        if (change.folder != folder)
            return false;
        if (!change.stash.empty())
            ::unlink(change.stash.c_str());
        return true;
    };
    std::erase_if(renames, lasting);
    std::erase_if(deletions, lasting);
}

[[noreturn]] void cut() {
    QRandomGenerator random(seed);
    for (auto d = deletions.rbegin(); d != deletions.rend(); ++d)
        check(::rename(d->stash.c_str(), d->path.c_str()));
    for (auto r = renames.rbegin(); r != renames.rend(); ++r) {
        check(::rename(r->to.c_str(), r->from.c_str()));
        if (!r->stash.empty())
            check(::rename(r->stash.c_str(), r->to.c_str()));
        moveRecord(r->to, r->from);
    }
    for (auto& [path, file] : files) {
        const int fd = ::open(path.c_str(), O_RDWR);
        if (fd < 0)
            continue; // deleted
        const qint64 size = ::lseek(fd, 0, SEEK_END);
        if (file.whole)
            file.writes = {{0, QByteArray(size, '\0')}};
        // Each write lost (0), kept (1) or torn (2) at 512-byte sectors, latest first.
        for (auto w = file.writes.rbegin(); w != file.writes.rend(); ++w) {
            const auto& [offset, before] = *w;
            const int how = random.bounded(3);
            for (qint64 at = offset; at < offset + before.size(); at = (at / 512 + 1) * 512) {
                const qint64 end = std::min(offset + before.size(), (at / 512 + 1) * 512);
                if (how == 0 || (how == 2 && random.bounded(2) == 0))
                    check(::pwrite(fd, before.constData() + (at - offset), size_t(end - at), at));
            }
        }
        check(::ftruncate(fd, random.bounded(2) ? file.syncedSize : size));
        ::close(fd);
    }
    std::_Exit(CutStatus);
}

// Counts a step; true when it is one to fail.
bool step() {
    if (!on)
        return false;
    if (++counted == cutAt)
        cut();
    return failFrom > 0 && (counted == failFrom || (failStays && counted > failFrom));
}

void synced(const Path& path) {
    files.erase(path);
    followed.insert(path);
}

// Keeps what n bytes at offset held before they are written over or cut off.
void keepBefore(sqlite3_file* f, qint64 offset, qint64 n) {
    sqlite3_int64 size = 0;
    of(f).real->xFileSize(f, &size);
    if (cutAt == 0 || of(f).path == nullptr || n <= 0)
        return;
    const auto [record, added] = files.try_emplace(of(f).path);
    if (added)
        record->second.syncedSize = size;
    QByteArray before(n, '\0'); // past the end a read gives zeros
    of(f).real->xRead(f, before.data(), int(n), offset);
    record->second.writes.emplace_back(offset, before);
}

int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 offset) {
    if (step())
        return SQLITE_IOERR_WRITE;
    keepBefore(f, offset, n);
    return of(f).real->xWrite(f, p, n, offset);
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (step())
        return SQLITE_IOERR_TRUNCATE;
    sqlite3_int64 now = 0;
    of(f).real->xFileSize(f, &now);
    keepBefore(f, size, now - size);
    return of(f).real->xTruncate(f, size);
}

int xSync(sqlite3_file* f, int flags) {
    if (step())
        return SQLITE_IOERR_FSYNC;
    const int rc = of(f).real->xSync(f, flags);
    if (rc == SQLITE_OK && of(f).path != nullptr)
        synced(of(f).path);
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
    if (step())
        return SQLITE_IOERR_DELETE;
    files.erase(name);
    followed.erase(name);
    const QString folder = QFileInfo(QFile::decodeName(name)).absolutePath();
    // Until its folder's sync a deleted file (the rollback journal, whose deletion commits) may
    // be back after the cut.
    if (cutAt > 0 && ::access(name, F_OK) == 0) {
        Deletion d{name, Path(name) + ".deleted-before-cut", folder};
        ::unlink(d.stash.c_str());
        check(::link(name, d.stash.c_str()));
        deletions.push_back(std::move(d));
    }
    const int rc = base->xDelete(base, name, syncDir);
    if (rc == SQLITE_OK && syncDir) {
        if (step())
            return SQLITE_IOERR_DIR_FSYNC;
        folderSynced(folder);
    }
    return rc;
}

// Where a file's methods follow its own part, aligned for their pointers.
int methodsOffset() {
    return (base->szOsFile + int(alignof(Methods)) - 1) / int(alignof(Methods)) *
           int(alignof(Methods));
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = base->xOpen(base, name, f, flags, outFlags);
    // Without methods SQLite does not close the file.
    if (f->pMethods != nullptr) {
        auto* own = reinterpret_cast<Methods*>(reinterpret_cast<char*>(f) + methodsOffset());
        *own = {*f->pMethods, f->pMethods, name};
        own->shown.iVersion = 1; // no memory maps: every write goes through xWrite
        own->shown.xWrite = xWrite;
        own->shown.xSync = xSync;
        own->shown.xTruncate = xTruncate;
        f->pMethods = &own->shown;
        if (name != nullptr)
            followed.insert(name);
    }
    return rc;
}

void observe(const platform::FileStep& s) {
    if (!on)
        return;
    using Kind = platform::FileStep::Kind;
    const Path path = QFile::encodeName(s.path).toStdString();
    const Path target = QFile::encodeName(s.target).toStdString();
    // A file written outside SQLite may still be wholly in the cache.
    if (s.kind == Kind::Sync && !followed.contains(path))
        files[path] = {0, true, {}};
    if (step())
        throw platform::Error(5, QStringLiteral("I/O error"));
    if (s.kind == Kind::Copy) {
        files[target] = {0, true, {}};
        followed.erase(target);
    } else if (s.kind == Kind::Sync) {
        synced(path);
    } else if (s.kind == Kind::FolderSync) {
        folderSynced(s.path);
    } else if (s.kind == Kind::Rename) {
        Rename r{path, target, {}, QFileInfo(s.target).absolutePath()};
        if (cutAt > 0 && QFileInfo::exists(s.target)) {
            r.stash = target + ".before-cut";
            ::unlink(r.stash.c_str());
            check(::link(target.c_str(), r.stash.c_str()));
        }
        moveRecord(path, target);
        followed.insert(target);
        renames.push_back(std::move(r));
    }
}

} // namespace

void install() {
    base = sqlite3_vfs_find(nullptr);
    layer = *base;
    layer.zName = "orvane-powercut";
    layer.szOsFile = methodsOffset() + int(sizeof(Methods));
    layer.pNext = nullptr;
    layer.xOpen = xOpen;
    layer.xDelete = xDelete;
    sqlite3_vfs_register(&layer, 1);
    platform::setFileStepHook(observe);
}

void arm(int at, quint32 drawn) {
    on = true;
    counted = 0;
    cutAt = at;
    seed = drawn;
    failFrom = 0;
}

void failAt(int at, bool failingStays) {
    arm(0, 0);
    failFrom = at;
    failStays = failingStays;
}

int finish() {
    step();
    on = false;
    for (const Deletion& d : deletions)
        ::unlink(d.stash.c_str());
    return counted;
}

} // namespace testing::powercut
