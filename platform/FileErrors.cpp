#include "platform/FileErrors.h"

#include <cerrno>
#include <cstring>

namespace platform {

QString fileErrorText(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("読み書きする権限がありません。");
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダがありません。");
    case ENOTDIR:
        return QStringLiteral("途中にフォルダでないものがあります。");
    case EISDIR:
        return QStringLiteral("ファイルではなくフォルダです。");
    case ELOOP:
        return QStringLiteral("シンボリックリンクは使えません。");
    case EROFS:
        return QStringLiteral("読み取り専用のディスクです。");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクに空きがありません。");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace platform
