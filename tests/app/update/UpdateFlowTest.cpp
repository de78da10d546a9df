// The update flow end to end against a real FTP server on loopback (and a
// scripted peer for a server that stops answering), without windows.
#include "app/list/MainList.h"
#include "app/update/DownloadVersionError.h"
#include "app/update/UpdateFlow.h"
#include "net/ftp/FtpClient.h"
#include "tests/app/update/UpdateServerFixture.h"
#include "tests/support/FullBacklogListener.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/UpdateScript.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

namespace quorvane::app {
namespace {

using test::GeneratedListFile;
using test::ReadBytes;
using test::RecordingUpdateSink;
using test::UpdateServer;
using test::WriteBytes;

class NoStatus : public StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

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

/// A working folder with a Main List of `version` (none when empty), loaded
/// as at start-up.
class UpdateFlowTest : public ::testing::Test {
protected:
    void StartWith(const std::string& version)
    {
        if (!version.empty())
            WriteBytes(xml, GeneratedListFile(version, 3));
        list = std::make_unique<MainList>(QString::fromStdString(dir.Path().string()));
        NoStatus status;
        list->LoadMainList(status);
    }

    ::quorvane::test::TempDir dir{"quorvane-flow"};
    std::string xml = dir.File("gcmList.xml");
    std::string bak = dir.File("gcmList.BAK");
    std::unique_ptr<MainList> list;
    RecordingUpdateSink sink;
};

TEST_F(UpdateFlowTest, ANewerListIsListedDownloadedAndInstalled)
{
    const std::string remote = GeneratedListFile("13", 200);
    UpdateServer server(remote);
    StartWith("12");
    UpdateFlow flow(*list, server.Settings());

    flow.Connect(sink);
    EXPECT_EQ(sink.main, (std::vector<std::string>{"Connecting...", "Locating DIR...", "Getting FTP file lists...",
                                                   "List Version [12] GCM's [3] [Good: 0] [Bad: 0]"}));
    ASSERT_EQ(sink.window.size(), 1u);
    EXPECT_EQ(sink.window[0], "UNIX Type: L8");
    ASSERT_EQ(sink.listing.size(), 2u);
    EXPECT_NE(sink.listing[0].find("gcmList.xml"), std::string::npos);
    EXPECT_NE(sink.listing[1].find("readme.txt"), std::string::npos);

    EXPECT_EQ(flow.DownloadAndInstall(sink), UpdateOutcome::Installed);
    EXPECT_EQ(sink.window, (std::vector<std::string>{"UNIX Type: L8", "Disconnecting...", "Updating...", "Done..."}));
    ASSERT_FALSE(sink.progress.empty());
    EXPECT_EQ(sink.progress.back(), static_cast<std::int64_t>(remote.size()));
    EXPECT_EQ(ReadBytes(xml), remote);
    EXPECT_FALSE(std::filesystem::exists(bak));
    EXPECT_FALSE(flow.Client().IsConnected());
    // The start-up state is not touched: a second check compares against it.
    EXPECT_EQ(list->State().ListVersion, "12");

    // An interrupt that came before the rename wins: nothing is installed
    // and the download is removed.
    const std::string local = GeneratedListFile("12", 3);
    WriteBytes(xml, local);
    RecordingUpdateSink interrupted;
    interrupted.interrupted = true;
    UpdateFlow second(*list, server.Settings());
    second.Connect(interrupted);
    EXPECT_EQ(second.DownloadAndInstall(interrupted), UpdateOutcome::Aborted);
    EXPECT_EQ(ReadBytes(xml), local);
    EXPECT_FALSE(std::filesystem::exists(bak));
    EXPECT_FALSE(std::filesystem::exists(bak + ".part"));
}

TEST_F(UpdateFlowTest, ARefusedDownloadKeepsTheConnectionAndTheList)
{
    UpdateServer server(GeneratedListFile("13", 1), {"RETR=550"});
    StartWith("12");
    const std::string before = ReadBytes(xml);
    UpdateFlow flow(*list, server.Settings());
    flow.Connect(sink);

    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            flow.DownloadAndInstall(sink);
            FAIL() << "downloaded";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Injected fault for RETR.", 0), 0u) << e.what();
        }
        EXPECT_TRUE(flow.Client().IsConnected());
    }
    EXPECT_EQ(ReadBytes(xml), before);
    EXPECT_EQ(sink.window.size(), 1u); // no "Disconnecting..." or later
}

