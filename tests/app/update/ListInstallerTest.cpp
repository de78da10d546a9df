// The installation of a downloaded list over the Main List.
#include "app/list/NoPreviousListError.h"
#include "app/update/ListInstallError.h"
#include "app/update/ListInstaller.h"
#include "tests/app/update/UpdateServerFixture.h"
#include "tests/support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::app {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class Installer : public ::testing::Test {
protected:
    ::quorvane::test::TempDir dir_{"quorvane-install"};
    std::string bak = dir_.File("gcmList.BAK");
    std::string xml = dir_.File("gcmList.xml");
    std::string previous = dir_.File("gcmList.previous.xml");
};

TEST_F(Installer, ReplacesTheMainListOrCreatesIt)
{
    WriteBytes(bak, "new");
    ListInstaller::Install(bak, xml);
    EXPECT_EQ(ReadBytes(xml), "new");
    EXPECT_FALSE(std::filesystem::exists(bak));

    WriteBytes(bak, "newer");
    ListInstaller::Install(bak, xml);
    EXPECT_EQ(ReadBytes(xml), "newer");
    EXPECT_FALSE(std::filesystem::exists(bak));

    // A Main List linked from another folder stays linked: the file it leads
    // to gets the new list (copied there, then renamed over it) and keeps its
    // permissions; nothing else is left behind.
    namespace fs = std::filesystem;
    fs::create_directories(dir_.File("synced"));
    const std::string kept = dir_.File("synced/list.xml");
    WriteBytes(kept, "old");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::remove(xml);
    fs::create_symlink("synced/list.xml", xml);
    WriteBytes(bak, "newest");
    ListInstaller::Install(bak, xml);
    EXPECT_TRUE(fs::is_symlink(xml));
    EXPECT_EQ(ReadBytes(kept), "newest");
    EXPECT_EQ(fs::status(kept).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(bak));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.File("synced")), fs::directory_iterator()), 1);
    // The bytes kept are the link target's, as a file of its own beside the link.
    EXPECT_EQ(ReadBytes(previous), "old");
    EXPECT_FALSE(fs::is_symlink(previous));
    // Going back swaps the file the link leads to, not the link itself.
    ListInstaller::SwapWithPrevious(xml);
    EXPECT_TRUE(fs::is_symlink(xml));
    EXPECT_EQ(fs::read_symlink(xml), "synced/list.xml");
    EXPECT_EQ(ReadBytes(kept), "old");
    EXPECT_EQ(ReadBytes(previous), "newest");
    EXPECT_FALSE(fs::is_symlink(previous));
}

TEST_F(Installer, KeepsTheReplacedListUnlessTheBytesAreTheSame)
{
    WriteBytes(bak, "first");
    EXPECT_EQ(ListInstaller::Install(bak, xml).previous, PreviousList::NoneReplaced);
    EXPECT_FALSE(std::filesystem::exists(previous));

    WriteBytes(bak, "second");
    EXPECT_EQ(ListInstaller::Install(bak, xml).previous, PreviousList::Kept);
    EXPECT_EQ(ReadBytes(previous), "first");

    // The same bytes again keep nothing: the earlier previous list stays.
    WriteBytes(bak, "second");
    EXPECT_EQ(ListInstaller::Install(bak, xml).previous, PreviousList::SameBytes);
    EXPECT_EQ(ReadBytes(xml), "second");
    EXPECT_EQ(ReadBytes(previous), "first");

    WriteBytes(bak, "third");
    EXPECT_EQ(ListInstaller::Install(bak, xml).previous, PreviousList::Kept);
    EXPECT_EQ(ReadBytes(xml), "third");
    EXPECT_EQ(ReadBytes(previous), "second");
    // Nothing else is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), std::filesystem::directory_iterator()),
              2);

    // Swapping twice gives the newer list back.
    ListInstaller::SwapWithPrevious(xml);
    EXPECT_EQ(ReadBytes(xml), "second");
    EXPECT_EQ(ReadBytes(previous), "third");
    ListInstaller::SwapWithPrevious(xml);
    EXPECT_EQ(ReadBytes(xml), "third");
    EXPECT_EQ(ReadBytes(previous), "second");
}

TEST_F(Installer, AFolderInThePreviousListsPlaceStillLetsTheInstallHappen)
{
    std::filesystem::create_directories(previous + "/kept");
    WriteBytes(xml, "old");
    WriteBytes(bak, "new");
    const InstallResult result = ListInstaller::Install(bak, xml);
    EXPECT_EQ(result.previous, PreviousList::NotKept);
    const std::string prefix = "Cannot keep the replaced list as \"" + previous + "\". ";
    EXPECT_EQ(result.problem.rfind(prefix, 0), 0u) << result.problem;
    EXPECT_GT(result.problem.size(), prefix.size());
    EXPECT_EQ(ReadBytes(xml), "new");
    EXPECT_TRUE(std::filesystem::exists(previous + "/kept"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), std::filesystem::directory_iterator()),
              2);
    EXPECT_THROW(ListInstaller::SwapWithPrevious(xml), NoPreviousListError);
}

TEST_F(Installer, AFailedRenameKeepsBothFilesAndNamesTheReason)
{
    // A folder in place of the Main List cannot be renamed over (for any user).
    std::filesystem::create_directories(xml + "/kept");
    WriteBytes(bak, "new");
    try {
        ListInstaller::Install(bak, xml);
        FAIL() << "installed";
    } catch (const ListInstallError& e) {
        const std::string prefix = "Cannot rename file \"" + bak + "\" to \"" + xml + "\". ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
        EXPECT_GT(std::string(e.what()).size(), prefix.size());
    }
    EXPECT_EQ(ReadBytes(bak), "new");
    EXPECT_TRUE(std::filesystem::exists(xml + "/kept"));
    EXPECT_FALSE(std::filesystem::exists(previous));
}

TEST_F(Installer, AReadOnlyFolderKeepsTheOldList)
{
    WriteBytes(bak, "new");
    WriteBytes(xml, "old");
    ASSERT_EQ(chmod(dir_.Path().c_str(), 0555), 0);
    const int refused = ::quorvane::test::RunUnprivileged([&] {
        try {
            ListInstaller::Install(bak, xml);
        } catch (const ListInstallError&) {
            return 0;
        }
        return 1;
    });
    chmod(dir_.Path().c_str(), 0755);
    EXPECT_EQ(refused, 0) << "1: installed anyway, 125: could not give up root, 126: other error";
    EXPECT_EQ(ReadBytes(xml), "old");
    EXPECT_EQ(ReadBytes(bak), "new");
}

} // namespace
} // namespace quorvane::app
