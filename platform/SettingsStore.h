#pragma once

#include <QString>

#include <optional>

namespace platform {

// The per-user settings file (~/.config/orvane/orvane.ini): sections of string values.
class SettingsStore {
public:
    // The stored value, or nothing when the key is absent or the file cannot be read.
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // Writes the file; raises an error with a clear description when it cannot be written.
    void sync();
};

} // namespace platform
