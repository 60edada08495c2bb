// Measures what a diarist waits for, on journals of 0, 10 and 100 years of daily entries:
// start-up and memory of the real program beside a bare Qt window, stepping through months with
// their pen marks, opening the editor on an entry, changing its day and saving, opening the year
// notebook. Each journal is measured plain and encrypted (the same entries under a passphrase),
// side by side: an encrypted figure may be at most 1.2 times its plain one. Turning the
// passphrase into a key and asking the desktop keyring for a key are measured on their own; the
// start-up from a typed passphrase is judged without that key derivation. The in-process figures
// are the medians of --rounds runs, the journals taking turns.
// Prints each figure beside its target; exits with 1 when one is missed.
//
//   orvane_bench [--years 0,10,100] [--runs 61] [--rounds 3] [--start-only] [--keep DIR]
//
// --keep leaves the journals and their private homes in DIR for a look afterwards.
#include "bench/EncryptionBench.h"
#include "bench/ExportBench.h"
#include "bench/InProcess.h"
#include "bench/JournalGenerator.h"
#include "bench/ProcessProbe.h"
#include "platform/Database.h"
#include "platform/Error.h"
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
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <vector>

namespace {

// An encrypted figure may take this many times its plain one.
constexpr double EncryptedRatio = 1.2;
constexpr double NotMeasured = std::numeric_limits<double>::quiet_NaN();

struct Figure {
    QString name;
    double value; // NaN: it could not be measured
    double target;
    QString unit; // "ms", "x" or ""
    bool strictlyBelow;

