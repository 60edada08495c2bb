#include "platform/SettingsStore.h"

#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace platform {

namespace {

QSettings openStore() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("orvane"),
                     QStringLiteral("orvane"));
}

QString keyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

} // namespace

QString SettingsStore::filePath() {
    return QDir::toNativeSeparators(openStore().fileName());
}

SettingsStore::SettingsStore() {
    // One reading object for every key: the file is parsed once per process and only the
    // object that parsed it learns whether it was damaged.
    const QSettings settings = openStore();
    if (settings.status() != QSettings::NoError)
        return;
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        const QVariant stored = settings.value(key);
        // A hand-edited value with an unquoted comma reads as a list; it was meant as one text.
        stored_.insert(key, stored.typeId() == QMetaType::QStringList
                                ? stored.toStringList().join(QLatin1Char(','))
                                : stored.toString());
    }
}

std::optional<QString> SettingsStore::value(const QString& section, const QString& key) const {
    const auto found = stored_.constFind(keyPath(section, key));
    if (found == stored_.constEnd())
        return std::nullopt;
    return *found;
}

void SettingsStore::setValue(const QString& section, const QString& key, const QString& value) {
    pending_.push_back({section, key, value});
}

void SettingsStore::sync() {
    const QString path = filePath();
    {
        // A damaged file was read as holding nothing; replace it rather than patch it, so that
        // its read error cannot hide a failed write.
        const QSettings existing = openStore();
        if (existing.status() == QSettings::FormatError && QFileInfo(path).isFile())
            QFile::remove(path);
    }
    QSettings settings = openStore();
    for (const auto& item : pending_)
        settings.setValue(keyPath(item.section, item.key), item.value);
    settings.sync();
    pending_.clear();
    if (settings.status() != QSettings::NoError) {
        throw Error(errnum::PathFileAccess,
                    QStringLiteral("設定を保存できませんでした。設定ファイル %1 に書き込めません。")
                        .arg(path));
    }
}

} // namespace platform
