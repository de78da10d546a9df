#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "net/transport/AntiFreezeBase.h"
#include "tests/net/ftp/FtpTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;
using test::ScriptedPeer;
using test::TempDir;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

class FtpTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptLogin(peer);
        Aim(client, peer.Port());
        status.Attach(client);
    }
    void Open()
    {
        peer.Start();
        client.OpenConnection();
    }
    void Close()
    {
        client.Disconnect();
        EXPECT_TRUE(peer.Finish()) << peer.Failure();
    }
    // The client listens where its control connection is bound: 127.0.0.1.
    ScriptedPeer& ActiveTransfer(const std::string& command, const std::string& data)
    {
        return peer.ExpectPrefix("PORT 127,0,0,1,")
            .Reply("200 PORT ok")
            .Expect(command)
            .Reply("150 Opening data connection")
            .ConnectData()
            .SendData(data)
            .CloseData()
            .Reply("226 Transfer complete");
    }

    ScriptedPeer peer;
    FtpClient client;
    StatusLog status;
};

} // namespace

TEST_F(FtpTransfer, ListingsSplitIntoLinesWhateverTheLineEnds)
{
    struct Case {
        const char* name;
        std::string data;
        Lines lines;
    };
    const Case cases[] = {
        {"CR LF with total",
         "total 8\r\n-rw-r--r-- 1 ftp ftp 5 Jan 1 2026 gcmList.xml\r\ndrwxr-xr-x 2 ftp ftp 4096 Jan 1 2026 old\r\n",
         {"total 8", "-rw-r--r-- 1 ftp ftp 5 Jan 1 2026 gcmList.xml", "drwxr-xr-x 2 ftp ftp 4096 Jan 1 2026 old"}},
        {"LF without total",
         "-rw-r--r-- 1 ftp ftp 5 Jan 1 2026 gcmList.xml\ndrwxr-xr-x 2 ftp ftp 4096 Jan 1 2026 old\n",
         {"-rw-r--r-- 1 ftp ftp 5 Jan 1 2026 gcmList.xml", "drwxr-xr-x 2 ftp ftp 4096 Jan 1 2026 old"}},
        {"empty", "", {}},
        {"no final break", "a\r\nb", {"a", "b"}},
    };
    for (const Case& c : cases)
        ActiveTransfer("LIST", c.data);
    peer.ExpectClosed();
    Open();
    for (const Case& c : cases) {
        Lines destination{"stale"};
        client.ListDirectory(&destination, "", ListingDetail::Details);
        EXPECT_EQ(destination, c.lines) << c.name;
        EXPECT_EQ(client.ListingLines(), c.lines) << c.name;
        EXPECT_EQ(client.DataConnection(), nullptr);
    }
    EXPECT_TRUE(status.Has(net::NetStatus::ftpTransfer, "Starting FTP transfer"));
    EXPECT_TRUE(status.Has(net::NetStatus::ftpReady, "Transfer complete"));
    EXPECT_FALSE(status.Has(net::NetStatus::ftpAborted, "Transfer aborted"));
    Close();
}

TEST_F(FtpTransfer, EachTransferListensOnAFreshAnnouncedPort)
{
    ActiveTransfer("LIST", "one\r\n");
    ActiveTransfer("LIST", "two\r\n");
    peer.ExpectClosed();
    Open();
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"one"});
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"two"});
    Close();
    const Lines received = peer.Received();
    ASSERT_EQ(received.size(), 8u);
    unsigned ports[2] = {};
    for (int i = 0; i < 2; ++i) {
        unsigned h[4], p1, p2;
        ASSERT_EQ(
            std::sscanf(received[4 + 2 * i].c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p1, &p2),
            6);
        EXPECT_LT(p1, 256u);
        EXPECT_LT(p2, 256u);
        ports[i] = p1 * 256 + p2;
    }
    EXPECT_GT(ports[0], 0u);
}

