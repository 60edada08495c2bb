#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace platform::cipher {
class CipherVfs;
}

namespace store::backup {

// The start-up backup on its thread; destroying it stops the backup and waits for its thread.
class StartupBackup : public QObject {
public:
    // layer is the journal's sealing, kept while the copy runs; null for a plain journal.
    StartupBackup(const QString& journal, std::shared_ptr<const platform::cipher::CipherVfs> layer,
                  const QString& pictures, std::chrono::milliseconds delay);
    ~StartupBackup() override;
    // Waits until the backup ended (tests and the benchmark).
    void wait();

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace store::backup
