#pragma once

#include <QString>

// The user's settings: one file, $XDG_CONFIG_HOME/quorvane/quorvane.conf
// (by default ~/.config/quorvane/quorvane.conf), read and written through
// QSettings in the native format:
//   QSettings(QSettings::NativeFormat, QSettings::UserScope, SettingsOrganization, SettingsApplication)
// (UserSettings opens it so, and writes it readable by its owner only).
// Every key is named here, as "section/key": the key `key` in the file's
// [section].

namespace quorvane::app {

inline constexpr const char* SettingsOrganization = "quorvane";
inline constexpr const char* SettingsApplication = "quorvane";

/// [scan] folder: the folder the My Games page scanned last, offered again
/// at the next start.
inline constexpr const char* ScanFolderKey = "scan/folder";

} // namespace quorvane::app

namespace quorvane::app::settings {

// [update]
/// The update server: an ftp:// URL in the form --update-server takes.
/// Absent (or empty) for the built-in server.
inline const QString kUpdateServer = QStringLiteral("update/server");

// [submit]
/// Where Custom Lists are sent: an ftp:// URL in the form --submit-server
/// takes. Absent (or empty) for the update server's incoming/ folder.
inline const QString kSubmitServer = QStringLiteral("submit/server");

// [keepers]
/// The list's keepers' account for the reports' incoming folder: an ftp://
/// URL in the form --reports-server takes. Absent (or empty) for none.
inline const QString kKeepersServer = QStringLiteral("keepers/server");
/// Where the keepers publish the Main List: an ftp:// URL in the form
/// --publish-server takes, an account that may write the list's folder.
/// Absent (or empty) for the update server.
inline const QString kKeepersPublish = QStringLiteral("keepers/publish");

// [tls] and [tls-verified]: what is known of servers' certificates, one key
// "host:port" per server (TrustStore).
/// The SHA-256 fingerprint ("AB:CD:...") of a certificate the user trusts for
/// the server whether it verifies or not.
inline const QString kTrustedCertificates = QStringLiteral("tls");
/// "1" for a server that once showed a certificate that verified.
inline const QString kVerifiedServers = QStringLiteral("tls-verified");

// [editor]
/// The nickname the Custom List editor offers for every new record: the
/// nick of the last record added.
inline const QString kEditorNick = QStringLiteral("editor/nick");

// [window]: the Main Window as the user left it.
/// Its normal (not maximised) geometry, a rectangle in screen pixels.
inline const QString kWindowGeometry = QStringLiteral("window/geometry");
/// Whether it was maximised.
inline const QString kWindowMaximized = QStringLiteral("window/maximized");
/// The index of its current page.
inline const QString kWindowPage = QStringLiteral("window/page");

// [window] too: the windows of their own, each under its group.
/// The keepers' window ("Review Reports").
inline const QString kKeepersWindow = QStringLiteral("window/keepers/");
/// A window's normal geometry under `group`, a rectangle in screen pixels.
inline QString WindowGeometryKey(const QString& group)
{
    return group + QStringLiteral("geometry");
}
/// The widths of the columns of the list view named `view` (its object name),
/// left to right: the width of a column the user resized, 0 for one that fits
/// its contents. Earlier versions kept every column's width, fitted or not,
/// under "window/columns/"; those are not read, so no column stays at a width
/// the user never chose.
inline QString ColumnWidthsKey(const QString& view)
{
    return QStringLiteral("window/columnWidths/") + view;
}

} // namespace quorvane::app::settings
