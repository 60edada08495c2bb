#pragma once

#include "platform/CipherVfs.h"
#include "platform/Sqlite.h"
#include "store/search/SearchService.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The full-text index of one journal: a separate SQLite file of derived data that can always be
// made again. Each entry's text, remark and picture name, folded, are indexed as overlapping
// pairs of characters (FTS5, no stored content), so that words of any length, one character
// included, are found inside longer text. Beside it each entry keeps its key, a hash of what was
// indexed and that text compressed, which lets a changed entry leave the index and gives the
// excerpts. The journal is only ever read.
namespace store::search {

class SearchIndex {
public:
    // Opens the index at indexPath for the journal at journalPath; a missing, damaged, foreign
    // or older file is made anew. An empty indexPath keeps the index in a temporary file that
    // goes with the object (in memory for an encrypted journal). journalLayer is the journal's
    // sealing: the index of an encrypted journal is sealed too, under a key derived from its.
    SearchIndex(const QString& indexPath, const QString& journalPath,
                std::shared_ptr<const platform::cipher::CipherVfs> journalLayer = nullptr);
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    const QString& journalPath() const { return journalPath_; }
    const std::shared_ptr<const platform::cipher::CipherVfs>& journalLayer() const {
        return journalLayer_;
    }

    // Whether the index was left matching the journal file in exactly its present state.
    bool matchesJournalFile();
    // Notes the state of the journal file that the index matches; nullopt when it may not match
    // any.
    void recordJournalState(const std::optional<platform::sqlite::FileState>& state);

    // Compares every entry of the journal with the index and brings the index up to date,
    // reading the journal in short transactions. progress(done, total) is called between them;
    // when it returns false the work stops and refresh() returns false.
    bool refresh(const std::function<bool(int, int)>& progress = {});
    // Brings one day's entries up to date, after this program saved or deleted it.
    void refreshDay(const QDate& day);

    // The entries holding every word (folded, as queryWords() gives them), newest first.
    std::vector<qint64> find(const QStringList& words);
    // The row of the list for one entry that find() returned.
    Hit hit(qint64 id, const QStringList& words);

    // Stops a find() or refresh() running on another thread when check() says so.
    void setInterruptCheck(std::function<bool()> check);

    // Whether the index file on disk is no longer the one this object wrote (deleted, replaced
    // or cut short by something else).
    bool fileChangedBehindBack() const;

private:
    struct Entry;
    void create();
    void rewrite();
    // The name of the layer the index file is opened through; none when it is not sealed.
    const char* sealingLayer() const;
    void openJournal();
    void store(const Entry& entry, std::optional<qint64> replacing);
    void remove(qint64 id);
    void noteOwnWrite();

    QString indexPath_;
    QString journalPath_;
    std::shared_ptr<const platform::cipher::CipherVfs> journalLayer_;
    std::shared_ptr<const platform::cipher::CipherVfs> indexLayer_;
    std::unique_ptr<platform::sqlite::Connection> index_;
    std::unique_ptr<platform::sqlite::Connection> journal_;
    std::optional<platform::sqlite::FileState> journalOpened_;
    std::optional<platform::sqlite::FileState> ownState_;
    std::function<bool()> interruptCheck_;
};

// The index file of a journal in a folder: "index-" + a hash of the journal's full path.
QString indexFileName(const QString& journalPath);

} // namespace store::search
