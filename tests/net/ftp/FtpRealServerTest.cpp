#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "tests/net/ftp/FtpTestSupport.h"
#include "tests/support/FtpServerProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;
using test::FtpServerProcess;
using test::TempDir;
using Lines = std::vector<std::string>;

namespace {

constexpr std::uint64_t OneMegabyte = 1 << 20;

// The served folder: a listing with a sub-folder, an empty file and 1 MB of pattern.
void FillRoot(const std::filesystem::path& root)
{
    std::filesystem::create_directories(root / "lists");
    WriteFile((root / "lists" / "gcmList.xml").string(), "<GCMLIST><VERSION><NUMBER>7</NUMBER></VERSION></GCMLIST>\n");
    WriteFile((root / "empty.bin").string(), "");
    WritePatternFile((root / "one-mb.bin").string(), OneMegabyte);
}

bool ListingNames(const Lines& lines, const std::string& name)
{
    for (const std::string& line : lines) {
        if (line.size() >= name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0)
            return true;
    }
    return false;
}

} // namespace

class Pyftpdlib : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root_ = std::make_unique<TempDir>("ftp-pyftpdlib");
        FillRoot(root_->Path());
        test::PyftpdlibOptions options;
        options.Root = root_->Path().string();
        options.User = User;
        options.Password = Password;
        server_ = std::make_unique<FtpServerProcess>(FtpServerProcess::StartPyftpdlib(options));
    }
    static void TearDownTestSuite()
    {
        server_.reset();
        root_.reset();
    }
    void SetUp() override { Aim(client, server_->Port()); }

    static std::unique_ptr<TempDir> root_;
    static std::unique_ptr<FtpServerProcess> server_;
    FtpClient client;
    TempDir local{"ftp-local"};
};
std::unique_ptr<TempDir> Pyftpdlib::root_;
std::unique_ptr<FtpServerProcess> Pyftpdlib::server_;

TEST_F(Pyftpdlib, LoginWithPasswordListAndRetrieve)
{
    client.OpenConnection();
    EXPECT_EQ(client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(client.SystemDescription(), "UNIX Type: L8");
    EXPECT_EQ(client.GreetingReply.NumericCode(), 220);

    Lines listing;
    client.ListDirectory(&listing, "", ListingDetail::Details);
    EXPECT_EQ(listing.size(), 3u);
    EXPECT_TRUE(ListingNames(listing, " lists"));
    EXPECT_TRUE(ListingNames(listing, " one-mb.bin"));

    client.ChangeDirectory("lists");
    client.ListDirectory(&listing, "", ListingDetail::NamesOnly);
    EXPECT_EQ(listing, Lines{"gcmList.xml"});
    client.RetrieveFile("gcmList.xml", local.File("gcmList.BAK"), Overwrite::Allow, Resume::No);
    EXPECT_EQ(ReadFile(local.File("gcmList.BAK")), ReadFile((root_->Path() / "lists" / "gcmList.xml").string()));

    client.ChangeDirectory("/");
    client.RetrieveFile("empty.bin", local.File("empty.bin"), Overwrite::Allow, Resume::No);
    EXPECT_EQ(std::filesystem::file_size(local.File("empty.bin")), 0u);
    client.RetrieveFile("one-mb.bin", local.File("one-mb.bin"), Overwrite::Allow, Resume::No);
    EXPECT_TRUE(FileHoldsPattern(local.File("one-mb.bin"), OneMegabyte));
    client.Disconnect();
}

TEST_F(Pyftpdlib, MissingRemoteFileLeavesAnEmptyLocalFile)
{
    client.OpenConnection();
    try {
        client.RetrieveFile("no-such-file.xml", local.File("out.bin"), Overwrite::Allow, Resume::No);
        ADD_FAILURE() << "retrieved a missing file";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
    }
    EXPECT_EQ(std::filesystem::file_size(local.File("out.bin")), 0u);
    // The connection is still in step.
    client.ChangeDirectory("lists");
    client.Disconnect();
}

TEST_F(Pyftpdlib, WrongPasswordFailsThenASecondOpenSucceeds)
{
    client.Password = "wrong";
    try {
        client.OpenConnection();
        ADD_FAILURE() << "logged in with a wrong password";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 530);
        EXPECT_STREQ(error.what(), "Authentication failed.\r\n");
    }
    EXPECT_FALSE(client.IsConnected());
    client.Password = Password;
    client.OpenConnection();
    EXPECT_TRUE(client.IsConnected());
    client.Disconnect();
}

