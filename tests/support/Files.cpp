#include "support/Testing.h"

namespace testing {

QString writeFile(const QString& path, const QByteArray& content, bool executable) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(content) == content.size() && file.flush();
    file.close();
    // A setup step that did not happen would let the test check something else than it says.
    if (!written ||
        !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                         (executable ? QFile::ExeOwner : QFile::Permissions())))
        QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
    return path;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace testing
