#pragma once

class QMainWindow;
class QString;
class QTabWidget;
class QWidget;

namespace quorvane::app {

/// A main window's layout as the user left it: its size and position,
/// whether it was maximised, the widths of the columns the user resized in
/// each list view in it (0 for a column that fits its contents) and
/// its current page, kept in the [window] section of the user's settings file
/// (UserSettings). Each view is saved under its object name.
class WindowLayout {
public:
    /// How a window opens.
    enum class Start {
        /// As it was left, as far as what was saved is usable.
        Saved,
        /// At its design sizes, centred: the first start, and --reset-layout.
        Design,
    };

    /// Applies the saved layout to `window`, before it is shown. Each part
    /// applies only when it is usable: the geometry when it lies wholly on one
    /// screen, a view's widths when there is one width of 0 or more per column,
    /// the page when `pages` has it. Anything else keeps the window's design.
    static void Restore(QMainWindow& window, QTabWidget& pages);

    /// Saves the layout of `window` and the page of `pages`. Throws
    /// SettingsError when the settings file cannot be written.
    static void Save(const QMainWindow& window, const QTabWidget& pages);

    /// Gives a window of its own the size and place it was left at, saved
    /// under the settings group `group` ("window/keepers/"), when that lies
    /// wholly on one screen; else it keeps its design size.
    static void RestoreGeometry(QWidget& window, const QString& group);
    /// Saves the geometry of `window` under `group`. Throws SettingsError when
    /// the settings file cannot be written.
    static void SaveGeometry(const QWidget& window, const QString& group);
};

} // namespace quorvane::app
