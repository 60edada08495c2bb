#include "support/Testing.h"

namespace testing {

QString writeFile(const QString& path, const QByteArray& content, bool executable) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path); // closed on return, before anything runs it
    // A setup step that did not happen would let the test check something else than it says.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size() || !file.flush() ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                             (executable ? QFile::ExeOwner : QFile::Permissions())))
        QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
    return path;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::shared_ptr<platform::cipher::CipherVfs> cipherLayer(const QString& path,
                                                         const QString& passphrase) {
    namespace cipher = platform::cipher;
    const QByteArray header = readFile(path).left(cipher::HeaderSize);
    auto opened = cipher::openHeader(header, passphrase, QuickKdf);
    if (!std::holds_alternative<cipher::Opened>(opened))
        return nullptr;
    return std::make_shared<cipher::CipherVfs>(std::move(std::get<cipher::Opened>(opened).dataKey),
                                               header);
}

} // namespace testing
