#include "net/ftp/FtpClient.h"
#include "tests/net/ftp/FtpTestSupport.h"
#include "tests/support/FtpServerProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;

TEST(FtpLargeTransfer, HundredMegabytesArriveByteForByte)
{
    constexpr std::uint64_t size = 100ull << 20;
    test::TempDir root("ftp-large");
    test::TempDir work("ftp-large-work");
    test::TempDir local("ftp-large-local");
    WritePatternFile(root.File("big.bin"), size);
    test::FtpServerProcess server = test::FtpServerProcess::StartVsftpd(root.Path().string(), work.Path().string());

    FtpClient client;
    Aim(client, server.Port());
    client.Username = "anonymous";
    client.OpenConnection();
    client.RetrieveFile("big.bin", local.File("big.bin"), Overwrite::Allow, Resume::No);
    client.Disconnect();
    EXPECT_TRUE(FileHoldsPattern(local.File("big.bin"), size));
}

TEST(FtpLargeTransfer, HundredMegabytesFromTheScriptedPeer)
{
    constexpr std::uint64_t size = 100ull << 20;
    test::ScriptedPeer peer;
    ScriptLogin(peer);
    peer.ExpectPrefix("PORT ").Reply("200 ok").Expect("RETR big").Reply("150 go").ConnectData();
    peer.SendPattern(size).CloseData().Reply("226 done").ExpectClosed();
    peer.Start();
    test::TempDir local("ftp-large-peer");
    FtpClient client;
    Aim(client, peer.Port());
    client.OpenConnection();
    client.RetrieveFile("big", local.File("big.bin"), Overwrite::Allow, Resume::No);
    client.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
    EXPECT_TRUE(FileHoldsPattern(local.File("big.bin"), size));
}
