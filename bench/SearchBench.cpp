#include "bench/SearchBench.h"
#include "bench/ProcessProbe.h"

#include "app/modFunc.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Services.h"
#include "store/search/SearchIndex.h"
#include "store/search/SearchService.h"
#include "store/search/TextFold.h"
#include "windows/WindowLookup.h"
#include "windows/search/frmFind.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {
namespace {

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void print(const char* name, double value) {
    std::printf("%s %.3f\n", name, value);
}

// The slowest of the queries, each the median of five answers: the count and the first 50 rows.
double slowestAnswer(store::search::SearchIndex& index, const QStringList& queries) {
    double slowest = 0;
    for (const QString& query : queries) {
        const QStringList words = store::search::queryWords(query);
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer timer;
            timer.start();
            const std::vector<qint64> ids = index.find(words);
            for (std::size_t k = 0; k < ids.size() && k < 50; ++k)
                index.hit(ids[k], words);
            times.push_back(ms(timer));
        }
        std::sort(times.begin(), times.end());
        slowest = std::max(slowest, times[times.size() / 2]);
    }
    return slowest;
}

} // namespace

void measureSearch() {
    auto& db = *app::modFunc().JournalDb;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + store::search::indexFileName(db.path());
    QFile::remove(path);

    QElapsedTimer timer;
    timer.start();
    // Sealed as the program's own is when the journal is.
    store::search::SearchIndex index(path, db.path(), app::modFunc().JournalWs->layer());
    index.refresh();
    print("search_build_s", ms(timer) / 1000);
    print("search_size_ratio", double(QFileInfo(path).size()) /
                                   double(std::max<qint64>(1, QFileInfo(db.path()).size())));

    // Words of the generated journals' vocabulary, common and rare, and signs.
    print("search_long_ms",
          slowestAnswer(index, {QStringLiteral("した。"), QStringLiteral("散歩した"),
                                QStringLiteral("図書館で"), QStringLiteral("かった"),
                                QStringLiteral("雨 公園 歩いた")}));
    print("search_short_ms",
          slowestAnswer(index, {QStringLiteral("雨"), QStringLiteral("の"), QStringLiteral("散歩"),
                                QStringLiteral("た。"), QStringLiteral("ア")}));

    // A day's entry rewritten, then the index brought up to date for it.
    std::vector<double> updates;
    const QDate day = platform::clock().today().addDays(-400);
    for (int i = 0; i < 7; ++i) {
        const QString key = day.addDays(i).toString(QStringLiteral("yyyy-MM-dd"));
        db.execute(QStringLiteral("update Mirel set Mirel_txt=Mirel_txt||'追記' where "
                                  "reg_dat>=? and reg_dat<?"),
                   {key, key + QStringLiteral("~")});
        timer.restart();
        index.refreshDay(day.addDays(i));
        updates.push_back(ms(timer));
    }
    std::sort(updates.begin(), updates.end());
    print("search_update_ms", updates[updates.size() / 2]);
    index.recordJournalState(platform::sqlite::fileState(db.path()));
}

void measureSearchWindowMemory() {
    // The memory the search window adds: open, a query answered and its first rows shown.
    const double before = ownMemoryMb("VmRSS");
    frmFind& finder = windows::showFinder();
    QSignalSpy answers(&store::search::service(), &store::search::SearchService::answered);
    finder.queryBox->setText(QStringLiteral("散歩"));
    QElapsedTimer limit;
    limit.start();
    while (answers.isEmpty() && limit.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    print("search_window_mb", ownMemoryMb("VmRSS") - before);
    finder.close();
}

} // namespace bench
