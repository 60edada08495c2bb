// The settings file as a person might have edited it: reading it never crashes, and the values
// read, written back and read again stay the same (a damaged file is replaced, not patched).
#include "FuzzCheck.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

namespace {

const std::array<std::pair<const char*, const char*>, 9> keys = {{
    {"Option", "pPath"},
    {"Option", "mdbPath"},
    {"Option", "gPath"},
    {"Mirel", "bgPath"},
    {"Mirel", "FontSize"},
    {"Mirel", "Top"},
    {"Mirel", "Left"},
    {"Mirel", "Height"},
    {"Mirel", "Width"},
}};

std::unique_ptr<QTemporaryDir> configHome;

std::array<std::optional<QString>, 9> readAll() {
    const platform::SettingsStore store;
    std::array<std::optional<QString>, 9> values;
    for (std::size_t i = 0; i < keys.size(); ++i)
        values[i] =
            store.value(QString::fromLatin1(keys[i].first), QString::fromLatin1(keys[i].second));
    return values;
}

// Files rewritten within one clock tick with the same size look unchanged to a cached reader;
// each input gets a modification time of its own.
void stampAnew(const QString& path) {
    static qint64 seconds = 1000000000;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::fromSecsSinceEpoch(++seconds),
                         QFileDevice::FileModificationTime);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The settings live under a private configuration folder, never the user's own.
    configHome = std::make_unique<QTemporaryDir>();
    if (!configHome->isValid())
        std::abort();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
    QDir(configHome->path()).mkpath(QStringLiteral("orvane"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = platform::SettingsStore::filePath();
    FUZZ_CHECK(path.startsWith(configHome->path()), path);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), path);
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    stampAnew(path);

    const auto first = readAll();
    platform::SettingsStore writer;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (first[i])
            writer.setValue(QString::fromLatin1(keys[i].first), QString::fromLatin1(keys[i].second),
                            *first[i]);
    }
    writer.sync();
    stampAnew(path);

    const auto second = readAll();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        FUZZ_CHECK(second[i] == first[i],
                   QString::fromLatin1(keys[i].second) + QStringLiteral(": ") +
                       first[i].value_or(QStringLiteral("(none)")) + QStringLiteral(" -> ") +
                       second[i].value_or(QStringLiteral("(none)")));
    }
    return 0;
}