TEST_F(Pyftpdlib, ResumeCompletesAPartialFile)
{
    const std::string path = local.File("one-mb.bin");
    WriteFile(path, Pattern(300000));
    client.OpenConnection();
    client.RetrieveFile("one-mb.bin", path, Overwrite::Refuse, Resume::Yes);
    EXPECT_TRUE(client.ResumeSupported());
    EXPECT_TRUE(FileHoldsPattern(path, OneMegabyte));
    client.Disconnect();
}

TEST_F(Pyftpdlib, PassiveModeRetrieval)
{
    client.Passive = true;
    client.OpenConnection();
    std::ostringstream stream;
    client.RetrieveToStream("one-mb.bin", stream, Resume::No);
    EXPECT_EQ(stream.str(), Pattern(OneMegabyte));
    client.Disconnect();
}

TEST(PyftpdlibFaults, InjectedRepliesAndAMultiLineBanner)
{
    TempDir root("ftp-faults");
    FillRoot(root.Path());
    test::PyftpdlibOptions options;
    options.Root = root.Path().string();
    options.User = User;
    options.Password = Password;
    options.Banner = "Quorvane test server with a banner that is longer than seventy-five characters";
    options.Faults = {"SYST=500", "RETR=550"};
    FtpServerProcess server = FtpServerProcess::StartPyftpdlib(options);

    FtpClient client;
    Aim(client, server.Port());
    client.OpenConnection();
    EXPECT_EQ(client.SystemDescription(), "Unknown");
    ASSERT_GE(client.GreetingReply.Text().size(), 2u);
    EXPECT_EQ(client.GreetingReply.Text().front(), options.Banner);
    TempDir local("ftp-faults-local");
    EXPECT_THROW(client.RetrieveFile("one-mb.bin", local.File("x"), Overwrite::Allow, Resume::No), ProtocolReplyError);
    client.Disconnect();
}

TEST(PyftpdlibStore, StoredBytesArriveWholeInEveryModeAndARefusalKeepsTheServersText)
{
    TempDir root("ftp-store");
    test::PyftpdlibOptions options;
    options.Root = root.Path().string();
    options.User = User;
    options.Password = Password;
    options.WriteOnly = "incoming";
    options.Faults = {"STOR=452x1"};
    FtpServerProcess server = FtpServerProcess::StartPyftpdlib(options);

    FtpClient client;
    Aim(client, server.Port());
    client.OpenConnection();
    const std::string bytes = Pattern(700000);
    try {
        client.StoreFile("quota.bin", bytes);
        ADD_FAILURE() << "a refused STOR passed";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 452);
        EXPECT_STREQ(error.what(), "Injected fault for STOR.\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(root.Path() / "quota.bin"));

    // The root answers SIZE (checked against the bytes sent); the write-only
    // folder refuses it, which leaves the size unknown and passes.
    for (const bool passive : {false, true}) {
        for (const std::string folder : {"/", "/incoming"}) {
            client.Passive = passive;
            client.ChangeDirectory(folder);
            const std::string name = std::string(passive ? "passive" : "active") + ".bin";
            client.StoreFile(name, bytes);
            EXPECT_TRUE(ReadFile((root.Path() / folder.substr(1) / name).string()) == bytes) << folder << name;
        }
    }
    client.StoreFile("empty.bin", "");
    EXPECT_EQ(std::filesystem::file_size(root.Path() / "incoming" / "empty.bin"), 0u);
    // The write-only folder keeps its contents to itself.
    EXPECT_THROW(client.ListDirectory(nullptr), ProtocolReplyError);
    client.Disconnect();
}

class Vsftpd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root_ = std::make_unique<TempDir>("ftp-vsftpd");
        work_ = std::make_unique<TempDir>("ftp-vsftpd-work");
        FillRoot(root_->Path());
        server_ = std::make_unique<FtpServerProcess>(
            FtpServerProcess::StartVsftpd(root_->Path().string(), work_->Path().string()));
    }
    static void TearDownTestSuite()
    {
        server_.reset();
        work_.reset();
        root_.reset();
    }
    void SetUp() override
    {
        Aim(client, server_->Port());
        client.Username = "anonymous";
        client.Password = "guest@";
    }

    static std::unique_ptr<TempDir> root_;
    static std::unique_ptr<TempDir> work_;
    static std::unique_ptr<FtpServerProcess> server_;
    FtpClient client;
    TempDir local{"ftp-local"};
};
std::unique_ptr<TempDir> Vsftpd::root_;
std::unique_ptr<TempDir> Vsftpd::work_;
std::unique_ptr<FtpServerProcess> Vsftpd::server_;

