#pragma once

#include "platform/Error.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QElapsedTimer;
class QProgressBar;
class QPushButton;
class QTimer;

// Work that may take long, on a thread of its own so the program's windows go on working. Its
// progress bar and 中止 button show once it has taken a second.
class LongTask : public QObject {
    Q_OBJECT
public:
    // Told the work done and the work in all; answers false once 中止 was pressed.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    // How the work ended: nothing when it completed or stopped, else what went wrong.
    using Finished = std::function<void(const std::optional<platform::Error>& error)>;

    // The bar and the button stay hidden until a task has run for a second; the button stops it.
    LongTask(QProgressBar* bar, QPushButton* cancelButton, QObject* parent);
    ~LongTask() override;

    // Runs work on its thread; finished then runs on this object's thread. One at a time.
    void start(std::function<void(const Progress&)> work, Finished finished);
    bool running() const { return worker_.joinable(); }
    // Asks the work to stop and waits for it.
    void stop();

private:
    void showProgress();
    void end(const Finished& finished, const std::optional<platform::Error>& error);

    QProgressBar* bar_;
    QPushButton* cancelButton_;
    QTimer* timer_;
    std::unique_ptr<QElapsedTimer> started_;
    std::atomic<bool> cancel_{false};
    std::atomic<qint64> done_{0};
    std::atomic<qint64> total_{0};
    std::jthread worker_;
};