TEST_F(FtpTransfer, SpecifierIsTrimmedAndNamesOnlyUsesNlst)
{
    ActiveTransfer("LIST", "x\r\n");
    ActiveTransfer("NLST *.xml", "gcmList.xml\r\n");
    ActiveTransfer("NLST", "a\r\n");
    peer.ExpectClosed();
    Open();
    client.ListDirectory(nullptr, " ", ListingDetail::Details);
    client.ListDirectory(nullptr, "\t *.xml \r\n", ListingDetail::NamesOnly);
    EXPECT_EQ(client.ListingLines(), Lines{"gcmList.xml"});
    client.ListDirectory(nullptr, "", ListingDetail::NamesOnly);
    Close();
}

TEST_F(FtpTransfer, FinalReply426Then226FailsWithTheServersReasonAndConsumesBoth)
{
    peer.ExpectPrefix("PORT ")
        .Reply("200 ok")
        .Expect("LIST")
        .Reply("125 Data connection already open")
        .ConnectData()
        .SendData("partial\r\n")
        .CloseData()
        .Reply("426 Connection closed; transfer aborted.")
        .Reply("226 Abort successful")
        .Expect("NOOP")
        .Reply("200 still in step")
        .ExpectClosed();
    Open();
    Lines destination{"kept"};
    try {
        client.ListDirectory(&destination);
        ADD_FAILURE() << "a broken transfer counted as a listing";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 426);
        EXPECT_STREQ(error.what(), "Connection closed; transfer aborted.\r\n");
    }
    EXPECT_EQ(destination, Lines{"kept"});
    EXPECT_EQ(client.LastReply.NumericCode(), 426);
    EXPECT_TRUE(status.Has(net::NetStatus::ftpAborted, "Transfer aborted"));
    // The follow-up reply was consumed: the next command gets its own reply.
    EXPECT_EQ(client.SendRawCommand("NOOP"), 200);
    Close();
}

TEST_F(FtpTransfer, RefusedRepliesOfTheTransferRaiseWithTheServerText)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedPeer&)> script;
        std::int32_t code;
    };
    const Case cases[] = {
        {"PORT refused", [](ScriptedPeer& p) { p.ExpectPrefix("PORT ").Reply("501 Illegal PORT command."); }, 501},
        {"preliminary 425",
         [](ScriptedPeer& p) {
             p.ExpectPrefix("PORT ").Reply("200 ok").Expect("LIST").Reply("425 Can't open data connection.");
         },
         425},
        {"final 451",
         [](ScriptedPeer& p) {
             p.ExpectPrefix("PORT ").Reply("200 ok").Expect("LIST").Reply("150 go").ConnectData().CloseData();
             p.Reply("451 Local error.");
         },
         451},
        // Whatever follows a refusal is consumed; the refusal is the reason.
        {"450 and a stray follow-up",
         [](ScriptedPeer& p) {
             p.ExpectPrefix("PORT ").Reply("200 ok").Expect("LIST").Reply("150 go").ConnectData().CloseData();
             p.Reply("450 busy").Reply("500 what");
         },
         450},
    };
    for (const Case& c : cases) {
        ScriptedPeer p;
        ScriptLogin(p);
        c.script(p);
        p.Expect("NOOP").Reply("200 alive").ExpectClosed();
        p.Start();
        FtpClient other;
        Aim(other, p.Port());
        other.PendingReplyTimeout = 300;
        other.OpenConnection();
        Lines destination{"kept"};
        try {
            other.ListDirectory(&destination);
            ADD_FAILURE() << c.name;
        } catch (const ProtocolReplyError& error) {
            EXPECT_EQ(error.ReplyCode(), c.code) << c.name;
        }
        // A failed listing changes nothing and the control connection stays usable.
        EXPECT_EQ(destination, Lines{"kept"}) << c.name;
        EXPECT_EQ(other.DataConnection(), nullptr) << c.name;
        EXPECT_EQ(other.SendRawCommand("NOOP"), 200) << c.name;
        other.Disconnect();
        EXPECT_TRUE(p.Finish()) << c.name << ": " << p.Failure();
    }
}

