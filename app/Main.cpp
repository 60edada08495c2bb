#include "app/Main.h"

#include "app/Settings.h"
#include "app/frmStart.h"
#include "app/modFunc.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/InstanceLock.h"
#include "platform/PrivateFiles.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "store/Journal.h"
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "store/backup/Backups.h"
#include "windows/calendar/frmCal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <future>
#include <memory>

namespace app {

void Main() {
    auto& m = modFunc();
    m.WorkDate = platform::clock().today();
    const QString data = platform::dataFolder();
    m.DefPPath = platform::defaultPaintProgram();
    m.DefMdbPath = platform::joinPath(data, QStringLiteral("orvane.mdb"));
    m.DefGPath = platform::joinPath(data, QStringLiteral("Graphic"));

    // The keyring's first answer takes about as long as the splash takes to paint: it is asked
    // meanwhile for the key of the journal the settings name.
    const QString named = storedJournalPath();
    auto keyringKey =
        std::async(std::launch::async, [named] { return store::keyringKeyFor(named); });

    // The splash deletes itself when it is closed.
    auto* splash = new frmStart();
    splash->setAttribute(Qt::WA_DeleteOnClose);
    m.Splash = splash;
    splash->show();
    // Paint the splash before the slower steps.
    QCoreApplication::processEvents();

    // An older version left its folders open to every account. A journal chosen elsewhere keeps
    // the modes of its folder: that folder is the user's, not the program's.
    platform::makeFolderPrivate(data);
    platform::makeFolderPrivate(QFileInfo(store::backup::backupFolder(m.DefMdbPath)).path(), true);
    platform::makeFolderPrivate(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    platform::makeFolderPrivate(QFileInfo(platform::SettingsStore::filePath()).path());

    if (!regProc(RegLoad))
        return;
    if (!chkPrev())
        return;

    // An encrypted journal is read only once its passphrase is given; nothing is written to it
    // before.
    std::shared_ptr<platform::cipher::CipherVfs> layer;
    if (store::encryptedHeader(m.mdbPath)) {
        // The keyring answers for a journal it was asked to remember; else the user does.
        const auto key = m.mdbPath == named ? keyringKey.get() : store::keyringKeyFor(m.mdbPath);
        layer = key ? store::unlockWithKeyringKey(m.mdbPath, *key) : nullptr;
        if (!layer) {
            m.closeSplash();
            store::Asked asked = store::askToUnlock(
                m.mdbPath, QStringLiteral("日記を開く"),
                QStringLiteral("パスフレーズを入力してください。"), QStringLiteral("終了"));
            if (!asked.layer) {
                platform::endProgram(asked.cancelled ? 0 : 1);
                return;
            }
            layer = std::move(asked.layer);
        }
    }

    try {
        // The journal the chooser may have created is opened afresh like any other.
        store::openAtStart(layer);
        auto calendar = std::make_unique<frmCal>();
        calendar->setAttribute(Qt::WA_DeleteOnClose);
        calendar->show();
        calendar.release(); // deletes itself when closed
        // The backup starts once the calendar is on the screen.
        QTimer::singleShot(0, [] { platform::guard([] { store::backup::backupAfterStart(); }); });
    } catch (...) {
        // A first page that does not open under the right key was changed behind our back.
        platform::dialogs().message(
            layer && layer->tampered() ? QStringLiteral("日記のファイルが壊れているか、"
                                                        "改ざんされています。")
                                       : QStringLiteral("ＭＤＢのオープンに失敗しました。"),
            platform::Buttons::Ok, platform::Icon::None, platform::programTitle());
        platform::endProgram(1);
        return;
    }
}

bool chkPrev() {
    using Kind = platform::LockOutcome::Kind;
    const auto lock = platform::acquireInstanceLock();
    if (lock.kind == Kind::Running) {
        platform::dialogs().message(QStringLiteral("プログラムは既に起動中です。"),
                                    platform::Buttons::Ok, platform::Icon::Exclamation,
                                    QStringLiteral("二重起動エラー"));
        platform::endProgram(1);
        return false;
    }
    if (lock.kind == Kind::Failed) {
        // Without the lock a second copy could not be told apart; the user learns which file
        // is in the way and why.
        platform::dialogs().message(
            QStringLiteral("二重起動を確かめるためのファイルを使えません。\n") +
                QDir::toNativeSeparators(platform::instanceLockPath()) + QLatin1Char('\n') +
                lock.cause,
            platform::Buttons::Ok, platform::Icon::Critical, QStringLiteral("二重起動エラー"));
        platform::endProgram(1);
        return false;
    }
    modFunc().TerminalName = platform::computerName();
    return true;
}

void dbClose() {
    auto& m = modFunc();
    m.JournalWs.reset();
    m.JournalDb.reset();
}

} // namespace app
