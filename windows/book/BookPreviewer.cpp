#include "windows/book/BookPreviewer.h"

#include "platform/Error.h"
#include "windows/book/BookDocument.h"

using namespace windows::book;

BookPreviewer::BookPreviewer(QObject* parent)
    : QObject(parent), worker_([this](const std::stop_token& stop) { run(stop); }) {}

BookPreviewer::~BookPreviewer() {
    newChoice_ = true;
    worker_.request_stop();
    wake_.notify_all();
    worker_.join();
}

void BookPreviewer::choose(const std::optional<Choice>& choice, double dotsPerInch) {
    {
        const std::scoped_lock lock(mutex_);
        shownChoice_ = ++wanted_.choiceSerial;
        wanted_.choice = choice;
        ++wanted_.pageSerial;
        wanted_.page = 0;
        wanted_.dotsPerInch = dotsPerInch;
        newChoice_ = true;
    }
    wake_.notify_all();
}

void BookPreviewer::showPage(int page, double dotsPerInch) {
    {
        const std::scoped_lock lock(mutex_);
        ++wanted_.pageSerial;
        wanted_.page = page;
        wanted_.dotsPerInch = dotsPerInch;
    }
    wake_.notify_all();
}

void BookPreviewer::post(int choiceSerial, std::function<void()> answer) {
    QMetaObject::invokeMethod(
        this,
        [this, choiceSerial, answer = std::move(answer)] {
            if (choiceSerial == shownChoice_)
                answer();
        },
        Qt::QueuedConnection);
}

void BookPreviewer::run(const std::stop_token& stop) {
    int choiceDone = 0;
    int pageDone = 0;
    QList<BookDay> days;
    std::optional<QList<int>> starts;
    while (true) {
        Wanted now;
        {
            std::unique_lock lock(mutex_);
            // A request left over from a choice whose work was dropped must not hold the worker
            // once it is asked to stop.
            if (!wake_.wait(lock, stop,
                            [&] {
                                return wanted_.choiceSerial != choiceDone ||
                                       wanted_.pageSerial != pageDone;
                            }) ||
                stop.stop_requested())
                return;
            now = wanted_;
            newChoice_ = false;
        }
        const int serial = now.choiceSerial;
        try {
            if (serial != choiceDone) {
                choiceDone = serial;
                starts.reset();
                days = now.choice
                           ? readBookDays(now.choice->journal, now.choice->range, &newChoice_)
                           : QList<BookDay>();
                if (newChoice_)
                    continue;
                // The first page before the count: it is the one looked at first.
                if (now.page == 0 && !days.isEmpty()) {
                    const QImage first = renderBookPage(days, {0, 1}, 0, now.choice->style,
                                                        now.choice->pictureFolder, now.dotsPerInch);
                    post(serial, [this, first] { Q_EMIT pageReady(0, first); });
                    pageDone = now.pageSerial;
                }
                starts =
                    pageStarts(days, now.choice ? now.choice->style : BookPageStyle(), &newChoice_);
                if (!starts)
                    continue;
                const int pages = int(starts->last());
                post(serial, [this, pages] { Q_EMIT counted(pages); });
            }
            if (now.pageSerial != pageDone && starts) {
                pageDone = now.pageSerial;
                if (now.choice && now.page >= 0 && now.page < starts->last()) {
                    const QImage image = renderBookPage(days, *starts, now.page, now.choice->style,
                                                        now.choice->pictureFolder, now.dotsPerInch);
                    post(serial, [this, page = now.page, image] { Q_EMIT pageReady(page, image); });
                }
            }
        } catch (const platform::Error& e) {
            days.clear();
            starts = QList<int>{0};
            pageDone = now.pageSerial;
            post(serial, [this, message = e.message()] {
                Q_EMIT counted(0);
                Q_EMIT failed(message);
            });
        }
    }
}
