#pragma once

#include <QString>

// The keys of the user's settings file, each named once. "section/name" is
// the key `name` in the file's [section].
namespace quorvane::app::settings {

// [update]
/// The update server: an ftp:// URL in the form --update-server takes.
/// Absent (or empty) for the built-in server.
inline const QString kUpdateServer = QStringLiteral("update/server");

// [window]: the Main Window as the user left it.
/// Its normal (not maximised) geometry, a rectangle in screen pixels.
inline const QString kWindowGeometry = QStringLiteral("window/geometry");
/// Whether it was maximised.
inline const QString kWindowMaximized = QStringLiteral("window/maximized");
/// The index of its current page.
inline const QString kWindowPage = QStringLiteral("window/page");
/// The column widths of the list view named `view` (its object name), left
/// to right.
inline QString ColumnWidthsKey(const QString& view)
{
    return QStringLiteral("window/columns/") + view;
}

} // namespace quorvane::app::settings
