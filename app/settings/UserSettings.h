#pragma once

#include <QSettings>

#include <memory>
#include <string>

namespace quorvane::app {

/// The user's settings file, shared by both programs: QSettings in native
/// format for "quorvane"/"quorvane", that is $XDG_CONFIG_HOME/quorvane/quorvane.conf
/// (~/.config/quorvane/quorvane.conf when $XDG_CONFIG_HOME is unset). Only
/// that file is read: no system-wide or organisation-wide defaults. The keys
/// are in SettingsKeys.h.
class UserSettings {
public:
    /// The file, read now; changes reach the disk with Save().
    static std::unique_ptr<QSettings> Open();

    /// The text stored under `key` as written: QSettings reads an unquoted
    /// value with commas as a list, which is joined again (a password or a
    /// hand-written value may hold commas).
    static std::string Text(const QSettings& settings, const QString& key);

    /// Writes the changes made to `settings` to disk. The file is readable
    /// and writable by its owner only, before and after, because it may hold
    /// the update server's password. Throws SettingsError "Cannot save the
    /// settings to "<file>"" (with the system's reason when there is one)
    /// when it cannot be written; the file on disk then stays as it was.
    static void Save(QSettings& settings);
};

} // namespace quorvane::app
