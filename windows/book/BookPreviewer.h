#pragma once

#include "store/export/ExportRange.h"
#include "store/export/RangeReader.h"
#include "windows/book/BookPainter.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// The preview's pages, counted and drawn on a thread of their own, one page at a time as they
// are asked for: a year of pictures is never drawn only to be looked at once. The newest request
// wins; answers to older ones are dropped.
class BookPreviewer : public QObject {
    Q_OBJECT
public:
    struct Choice {
        store::exporting::JournalFile journal;
        QString pictureFolder;
        store::exporting::Range range;
        windows::book::BookPageStyle style;
    };

    explicit BookPreviewer(QObject* parent = nullptr);
    ~BookPreviewer() override;

    // A new choice (nothing: no range, so no pages): its pages are counted and the first drawn.
    void choose(const std::optional<Choice>& choice, double dotsPerInch);
    // A page of the counted ones (from 0), at the resolution.
    void showPage(int page, double dotsPerInch);

Q_SIGNALS:
    // The choice's number of pages; 0 when the range holds no entry.
    void counted(int pages);
    void pageReady(int page, const QImage& image);
    // The journal could not be read; the text says why.
    void failed(const QString& message);

private:
    struct Wanted {
        int choiceSerial = 0;
        std::optional<Choice> choice;
        int pageSerial = 0;
        int page = 0;
        double dotsPerInch = 96;
    };
    void run(const std::stop_token& stop);
    // Runs on this object's thread unless a newer choice came meanwhile.
    void post(int choiceSerial, std::function<void()> answer);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    Wanted wanted_;
    std::atomic<bool> newChoice_{false}; // drops the work for the choice before
    int shownChoice_ = 0;                // the serial of the newest choice, on this object's thread
    std::jthread worker_;
};