TEST_F(FtpTransfer, DataConnectionFromAnotherAddressIsClosedAndTheWaitGoesOn)
{
    peer.ExpectPrefix("PORT 127,0,0,1,")
        .Reply("200 ok")
        .Expect("LIST")
        .Reply("150 go")
        .ConnectData("127.0.0.2")
        .ExpectDataRejected()
        .ConnectData("127.0.0.1")
        .SendData("genuine\r\n")
        .CloseData()
        .Reply("226 done")
        .ExpectClosed();
    Open();
    client.DataConnectTimeout = net::TimeoutInfinite;
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"genuine"});
    Close();
}

TEST_F(FtpTransfer, ServerThatNeverConnectsEndsTheWaitWithAClearError)
{
    // Only a stranger connects; the error names it.
    peer.ExpectPrefix("PORT ")
        .Reply("200 ok")
        .Expect("LIST")
        .Reply("150 go")
        .ConnectData("127.0.0.2")
        .ExpectDataRejected()
        .Pause(1500ms)
        .ExpectClosed();
    Open();
    client.DataConnectTimeout = 300;
    client.PendingReplyTimeout = 300;
    const auto start = std::chrono::steady_clock::now();
    try {
        client.ListDirectory(nullptr);
        ADD_FAILURE() << "no data connection, yet no error";
    } catch (const DataConnectionTimeoutError& error) {
        EXPECT_STREQ(error.what(), "Data connection timed out: the server did not connect within 300 ms; the client "
                                   "refused a data connection from 127.0.0.2, which is not the server's address "
                                   "127.0.0.1.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(client.DataConnection(), nullptr);
    EXPECT_TRUE(status.Has(net::NetStatus::ftpReady, "Transfer complete"));
    Close();
    EXPECT_EQ(DataConnectionTimeoutError(60000).what(),
              std::string("Data connection timed out: the server did not connect within 60 seconds."));
}

TEST_F(FtpTransfer, PassiveModeConnectsBeforeSendingTheCommand)
{
    peer.Expect("PASV")
        .ReplyPassive("127.0.0.1", true)
        .AcceptData()
        .Expect("LIST")
        .Reply("150 go")
        .SendData("passive one\r\n")
        .CloseData()
        .Reply("226 done")
        .Expect("PASV")
        .ReplyPassive("127.0.0.1", false)
        .AcceptData()
        .Expect("RETR f")
        .Reply("125 go")
        .SendData("file bytes")
        .CloseData()
        .Reply("250 done")
        // A server behind NAT names its private address: the client connects
        // to the control connection's peer at the port it named.
        .Expect("PASV")
        .ReplyPassive("10.0.0.5", true)
        .AcceptData()
        .Expect("LIST")
        .Reply("150 go")
        .SendData("behind nat\r\n")
        .CloseData()
        .Reply("226 done")
        .ExpectClosed();
    Open();
    client.Passive = true;
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"passive one"});
    std::ostringstream stream;
    client.RetrieveToStream("f", stream, Resume::No);
    EXPECT_EQ(stream.str(), "file bytes");
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"behind nat"});
    Close();
}

TEST_F(FtpTransfer, RefusedPassiveFallsBackToActiveForTheRestOfTheSession)
{
    // Without the fall-back a refusal is an error, and the next transfer asks
    // again; with it the same transfer asks EPSV, and when that is refused too
    // goes on with PORT, and so do later ones.
    peer.Expect("PASV")
        .Reply("502 PASV not allowed")
        .Expect("PASV")
        .Reply("502 PASV not allowed")
        .Expect("EPSV")
        .Reply("502 EPSV not allowed");
    ActiveTransfer("LIST", "active one\r\n");
    ActiveTransfer("RETR f", "file bytes");
    peer.ExpectClosed();
    Open();
    client.Passive = true;
    EXPECT_THROW(client.ListDirectory(nullptr), ProtocolReplyError);
    EXPECT_FALSE(client.PassiveRefused());
    client.PassiveFallsBackToActive = true;
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"active one"});
    EXPECT_TRUE(client.PassiveRefused());
    std::ostringstream stream;
    client.RetrieveToStream("f", stream, Resume::No);
    EXPECT_EQ(stream.str(), "file bytes");
    Close();
}

