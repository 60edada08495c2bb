// Measures what a diarist with many years of entries waits for: start-up, stepping through
// months with their pen marks, moving between days, opening and saving an entry, and the memory
// the program holds. Prints each figure beside its target; exits with 1 when one is missed.
#include "app/Main.h"
#include "app/modFunc.h"
#include "bench/JournalGenerator.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/InstanceLock.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/frmMirel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The benchmark answers no questions: a dialog means the run is not measuring what it should.
class NoDialogs : public platform::Dialogs {
public:
    int shown = 0;
    platform::Answer message(const QString& text, platform::Buttons, platform::Icon,
                             const QString& title) override {
        ++shown;
        std::fprintf(stderr, "unexpected message box: %s [%s]\n", qPrintable(text),
                     qPrintable(title));
        return platform::Answer::Cancel;
    }
    std::optional<QString> input(const QString& prompt, const QString&, const QString&) override {
        ++shown;
        std::fprintf(stderr, "unexpected input box: %s\n", qPrintable(prompt));
        return std::nullopt;
    }
    std::optional<QString> openFile(const platform::FileRequest&) override {
        ++shown;
        std::fprintf(stderr, "unexpected file dialog\n");
        return std::nullopt;
    }
};

struct Result {
    const char* what;
    double value;
    double target;
    const char* unit;
};

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void settle() {
    QCoreApplication::processEvents();
}

long peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv) {
    int years = 30;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--years")
            years = std::max(1, QByteArray(argv[i + 1]).toInt());
    }

    // A private home, so the benchmark never touches a real journal.
    QTemporaryDir home;
    for (const char* sub : {"data", "config", "runtime"})
        QDir().mkpath(home.filePath(QString::fromLatin1(sub)));
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toUtf8());
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
    platform::installFontSubstitutions();
    NoDialogs dialogs;
    platform::setDialogs(&dialogs);
    const platform::FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(21, 5, 9)));
    platform::setClock(&clock);
    int endings = 0;
    platform::setEndHandler([&](int) { ++endings; });

    const QDate today = clock.today();
    const QString journal = QDir(platform::dataFolder()).filePath(QStringLiteral("orvane.mdb"));
    QElapsedTimer timer;
    timer.start();
    const int entries =
        bench::generateJournal(journal, {today.addYears(-years), today.addDays(-1), 7, 800});
    std::printf("journal: %d entries over %d years, %.1f MB, written in %.0f ms\n", entries, years,
                static_cast<double>(QFileInfo(journal).size()) / 1e6, ms(timer));

    {
        platform::SettingsStore settings;
        settings.setValue(QStringLiteral("Option"), QStringLiteral("pPath"),
                          QStringLiteral("/bin/true"));
        settings.sync();
    }

    std::vector<Result> results;

    // Start-up until the calendar window is laid out with its marks.
    timer.restart();
    app::Main();
    frmCal* calendar = windows::findCalendar();
    while (calendar != nullptr && !calendar->laidOut() && timer.elapsed() < 10000)
        settle();
    results.push_back({"start-up to a marked calendar", ms(timer), 800, "ms"});
    if (calendar == nullptr || endings != 0) {
        std::fprintf(stderr, "the calendar window did not open\n");
        return 1;
    }
    auto& db = *app::modFunc().JournalDb;

    // Ten years back, month by month: one query and one full drawing each.
    std::vector<double> steps;
    quint64 extraQueries = 0;
    for (int i = 0; i < 120; ++i) {
        const auto before = db.statementCount();
        timer.restart();
        calendar->optPrev_Click(1);
        settle();
        steps.push_back(ms(timer));
        const auto queries = db.statementCount() - before;
        extraQueries += queries > 1 ? queries - 1 : 0;
    }
    std::sort(steps.begin(), steps.end());
    double sum = 0;
    for (double s : steps)
        sum += s;
    results.push_back({"month step, mean", sum / static_cast<double>(steps.size()), 25, "ms"});
    results.push_back({"month step, slowest", steps.back(), 80, "ms"});
    results.push_back({"queries beyond one per month", static_cast<double>(extraQueries), 0, ""});

    // Days within one month cost no query at all.
    calendar->oCal1->setValue(QStringLiteral("2016/5/1"));
    settle();
    const auto beforeDays = db.statementCount();
    steps.clear();
    for (int i = 0; i < 30; ++i) {
        timer.restart();
        calendar->optNext_Click(0);
        settle();
        steps.push_back(ms(timer));
    }
    std::sort(steps.begin(), steps.end());
    results.push_back({"day step within a month, slowest", steps.back(), 10, "ms"});
    results.push_back({"queries for day steps within a month",
                       static_cast<double>(db.statementCount() - beforeDays), 0, ""});

    // Opening the editor on a day with an entry, then saving a change.
    app::modFunc().WorkDate = QDate(2016, 5, 2);
    timer.restart();
    frmMirel& editor = windows::showEditor();
    settle();
    results.push_back({"editor opening on an entry", ms(timer), 300, "ms"});
    editor.textBox(1)->appendPlainText(QStringLiteral("追記。"));
    editor.txtChg = true;
    timer.restart();
    editor.devProc();
    settle();
    results.push_back({"saving an entry and marking the month again", ms(timer), 100, "ms"});

    results.push_back({"peak memory", static_cast<double>(peakRssMb()), 150, "MB"});
    results.push_back({"unexpected dialogs", static_cast<double>(dialogs.shown), 0, ""});

    bool allMet = true;
    std::printf("\n%-46s %10s %10s\n", "measure", "value", "target");
    for (const auto& r : results) {
        const bool met = r.value <= r.target;
        allMet = allMet && met;
        std::printf("%-46s %8.1f%-2s %8.1f%-2s %s\n", r.what, r.value, r.unit, r.target, r.unit,
                    met ? "ok" : "MISSED");
    }
    platform::releaseInstanceLock();
    return allMet ? 0 : 1;
}
