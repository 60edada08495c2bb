#include "platform/CipherVfs.h"

#include <sodium.h>
#include <sqlite3.h>
#include <sys/prctl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform::cipher {

struct CipherVfs::Layer {
    sqlite3_vfs vfs{};
    sqlite3_vfs* lower = nullptr;
    QByteArray name;
    Key key;
    QByteArray header;
    FileId file{};
    int pageSize = 0;
    std::atomic<bool> tampered{false};
};

namespace {

using Layer = CipherVfs::Layer;

// The journal's header is written a sector at a time: smaller than any page, so a write of a
// whole page to the journal is always a page image.
constexpr int SectorSize = 512;

// The pages a database file's handle has opened, kept while no one else can have changed the
// file: SQLite reads long values (overflow pages) past its own cache, so a search that reads the
// same long values again would decrypt them again. Every commit rewrites page 1 with a fresh
// nonce, so the sealed end of page 1 tells whether the file changed since the handle last held
// its lock.
class PageCache {
public:
    using Marker = std::array<unsigned char, ReservedBytes>;
    static constexpr std::size_t MaxPages = 512;

    const std::vector<unsigned char>* find(std::uint32_t page) const {
        const auto found = pages_.find(page);
        return found == pages_.end() ? nullptr : &found->second;
    }
    void keep(std::uint32_t page, const unsigned char* data, int size) {
        if (pages_.size() >= MaxPages)
            pages_.clear(); // a scan larger than the cache gains nothing from keeping its start
        pages_[page].assign(data, data + size);
    }
    // At a new lock: whatever the handle kept holds only if page 1 is the one it last saw.
    void validate(const std::optional<Marker>& marker) {
        if (!marker || marker != marker_)
            pages_.clear();
        marker_ = marker;
    }
    void forget() { validate(std::nullopt); }
    void markWritten(const unsigned char* page1, int size) {
        marker_.emplace();
        std::memcpy(marker_->data(), page1 + size - ReservedBytes, ReservedBytes);
    }

private:
    std::unordered_map<std::uint32_t, std::vector<unsigned char>> pages_;
    std::optional<Marker> marker_;
};

struct File {
    sqlite3_file base;
    Layer* layer;
    FileKind kind;
    sqlite3_file* lower;              // in the same allocation, after this
    std::unique_ptr<PageCache> cache; // database files only
};

File& of(sqlite3_file* f) {
    return *reinterpret_cast<File*>(f);
}
Layer& layerOf(sqlite3_vfs* vfs) {
    return *static_cast<Layer*>(vfs->pAppData);
}
unsigned char* bytes(void* p) {
    return static_cast<unsigned char*>(p);
}

int xClose(sqlite3_file* f) {
    const int code = of(f).lower->pMethods->xClose(of(f).lower);
    of(f).~File();
    return code;
}

int readPages(File& file, void* buffer, int amount, sqlite3_int64 offset) {
    const int ps = file.layer->pageSize;
    std::vector<unsigned char> part; // a page of which only some bytes are asked for
    for (sqlite3_int64 at = offset - offset % ps; at < offset + amount; at += ps) {
        const auto number = std::uint32_t(at / ps + 1);
        const sqlite3_int64 from = std::max(at, offset);
        const sqlite3_int64 to = std::min(at + ps, offset + amount);
        if (const auto* kept = file.cache->find(number)) {
            std::memcpy(bytes(buffer) + (from - offset), kept->data() + (from - at),
                        std::size_t(to - from));
            continue;
        }
        // A whole page is opened where it is asked for: SQLite's own cache keeps those. The
        // parts of pages it reads past that cache are kept here.
        const bool whole = to - from == ps;
        part.resize(whole ? 0 : std::size_t(ps));
        const std::span page(whole ? bytes(buffer) + (at - offset) : part.data(), std::size_t(ps));
        const int code = file.lower->pMethods->xRead(file.lower, page.data(), ps, HeaderSize + at);
        if (code == SQLITE_IOERR_SHORT_READ) {
            // Beyond the end: zeros from here on, as SQLite expects of a short read. A page cut
            // in two is no page at all.
            if (std::any_of(page.begin(), page.end(), [](unsigned char c) { return c != 0; }))
                return SQLITE_CORRUPT;
            std::memset(bytes(buffer) + (from - offset), 0, std::size_t(amount - (from - offset)));
            return SQLITE_IOERR_SHORT_READ;
        }
        if (code != SQLITE_OK)
            return code;
        if (!openPage(file.layer->key, file.layer->file, FileKind::Database, number, page)) {
            file.layer->tampered = true;
            return SQLITE_IOERR_DATA;
        }
        if (whole)
            continue;
        file.cache->keep(number, page.data(), ps);
        std::memcpy(bytes(buffer) + (from - offset), page.data() + (from - at),
                    std::size_t(to - from));
    }
    return SQLITE_OK;
}

int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    File& file = of(f);
    if (file.kind == FileKind::Database)
        return readPages(file, buffer, amount, offset);
    const int code = file.lower->pMethods->xRead(file.lower, buffer, amount, offset);
    if (code != SQLITE_OK || amount != file.layer->pageSize)
        return code;
    // A page image, sealed in its place in the journal.
    if (!openPage(file.layer->key, file.layer->file, FileKind::RollbackJournal,
                  std::uint32_t(offset), std::span(bytes(buffer), std::size_t(amount)))) {
        file.layer->tampered = true;
        return SQLITE_IOERR_DATA;
    }
    return SQLITE_OK;
}