    bool met() const { return strictlyBelow ? value < target : value <= target; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double figure(const std::map<QString, double>& figures, const char* name) {
    const auto found = figures.find(QString::fromLatin1(name));
    return found == figures.end() ? NotMeasured : found->second;
}

// A private home with a settings file that names the journal and a paint program that exists,
// so that start-up asks nothing but an encrypted journal's passphrase. The journal is generated,
// or copied from plainJournal and then encrypted (and remembered in the keyring when asked).
QStringList prepareHome(const QString& home, int years, int* entries,
                        const QString& plainJournal = {}, bool remember = false) {
    const QString data = home + QStringLiteral("/data");
    const QString journal = data + QStringLiteral("/orvane/orvane.mdb");
    QDir().mkpath(data + QStringLiteral("/orvane/Graphic"));
    QDir().mkpath(home + QStringLiteral("/config/orvane"));
    QDir().mkpath(home + QStringLiteral("/cache"));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QDate today = QDate::currentDate();
    if (!plainJournal.isEmpty()) {
        QFile::copy(plainJournal, journal);
    } else if (years > 0) {
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
    std::shared_ptr<const platform::cipher::CipherVfs> layer;
    if (plainJournal.isEmpty())
        store::openJournal(platform::db::Workspace(), journal).reset();
    else
        layer = bench::encryptInPlace(journal, remember);
    store::backup::makeBackup(journal, layer.get(), data + QStringLiteral("/orvane/Graphic"), -1,
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

QString shown(const Figure& f, double value) {
    if (std::isnan(value))
        return QStringLiteral("failed");
    // Two decimals for ratios and small figures, so that their ratio can be seen.
    const bool fine = f.unit == QStringLiteral("x") || std::abs(value) < 10;
    return QString::asprintf(fine ? "%.2f%s" : "%.1f%s", value, qPrintable(f.unit));
}

QString targetText(const Figure& f) {
    return (f.strictlyBelow ? QStringLiteral("< ") : QStringLiteral("<= ")) + shown(f, f.target);
}

// The figures a journal is judged by, from what was measured of it.
std::vector<Figure> figuresOf(const std::map<QString, double>& m, int years, bool startOnly) {
    const auto at = [&](const char* name) { return figure(m, name); };
    std::vector<Figure> figures{
        {QStringLiteral("start-up to the calendar window mapped, ratio"), at("start_ratio"), 1.1,
         QStringLiteral("x"), false},
        {QStringLiteral("resident memory 1 s after, ratio"), at("memory_ratio"), 1.2,
         QStringLiteral("x"), false},
    };
    if (startOnly)
        return figures;
    const std::vector<Figure> more{
        {QStringLiteral("month step, mean"), at("month_step_mean"), 8, QStringLiteral("ms"), true},
        {QStringLiteral("queries beyond one per month"), at("extra_queries"), 0, QString(), false},
        {QStringLiteral("editor opening on an entry, first"), at("editor_open_first"), 25,
         QStringLiteral("ms"), true},
        {QStringLiteral("editor opening on an entry, median"), at("editor_open_median"), 25,
         QStringLiteral("ms"), true},
        {QStringLiteral("changing the day in the editor, median"), at("editor_day_median"), 8,
         QStringLiteral("ms"), true},
        {QStringLiteral("saving an entry, committed, month marked again"), at("save_median"), 16,
         QStringLiteral("ms"), true},
        {QStringLiteral("notebook of a full year, filled"), at("notebook_year_median"), 15,
         QStringLiteral("ms"), true},
        {QStringLiteral("search index, first build"), at("search_build_s"),
         years >= 100 ? 60.0 : 6.0, QStringLiteral("s"), true},
        // An empty journal and an empty index are both a few pages of fixed overhead, so their
        // ratio says nothing about growth.
        {years > 0 ? QStringLiteral("search index size, ratio to the journal")
                   : QStringLiteral("search index size, ratio (empty: fixed pages)"),
         at("search_size_ratio"), years > 0 ? 1.5 : 4.0, QStringLiteral("x"), false},
        {QStringLiteral("search of 3 or more characters, slowest"), at("search_long_ms"), 30,
         QStringLiteral("ms"), true},
        {QStringLiteral("search of 1 or 2 characters, slowest"), at("search_short_ms"), 200,
         QStringLiteral("ms"), true},
        {QStringLiteral("search index update after a save"), at("search_update_ms"), 5,
         QStringLiteral("ms"), true},
        {QStringLiteral("memory added by the search window"), at("search_window_mb"), 10,
         QStringLiteral("MB"), false},
        {QStringLiteral("export of the whole journal to HTML"), at("html_export_s"), 60,
         QStringLiteral("s"), true},
        {QStringLiteral("peak memory of the HTML export"), at("html_export_peak_mb"), 250,
         QStringLiteral("MB"), true},
        {QStringLiteral("export of the whole journal to Markdown"), at("markdown_export_s"), 60,
         QStringLiteral("s"), true},
        {QStringLiteral("peak memory of the Markdown export"), at("markdown_export_peak_mb"), 250,
         QStringLiteral("MB"), true},
        {QStringLiteral("unexpected dialogs"), at("unexpected_dialogs"), 0, QString(), false},
    };
    figures.insert(figures.end(), more.begin(), more.end());
    if (m.count(QStringLiteral("book_asked")) != 0) {
        const std::vector<Figure> book{
            {QStringLiteral("first preview page of a year with pictures"), at("book_first_page_ms"),
             500, QStringLiteral("ms"), true},
            {QStringLiteral("PDF of a year with a picture every day"), at("book_pdf_s"), 20,
             QStringLiteral("s"), true},
            {QStringLiteral("peak memory of preview and PDF"), at("book_peak_mb"), 250,
             QStringLiteral("MB"), true},
        };
        figures.insert(figures.end(), book.begin(), book.end());
    }
    return figures;
}

// Each figure of the plain journal beside the encrypted one's and their ratio. A figure is met
// when both meet its target and the ratio is at most EncryptedRatio (two zeros have no ratio).
bool report(const std::vector<Figure>& plain, const std::vector<Figure>& encrypted) {
    std::printf("  %-52s  %9s  %9s  %9s  %6s  (ratio <= %.2fx)\n", "", "target", "plain",
                "encrypted", "ratio", EncryptedRatio);
    bool allMet = true;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const Figure& p = plain[i];
        const Figure& e = encrypted[i];
        const bool bothZero = p.value == 0 && e.value == 0;
        const double ratio = bothZero ? 1 : e.value / p.value;
        const bool ratioMet = ratio <= EncryptedRatio;
        QStringList missed;
        if (!p.met())
            missed << QStringLiteral("plain");
        if (!e.met())
            missed << QStringLiteral("encrypted");
        if (!ratioMet)
            missed << QStringLiteral("ratio");
        allMet = allMet && missed.isEmpty();
        const QString ratioText = std::isnan(ratio) ? QStringLiteral("-")
                                  : bothZero        ? QStringLiteral("=")
                                                    : QString::asprintf("%.2fx", ratio);
        std::printf(
            "  %-52s  %9s  %9s  %9s  %6s  %s\n", qPrintable(p.name), qPrintable(targetText(p)),
            qPrintable(shown(p, p.value)), qPrintable(shown(e, e.value)), qPrintable(ratioText),
            missed.isEmpty() ? "ok"
                             : qPrintable(QStringLiteral("MISSED (") +
                                          missed.join(QStringLiteral(", ")) + QLatin1Char(')')));
    }
    return allMet;
}

// A figure of its own: its value or, when it could not be measured, why.
bool reportAlone(const Figure& f, const QString& why = {}) {
    const bool met = !std::isnan(f.value) && f.met();
    std::printf("  %-52s  %9s  %9s  %s\n", qPrintable(f.name), qPrintable(targetText(f)),
                qPrintable(std::isnan(f.value) ? QStringLiteral("-") : shown(f, f.value)),
                met ? "ok"
                    : qPrintable(std::isnan(f.value)
                                     ? QStringLiteral("MISSED, not measured: ") + why
                                     : QStringLiteral("MISSED")));
    return met;
}

// One home of the benchmark: its program environment and what the program is asked at start.
struct Home {
    QString path;
    QStringList environment;
    bench::Unlocking unlocking;
    std::map<QString, double> figures;
    std::vector<double> starts, memory;

    QString journal() const { return path + QStringLiteral("/data/orvane/orvane.mdb"); }
};

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--in-process")
            return bench::measureInProcess(argc, argv);
        if (QByteArray(argv[i]) == "--export")
            return bench::runExport(argc, argv);
        if (QByteArray(argv[i]) == "--book")
            return bench::runBook(argc, argv);
        if (QByteArray(argv[i]) == "--key-derivation")
            return bench::runKeyDerivation(argc, argv);
        if (QByteArray(argv[i]).startsWith("--keyring-"))
            return bench::runKeyring(argc, argv);
    }
    QCoreApplication app(argc, argv);
    QList<int> sizes{0, 10, 100};
    int runs = 61;
    int inProcessRounds = 3;
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
        } else if (args[i] == QStringLiteral("--rounds")) {
            inProcessRounds = std::max(1, args[i + 1].toInt());
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
    // A desktop has its keyring: the encrypted journal's start-up meets it as a diarist's does.
    const bench::KeyringDaemon keyring(desktop.environment());
    QTemporaryDir temporary;
    const QString work = keep.isEmpty() ? temporary.path() : keep;
    bool allMet = true;
    std::optional<double> derivation;
    for (int years : sizes) {
        Home plain{work + QStringLiteral("/years-%1").arg(years), {}, {}, {}, {}, {}};
        Home encrypted{
            work + QStringLiteral("/years-%1-encrypted").arg(years),
            {QStringLiteral("ORVANE_BENCH_PASSPHRASE=") + QString::fromUtf8(bench::Passphrase)},
            {QStringLiteral("日記を開く"), QString::fromUtf8(bench::Passphrase)},
            {},
            {},
            {}};
        // Encrypted too, but remembered in the keyring: start-up asks nothing.
        Home remembered{
            work + QStringLiteral("/years-%1-remembered").arg(years), {}, {}, {}, {}, {}};
        std::vector<Home*> started{&plain, &encrypted};
        if (!keyring.problem())
            started.push_back(&remembered);
        int entries = 0;
        QElapsedTimer timer;
        timer.start();
        try {
            for (Home* home : started) {
                QDir(home->path).removeRecursively();
                home->environment +=
                    prepareHome(home->path, years, &entries,
                                home == &plain ? QString() : plain.journal(), home == &remembered);
                std::printf("%s journal of %d years: %d entries, %.1f MB (made in %.1f s)\n",
                            home == &plain       ? "\nplain"
                            : home == &encrypted ? "encrypted"
                                                 : "remembered",
                            years, entries,
                            static_cast<double>(QFileInfo(home->journal()).size()) / 1e6,
                            static_cast<double>(timer.restart()) / 1000.0);
            }
        } catch (const platform::Error& e) {
            std::fprintf(stderr, "orvane_bench: the journals cannot be made: %s\n",
                         qPrintable(e.message()));
            return 2;
        }
        // The new files go to the disk now, not while the program is being measured.
        ::sync();
        std::fflush(stdout);

        // Start-up and memory of the program on either journal and of the bare window, taking
        // turns, after one start of each that warms the file caches.
        std::vector<double> bareStart, bareMemory, derivations;
        // Memory is read in the first runs only: it hardly varies, and waiting for it makes a
        // run long.
        const int memoryRuns = std::min(runs, 7);
        for (int run = -1; run < runs; ++run) {
            const bool memory = run < memoryRuns;
            // Each goes first in turn, so that none always follows another. The bare window
            // is the last of them.
            std::vector<Home*> homes = started;
            homes.push_back(nullptr);
            std::rotate(homes.begin(), homes.begin() + (run + 1) % homes.size(), homes.end());
            for (Home* home : homes) {
                const bool bare = home == nullptr;
                const auto measured = bench::measureStart(
                    desktop, bare ? QStringLiteral(BARE_PROGRAM) : QStringLiteral(ORVANE_PROGRAM),
                    bare ? plain.environment : home->environment,
                    bare ? QStringLiteral("bare Qt window") : QStringLiteral("Velmoraカレンダー"),
                    memory, bare ? bench::Unlocking{} : home->unlocking);
                if (!measured) {
                    std::fprintf(stderr, "orvane_bench: the window of the %s did not appear\n",
                                 bare ? "bare program" : qPrintable(home->path));
                    return 2;
                }
                if (run < 0)
                    continue;
                (bare ? bareStart : home->starts).push_back(measured->startMs);
                // The key derivation as the typed start had it, by a new process right after.
                if (home == &encrypted)
                    if (const auto seconds = bench::measureKeyDerivation(home->journal()))
                        derivations.push_back(*seconds);
                if (memory)
                    (bare ? bareMemory : home->memory).push_back(measured->residentMb);
            }
        }
        // The key derivation takes its half second by design and is a figure of its own: the
        // typed start-up is judged on what follows it.
        derivation = derivations.empty() ? std::nullopt : std::optional(median(derivations));
        const double derivationMs = derivation.value_or(NotMeasured) * 1000;
        std::printf("  start-up %.1f ms plain; encrypted %.1f ms from the passphrase given, "
                    "%.1f ms of it after the key derivation; ",
                    median(plain.starts), median(encrypted.starts),
                    median(encrypted.starts) - derivationMs);
        if (!remembered.starts.empty())
            std::printf("%.1f ms remembered in the keyring; ", median(remembered.starts));
        std::printf("a bare Qt window %.1f ms (medians of %d)\n", median(bareStart), runs);
        std::printf("  memory %.1f MB plain, %.1f MB encrypted, a bare Qt window %.1f MB\n",
                    median(plain.memory), median(encrypted.memory), median(bareMemory));
        for (Home* home : {&plain, &encrypted}) {
            const double spent = home == &encrypted ? derivationMs : 0;
            home->figures[QStringLiteral("start_ratio")] =
                (median(home->starts) - spent) / median(bareStart);
            home->figures[QStringLiteral("memory_ratio")] =
                median(home->memory) / median(bareMemory);
        }

        if (!startOnly) {
            // The in-process figures of either journal taking turns, each the median of its
            // rounds: a machine that gets busier during one run moves both alike.
            std::map<Home*, std::map<QString, std::vector<double>>> rounds;
            for (int round = 0; round < inProcessRounds; ++round) {
                for (Home* home : {&plain, &encrypted}) {
                    const auto inner = runInProcess(desktop, home->environment);
                    if (inner.empty())
                        std::fprintf(stderr, "orvane_bench: the in-process measures did not run\n");
                    for (const auto& [name, value] : inner)
                        rounds[home][name].push_back(value);
                }
            }
            for (auto& [home, figures] : rounds)
                for (auto& [name, values] : figures)
                    home->figures[name] = median(values);
            for (Home* home : {&plain, &encrypted}) {
                // The whole journal exported, its picture days with pictures to convert.
                const QString pictures = home->path + QStringLiteral("/data/orvane/Graphic");
                bench::drawPictures(plain.journal(), pictures);
                for (const QString& format : {QStringLiteral("html"), QStringLiteral("markdown")}) {
                    for (const auto& [name, value] :
                         bench::measureExport(home->journal(), pictures, format))
                        home->figures[format + QLatin1Char('_') + name] = value;
                }
                // The book's year is generated for it, so it is measured once, with the largest
                // journal.
                if (years == sizes.last()) {
                    home->figures.merge(bench::measureBook(home->path, home == &encrypted));
                    home->figures[QStringLiteral("book_asked")] = 1;
                }
            }
            std::printf("  export: %.0f days, %.0f pictures\n",
                        figure(plain.figures, "html_export_days"),
                        figure(plain.figures, "html_export_pictures"));
            if (plain.figures.count(QStringLiteral("book_pages")) != 0)
                std::printf("  book: a year of %.0f pages\n", figure(plain.figures, "book_pages"));
        }
        allMet = report(figuresOf(plain.figures, years, startOnly),
                        figuresOf(encrypted.figures, years, startOnly)) &&
                 allMet;
        // The other way to open it: the keyring gives the key and nothing is typed.
        allMet = reportAlone({QStringLiteral("start-up remembered in the keyring, ratio to plain"),
                              remembered.starts.empty()
                                  ? NotMeasured
                                  : median(remembered.starts) / median(plain.starts),
                              EncryptedRatio, QStringLiteral("x"), false},
                             keyring.problem().value_or(QString())) &&
                 allMet;
        std::fflush(stdout);
    }

    std::printf("\nencryption's own figures\n");
    allMet = reportAlone({QStringLiteral("key derivation (Argon2id), by a new process"),
                          derivation.value_or(NotMeasured), 1, QStringLiteral("s"), false},
                         QStringLiteral("the encrypted journal's header did not open")) &&
             allMet;
    const auto lookup = keyring.problem() ? std::map<QString, double>{}
                                          : bench::measureKeyringLookup(desktop.environment());
    allMet = reportAlone({QStringLiteral("keyring lookup, by a new process"),
                          figure(lookup, "keyring_lookup_ms"), 100, QStringLiteral("ms"), false},
                         keyring.problem().value_or(
                             QStringLiteral("the keyring did not keep or give back a key (why: "
                                            "on the error output)"))) &&
             allMet;
    std::printf("\n%s\n", allMet ? "every target met" : "some targets MISSED");
    return allMet ? 0 : 1;
}
