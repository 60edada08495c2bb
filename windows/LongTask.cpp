#include "windows/LongTask.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

// Work shorter than this ends before its progress would be worth showing.
constexpr int ProgressAfterMs = 1000;
constexpr int ProgressStepMs = 100;

} // namespace

LongTask::LongTask(QProgressBar* bar, QPushButton* cancelButton, QObject* parent)
    : QObject(parent), bar_(bar), cancelButton_(cancelButton), timer_(new QTimer(this)),
      started_(std::make_unique<QElapsedTimer>()) {
    bar_->hide();
    cancelButton_->hide();
    timer_->setInterval(ProgressStepMs);
    connect(timer_, &QTimer::timeout, this, [this] { showProgress(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel_ = true; });
}

LongTask::~LongTask() {
    stop();
}

void LongTask::start(std::function<void(const Progress&)> work, Finished finished) {
    stop();
    cancel_ = false;
    done_ = 0;
    total_ = 0;
    started_->start();
    timer_->start();
    worker_ = std::jthread([this, work = std::move(work), finished = std::move(finished)] {
        std::optional<platform::Error> error;
        try {
            work([this](qint64 done, qint64 total) {
                done_ = done;
                total_ = total;
                return !cancel_;
            });
        } catch (const platform::Error& e) {
            error = e;
        } catch (const std::exception& e) {
            error = platform::Error(platform::errnum::Internal, QString::fromUtf8(e.what()));
        }
        QMetaObject::invokeMethod(
            this, [this, finished, error] { end(finished, error); }, Qt::QueuedConnection);
    });
}

void LongTask::stop() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void LongTask::showProgress() {
    if (started_->elapsed() < ProgressAfterMs)
        return;
    bar_->setMaximum(int(std::max<qint64>(total_, 1)));
    bar_->setValue(int(done_));
    bar_->show();
    cancelButton_->show();
}

void LongTask::end(const Finished& finished, const std::optional<platform::Error>& error) {
    stop();
    timer_->stop();
    bar_->hide();
    cancelButton_->hide();
    platform::guard([&] { finished(error); });
}