int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    File& file = of(f);
    Layer& layer = *file.layer;
    if (layer.tampered)
        return SQLITE_IOERR_DATA; // said as tampering, like the read that found it
    const int ps = layer.pageSize;
    if (file.kind == FileKind::RollbackJournal && amount != ps)
        return file.lower->pMethods->xWrite(file.lower, buffer, amount, offset);
    if (file.kind == FileKind::Database && (amount % ps != 0 || offset % ps != 0))
        return SQLITE_IOERR_WRITE; // SQLite writes a database's pages whole
    // Page 1 tells how many bytes of each page SQLite leaves free: without room for the seal,
    // sealing would overwrite data.
    if (file.kind == FileKind::Database && offset == 0 &&
        static_cast<const unsigned char*>(buffer)[20] < ReservedBytes)
        return SQLITE_IOERR_WRITE;
    std::vector<unsigned char> sealed(static_cast<const unsigned char*>(buffer),
                                      static_cast<const unsigned char*>(buffer) + amount);
    for (int at = 0; at < amount; at += ps) {
        const std::uint32_t place = file.kind == FileKind::Database
                                        ? std::uint32_t((offset + at) / ps + 1)
                                        : std::uint32_t(offset);
        sealPage(layer.key, layer.file, file.kind, place,
                 std::span(sealed.data() + at, std::size_t(ps)));
    }
    if (file.kind == FileKind::RollbackJournal)
        return file.lower->pMethods->xWrite(file.lower, sealed.data(), amount, offset);
    const int code =
        file.lower->pMethods->xWrite(file.lower, sealed.data(), amount, HeaderSize + offset);
    if (code != SQLITE_OK) {
        file.cache->forget(); // what the file holds now is not known
        return code;
    }
    for (int at = 0; at < amount; at += ps) {
        const auto number = std::uint32_t((offset + at) / ps + 1);
        file.cache->keep(number, static_cast<const unsigned char*>(buffer) + at, ps);
        if (number == 1)
            file.cache->markWritten(sealed.data() + at, ps);
    }
    return SQLITE_OK;
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    File& file = of(f);
    if (file.kind == FileKind::RollbackJournal)
        return file.lower->pMethods->xTruncate(file.lower, size);
    file.cache->forget();
    return file.lower->pMethods->xTruncate(file.lower, size + HeaderSize);
}

int xSync(sqlite3_file* f, int flags) {
    return of(f).lower->pMethods->xSync(of(f).lower, flags);
}

int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    File& file = of(f);
    const int code = file.lower->pMethods->xFileSize(file.lower, size);
    if (code == SQLITE_OK && file.kind == FileKind::Database)
        *size = std::max<sqlite3_int64>(0, *size - HeaderSize);
    return code;
}

// The sealed end of page 1 as it is on disk now; nothing when it cannot be read.
std::optional<PageCache::Marker> pageOneMarker(File& file) {
    PageCache::Marker marker{};
    const int at = HeaderSize + file.layer->pageSize - ReservedBytes;
    if (file.lower->pMethods->xRead(file.lower, marker.data(), ReservedBytes, at) != SQLITE_OK)
        return std::nullopt;
    return marker;
}

