// Measures what a diarist waits for, on journals of 0, 10 and 100 years of daily entries:
// start-up and memory of the real program beside a bare Qt window, stepping through months with
// their pen marks, opening the editor on an entry, changing its day and saving, opening the year
// notebook. Prints each figure beside its target; exits with 1 when one is missed.
//
//   orvane_bench [--years 0,10,100] [--runs 61] [--start-only] [--keep DIR]
//
// --keep leaves the journals and their private homes in DIR for a look afterwards.
#include "bench/ExportBench.h"
#include "bench/InProcess.h"
#include "bench/JournalGenerator.h"
#include "bench/ProcessProbe.h"
#include "platform/Database.h"
#include "store/Journal.h"
#include "store/Schema.h"
#include "store/backup/Backups.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Figure {
    QString name;
    double value;
    double target;
    QString unit; // "ms", "x" or ""
    bool strictlyBelow;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A private home with a settings file that names the journal and a paint program that exists,
// so that start-up asks nothing.
QStringList prepareHome(const QString& home, int years, int* entries) {
    const QString data = home + QStringLiteral("/data");
    const QString journal = data + QStringLiteral("/orvane/orvane.mdb");
    QDir().mkpath(data + QStringLiteral("/orvane/Graphic"));
    QDir().mkpath(home + QStringLiteral("/config/orvane"));
    QDir().mkpath(home + QStringLiteral("/cache"));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QDate today = QDate::currentDate();
    if (years > 0) {
        // A year of 365.25 days: 3,653 entries for ten years, 36,525 for a hundred, up to
        // yesterday.
        const int days = qRound(365.25 * years);
        *entries = bench::generateJournal(journal, {today.addDays(-days), today.addDays(-1)});
    } else {
        auto db = platform::db::Workspace().createDatabase(journal);
        store::tblMake(*db);
        *entries = 0;
    }
    // The journal as the program leaves it after its first run: backed up, so that no start
    // measured here copies it.
    const QByteArray dataBefore = qgetenv("XDG_DATA_HOME");
    const QString nameBefore = QCoreApplication::applicationName();
    qputenv("XDG_DATA_HOME", data.toUtf8());
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
    store::openJournal(platform::db::Workspace(), journal).reset();
    store::backup::makeBackup(journal, nullptr, data + QStringLiteral("/orvane/Graphic"), -1,
                              nullptr);
    QCoreApplication::setApplicationName(nameBefore);
    qputenv("XDG_DATA_HOME", dataBefore);
    QFile settings(home + QStringLiteral("/config/orvane/orvane.ini"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write(
            QStringLiteral("[Option]\npPath=/bin/true\nmdbPath=%1\n").arg(journal).toUtf8());
    return {QStringLiteral("HOME=") + home, QStringLiteral("XDG_DATA_HOME=") + data,
            QStringLiteral("XDG_CONFIG_HOME=") + home + QStringLiteral("/config"),
            QStringLiteral("XDG_CACHE_HOME=") + home + QStringLiteral("/cache"),
            QStringLiteral("XDG_RUNTIME_DIR=") + home + QStringLiteral("/runtime")};
}

std::map<QString, double> runInProcess(const bench::Desktop& desktop,
                                       const QStringList& environment) {
    return bench::childFigures({QStringLiteral("--in-process")},
                               desktop.environment() + environment +
                                   QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")});
}

bool report(const std::vector<Figure>& figures) {
    bool allMet = true;
    for (const auto& f : figures) {
        const bool met = f.strictlyBelow ? f.value < f.target : f.value <= f.target;
        allMet = allMet && met;
        const char* precision = f.unit == QStringLiteral("x") ? "%.2f%s" : "%.1f%s";
        const QString value = QString::asprintf(precision, f.value, qPrintable(f.unit));
        const QString target = (f.strictlyBelow ? QStringLiteral("< ") : QStringLiteral("<= ")) +
                               QString::asprintf(precision, f.target, qPrintable(f.unit));
        std::printf("  %-52s  %10s  %10s  %s\n", qPrintable(f.name), qPrintable(value),
                    qPrintable(target), met ? "ok" : "MISSED");
    }
    return allMet;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--in-process")
            return bench::measureInProcess(argc, argv);
        if (QByteArray(argv[i]) == "--export")
            return bench::runExport(argc, argv);
        if (QByteArray(argv[i]) == "--book")
            return bench::runBook(argc, argv);
    }
    QCoreApplication app(argc, argv);
    QList<int> sizes{0, 10, 100};
    int runs = 61;
    QString keep;
    const QStringList args = app.arguments();
    const bool startOnly = args.contains(QStringLiteral("--start-only"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QStringLiteral("--years")) {
            sizes.clear();
            for (const QString& n : args[i + 1].split(QLatin1Char(',')))
                sizes << n.toInt();
        } else if (args[i] == QStringLiteral("--runs")) {
            runs = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QStringLiteral("--keep")) {
            keep = QDir(args[i + 1]).absolutePath();
        }
    }

    const bench::Desktop desktop;
    if (desktop.environment().isEmpty()) {
        std::fprintf(stderr, "orvane_bench: cannot start Xvfb and dbus-daemon "
                             "(scripts/install-deps.sh installs them)\n");
        return 2;
    }
    QTemporaryDir temporary;
    const QString work = keep.isEmpty() ? temporary.path() : keep;
    bool allMet = true;
    for (int years : sizes) {
        const QString home = work + QStringLiteral("/years-%1").arg(years);
        QDir(home).removeRecursively();
        int entries = 0;
        QElapsedTimer timer;
        timer.start();
        const QStringList environment = prepareHome(home, years, &entries);
        // The new file goes to the disk now, not while the program is being measured.
        ::sync();
        const QString journal = home + QStringLiteral("/data/orvane/orvane.mdb");
        std::printf("\njournal of %d years: %d entries, %.1f MB (written in %.1f s)\n", years,
                    entries, static_cast<double>(QFileInfo(journal).size()) / 1e6,
                    static_cast<double>(timer.elapsed()) / 1000.0);
        std::fflush(stdout);

        // Start-up and memory of the real program and of the bare window, taking turns, after
        // one start of each that warms the file caches.
        std::vector<double> programStart, bareStart, programMemory, bareMemory;
        // Memory is read in the first runs only: it hardly varies, and waiting for it makes a
        // run long.
        const int memoryRuns = std::min(runs, 7);
        for (int run = -1; run < runs; ++run) {
            const bool memory = run < memoryRuns;
            const auto measureProgram = [&] {
                return bench::measureStart(desktop, QStringLiteral(ORVANE_PROGRAM), environment,
                                           QStringLiteral("Velmoraカレンダー"), memory);
            };
            const auto measureBare = [&] {
                return bench::measureStart(desktop, QStringLiteral(BARE_PROGRAM), environment,
                                           QStringLiteral("bare Qt window"), memory);
            };
            // Each goes first every other time, so that neither always follows the other.
            std::optional<bench::StartFigures> program, bare;
            if (run % 2 == 0) {
                program = measureProgram();
                bare = measureBare();
            } else {
                bare = measureBare();
                program = measureProgram();
            }
            if (!program || !bare) {
                std::fprintf(stderr, "orvane_bench: a window did not appear\n");
                return 2;
            }
            if (run < 0)
                continue;
            programStart.push_back(program->startMs);
            bareStart.push_back(bare->startMs);
            if (memory) {
                programMemory.push_back(program->residentMb);
                bareMemory.push_back(bare->residentMb);
            }
        }
        std::printf("  start-up %.1f ms and memory %.1f MB, a bare Qt window %.1f ms and %.1f MB "
                    "(medians of %d)\n",
                    median(programStart), median(programMemory), median(bareStart),
                    median(bareMemory), runs);

        if (startOnly) {
            allMet =
                report({{QStringLiteral("start-up to the calendar window mapped, ratio"),
                         median(programStart) / median(bareStart), 1.1, QStringLiteral("x"), false},
                        {QStringLiteral("resident memory 1 s after, ratio"),
                         median(programMemory) / median(bareMemory), 1.2, QStringLiteral("x"),
                         false}}) &&
                allMet;
            continue;
        }
        auto inner = runInProcess(desktop, environment);
        if (inner.empty()) {
            std::fprintf(stderr, "orvane_bench: the in-process measures did not run\n");
            return 2;
        }
        // The whole journal exported, its picture days with pictures to convert.
        const QString pictures = home + QStringLiteral("/data/orvane/Graphic");
        bench::drawPictures(journal, pictures);
        auto html = bench::measureExport(journal, pictures, QStringLiteral("html"));
        auto markdown = bench::measureExport(journal, pictures, QStringLiteral("markdown"));
        std::printf("  export: %.0f days, %.0f pictures\n", html["export_days"],
                    html["export_pictures"]);
        // The book's year is generated for it, so it is measured once, with the largest journal.
        std::map<QString, double> book;
        if (years == sizes.last()) {
            book = bench::measureBook(home);
            std::printf("  book: a year of %.0f pages\n", book["book_pages"]);
        }
        allMet =
            report({
                {QStringLiteral("start-up to the calendar window mapped, ratio"),
                 median(programStart) / median(bareStart), 1.1, QStringLiteral("x"), false},
                {QStringLiteral("resident memory 1 s after, ratio"),
                 median(programMemory) / median(bareMemory), 1.2, QStringLiteral("x"), false},
                {QStringLiteral("month step, mean"), inner["month_step_mean"], 8,
                 QStringLiteral("ms"), true},
                {QStringLiteral("queries beyond one per month"), inner["extra_queries"], 0,
                 QString(), false},
                {QStringLiteral("editor opening on an entry, first"), inner["editor_open_first"],
                 25, QStringLiteral("ms"), true},
                {QStringLiteral("editor opening on an entry, median"), inner["editor_open_median"],
                 25, QStringLiteral("ms"), true},
                {QStringLiteral("changing the day in the editor, median"),
                 inner["editor_day_median"], 8, QStringLiteral("ms"), true},
                {QStringLiteral("saving an entry, committed, month marked again"),
                 inner["save_median"], 16, QStringLiteral("ms"), true},
                {QStringLiteral("notebook of a full year, filled"), inner["notebook_year_median"],
                 15, QStringLiteral("ms"), true},
                {QStringLiteral("search index, first build"), inner["search_build_s"],
                 years >= 100 ? 60.0 : 6.0, QStringLiteral("s"), true},
                // An empty journal and an empty index are both a few pages of fixed
                // overhead, so their ratio says nothing about growth.
                {years > 0 ? QStringLiteral("search index size, ratio to the journal")
                           : QStringLiteral("search index size, ratio (empty: fixed pages)"),
                 inner["search_size_ratio"], years > 0 ? 1.5 : 4.0, QStringLiteral("x"), false},
                {QStringLiteral("search of 3 or more characters, slowest"), inner["search_long_ms"],
                 30, QStringLiteral("ms"), true},
                {QStringLiteral("search of 1 or 2 characters, slowest"), inner["search_short_ms"],
                 200, QStringLiteral("ms"), true},
                {QStringLiteral("search index update after a save"), inner["search_update_ms"], 5,
                 QStringLiteral("ms"), true},
                {QStringLiteral("memory added by the search window"), inner["search_window_mb"], 10,
                 QStringLiteral("MB"), false},
                {QStringLiteral("export of the whole journal to HTML"), html["export_s"], 60,
                 QStringLiteral("s"), true},
                {QStringLiteral("peak memory of the HTML export"), html["export_peak_mb"], 250,
                 QStringLiteral("MB"), true},
                {QStringLiteral("export of the whole journal to Markdown"), markdown["export_s"],
                 60, QStringLiteral("s"), true},
                {QStringLiteral("peak memory of the Markdown export"), markdown["export_peak_mb"],
                 250, QStringLiteral("MB"), true},
                {QStringLiteral("unexpected dialogs"), inner["unexpected_dialogs"], 0, QString(),
                 false},
            }) &&
            allMet;
        if (!book.empty())
            allMet = report({
                         {QStringLiteral("first preview page of a year with pictures"),
                          book["book_first_page_ms"], 500, QStringLiteral("ms"), true},
                         {QStringLiteral("PDF of a year with a picture every day"),
                          book["book_pdf_s"], 20, QStringLiteral("s"), true},
                         {QStringLiteral("peak memory of preview and PDF"), book["book_peak_mb"],
                          250, QStringLiteral("MB"), true},
                     }) &&
                     allMet;
        std::fflush(stdout);
    }
    std::printf("\n%s\n", allMet ? "every target met" : "some targets MISSED");
    return allMet ? 0 : 1;
}