TEST_F(FtpTransfer, ServerOfferingOnlyEpsvIsAskedEpsvFromTheRefusalOn)
{
    // The data connection goes to the control connection's peer at the port
    // the 229 reply names; once PASV was refused, later transfers ask EPSV at once.
    peer.Expect("PASV")
        .Reply("500 PASV not understood")
        .Expect("EPSV")
        .ReplyExtendedPassive()
        .AcceptData()
        .Expect("LIST")
        .Reply("150 go")
        .SendData("extended\r\n")
        .CloseData()
        .Reply("226 done")
        .Expect("EPSV")
        .ReplyExtendedPassive()
        .AcceptData()
        .Expect("RETR f")
        .Reply("150 go")
        .SendData("file bytes")
        .CloseData()
        .Reply("226 done")
        .ExpectClosed();
    Open();
    client.Passive = true;
    client.PassiveFallsBackToActive = true;
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"extended"});
    std::ostringstream stream;
    client.RetrieveToStream("f", stream, Resume::No);
    EXPECT_EQ(stream.str(), "file bytes");
    EXPECT_FALSE(client.PassiveRefused());
    Close();
}

TEST(FtpTransferIpv6, PassiveAsksEpsvAndActiveAnnouncesEprt)
{
    if (!test::HasIpv6Loopback())
        GTEST_SKIP() << "the loopback has no IPv6 address (::1) here";
    ScriptedPeer peer(ScriptedPeer::Family::Inet6);
    ScriptLogin(peer);
    peer.Expect("EPSV")
        .ReplyExtendedPassive()
        .AcceptData()
        .Expect("LIST")
        .Reply("150 go")
        .SendData("over six\r\n")
        .CloseData()
        .Reply("226 done")
        // Active mode: "PORT" cannot name an IPv6 address.
        .ExpectPrefix("EPRT |2|::1|")
        .Reply("200 EPRT ok")
        .Expect("RETR f")
        .Reply("150 go")
        .ConnectData()
        .SendData("file bytes")
        .CloseData()
        .Reply("226 done")
        .ExpectClosed();
    peer.Start();
    FtpClient client;
    Aim(client, peer.Port());
    client.Host = "::1";
    client.OpenConnection();
    client.Passive = true;
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"over six"});
    client.Passive = false;
    std::ostringstream stream;
    client.RetrieveToStream("f", stream, Resume::No);
    EXPECT_EQ(stream.str(), "file bytes");
    client.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST_F(FtpTransfer, RetrieveFileTable)
{
    TempDir dir("ftp-retrieve");
    const std::string present = dir.File("present.bin");
    const std::string absent = dir.File("absent.bin");
    WriteFile(present, "old contents");

    // Existing file, overwrite allowed, no resume: emptied, then filled.
    ActiveTransfer("RETR gcmList.xml", "fresh");
    // Missing file: created empty, and stays empty after a refused RETR.
    peer.ExpectPrefix("PORT ").Reply("200 ok").Expect("RETR missing.xml").Reply("550 missing.xml: No such file.");
    peer.ExpectClosed();
    Open();

    client.RetrieveFile("gcmList.xml", present, Overwrite::Allow, Resume::No);
    EXPECT_EQ(ReadFile(present), "fresh");
    try {
        client.RetrieveFile("missing.xml", absent, Overwrite::Allow, Resume::No);
        ADD_FAILURE() << "550 accepted";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
        EXPECT_STREQ(error.what(), "missing.xml: No such file.\r\n");
    }
    ASSERT_TRUE(std::filesystem::exists(absent));
    EXPECT_EQ(std::filesystem::file_size(absent), 0u);

    // Existing file, neither overwrite nor resume: refused before anything is sent.
    try {
        client.RetrieveFile("gcmList.xml", present, Overwrite::Refuse, Resume::No);
        ADD_FAILURE() << "overwrote";
    } catch (const FtpFileAlreadyExistsError& error) {
        EXPECT_STREQ(error.what(), "Destination file already exists.");
    }
    EXPECT_EQ(ReadFile(present), "fresh");
    Close();
    EXPECT_EQ(peer.Received().size(), 4u + 4u);
}

