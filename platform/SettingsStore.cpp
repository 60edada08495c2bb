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

std::optional<QString> SettingsStore::value(const QString& section, const QString& key) const {
    const QSettings settings = openStore();
    if (settings.status() != QSettings::NoError)
        return std::nullopt;
    const QVariant stored = settings.value(keyPath(section, key));
    if (!stored.isValid())
        return std::nullopt;
    // A hand-edited value with an unquoted comma reads as a list; it was meant as one text.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(QLatin1Char(','));
    return stored.toString();
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
