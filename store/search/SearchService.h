#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// The search over the whole journal, as the windows use it. The index lives in the user's cache
// folder and all work on it runs on a thread of its own, so typing never waits for it; answers
// and progress arrive as signals on the thread that made the service.
namespace store::search {

// One row of the list of hits.
struct Hit {
    QDate day;
    QString remark;  // on one line
    QString excerpt; // one line of the journal text around the first match
    // Where the match sits in excerpt; boldLength 0 when the text holds no match (the words were
    // found in the remark or the picture's name only).
    int boldStart = 0;
    int boldLength = 0;
};

class Worker;

class SearchService : public QObject {
    Q_OBJECT
public:
    explicit SearchService(QObject* parent = nullptr);
    // Waits for the work in hand and, when nothing else changed the journal meanwhile, notes in
    // the index that it matches the journal, so that the next run needs no check of every entry.
    ~SearchService() override;

    // Brings the index up to date with the open journal, building it the first time; the
    // progress of a long build comes with progress() and its end with built().
    void prepare();
    // Stops a build in hand; what was indexed so far is searched, the rest is built at the next
    // prepare().
    void cancelBuild();

    // Asks for the hits of a typed query and returns the number that its answer will carry; an
    // answer still being worked out for an older query is dropped.
    quint64 search(const QString& query);
    // Asks for more rows of an answer: hits [from, from + count), newest first.
    void fetch(quint64 answer, int from, int count);

    // The day's entry was saved or deleted by this program: the index follows before the next
    // search. Does nothing when no search service runs.
    static void entryChanged(const QDate& day);
    // Closes the index of the journal at journalPath and deletes its file (the journal was
    // encrypted or decrypted: the index must not stay as it was). The next search builds it anew.
    static void dropIndex(const QString& journalPath);

Q_SIGNALS:
    void progress(int done, int total);
    // The build ended; complete is false when it was cancelled.
    void built(bool complete);
    // The answer to a search(): the query's words as they are compared, the number of hits and
    // their first rows.
    void answered(quint64 answer, const QStringList& words, int count,
                  const QVector<store::search::Hit>& first);
    // More rows of an answer, asked for with fetch().
    void fetched(quint64 answer, int from, const QVector<store::search::Hit>& rows);
    // Something the user should know once, such as an index that cannot be kept on disk.
    void notice(const QString& text);

private:
    std::unique_ptr<Worker> worker_;
};

// The program's search service, made at the first call; it lives in session().Search until
// the end of the run.
SearchService& service();

} // namespace store::search