TEST_F(UpdateFlowTest, ADownloadThatCannotBeComparedStaysAsBakAndTheListIsUntouched)
{
    const struct {
        const char* name;
        std::string remote;
        const char* message;
    } cases[] = {
        {"not well formed", "<IMAGE><VERSION><NUMBER>13</NUMBER></VERSION>", nullptr},
        {"no version", "<?xml version=\"1.0\" ?>\r\n<IMAGE>\r\n</IMAGE>\r\n", "has no version number"},
        {"empty version", GeneratedListFile("", 2), "has no version number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateServer server(c.remote);
        list.reset();
        StartWith("12");
        std::filesystem::remove(bak);
        const std::string before = ReadBytes(xml);
        UpdateFlow flow(*list, server.Settings());
        flow.Connect(sink);
        try {
            flow.DownloadAndInstall(sink);
            ADD_FAILURE() << "compared";
        } catch (const std::exception& e) {
            if (c.message) {
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            }
        }
        EXPECT_EQ(ReadBytes(xml), before);
        EXPECT_EQ(ReadBytes(bak), c.remote);
    }
}

TEST_F(UpdateFlowTest, AMissingMainListTakesAnyVersionAndAnEqualOneIsDiscarded)
{
    UpdateServer server(GeneratedListFile("1", 2));
    StartWith("");
    {
        UpdateFlow flow(*list, server.Settings());
        flow.Connect(sink);
        EXPECT_EQ(flow.DownloadAndInstall(sink), UpdateOutcome::Installed);
    }
    // The next start knows version 1, so the same download is discarded.
    StartWith("");
    const std::string installed = ReadBytes(xml);
    UpdateFlow flow(*list, server.Settings());
    flow.Connect(sink);
    EXPECT_EQ(flow.DownloadAndInstall(sink), UpdateOutcome::AlreadyUpToDate);
    EXPECT_FALSE(std::filesystem::exists(bak));
    EXPECT_EQ(ReadBytes(xml), installed);
}

TEST_F(UpdateFlowTest, AServerThatStopsAnsweringOrCrawlsEndsWithReadTimeout)
{
    using namespace std::chrono_literals;
    enum class Where { Control, Data, CrawlingReply, CrawlingListing };
    for (const Where where : {Where::Control, Where::Data, Where::CrawlingReply, Where::CrawlingListing}) {
        SCOPED_TRACE(static_cast<int>(where));
        const bool crawling = where == Where::CrawlingReply || where == Where::CrawlingListing;
        ::quorvane::test::ScriptedPeer peer;
        ::quorvane::test::ScriptUpdateUpToCwd(peer, test::ScriptedDirectory);
        if (where == Where::Data || where == Where::CrawlingListing)
            peer.Reply("250 ok").Expect("PASV").ReplyPassive().AcceptData().Expect("LIST").Reply("150 here");
        if (where == Where::CrawlingListing) {
            // The last byte comes before the floor's first window ends, so
            // nothing is sent to the data connection the client has closed.
            for (int i = 0; i < 4; ++i)
                peer.SendData("d").Pause(120ms);
            peer.Pause(600ms).Reply("426 Connection closed; transfer aborted.");
        } else if (where == Where::CrawlingReply) {
            // One byte at a time, each well within the read time-out, but far
            // below the progress floor. The last byte comes before the floor's
            // first window ends: the client then closes the connection.
            for (const char c : std::string("250"))
                peer.Send(std::string(1, c)).Pause(150ms);
            peer.Pause(600ms);
        } else {
            peer.Pause(1500ms);
        }
        peer.Start();
        list.reset();
        StartWith("12");
        FtpServer settings = test::ScriptedServerSettings(peer.Port());
        if (crawling) {
            settings.ReadTimeoutMs = 5000;
            settings.ProgressFloorBytes = 100;
            settings.ProgressFloorTimeMs = 500;
        }
        UpdateFlow flow(*list, settings);
        const auto start = std::chrono::steady_clock::now();
        try {
            flow.Connect(sink);
            ADD_FAILURE() << "the silent server was not noticed";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), "Read Timeout");
        }
        // The crawling server is cut off at the floor, long before a read
        // would time out.
        if (crawling) {
            EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
        }
        const bool listing = where == Where::Data || where == Where::CrawlingListing;
        EXPECT_EQ(sink.main.back(), listing ? "Getting FTP file lists..." : "Locating DIR...");
        EXPECT_TRUE(peer.Finish()) << peer.Failure();
    }
}

