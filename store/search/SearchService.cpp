#include "store/search/SearchService.h"

#include "platform/Error.h"
#include "store/Session.h"
#include "store/search/SearchIndex.h"
#include "store/search/TextFold.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThread>

#include <atomic>

namespace store::search {
namespace {

constexpr int FirstRows = 50;

// Which journal a request is about, as the windows' thread sees it: its file, the opening of it
// (a new one after a compaction, a restore or a switch) and how often another program was found
// to have changed it.
struct JournalView {
    QString path;
    quint64 opening = 0;
    quint64 changesElsewhere = 0;
    std::shared_ptr<const platform::cipher::CipherVfs> layer; // kept while the worker reads

    bool operator==(const JournalView&) const = default;
};

std::optional<JournalView> openJournal() {
    auto& db = session().JournalDb;
    if (!db)
        return std::nullopt;
    return JournalView{db->path(), db->opening(), db->changesElsewhere(),
                       session().JournalWs->layer()};
}

bool isDamage(int number) {
    // SQLite's codes for a damaged file, a file that is no database and failed reads.
    return number == 11 || number == 26 || number == 10;
}

} // namespace

// Everything that touches the index runs here, on one thread, in the order it was asked for.
class Worker {
public:
    explicit Worker(SearchService& service) : service_(&service) {
        context_.moveToThread(&thread_);
        thread_.start();
    }

    // Runs a task on the worker's thread.
    template <typename F> void post(F task) {
        QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
    }
    // Runs a task on the service's thread, unless the service is gone by then.
    template <typename F> void answer(F task) {
        QMetaObject::invokeMethod(service_.data(), std::move(task), Qt::QueuedConnection);
    }

    void ensureIndex(const JournalView& journal);
    void finish();

    QPointer<SearchService> service_;
    QObject context_;
    QThread thread_;
    std::atomic<quint64> latest_{0};
    std::atomic<bool> cancel_{false};

