#pragma once

#include <string>

namespace quorvane::app {

/// Puts a downloaded list in place of the Main List.
class ListInstaller {
public:
    /// Renames `downloaded` over `mainList` in one atomic step (rename(2)):
    /// at every moment either the old or the new Main List exists under its
    /// name, never neither. Nothing is deleted first, and the new list keeps
    /// the old one's permissions. A `mainList` that is a symbolic link stays
    /// one and the file it leads to is replaced; when that file lies in
    /// another folder, the download is copied into a temporary file there
    /// which is then renamed over it. Raises ListInstallError with the
    /// system's reason on failure; both files then stay as they were.
    static void Install(const std::string& downloaded, const std::string& mainList);
};

} // namespace quorvane::app
