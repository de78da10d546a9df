// The update flow's small parts: the --update-server URL, the listing as
// shown, and the installation of a downloaded list.
#include "app/update/ListInstallError.h"
#include "app/update/ListInstaller.h"
#include "app/update/UpdateFlow.h"
#include "app/update/UpdateServerUrl.h"
#include "app/update/UpdateServerUrlError.h"
#include "tests/app/update/UpdateServerFixture.h"
#include "tests/support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::app {
namespace {

using test::ReadBytes;
using test::WriteBytes;

TEST(UpdateServerUrl, ReadsEveryPartAndKeepsTheTimeOut)
{
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* user;
        const char* password;
        const char* directory;
    };
    const Case cases[] = {
        {"ftp://u:p@127.0.0.1:2121/lists/Other/", "127.0.0.1", 2121, "u", "p", "lists/Other/"},
        {"ftp://u:p@host.example/Other", "host.example", 21, "u", "p", "Other/"},
        {"ftp://a%3Ab:c%40d%25@h:1/x/", "h", 1, "a:b", "c@d%", "x/"},
        {"ftp://u:@h:65535/Other/", "h", 65535, "u", "", "Other/"},
        {"ftp://u:p@q@h:21/Other/", "h", 21, "u", "p@q", "Other/"},
        {"ftp://u:p@[::1]:2121/path/", "::1", 2121, "u", "p", "path/"},
        {"ftp://u:p@[fd00::5]/Other/", "fd00::5", 21, "u", "p", "Other/"},
    };
    UpdateSettings base;
    base.ReadTimeoutMs = 1234;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const UpdateSettings s = UpdateServerUrl::Apply(c.url, base);
        EXPECT_EQ(s.Host, c.host);
        EXPECT_EQ(s.Port, c.port);
        EXPECT_EQ(s.Username, c.user);
        EXPECT_EQ(s.Password, c.password);
        EXPECT_EQ(s.Directory, c.directory);
        EXPECT_EQ(s.ReadTimeoutMs, 1234);
    }
}

TEST(UpdateServerUrl, RefusesMalformedUrlsWithAClearMessage)
{
    const char* bad[] = {
        "",
        "http://u:p@h:21/Other/",
        "ftp://h:21/Other/",
        "ftp://u@h:21/Other/",
        "ftp://:p@h:21/Other/",
        "ftp://u:p@:21/Other/",
        "ftp://u:p@h:0/Other/",
        "ftp://u:p@h:65536/Other/",
        "ftp://u:p@h:2x/Other/",
        "ftp://u:p@h:/Other/",
        "ftp://u:p@h:21",
        "ftp://u:p@h:21/",
        "ftp://u%0D%0ASITE:p@h/Other/",
        "ftp://u:p%zz@h/Other/",
        "ftp://u:p@h h/Other/",
        "ftp://u:p@h/Oth er/",
        "ftp://u:p@[::1/Other/",
        "ftp://u:p@[::1]2121/Other/",
        "ftp://u:p@[]:21/Other/",
        "ftp://u:p@[host.example]/Other/",
        "ftp://u:p@[::1]:/Other/",
    };
    for (const char* url : bad) {
        SCOPED_TRACE(url);
        try {
            UpdateServerUrl::Apply(url);
            ADD_FAILURE() << "accepted";
        } catch (const UpdateServerUrlError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Malformed update server URL \"" + std::string(url) + "\": ", 0), 0u)
                << e.what();
        }
    }
}

TEST(UpdateServerUrl, AnIpv6AddressWithoutBracketsIsNamedAsSuch)
{
    for (const char* url : {"ftp://u:p@::1/Other/", "ftp://u:p@fd00::5:2121/Other/"}) {
        try {
            UpdateServerUrl::Apply(url);
            ADD_FAILURE() << "accepted " << url;
        } catch (const UpdateServerUrlError& e) {
            EXPECT_EQ(e.what(),
                      "Malformed update server URL \"" + std::string(url) + "\": an IPv6 address must be in brackets");
        }
    }
}

TEST(UpdateFlow, ShownListingDropsOnlyAFirstLineContainingTotal)
{
    using Lines = std::vector<std::string>;
    const struct {
        Lines in;
        Lines out;
    } cases[] = {
        {{"total 24", "-rw-r--r-- 1 a b 10 gcmList.xml"}, {"-rw-r--r-- 1 a b 10 gcmList.xml"}},
        {{"-rw gcmList.xml", "total 24"}, {"-rw gcmList.xml", "total 24"}},
        {{"Total 24", "-rw x"}, {"Total 24", "-rw x"}},
        {{"drwx subtotals"}, {}},
        {{"total 1", "total 2"}, {"total 2"}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdateFlow::ShownListing(c.in), c.out);
}

class Installer : public ::testing::Test {
protected:
    ::quorvane::test::TempDir dir_{"quorvane-install"};
    std::string bak = dir_.File("gcmList.BAK");
    std::string xml = dir_.File("gcmList.xml");
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