int xLock(sqlite3_file* f, int level) {
    File& file = of(f);
    const int code = file.lower->pMethods->xLock(file.lower, level);
    // A shared lock is taken from none: another handle may have written in between.
    if (code == SQLITE_OK && level == SQLITE_LOCK_SHARED && file.cache)
        file.cache->validate(pageOneMarker(file));
    return code;
}
int xUnlock(sqlite3_file* f, int level) {
    return of(f).lower->pMethods->xUnlock(of(f).lower, level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    return of(f).lower->pMethods->xCheckReservedLock(of(f).lower, out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    // Mapping the file into memory would bypass the sealing.
    if (op == SQLITE_FCNTL_MMAP_SIZE)
        return SQLITE_NOTFOUND;
    return of(f).lower->pMethods->xFileControl(of(f).lower, op, arg);
}
int xSectorSize(sqlite3_file*) {
    return SectorSize;
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return of(f).lower->pMethods->xDeviceCharacteristics(of(f).lower) & ~SQLITE_IOCAP_BATCH_ATOMIC;
}

const sqlite3_io_methods Methods = {1,
                                    xClose,
                                    xRead,
                                    xWrite,
                                    xTruncate,
                                    xSync,
                                    xFileSize,
                                    xLock,
                                    xUnlock,
                                    xCheckReservedLock,
                                    xFileControl,
                                    xSectorSize,
                                    xDeviceCharacteristics,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr};

// A new database file gets the header; an existing one must be this layer's file.
int checkHeader(File& file, int flags) {
    Layer& layer = *file.layer;
    sqlite3_int64 size = 0;
    int code = file.lower->pMethods->xFileSize(file.lower, &size);
    if (code != SQLITE_OK)
        return code;
    if (size == 0) {
        if ((flags & SQLITE_OPEN_READWRITE) == 0)
            return SQLITE_NOTADB;
        return file.lower->pMethods->xWrite(file.lower, layer.header.constData(), HeaderSize, 0);
    }
    QByteArray header(HeaderSize, '\0');
    code = file.lower->pMethods->xRead(file.lower, header.data(), HeaderSize, 0);
    if (code != SQLITE_OK || !looksEncrypted(header) ||
        header.mid(24, 16) != layer.header.mid(24, 16))
        return SQLITE_NOTADB;
    return SQLITE_OK;
}

int xOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    Layer& layer = layerOf(vfs);
    File& file = *new (f) File{};
    if ((flags & SQLITE_OPEN_MAIN_DB) != 0)
        file.kind = FileKind::Database;
    else if ((flags & SQLITE_OPEN_MAIN_JOURNAL) != 0)
        file.kind = FileKind::RollbackJournal;
    else
        return SQLITE_CANTOPEN; // no file this layer could not seal
    file.layer = &layer;
    file.lower = reinterpret_cast<sqlite3_file*>(&file + 1);
    int code = layer.lower->xOpen(layer.lower, name, file.lower, flags, outFlags);
    if (code != SQLITE_OK)
        return code;
    if (file.kind == FileKind::Database && (code = checkHeader(file, flags)) != SQLITE_OK) {
        file.lower->pMethods->xClose(file.lower);
        return code;
    }
    if (file.kind == FileKind::Database)
        file.cache = std::make_unique<PageCache>();
    file.base.pMethods = &Methods;
    return SQLITE_OK;
}

} // namespace

CipherVfs::CipherVfs(Key dataKey, QByteArray header) : layer_(std::make_unique<Layer>()) {
    Layer& layer = *layer_;
    layer.key = std::move(dataKey);
    layer.header = std::move(header);
    std::memcpy(layer.file.data(), layer.header.constData() + 24, layer.file.size());
    for (int i = 3; i >= 0; --i)
        layer.pageSize = layer.pageSize << 8 | static_cast<unsigned char>(layer.header[20 + i]);
    layer.lower = sqlite3_vfs_find(nullptr);
    layer.name = QByteArray("orvane-cipher-") + QByteArray::number(quintptr(this), 16);
    layer.vfs = *layer.lower;
    layer.vfs.iVersion = std::min(layer.lower->iVersion, 3);
    layer.vfs.szOsFile = int(sizeof(File)) + layer.lower->szOsFile;
    layer.vfs.pNext = nullptr;
    layer.vfs.zName = layer.name.constData();
    layer.vfs.pAppData = &layer;
    layer.vfs.xOpen = xOpen;
    sqlite3_vfs_register(&layer.vfs, 0);
    prctl(PR_SET_DUMPABLE, 0);
}

CipherVfs::~CipherVfs() {
    sqlite3_vfs_unregister(&layer_->vfs);
}

const char* CipherVfs::name() const {
    return layer_->name.constData();
}

int CipherVfs::pageSize() const {
    return layer_->pageSize;
}

bool CipherVfs::tampered() const {
    return layer_->tampered;
}

const QByteArray& CipherVfs::header() const {
    return layer_->header;
}

FileId CipherVfs::fileId() const {
    return layer_->file;
}

std::shared_ptr<CipherVfs> CipherVfs::companion() const {
    static constexpr char Context[crypto_kdf_CONTEXTBYTES] = {'i', 'n', 'd', 'e',
                                                              'x', 'k', 'e', 'y'};
    Key key;
    crypto_kdf_derive_from_key(key.data(), Key::Size, 1, Context, layer_->key.data());
    QByteArray header = layer_->header;
    unsigned char id[16];
    crypto_generichash(id, sizeof id, layer_->file.data(), layer_->file.size(),
                       reinterpret_cast<const unsigned char*>(Context), sizeof Context);
    header.replace(24, 16, QByteArray(reinterpret_cast<const char*>(id), sizeof id));
    // No wrapping of any key and a checksum that does not fit: opened as a journal, it is damaged.
    header.replace(40, HeaderSize - 40, QByteArray(HeaderSize - 40, '\0'));
    return std::make_shared<CipherVfs>(std::move(key), std::move(header));
}

} // namespace platform::cipher
