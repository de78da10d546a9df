#pragma once

#include <string>

namespace quorvane::app {

/// Puts a downloaded list in place of the Main List.
class ListInstaller {
public:
    /// Renames `downloaded` over `mainList` in one atomic step (rename(2)):
    /// at every moment either the old or the new Main List exists under its
    /// name, never neither. Nothing is deleted first. Raises ListInstallError
    /// with the system's reason when the rename fails; both files then stay as
    /// they were.
    static void Install(const std::string& downloaded, const std::string& mainList);
};

} // namespace quorvane::app
