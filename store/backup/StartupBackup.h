#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

namespace store::backup {

// The start-up backup on its thread; destroying it stops the backup and waits for its thread.
class StartupBackup : public QObject {
public:
    StartupBackup(const QString& journal, const QString& pictures, std::chrono::milliseconds delay);
    ~StartupBackup() override;
    // Waits until the backup ended (tests and the benchmark).
    void wait();

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace store::backup
