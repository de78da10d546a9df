#include "net/ftp/CommandConnection.h"
#include "net/ftp/FtpErrors.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

using namespace quorvane;
using ftp::CommandConnection;
using ftp::ProtocolReplyError;
using test::ScriptedPeer;

namespace {

void Connect(CommandConnection& connection, const ScriptedPeer& peer)
{
    connection.Host = "127.0.0.1";
    connection.Port = peer.Port();
    connection.Connect();
}

} // namespace

TEST(CommandConnection, RepliesArriveInPiecesWithBlankLinesAndLoneLf)
{
    ScriptedPeer peer;
    peer.Send("\r\n  \r\n   22")
        .Pause(std::chrono::milliseconds(30))
        .Send("0 Service ready  \r\n")
        .Expect("NOOP")
        .Send("230-Welcome\n\r\n230-Sec")
        .Pause(std::chrono::milliseconds(30))
        .Send("ond line\r\n230 Logged in\r\n")
        .Expect("STAT")
        .Send("211-Hello\r\nHave a nice day\r\n211 Done\r\n");
    peer.Start();

    CommandConnection connection;
    Connect(connection, peer);
    EXPECT_EQ(connection.ReadReply({220}), 220);
    EXPECT_EQ(connection.LastReply.Text(), std::vector<std::string>{"Service ready"});
    EXPECT_EQ(connection.SendCommand("NOOP", {200, 230}), 230);
    EXPECT_EQ(connection.LastReply.Text(), (std::vector<std::string>{"Welcome", "Second line", "Logged in"}));
    EXPECT_EQ(connection.SendCommand("STAT", CommandConnection::AnyReply), 211);
    EXPECT_EQ(connection.LastReply.Text(), (std::vector<std::string>{"Hello", " a nice day", "Done"}));
    connection.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
    EXPECT_EQ(peer.Received(), (std::vector<std::string>{"NOOP", "STAT"}));
}

TEST(CommandConnection, AllowedCodesDecideAndRefusalsCarryTheServerText)
{
    struct Case {
        const char* reply;
        ftp::ReplyCodes allowed;
        bool refused;
        std::int32_t code;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"250 Done", {200}, true, 250, "Done\r\n"},
        {"530 Login incorrect.", {230, 331}, true, 530, "Login incorrect.\r\n"},
        {"530-Two\r\n530 lines", {230}, true, 530, "Two\r\nlines\r\n"},
        {"abc text", {200}, true, 0, "text\r\n"},
        {"abc text", {}, false, 0, ""},
        {"250 Done", {200, 250}, false, 250, ""},
        {"999 odd", {}, false, 999, ""},
    };
    ScriptedPeer peer;
    peer.Reply("220 hi");
    for (const Case& c : cases)
        peer.Expect("CMD").Reply(c.reply);
    peer.Start();

    CommandConnection connection;
    Connect(connection, peer);
    connection.ReadReply({220});
    for (const Case& c : cases) {
        try {
            const std::int16_t code = connection.SendCommand("CMD", c.allowed);
            EXPECT_FALSE(c.refused) << c.reply;
            EXPECT_EQ(code, c.code) << c.reply;
        } catch (const ProtocolReplyError& error) {
            EXPECT_TRUE(c.refused) << c.reply;
            EXPECT_EQ(error.ReplyCode(), c.code) << c.reply;
            EXPECT_EQ(std::string(error.what()), c.message) << c.reply;
            // The refused reply stays readable and the connection stays open.
            EXPECT_EQ(connection.LastReply.NumericCode(), c.code);
            EXPECT_TRUE(connection.IsConnected());
        }
    }
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST(CommandConnection, SingleCodeFormMinusOneAcceptsAnythingOtherwiseOnlyThatCode)
{
    ScriptedPeer peer;
    peer.Reply("220 hi").Expect("A").Reply("550 nope").Expect("B").Reply("250 fine");
    peer.Start();
    CommandConnection connection;
    Connect(connection, peer);
    connection.ReadReply({});
    EXPECT_EQ(connection.SendCommand("A", CommandConnection::AnyReply), 550);
    try {
        connection.SendCommand("B", std::int16_t{200});
        ADD_FAILURE() << "250 accepted for 200";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 250);
    }
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST(CommandConnection, ReplyLineLimitIs16384Bytes)
{
    // The CR counts towards the limit, so 16383 characters plus CR LF pass.
    const std::string fits = "200 " + std::string(16383 - 4, 'a');
    const std::string tooLong = "200 " + std::string(16384 - 4, 'b');
    ScriptedPeer peer;
    peer.Reply(fits).Reply(tooLong).Pause(std::chrono::milliseconds(200));
    peer.Start();
    CommandConnection connection;
    Connect(connection, peer);
    EXPECT_EQ(connection.ReadReply({200}), 200);
    EXPECT_EQ(connection.LastReply.Text().front().size(), 16383u - 4);
    EXPECT_THROW(connection.ReadReply({200}), net::MaxLineLengthExceededError);
    connection.Disconnect();
    peer.Finish();
}

TEST(CommandConnection, PeerClosingMidReplyFailsAndKeepsThePreviousReply)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"nothing sent", ""},
        {"half a line", "220 half"},
        {"inside a multi-line reply", "220-first\r\n220-second\r\n"},
    };
    for (const Case& c : cases) {
        ScriptedPeer peer;
        peer.Reply("200 previous").Expect("X");
        if (!c.bytes.empty())
            peer.Send(c.bytes);
        peer.CloseControl();
        peer.Start();
        CommandConnection connection;
        Connect(connection, peer);
        connection.ReadReply({200});
        EXPECT_THROW(connection.SendCommand("X", {220}), net::ConnClosedGracefullyError) << c.name;
        EXPECT_EQ(connection.LastReply.NumericCode(), 200) << c.name;
        EXPECT_EQ(connection.LastReply.Text(), std::vector<std::string>{"previous"}) << c.name;
        EXPECT_TRUE(peer.Finish()) << peer.Failure();
    }
}
