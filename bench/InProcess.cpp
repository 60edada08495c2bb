#include "bench/InProcess.h"
#include "bench/SearchBench.h"

#include "app/Main.h"
#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/InstanceLock.h"
#include "platform/PagePrinter.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/search/SearchService.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/frmMirel.h"
#include "windows/notebook/frmBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

// A dialog means the run is not measuring what it should: it is counted and answered at once.
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
    // An encrypted journal's passphrase is asked for once, at start-up.
    std::optional<QString> passphrase(const QString& prompt, const QString& title,
                                      const QString& cancelText) override {
        const QString given = qEnvironmentVariable("ORVANE_BENCH_PASSPHRASE");
        if (given.isEmpty() || askedPassphrase)
            return platform::Dialogs::passphrase(prompt, title, cancelText);
        askedPassphrase = true;
        return given;
    }
    bool askedPassphrase = false;
    std::optional<QString> openFile(const platform::FileRequest&) override {
        ++shown;
        std::fprintf(stderr, "unexpected file dialog\n");
        return std::nullopt;
    }
    std::unique_ptr<platform::PageJob> choosePrinter(const platform::PrintRequest&) override {
        ++shown;
        std::fprintf(stderr, "unexpected printer chooser\n");
        return nullptr;
    }
};

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const char* name, double value) {
    std::printf("%s %.3f\n", name, value);
}

// Lets every window event be handled, painting included.
void settle() {
    QCoreApplication::processEvents();
}

// Waits until the window is on the screen (its first expose arrived).
void waitExposed(QWidget& window) {
    QElapsedTimer limit;
    limit.start();
    while ((window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) &&
           limit.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    settle();
}

void closeEditor(frmMirel& editor) {
    editor.unload();
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

int measureInProcess(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
    platform::installFontSubstitutions();
    platform::installInterfaceFont();
    NoDialogs dialogs;
    platform::setDialogs(&dialogs);
    int endings = 0;
    platform::setEndHandler([&](int) { ++endings; });

    app::Main();
    frmCal* calendar = windows::findCalendar();
    QElapsedTimer timer;
    timer.start();
    while (calendar != nullptr && !calendar->laidOut() && timer.elapsed() < 10000)
        settle();
    if (calendar == nullptr || endings != 0) {
        std::fprintf(stderr, "the calendar window did not open\n");
        return 1;
    }
    waitExposed(*calendar);
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
    double sum = 0;
    for (double s : steps)
        sum += s;
    print("month_step_mean", sum / static_cast<double>(steps.size()));
    print("extra_queries", static_cast<double>(extraQueries));

    // The editor opened by a double-click on a day of an earlier month, again and again.
    const QDate today = platform::clock().today();
    std::vector<double> openings;
    for (int i = 0; i < 7; ++i) {
        const QDate day = today.addDays(-45 - 3 * i);
        calendar->oCal1->setValue(platform::dates::format(day, QStringLiteral("yyyy/mm/dd")));
        settle();
        timer.restart();
        calendar->Cal1_DblClick();
        frmMirel* editor = windows::findEditor();
        if (editor == nullptr) {
            std::fprintf(stderr, "the editor did not open\n");
            return 1;
        }
        waitExposed(*editor);
        openings.push_back(ms(timer));
        if (i + 1 < 7)
            closeEditor(*editor);
    }
    print("editor_open_first", openings.front());
    print("editor_open_median", median(openings));

    frmMirel& editor = *windows::findEditor();
    std::vector<double> moves;
    for (int i = 0; i < 21; ++i) {
        timer.restart();
        editor.Command1_Click(i % 2 == 0 ? 3 : 2);
        settle();
        moves.push_back(ms(timer));
    }
    print("editor_day_median", median(moves));

    std::vector<double> saves;
    for (int i = 0; i < 7; ++i) {
        editor.textBox(1)->appendPlainText(QStringLiteral("追記。"));
        editor.txtChg = true;
        timer.restart();
        const bool saved = editor.devProc();
        settle();
        saves.push_back(ms(timer));
        if (!saved)
            std::fprintf(stderr, "a save failed\n");
    }
    print("save_median", median(saves));
    closeEditor(editor);

    // The notebook opened on a year full of entries (every year before this one is, in a
    // journal of ten or a hundred years), from the call until the list is filled and the events
    // it brought are handled.
    std::vector<double> notebooks;
    for (int i = 0; i < 7; ++i) {
        app::modFunc().WorkDate = QDate(today.year() - 1 - i, 6, 1);
        timer.restart();
        frmBar& notebook = windows::showNotebook();
        settle();
        notebooks.push_back(ms(timer));
        notebook.close();
        settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    print("notebook_year_median", median(notebooks));
    measureSearch();
    measureSearchWindowMemory();
    print("unexpected_dialogs", dialogs.shown);
    // The search finishes its work while the journal and the application are still there.
    app::modFunc().Search.reset();
    platform::releaseInstanceLock();
    return 0;
}

} // namespace bench
