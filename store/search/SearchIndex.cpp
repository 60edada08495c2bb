#include "store/search/SearchIndex.h"

#include "platform/Database.h"
#include "platform/Error.h"
#include "platform/System.h"
#include "store/JournalKeys.h"
#include "store/search/TextFold.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace store::search {

using platform::sqlite::Connection;
using platform::sqlite::Statement;

namespace {

// Raised when the folding, the pairs or the tables change, so that an older index is made anew.
const QString Format = QStringLiteral("orvane-search-1");

// Twenty years of entries share a day number range; the lowest bits tell apart the rare rows
// that another tool typed for a day that has one already.
constexpr qint64 SlotsPerDay = 16;

constexpr char16_t FieldSeparator = 0x1F;
constexpr char16_t End = 0xE0FE;
constexpr char16_t Blank = 0xE020;

// The code points of a folded text as the index's tokeniser sees them: blanks become one mark,
// so that no word is found across them, and the ASCII signs become private characters, so that
// the tokeniser keeps them as characters to search for instead of separators.
void appendUnits(QStringView folded, QStringList& units) {
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar c = folded[i];
        if (c.isHighSurrogate() && i + 1 < folded.size() && folded[i + 1].isLowSurrogate()) {
            units.append(folded.mid(i, 2).toString());
            ++i;
        } else if (c.isSpace()) {
            units.append(QString(QChar(Blank)));
        } else if (c.unicode() < 0x80 && !c.isLetterOrNumber()) {
            units.append(QString(QChar(char16_t(0xE000 + c.unicode()))));
        } else {
            units.append(QString(c));
        }
    }
}

// What goes into the index for a folded text: every pair of neighbouring characters, the last
// character paired with an end mark so that it is found too.
QString indexedForm(QStringView folded) {
    QStringList units;
    appendUnits(folded, units);
    units.append(QString(QChar(End)));
    QString form;
    form.reserve(folded.size() * 3);
    for (qsizetype i = 0; i + 1 < units.size(); ++i) {
        if (i > 0)
            form.append(QLatin1Char(' '));
        form.append(units[i]);
        form.append(units[i + 1]);
    }
    return form;
}

// The index query for one word: its pairs as a phrase, or for a single character every pair
// that begins with it. Every character is a token character of the tokeniser, so nothing the
// user types can act as query syntax.
QString matchTerm(QStringView word) {
    QStringList units;
    appendUnits(word, units);
    if (units.size() == 1)
        return QStringLiteral("\"%1\" *").arg(units.front());
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < units.size(); ++i)
        pairs.append(units[i] + units[i + 1]);
    return QLatin1Char('"') + pairs.join(QLatin1Char(' ')) + QLatin1Char('"');
}

// The words worth asking the index for: no repeats, none contained in another, longest first.
QStringList distinctWords(const QStringList& words) {
    QStringList sorted = words;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QStringList kept;
    for (const QString& word : sorted) {
        if (std::none_of(kept.begin(), kept.end(),
                         [&](const QString& longer) { return longer.contains(word); }))
            kept.append(word);
    }
    return kept;
}

// The index asks for at most this many words; the others are checked in the entries it finds.
constexpr qsizetype IndexedWords = 4;

quint64 fingerprint(QStringView text) {
    quint64 hash = 14695981039346656037ULL;
    for (const QChar c : text) {
        hash ^= c.unicode();
        hash *= 1099511628211ULL;
    }
    return hash;
}

QString joined(const QString& text, const QString& remark, const QString& picture) {
    return text + QChar(FieldSeparator) + remark + QChar(FieldSeparator) + picture;
}

std::optional<qint64> dayNumber(const QString& key) {
    const auto moment = platform::db::fromStorageText(key);
    if (!moment || !moment->date().isValid())
        return std::nullopt;
    return moment->date().toJulianDay();
}

