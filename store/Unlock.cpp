#include "store/Unlock.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "store/Session.h"

#include <QFile>

namespace store {

using platform::cipher::OpenFailure;

std::optional<QByteArray> encryptedHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.read(platform::cipher::HeaderSize);
    if (!platform::cipher::looksEncrypted(header))
        return std::nullopt;
    return header;
}

Unlocked unlockFile(const QString& path, const QString& passphrase) {
    const auto header = encryptedHeader(path);
    if (!header)
        return OpenFailure::NotEncrypted;
    auto opened = platform::cipher::openHeader(*header, passphrase, session().Kdf);
    if (const auto* failure = std::get_if<OpenFailure>(&opened))
        return *failure;
    auto& keys = std::get<platform::cipher::Opened>(opened);
    return std::make_shared<platform::cipher::CipherVfs>(std::move(keys.dataKey), *header);
}

QString failureText(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::WrongPassphrase:
        return QStringLiteral("パスフレーズが違います。");
    case OpenFailure::NewerVersion:
        return QStringLiteral(
            "この日記は新しい版のプログラムで暗号化されているため、この版では開けません。");
    case OpenFailure::NotEncrypted:
        return QStringLiteral("このファイルは暗号化された日記ではありません。");
    case OpenFailure::Damaged:
        break;
    }
    return QStringLiteral("日記のファイルが壊れているか、改ざんされています。");
}

Asked askToUnlock(const QString& path, const QString& title, const QString& prompt,
                  const QString& cancelText) {
    while (true) {
        const auto passphrase = platform::dialogs().passphrase(prompt, title, cancelText);
        if (!passphrase)
            return {nullptr, true};
        Unlocked unlocked = unlockFile(path, *passphrase);
        if (auto* layer = std::get_if<std::shared_ptr<platform::cipher::CipherVfs>>(&unlocked))
            return {std::move(*layer), false};
        const OpenFailure failure = std::get<OpenFailure>(unlocked);
        platform::dialogs().message(failureText(failure), platform::Buttons::Ok,
                                    failure == OpenFailure::WrongPassphrase
                                        ? platform::Icon::Exclamation
                                        : platform::Icon::Critical,
                                    title);
        if (failure != OpenFailure::WrongPassphrase)
            return {nullptr, false};
    }
}

} // namespace store
