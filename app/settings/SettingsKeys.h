#pragma once

// The user's settings: one file, $XDG_CONFIG_HOME/quorvane/quorvane.conf
// (by default ~/.config/quorvane/quorvane.conf), read and written through
// QSettings in the native format:
//   QSettings(QSettings::NativeFormat, QSettings::UserScope, SettingsOrganization, SettingsApplication)
// Every key is named here, as "section/key".

namespace quorvane::app {

inline constexpr const char* SettingsOrganization = "quorvane";
inline constexpr const char* SettingsApplication = "quorvane";

/// [scan] folder: the folder the My Games page scanned last, offered again
/// at the next start.
inline constexpr const char* ScanFolderKey = "scan/folder";

} // namespace quorvane::app
