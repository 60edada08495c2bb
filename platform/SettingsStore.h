#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

// The per-user settings file (~/.config/orvane/orvane.ini): sections of string values.
class SettingsStore {
public:
    // Reads the file once; later changes of the file are not seen by this object.
    SettingsStore();

    // The stored value, or nothing when the key is absent or the file cannot be read (a damaged
    // or unreadable file counts as holding no settings at all).
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Remembers a value; sync() writes the remembered values in the order they were set.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Writes the file; raises an error with a clear description when it cannot be written.
    void sync();

    // Where the file lives.
    static QString filePath();

private:
    struct Pending {
        QString section;
        QString key;
        QString value;
    };
    QHash<QString, QString> stored_; // "section/key" to value
    std::vector<Pending> pending_;
};

} // namespace platform
