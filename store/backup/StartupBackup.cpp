#include "store/backup/StartupBackup.h"

#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "store/Session.h"
#include "store/backup/Backups.h"

namespace store::backup {

// Small steps: a save of the program waits at most for one of them.
constexpr int PagesPerStep = 256;

StartupBackup::StartupBackup(const QString& journal,
                             std::shared_ptr<const platform::cipher::CipherVfs> layer,
                             const QString& pictures, std::chrono::milliseconds delay) {
    thread_ = std::thread([this, journal, layer = std::move(layer), pictures, delay] {
        const auto start = std::chrono::steady_clock::now();
        while (!stop_ && std::chrono::steady_clock::now() - start < delay)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (stop_)
            return;
        try {
            makeBackup(journal, layer.get(), pictures, PagesPerStep, &stop_);
        } catch (const platform::Error& e) {
            if (stop_)
                return;
            QMetaObject::invokeMethod(
                this,
                [number = e.number(), description = e.description()] {
                    platform::dialogs().message(
                        platform::standardMessage(
                            number,
                            QStringLiteral("バックアップを作れませんでした。") + description),
                        platform::Buttons::Ok, platform::Icon::Exclamation,
                        platform::programTitle());
                },
                Qt::QueuedConnection);
        }
    });
}

StartupBackup::~StartupBackup() {
    stop_ = true;
    wait();
}

void StartupBackup::wait() {
    if (thread_.joinable())
        thread_.join();
}

void backupAfterStart(std::chrono::milliseconds delay) {
    auto& m = session();
    if (!m.JournalDb || !changedSinceNewest(m.JournalDb->path()))
        return;
    m.Backup =
        std::make_unique<StartupBackup>(m.JournalDb->path(), m.JournalWs->layer(), m.gPath, delay);
}

} // namespace store::backup