TEST_F(FtpTransfer, LocalFileThatCannotBeCreatedSendsNothing)
{
    peer.ExpectClosed();
    Open();
    TempDir dir("ftp-nofile");
    const std::string path = dir.File("no/such/folder/x.bin");
    try {
        client.RetrieveFile("x", path, Overwrite::Allow, Resume::No);
        ADD_FAILURE() << "created a file in a missing folder";
    } catch (const LocalFileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot create file \"" + path + "\". ", 0), 0u) << error.what();
    }
    Close();
}

TEST_F(FtpTransfer, ResumeAppendsAfterAProbeThatRunsOnce)
{
    TempDir dir("ftp-resume");
    const std::string path = dir.File("partial.bin");
    WriteFile(path, Pattern(1000));
    const std::string rest = Pattern(500, 1000);
    peer.Expect("REST 1")
        .Reply("350 Restarting at 1.")
        .Expect("REST 0")
        .Reply("350 Restarting at 0.")
        .ExpectPrefix("PORT ")
        .Reply("200 ok")
        .Expect("REST 1000")
        .Reply("350 Restarting at 1000.")
        .Expect("RETR big.bin")
        .Reply("150 go")
        .ConnectData()
        .SendData(rest)
        .CloseData()
        .Reply("226 done")
        // The second resumed retrieval asks no second probe.
        .ExpectPrefix("PORT ")
        .Reply("200 ok")
        .Expect("REST 1500")
        .Reply("350 Restarting at 1500.")
        .Expect("RETR big.bin")
        .Reply("150 go")
        .ConnectData()
        .CloseData()
        .Reply("226 done")
        .ExpectClosed();
    Open();
    int afterGet = 0;
    client.OnAfterGet = [&](FtpClient&, std::ostream&) { ++afterGet; };
    client.RetrieveFile("big.bin", path, Overwrite::Refuse, Resume::Yes);
    EXPECT_EQ(ReadFile(path), Pattern(1500));
    EXPECT_TRUE(client.ResumeProbed());
    EXPECT_TRUE(client.ResumeSupported());
    client.RetrieveFile("big.bin", path, Overwrite::Refuse, Resume::Yes);
    EXPECT_EQ(ReadFile(path), Pattern(1500));
    EXPECT_EQ(afterGet, 2);
    Close();
}

TEST_F(FtpTransfer, ResumeRefusedByTheServerFailsAfterTheProbe)
{
    TempDir dir("ftp-noresume");
    const std::string present = dir.File("present.bin");
    const std::string absent = dir.File("absent.bin");
    WriteFile(present, "keep me");
    peer.Expect("REST 1")
        .Reply("502 REST not implemented.")
        .Expect("REST 0")
        .Reply("502 REST not implemented.")
        // A missing file with resume asked: created, no second probe, no REST.
        .ExpectPrefix("PORT ")
        .Reply("200 ok")
        .Expect("RETR f")
        .Reply("150 go")
        .ConnectData()
        .SendData("whole")
        .CloseData()
        .Reply("226 done")
        .ExpectClosed();
    Open();
    EXPECT_THROW(client.RetrieveFile("f", present, Overwrite::Refuse, Resume::Yes), FtpFileAlreadyExistsError);
    EXPECT_FALSE(client.ResumeSupported());
    EXPECT_EQ(ReadFile(present), "keep me");
    // Overwrite and resume together, with a resuming server, are refused too;
    // here the probe said no, so overwrite wins.
    client.RetrieveFile("f", absent, Overwrite::Allow, Resume::Yes);
    EXPECT_EQ(ReadFile(absent), "whole");
    Close();
}

