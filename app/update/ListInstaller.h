#pragma once

#include <string>
#include <string_view>

namespace quorvane::app {

/// What became of the list an installation replaced.
enum class PreviousList {
    /// There was no Main List to replace; an older previous list stays.
    NoneReplaced,
    /// The new list's bytes equal the replaced one's: nothing was kept, and an
    /// older previous list stays the one before.
    SameBytes,
    /// The replaced list is now the previous list.
    Kept,
    /// Keeping it failed (`InstallResult::problem` says why); an older
    /// previous list was removed so that nothing stale is compared later.
    NotKept,
};

/// How an installation went; the new list is in place whatever it says.
struct InstallResult {
    PreviousList previous = PreviousList::NoneReplaced;
    /// With `NotKept`: "Cannot keep the replaced list as "<path>". <reason>".
    std::string problem;
};

/// Puts a downloaded list in place of the Main List, keeping the list it
/// replaces, and swaps the two back.
class ListInstaller {
public:
    /// Renames `downloaded` over `mainList` in one atomic step (rename(2)):
    /// at every moment either the old or the new Main List exists under its
    /// name, never neither. Nothing is deleted first, and the new list keeps
    /// the old one's permissions. A `mainList` that is a symbolic link stays
    /// one and the file it leads to is replaced; when that file lies in
    /// another folder, the download is copied into a temporary file there
    /// which is then renamed over it. Raises ListInstallError with the
    /// system's reason on failure; both files (and the previous list) then
    /// stay as they were.
    ///
    /// Before the replace, the list in place (the link's target for a link)
    /// is linked, or copied where no link can be made, to a temporary name
    /// beside `mainList`, which becomes "gcmList.previous.xml" once the new
    /// list is in place. Failing to keep it does not stop the installation.
    static InstallResult Install(const std::string& downloaded, const std::string& mainList);

    /// Puts `text` in place of `mainList` as Install puts a download there:
    /// the text is written whole to a new file beside it first, so a failure
    /// at any point leaves the Main List as it was and no new file behind.
    /// Raises ListInstallError, or InOutError when the new file cannot be written.
    static InstallResult InstallText(std::string_view text, const std::string& mainList);

    /// Swaps `mainList` (its target, for a symbolic link) with the previous
    /// list beside it in one step (renameat2 with RENAME_EXCHANGE); where the
    /// file system refuses that, the previous list is renamed over the Main
    /// List after the Main List's bytes were linked or copied to a temporary
    /// name that then becomes the previous list, so `mainList` is never
    /// missing. Raises NoPreviousListError when there is no previous list and
    /// ListInstallError for a failed swap, which leaves both lists in place.
    static void SwapWithPrevious(const std::string& mainList);

    /// The previous list's path: "gcmList.previous.xml" in `mainList`'s folder.
    static std::string PreviousListPath(const std::string& mainList);
};

} // namespace quorvane::app