    // The worker thread's own state.
    std::unique_ptr<SearchIndex> index_;
    std::optional<JournalView> synced_;
    bool checkedFile_ = false;
    bool cancelled_ = false;
    bool noticed_ = false;
    quint64 answerNumber_ = 0;
    QStringList answerWords_;
    std::vector<qint64> answerIds_;
};

void Worker::ensureIndex(const JournalView& journal) {
    if (!index_ || index_->journalPath() != journal.path ||
        index_->journalLayer() != journal.layer || index_->fileChangedBehindBack()) {
        index_.reset();
        synced_.reset();
        checkedFile_ = false;
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        try {
            if (!QDir().mkpath(folder))
                throw platform::Error(platform::errnum::PathFileAccess, folder);
            index_ = std::make_unique<SearchIndex>(folder + QLatin1Char('/') +
                                                       indexFileName(journal.path),
                                                   journal.path, journal.layer);
        } catch (const platform::Error&) {
            // Searching goes on with an index that is not kept after the run.
            index_ = std::make_unique<SearchIndex>(QString(), journal.path, journal.layer);
            if (!noticed_) {
                noticed_ = true;
                answer([s = service_, folder] {
                    Q_EMIT s->notice(
                        QStringLiteral("検索の索引を次のフォルダーに保存できないため、保存せずに"
                                       "検索します。検索に時間がかかることがあります。\n") +
                        folder);
                });
            }
        }
    }
    if (synced_ == journal || cancelled_)
        return;
    // At the first look the index may still match the journal as the last run left it.
    const bool unchanged = !checkedFile_ && index_->matchesJournalFile();
    checkedFile_ = true;
    index_->recordJournalState(std::nullopt);
    if (!unchanged) {
        cancel_ = false;
        const bool complete = index_->refresh([this](int done, int total) {
            answer([s = service_, done, total] { Q_EMIT s->progress(done, total); });
            return !cancel_;
        });
        answer([s = service_, complete] { Q_EMIT s->built(complete); });
        if (!complete) {
            cancelled_ = true;
            return;
        }
    }
    synced_ = journal;
}

void Worker::finish() {
    cancel_ = true;
    if (QCoreApplication::instance() == nullptr) {
        // Too late for queued work (the program is past its end): the index is left as one
        // that may not match, and the next run compares every entry.
        thread_.quit();
        thread_.wait();
        return;
    }
    std::optional<JournalView> synced;
    post([this, &synced] {
        synced = synced_;
        thread_.quit();
    });
    thread_.wait();
    if (!index_ || !synced)
        return;
    // The file's state first, then whether anything else wrote meanwhile: a change after the
    // state was read shows as another state at the next run.
    try {
        const auto state = platform::sqlite::fileState(index_->journalPath());
        const auto journal = openJournal();
        index_->recordJournalState(journal == synced ? state : std::nullopt);
    } catch (const platform::Error&) {
        // Nothing to keep: the next run compares every entry.
    }
}

SearchService::SearchService(QObject* parent)
    : QObject(parent), worker_(std::make_unique<Worker>(*this)) {}

SearchService::~SearchService() {
    worker_->finish();
}

void SearchService::prepare() {
    const auto journal = openJournal();
    if (!journal)
        return;
    Worker* w = worker_.get();
    w->post([w, journal = *journal] {
        w->cancelled_ = false;
        try {
            w->ensureIndex(journal);
        } catch (const platform::Error& e) {
            if (isDamage(e.number()))
                w->index_.reset();
            w->answer([s = w->service_, text = e.message()] { Q_EMIT s->notice(text); });
        }
    });
}

void SearchService::cancelBuild() {
    worker_->cancel_ = true;
}

quint64 SearchService::search(const QString& query) {
    Worker* w = worker_.get();
    const quint64 number = ++w->latest_;
    const QStringList words = queryWords(query);
    const auto journal = openJournal();
    if (words.isEmpty() || !journal) {
        Q_EMIT answered(number, words, 0, {});
        return number;
    }
    w->post([w, number, words, journal = *journal] {
        if (w->latest_ != number)
            return;
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                w->ensureIndex(journal);
                w->index_->setInterruptCheck([w, number] { return w->latest_ != number; });
                std::vector<qint64> ids = w->index_->find(words);
                w->index_->setInterruptCheck({});
                QVector<Hit> first;
                for (std::size_t i = 0; i < ids.size() && i < std::size_t(FirstRows); ++i)
                    first.append(w->index_->hit(ids[i], words));
                const int count = int(ids.size());
                w->answerNumber_ = number;
                w->answerWords_ = words;
                w->answerIds_ = std::move(ids);
                w->answer([s = w->service_, number, words, count, first] {
                    Q_EMIT s->answered(number, words, count, first);
                });
                return;
            } catch (const platform::Error& e) {
                if (w->index_)
                    w->index_->setInterruptCheck({});
                if (platform::sqlite::isInterrupt(e.number()))
                    return;
                // A damaged index is made again, once; anything else is said.
                if (attempt == 0 && isDamage(e.number())) {
                    w->index_.reset();
                    continue;
                }
                w->answer([s = w->service_, text = e.message()] { Q_EMIT s->notice(text); });
                return;
            }
        }
    });
    return number;
}

void SearchService::fetch(quint64 answer, int from, int count) {
    Worker* w = worker_.get();
    w->post([w, answer, from, count] {
        if (answer != w->answerNumber_ || !w->index_ || from < 0)
            return;
        QVector<Hit> rows;
        try {
            for (std::size_t i = std::size_t(from);
                 i < w->answerIds_.size() && i < std::size_t(from + count); ++i)
                rows.append(w->index_->hit(w->answerIds_[i], w->answerWords_));
        } catch (const platform::Error&) {
            return;
        }
        w->answer([s = w->service_, answer, from, rows] { Q_EMIT s->fetched(answer, from, rows); });
    });
}

void SearchService::entryChanged(const QDate& day) {
    auto& m = session();
    if (!m.Search)
        return;
    Worker* w = m.Search->worker_.get();
    w->post([w, day] {
        if (!w->index_ || !w->synced_)
            return;
        try {
            w->index_->refreshDay(day);
        } catch (const platform::Error&) {
            // The next search compares every entry instead.
            w->synced_.reset();
        }
    });
}

void SearchService::dropIndex(const QString& journalPath) {
    if (auto& search = session().Search) {
        Worker* w = search->worker_.get();
        w->cancel_ = true;
        QSemaphore closed;
        w->post([w, &closed] {
            w->index_.reset();
            w->synced_.reset();
            w->checkedFile_ = false;
            closed.release();
        });
        closed.acquire();
    }
    const QString index = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                          QLatin1Char('/') + indexFileName(journalPath);
    QFile::remove(index);
    QFile::remove(index + QStringLiteral("-journal"));
}

SearchService& service() {
    auto& m = session();
    if (!m.Search)
        m.Search = std::make_unique<SearchService>();
    return *m.Search;
}

} // namespace store::search