TEST_F(FtpTransfer, OverwriteAndResumeTogetherOnAResumingServerAreRefused)
{
    TempDir dir("ftp-both");
    const std::string present = dir.File("present.bin");
    WriteFile(present, "keep me");
    peer.Expect("REST 1").Reply("350 ok").Expect("REST 0").Reply("350 ok");
    // A missing file with resume on a resuming server gets "REST 0".
    peer.ExpectPrefix("PORT ").Reply("200 ok").Expect("REST 0").Reply("350 ok").Expect("RETR g");
    peer.Reply("150 go").ConnectData().SendData("g").CloseData().Reply("226 done").ExpectClosed();
    Open();
    EXPECT_THROW(client.RetrieveFile("f", present, Overwrite::Allow, Resume::Yes), FtpFileAlreadyExistsError);
    EXPECT_EQ(ReadFile(present), "keep me");
    client.RetrieveFile("g", dir.File("new.bin"), Overwrite::Refuse, Resume::Yes);
    EXPECT_EQ(ReadFile(dir.File("new.bin")), "g");
    Close();
}

TEST_F(FtpTransfer, TransferTypeCannotChangeWhileATransferRuns)
{
    peer.ExpectPrefix("PORT ").Reply("200 ok").Expect("RETR f").Reply("150 go").ConnectData();
    peer.SendData("data").CloseData().Reply("226 done").ExpectClosed();
    Open();
    std::ostringstream stream;
    client.OnWork = [&](net::NetComponent&, net::WorkMode, std::int64_t) {
        client.SetTransferType(FtpTransferType::ftASCII);
    };
    client.RetrieveToStream("f", stream, Resume::No);
    EXPECT_EQ(stream.str(), "data");
    EXPECT_EQ(client.TransferType(), FtpTransferType::ftBinary);
    Close();
}

namespace {

// Stands in for the window message loop: the first pump aborts the transfer,
// as a Cancel button handler would.
class AbortingPump : public net::AntiFreezeBase {
public:
    explicit AbortingPump(FtpClient& client) : client_(client) { IdleTimeOut = 20; }
    void PumpMessages() override
    {
        ++pumps;
        // Only once the server has said it will connect: then the client waits for it.
        if (!aborted && client_.DataConnection() != nullptr && client_.LastReply.NumericCode() == 150) {
            aborted = true;
            client_.AbortTransfer();
        }
    }
    int pumps = 0;
    bool aborted = false;

private:
    FtpClient& client_;
};

} // namespace

TEST_F(FtpTransfer, AbortWhileWaitingForTheDataConnection)
{
    peer.ExpectPrefix("PORT ")
        .Reply("200 ok")
        .Expect("LIST")
        .Reply("150 go")
        .Expect("ABOR")
        .Reply("426 Transfer aborted.")
        .Reply("226 ABOR command successful.")
        .ExpectClosed();
    Open();
    AbortingPump pump(client);
    Lines destination{"old"};
    EXPECT_THROW(client.ListDirectory(&destination), ProtocolReplyError);
    EXPECT_TRUE(pump.aborted);
    EXPECT_EQ(destination, Lines{"old"});
    EXPECT_TRUE(status.Has(net::NetStatus::ftpAborted, "Transfer aborted"));
    EXPECT_EQ(client.DataConnection(), nullptr);
    Close();
}

TEST_F(FtpTransfer, UploadToAServerThatStopsReadingEndsAtTheLimitWithTheServersReason)
{
    using namespace std::chrono_literals;
    peer.Expect("PASV")
        .ReplyPassive()
        .AcceptData()
        .Expect("STOR report.xml")
        .Reply("150 go")
        // The data connection is never read: the client's sends fill up.
        .Pause(1500ms)
        .Reply("452 Quota exceeded")
        .ExpectClosed();
    Open();
    client.Passive = true;
    client.ReadTimeout = 500;
    client.PendingReplyTimeout = 2000;
    const std::string bytes(64 * 1024 * 1024, 'q');
    const auto start = std::chrono::steady_clock::now();
    try {
        client.StoreFile("report.xml", bytes);
        ADD_FAILURE() << "an upload nobody read succeeded";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 452);
        EXPECT_STREQ(error.what(), "Quota exceeded\r\n");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
    Close();
}