TEST_F(UpdateFlowTest, AServerThatAcceptsNoConnectionEndsTheConnectAtTheLimit)
{
    ::quorvane::test::FullBacklogListener server;
    StartWith("12");
    FtpServer settings = test::ScriptedServerSettings(server.Port());
    settings.ReadTimeoutMs = 400;
    UpdateFlow flow(*list, settings);
    const auto start = std::chrono::steady_clock::now();
    try {
        flow.Connect(sink);
        ADD_FAILURE() << "connected";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "Connect timed out.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(sink.main, std::vector<std::string>{"Connecting..."});
}

TEST_F(UpdateFlowTest, ADownloadThatFailsPartWayLeavesNoBakAndTheNextOneSucceeds)
{
    using namespace std::chrono_literals;
    const std::string remote = GeneratedListFile("13", 2);
    ::quorvane::test::ScriptedPeer peer;
    const std::string size = "213 " + std::to_string(remote.size());
    ::quorvane::test::ScriptUpdateUpToDownload(peer, test::ScriptedDirectory);
    // The first download stalls half-way; the server's final reply comes
    // only after the client gave up and must not answer the next command.
    ::quorvane::test::ScriptDownloadStart(peer, size)
        .SendData(remote.substr(0, 40))
        .Pause(600ms)
        .Reply("426 Connection closed; transfer aborted.")
        .Reply("226 done")
        .CloseData();
    ::quorvane::test::ScriptDownloadStart(peer, size).SendData(remote).CloseData().Reply("226 done").ExpectClosed();
    peer.Start();
    StartWith("12");
    const std::string before = ReadBytes(xml);
    UpdateFlow flow(*list, test::ScriptedServerSettings(peer.Port()));
    flow.Connect(sink);
    EXPECT_EQ(sink.listing, std::vector<std::string>{"gcmList.xml"});
    try {
        flow.DownloadAndInstall(sink);
        ADD_FAILURE() << "the stalled download was installed";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "Read Timeout");
    }
    EXPECT_FALSE(std::filesystem::exists(bak));
    EXPECT_FALSE(std::filesystem::exists(bak + ".part"));
    EXPECT_EQ(ReadBytes(xml), before);
    EXPECT_TRUE(flow.Client().IsConnected());

    EXPECT_EQ(flow.DownloadAndInstall(sink), UpdateOutcome::Installed);
    EXPECT_EQ(ReadBytes(xml), remote);
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST_F(UpdateFlowTest, EveryEndingOfADownloadIsWholeOrNothing)
{
    using namespace std::chrono_literals;
    using ::quorvane::test::ScriptedPeer;
    const std::string remote = GeneratedListFile("13", 40);
    const std::string half = remote.substr(0, remote.size() / 2);
    const std::string longer = remote + "<!-- more -->\r\n";
    const auto received = [&](const std::string& data) {
        return "Received " + std::to_string(data.size()) + " of " + std::to_string(remote.size()) + " bytes.";
    };
    const std::string size = "213 " + std::to_string(remote.size());
    const std::string unknown = "502 SIZE not implemented.";
    const auto whole = [&](ScriptedPeer& p) { p.SendData(remote).CloseData().Reply("226 done"); };
    const auto cap = static_cast<std::int64_t>(remote.size());
    const struct Case {
        const char* name;
        std::string sizeReply;
        std::function<void(ScriptedPeer&)> ending; // after "150"; null: no RETR
        std::optional<std::string> message;        // prefix of the error; none: installed
        bool bakKept;                              // the download stays as "gcmList.BAK"
        std::chrono::milliseconds bound;
        std::int64_t cap = 0; // the download cap; 0: the default
    } cases[] = {
        {"half, 426, 226", size,
         [&](ScriptedPeer& p) {
             p.SendData(half).CloseData().Reply("426 Connection closed; transfer aborted.").Reply("226 Abort done");
         },
         "Connection closed; transfer aborted.", false, 2s},
        // An optional 226 is awaited for the short pending-reply limit only,
        // never for the read limit.
        {"half, 426 alone", size,
         [&](ScriptedPeer& p) { p.SendData(half).CloseData().Reply("426 Connection closed; transfer aborted."); },
         "Connection closed; transfer aborted.", false, 4s},
        {"451", size, [&](ScriptedPeer& p) { p.SendData(half).CloseData().Reply("451 Local error in processing."); },
         "Local error in processing.", false, 5s},
        {"half, 226, with SIZE", size, [&](ScriptedPeer& p) { p.SendData(half).CloseData().Reply("226 done"); },
         received(half), false, 2s},
        {"longer, 226, with SIZE", size, [&](ScriptedPeer& p) { p.SendData(longer).CloseData().Reply("226 done"); },
         received(longer), false, 2s},
        // Without a size nothing tells a short file: it is kept and does not parse.
        {"half, 226, without SIZE", unknown, [&](ScriptedPeer& p) { p.SendData(half).CloseData().Reply("226 done"); },
         "", true, 2s},
        {"whole, with SIZE at the cap", size, whole, std::nullopt, false, 2s, cap},
        {"whole, SIZE not a number", "213 about 40 kB", whole, std::nullopt, false, 2s},
        {"whole, SIZE refused", "550 gcmList.xml: not a plain file.", whole, std::nullopt, false, 2s},
        {"whole, SIZE in 20 digits",
         "213 " + std::string(20 - std::to_string(remote.size()).size(), '0') + std::to_string(remote.size()), whole,
         std::nullopt, false, 2s},
        {"226 before the data", size, [&](ScriptedPeer& p) { p.Reply("226 done").SendData(remote).CloseData(); },
         std::nullopt, false, 2s},
        {"SIZE one past the cap", size, nullptr, "File too large.", false, 2s, cap - 1},
        {"SIZE past 64 bits", "213 18446744073709551616", nullptr, "File too large.", false, 2s},
        {"more than the cap without SIZE", unknown, whole, "File too large.", false, 2s, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer;
        ::quorvane::test::ScriptUpdateUpToDownload(peer, test::ScriptedDirectory);
        if (c.ending)
            c.ending(::quorvane::test::ScriptDownloadStart(peer, c.sizeReply));
        else
            peer.Expect("SIZE gcmList.xml").Reply(c.sizeReply);
        peer.ExpectClosed();
        peer.Start();
        list.reset();
        StartWith("12");
        const std::string before = ReadBytes(xml);
        // A limit far above every bound: a client that waits it out fails.
        FtpServer settings = test::ScriptedServerSettings(peer.Port(), 20000);
        if (c.cap > 0)
            settings.MaxDownloadBytes = c.cap;
        auto flow = std::make_unique<UpdateFlow>(*list, settings);
        flow->Connect(sink);
        const auto start = std::chrono::steady_clock::now();
        try {
            EXPECT_EQ(flow->DownloadAndInstall(sink), UpdateOutcome::Installed);
            EXPECT_FALSE(c.message) << "installed";
        } catch (const std::exception& e) {
            ASSERT_TRUE(c.message) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(*c.message, 0), 0u) << e.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, c.bound);
        flow.reset();
        EXPECT_EQ(ReadBytes(xml), c.message ? before : remote);
        EXPECT_EQ(std::filesystem::exists(bak), c.bakKept);
        EXPECT_FALSE(std::filesystem::exists(bak + ".part"));
        EXPECT_TRUE(peer.Finish()) << peer.Failure();
    }
}

} // namespace
} // namespace quorvane::app