TEST_F(Vsftpd, AnonymousLoginWith230ListingAndRetrieval)
{
    client.OpenConnection();
    // vsftpd lets anonymous in on USER alone.
    EXPECT_EQ(client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(client.SystemDescription(), "UNIX Type: L8");
    Lines listing;
    client.ListDirectory(&listing);
    EXPECT_EQ(listing.size(), 3u);
    EXPECT_TRUE(ListingNames(listing, " empty.bin"));
    client.RetrieveFile("one-mb.bin", local.File("one-mb.bin"), Overwrite::Allow, Resume::No);
    EXPECT_TRUE(FileHoldsPattern(local.File("one-mb.bin"), OneMegabyte));
    client.RetrieveFile("empty.bin", local.File("empty.bin"), Overwrite::Allow, Resume::No);
    EXPECT_EQ(std::filesystem::file_size(local.File("empty.bin")), 0u);
    EXPECT_THROW(client.RetrieveFile("absent", local.File("absent"), Overwrite::Allow, Resume::No), ProtocolReplyError);
    EXPECT_EQ(std::filesystem::file_size(local.File("absent")), 0u);
    client.Disconnect();
}

TEST_F(Vsftpd, ResumeCompletesAPartialFile)
{
    const std::string path = local.File("one-mb.bin");
    WriteFile(path, Pattern(123457));
    client.OpenConnection();
    client.RetrieveFile("one-mb.bin", path, Overwrite::Refuse, Resume::Yes);
    EXPECT_TRUE(FileHoldsPattern(path, OneMegabyte));
    client.Disconnect();
}

TEST(VsftpdStore, AnonymousUploadIntoAnIncomingFolderInBothModes)
{
    TempDir root("ftp-vsftpd-store");
    TempDir work("ftp-vsftpd-store-work");
    std::filesystem::create_directories(root.Path() / "incoming");
    FtpServerProcess server =
        FtpServerProcess::StartVsftpd(root.Path().string(), work.Path().string(),
                                      {"write_enable=YES", "anon_upload_enable=YES", "allow_writeable_chroot=YES"});
    FtpClient client;
    Aim(client, server.Port());
    client.Username = "anonymous";
    client.Password = "guest@";
    client.OpenConnection();
    client.ChangeDirectory("incoming");
    const std::string bytes = Pattern(400000);
    for (const bool passive : {true, false}) {
        client.Passive = passive;
        const std::string name = passive ? "passive.xml" : "active.xml";
        client.StoreFile(name, bytes);
        EXPECT_TRUE(ReadFile((root.Path() / "incoming" / name).string()) == bytes) << name;
    }
    client.Disconnect();
}
