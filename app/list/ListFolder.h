#pragma once

#include <QString>

namespace quorvane::app {

/// The folder that holds the list files when a front end is told where to
/// keep them (the options --folder and --data-folder); without either, the
/// list logic works in the working directory.
class ListFolder {
public:
    /// The user's data folder for the lists: "quorvane" in $XDG_DATA_HOME,
    /// or ~/.local/share/quorvane when that is unset.
    static QString UserData();

    /// Creates `folder` and its missing parents and returns its absolute,
    /// clean path (a relative `folder` is taken in the working directory).
    /// Throws ListError "Cannot create folder "<path>". <system reason>" when
    /// it cannot be created or names something other than a folder.
    static QString Prepare(const QString& folder);
};

} // namespace quorvane::app