QString oneLine(QString text) {
    for (QChar& c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return text;
}

// A sealed index keeps room at the end of every page for its seal, as the journal does; the
// layer refuses to write a page without it.
std::unique_ptr<Connection> openIndex(const QString& where, const char* vfs) {
    auto index = std::make_unique<Connection>(where, Connection::Mode::ReadWriteCreate, vfs);
    if (vfs != nullptr) {
        int bytes = platform::cipher::ReservedBytes;
        sqlite3_file_control(index->handle(), "main", SQLITE_FCNTL_RESERVE_BYTES, &bytes);
    }
    return index;
}

void removeFile(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// The copy an index is written into afresh before it replaces the index.
QString rewrittenPath(const QString& indexPath) {
    return indexPath + QStringLiteral(".rewritten");
}

constexpr const char* Settings =
    "pragma journal_mode=truncate; pragma synchronous=off; pragma cache_size=-2000";

} // namespace

struct SearchIndex::Entry {
    QString key;
    qint64 day = 0;
    QString fields; // text, remark and picture name, joined by the field separator
};

QString indexFileName(const QString& journalPath) {
    const QByteArray digest =
        QCryptographicHash::hash(journalPath.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("index-%1.sqlite").arg(QString::fromLatin1(digest.left(16)));
}

SearchIndex::SearchIndex(const QString& indexPath, const QString& journalPath,
                         std::shared_ptr<const platform::cipher::CipherVfs> journalLayer)
    : indexPath_(indexPath), journalPath_(journalPath), journalLayer_(std::move(journalLayer)) {
    if (journalLayer_)
        indexLayer_ = journalLayer_->companion();
    // SQLite's temporary file would be plain: an encrypted journal's unkept index stays in memory.
    const QString where =
        indexPath_.isEmpty() && indexLayer_ ? QStringLiteral(":memory:") : indexPath_;
    const char* vfs = sealingLayer();
    if (!indexPath_.isEmpty())
        removeFile(rewrittenPath(indexPath_)); // left by a run cut off while writing it
    try {
        index_ = openIndex(where, vfs);
        Statement format(index_->handle(), "select value from meta where name='format'");
        Statement journal(index_->handle(), "select value from meta where name='journal'");
        if (!format.step() || format.text(0) != Format || !journal.step() ||
            journal.text(0) != journalPath_)
            throw platform::Error(platform::errnum::NotADatabase, QString());
    } catch (const platform::Error&) {
        // Derived data: whatever is wrong with the file, it is made again.
        index_.reset();
        if (!indexPath_.isEmpty())
            removeFile(indexPath_);
        index_ = openIndex(where, vfs);
        create();
    }
    index_->exec(Settings);
    noteOwnWrite();
}

SearchIndex::~SearchIndex() = default;

const char* SearchIndex::sealingLayer() const {
    // An index kept only in memory is never written out: it needs no sealing.
    return indexLayer_ && !indexPath_.isEmpty() ? indexLayer_->name() : nullptr;
}

void SearchIndex::create() {
    index_->exec("pragma journal_mode=truncate; pragma synchronous=off; begin;"
                 "create table meta(name text primary key, value text) without rowid;"
                 "create table docs(id integer primary key, key text not null unique,"
                 " hash integer not null, packed blob not null);"
                 "create virtual table words using fts5(body, content='', tokenize='ascii',"
                 " detail=full, columnsize=0);");
    if (sealingLayer() != nullptr) {
        // A sealed page keeps ReservedBytes for its seal. The full-text leaves are made that much
        // smaller than their usual 4,050 bytes, so that each still fits in one page instead of
        // spilling its end onto a page of its own.
        Statement leaves(index_->handle(), "insert into words(words, rank) values('pgsz', ?)");
        leaves.bind(1, qint64(4050 - platform::cipher::ReservedBytes)).run();
    }
    Statement meta(index_->handle(), "insert into meta values(?,?)");
    meta.bind(1, QStringLiteral("format")).bind(2, Format).run();
    meta.bind(1, QStringLiteral("journal")).bind(2, journalPath_).run();
    meta.bind(1, QStringLiteral("journal state")).bind(2, QString()).run();
    index_->exec("commit");
}

void SearchIndex::noteOwnWrite() {
    if (!indexPath_.isEmpty())
        ownState_ = platform::sqlite::fileState(indexPath_);
}

bool SearchIndex::fileChangedBehindBack() const {
    if (indexPath_.isEmpty())
        return false;
    return platform::sqlite::fileState(indexPath_) != ownState_;
}

// Written afresh into a copy that then replaces it: a vacuum in place would hold a copy of the
// whole index in memory and put every page of it through the rollback journal.
void SearchIndex::rewrite() {
    if (indexPath_.isEmpty()) {
        index_->exec("vacuum");
        return;
    }
    const QString copy = rewrittenPath(indexPath_);
    removeFile(copy);
    try {
        Statement into(index_->handle(), "vacuum into ?");
        into.bind(1, copy).run();
    } catch (...) {
        removeFile(copy);
        throw;
    }
    // Should the rename fail, the index stays as it was: whole, only larger. The connection to
    // the replaced file stays in use until the new one is open.
    if (std::rename(QFile::encodeName(copy).constData(),
                    QFile::encodeName(indexPath_).constData()) != 0) {
        removeFile(copy);
        return;
    }
    auto fresh = openIndex(indexPath_, sealingLayer());
    fresh->exec(Settings);
    if (interruptCheck_)
        fresh->setInterruptCheck(interruptCheck_);
    index_ = std::move(fresh);
}

void SearchIndex::setInterruptCheck(std::function<bool()> check) {
    interruptCheck_ = check;
    index_->setInterruptCheck(check);
    if (journal_)
        journal_->setInterruptCheck(std::move(check));
}

bool SearchIndex::matchesJournalFile() {
    const auto state = platform::sqlite::fileState(journalPath_);
    Statement read(index_->handle(), "select value from meta where name='journal state'");
    return state && read.step() && !read.text(0).isEmpty() && read.text(0) == state->toText();
}

void SearchIndex::recordJournalState(const std::optional<platform::sqlite::FileState>& state) {
    Statement write(index_->handle(), "update meta set value=? where name='journal state'");
    write.bind(1, state ? state->toText() : QString()).run();
    noteOwnWrite();
}

void SearchIndex::openJournal() {
    const auto state = platform::sqlite::fileState(journalPath_);
    const bool sameFile = state && journalOpened_ && state->device == journalOpened_->device &&
                          state->inode == journalOpened_->inode;
    if (journal_ && sameFile)
        return;
    journal_.reset();
    journal_ = std::make_unique<Connection>(journalPath_, Connection::Mode::ReadOnly,
                                            journalLayer_ ? journalLayer_->name() : nullptr);
    journalOpened_ = state;
}

void SearchIndex::store(const Entry& entry, std::optional<qint64> replacing) {
    if (replacing)
        remove(*replacing);
    Statement taken(index_->handle(), "select id from docs where id>=? and id<? order by id");
    taken.bind(1, entry.day * SlotsPerDay).bind(2, (entry.day + 1) * SlotsPerDay);
    qint64 id = entry.day * SlotsPerDay;
    while (taken.step() && taken.int64(0) == id)
        ++id;
    if (id >= (entry.day + 1) * SlotsPerDay)
        return; // more rows for one day than anyone types: the rest is not searchable
    Statement words(index_->handle(), "insert into words(rowid, body) values(?,?)");
    words.bind(1, id).bind(2, indexedForm(foldedText(entry.fields))).run();
    Statement doc(index_->handle(), "insert into docs values(?,?,?,?)");
    doc.bind(1, id)
        .bind(2, entry.key)
        .bind(3, qint64(fingerprint(entry.fields)))
        .bindBlob(4, qCompress(entry.fields.toUtf8()))
        .run();
}

void SearchIndex::remove(qint64 id) {
    Statement packed(index_->handle(), "select packed from docs where id=?");
    packed.bind(1, id);
    if (!packed.step())
        return;
    // An index without stored content forgets an entry only when told what was indexed.
    const QString fields = QString::fromUtf8(qUncompress(packed.blob(0)));
    Statement forget(index_->handle(),
                     "insert into words(words, rowid, body) values('delete',?,?)");
    forget.bind(1, id).bind(2, indexedForm(foldedText(fields))).run();
    Statement drop(index_->handle(), "delete from docs where id=?");
    drop.bind(1, id).run();
}

bool SearchIndex::refresh(const std::function<bool(int, int)>& progress) {
    openJournal();
    const int total = int(journal_->singleInt("select count(*) from Mirel"));

    struct Known {
        qint64 id;
        quint64 hash;
    };
    QHash<QString, Known> known;
    {
        Statement all(index_->handle(), "select key, id, hash from docs");
        while (all.step())
            known.insert(all.text(0), {all.int64(1), quint64(all.int64(2))});
    }
    QSet<QString> seen;
    seen.reserve(known.size());

    // Short read transactions, so that a save of the program never waits for more than one.
    Statement batch(journal_->handle(),
                    "select rowid, cast(reg_dat as text), mirel_txt, memo_txt, pic_txt from Mirel"
                    " where rowid>? order by rowid limit 200");
    qint64 after = std::numeric_limits<qint64>::min();
    int done = 0;
    int changed = 0;
    for (;;) {
        std::vector<Entry> rows;
        int read = 0;
        batch.bind(1, after);
        while (batch.step()) {
            ++read;
            after = batch.int64(0);
            const QString key = batch.text(1);
            // A key that names no day cannot be opened from the list either.
            if (const auto day = dayNumber(key))
                rows.push_back(
                    {key, *day,
                     joined(batch.text(2), batch.text(3), platform::fileTitle(batch.text(4)))});
        }
        batch.reset();
        if (read == 0)
            break;
        index_->exec("begin");
        for (const Entry& row : rows) {
            seen.insert(row.key);
            const auto it = known.constFind(row.key);
            if (it != known.constEnd() && it->hash == fingerprint(row.fields))
                continue;
            store(row, it != known.constEnd() ? std::optional<qint64>(it->id) : std::nullopt);
            ++changed;
        }
        index_->exec("commit");
        done += read;
        if (progress && !progress(std::min(done, total), total)) {
            noteOwnWrite();
            return false;
        }
    }
    index_->exec("begin");
    for (auto it = known.constBegin(); it != known.constEnd(); ++it) {
        if (!seen.contains(it.key()))
            remove(it->id);
    }
    index_->exec("commit");
    // After a build or a large change, the index's pieces merged into one and the file
    // written afresh are smaller and faster to search.
    if (changed > 1000 && changed * 4 > total) {
        index_->exec("insert into words(words) values('optimize')");
        rewrite();
    }
    noteOwnWrite();
    return true;
}

void SearchIndex::refreshDay(const QDate& day) {
    openJournal();
    const QVariantList bounds = dayKeys(day);
    const QString from = bounds.value(0).toString();
    const QString to = bounds.value(1).toString();
    std::vector<Entry> rows;
    {
        Statement read(journal_->handle(),
                       "select cast(reg_dat as text), mirel_txt, memo_txt, pic_txt from Mirel"
                       " where reg_dat>=? and reg_dat<?");
        read.bind(1, from).bind(2, to);
        while (read.step())
            rows.push_back({read.text(0), day.toJulianDay(),
                            joined(read.text(1), read.text(2), platform::fileTitle(read.text(3)))});
    }
    index_->exec("begin");
    Statement indexed(index_->handle(),
                      "select id, key, hash from docs where id>=? and id<? and key>=? and key<?");
    indexed.bind(1, day.toJulianDay() * SlotsPerDay)
        .bind(2, (day.toJulianDay() + 1) * SlotsPerDay)
        .bind(3, from)
        .bind(4, to);
    QHash<QString, std::pair<qint64, quint64>> known;
    while (indexed.step())
        known.insert(indexed.text(1), {indexed.int64(0), quint64(indexed.int64(2))});
    indexed.reset();
    for (const Entry& row : rows) {
        const auto it = known.constFind(row.key);
        if (it == known.constEnd()) {
            store(row, std::nullopt);
            continue;
        }
        if (it->second != fingerprint(row.fields))
            store(row, it->first);
        known.remove(row.key);
    }
    for (const auto& [id, hash] : std::as_const(known))
        remove(id);
    index_->exec("commit");
    noteOwnWrite();
}

std::vector<qint64> SearchIndex::find(const QStringList& words) {
    const QStringList asked = distinctWords(words);
    if (asked.isEmpty())
        return {};
    QStringList terms;
    for (qsizetype i = 0; i < std::min(asked.size(), IndexedWords); ++i)
        terms.append(matchTerm(asked[i]));
    Statement match(index_->handle(),
                    "select rowid from words where words match ? order by rowid desc");
    match.bind(1, terms.join(QStringLiteral(" AND ")));
    std::vector<qint64> ids;
    while (match.step())
        ids.push_back(match.int64(0));
    match.reset();
    if (asked.size() <= IndexedWords)
        return ids;
    // Many words: the rest are looked for in the entries that hold the longest ones.
    const QStringList rest = asked.mid(IndexedWords);
    Statement packed(index_->handle(), "select packed from docs where id=?");
    std::erase_if(ids, [&](qint64 id) {
        packed.bind(1, id);
        const QString fields =
            packed.step() ? foldedText(QString::fromUtf8(qUncompress(packed.blob(0)))) : QString();
        packed.reset();
        return std::any_of(rest.begin(), rest.end(),
                           [&](const QString& word) { return !fields.contains(word); });
    });
    return ids;
}

Hit SearchIndex::hit(qint64 id, const QStringList& words) {
    Statement read(index_->handle(), "select key, packed from docs where id=?");
    read.bind(1, id);
    Hit hit;
    if (!read.step())
        return hit;
    hit.day = QDate::fromJulianDay(id / SlotsPerDay);
    const QStringList fields =
        QString::fromUtf8(qUncompress(read.blob(1))).split(QChar(FieldSeparator));
    const QString text = fields.value(0);
    hit.remark = oneLine(fields.value(1));

    // Some characters before the match and more after it, on one line.
    constexpr int Before = 16;
    constexpr int Length = 60;
    const auto match = firstMatch(text, words);
    int start = match ? std::max(0, match->start - Before) : 0;
    if (start > 0 && text.at(start).isLowSurrogate())
        --start;
    hit.excerpt = oneLine(text.mid(start, Length));
    if (match) {
        hit.boldStart = match->start - start;
        hit.boldLength = std::min(match->length, int(hit.excerpt.size()) - hit.boldStart);
    }
    if (start > 0) {
        hit.excerpt.prepend(QStringLiteral("…"));
        ++hit.boldStart;
    }
    if (start + Length < text.size())
        hit.excerpt.append(QStringLiteral("…"));
    return hit;
}

} // namespace store::search
