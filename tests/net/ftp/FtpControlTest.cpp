#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "tests/net/ftp/FtpTestSupport.h"

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;
using test::ScriptedPeer;
using Lines = std::vector<std::string>;

TEST(FtpControl, DefaultsOfANewClient)
{
    FtpClient client;
    EXPECT_EQ(client.Port, 21);
    EXPECT_FALSE(client.Passive);
    EXPECT_EQ(client.TransferType(), FtpTransferType::ftBinary);
    EXPECT_EQ(client.ProxySettings().ProxyType, FtpProxyType::fpcmNone);
    EXPECT_EQ(client.ProxySettings().Port, 0);
    EXPECT_EQ(client.MaxLineLength, 16384);
    EXPECT_EQ(client.MaxLineAction, net::LineOverflowAction::maException);
    EXPECT_EQ(client.RecvBufferSize, 32768);
    EXPECT_EQ(client.SendBufferSize, 32768);
    EXPECT_EQ(client.SystemDescription(), "");
    EXPECT_EQ(client.LoginReply().NumericCode(), 0);
    EXPECT_FALSE(client.ResumeProbed());
    EXPECT_EQ(client.DataConnection(), nullptr);
    EXPECT_FALSE(client.IsConnected());
}

TEST(FtpControl, StartSendsExactWireLinesAndKeepsTheReplies)
{
    ScriptedPeer peer;
    peer.Reply("220-Welcome to the list server")
        .Reply("220-Second greeting line")
        .Reply("220 Ready")
        .Expect("USER " + User)
        .Reply("331 Password required")
        .Expect("PASS " + Password)
        .Reply("230 Logged in")
        .Expect("TYPE I")
        .Reply("200 Type set to I")
        .Expect("SYST")
        .Reply("215 UNIX Type: L8")
        .Expect("CWD /pub/lists dir")
        .Reply("250 Directory changed")
        .ExpectClosed();
    peer.Start();

    FtpClient client;
    Aim(client, peer.Port());
    // The proxy host is ignored while the proxy type is none.
    FtpProxySettings proxy;
    proxy.Host = "192.0.2.1";
    proxy.Port = 1;
    client.SetProxySettings(proxy);
    StatusLog status;
    status.Attach(client);
    bool afterLogin = false;
    client.OnAfterClientLogin = [&](net::NetComponent&) { afterLogin = true; };

    client.OpenConnection(AutoLogin::Yes, net::TimeoutDefault);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_TRUE(afterLogin);
    EXPECT_EQ(client.GreetingReply.NumericCode(), 220);
    EXPECT_EQ(client.GreetingReply.Text(), (Lines{"Welcome to the list server", "Second greeting line", "Ready"}));
    EXPECT_EQ(client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(client.LoginReply().Text(), Lines{"Logged in"});
    EXPECT_EQ(client.SystemDescription(), "UNIX Type: L8");
    EXPECT_TRUE(status.Has(net::NetStatus::ftpReady, "Connection established"));
    EXPECT_EQ(client.Host, "127.0.0.1");

    client.ChangeDirectory("/pub/lists dir");
    client.Disconnect();
    EXPECT_FALSE(client.IsConnected());
    // No QUIT: the peer sees the connection close with nothing more sent.
    ASSERT_TRUE(peer.Finish()) << peer.Failure();
    EXPECT_EQ(peer.Received(), (Lines{"USER " + User, "PASS " + Password, "TYPE I", "SYST", "CWD /pub/lists dir"}));
}

TEST(FtpControl, UserAnswered230SendsNoPassword)
{
    ScriptedPeer peer;
    peer.Reply("220 hi")
        .Expect("USER " + User)
        .Reply("230 No password needed")
        .Expect("TYPE I")
        .Reply("200 ok")
        .Expect("SYST")
        .Reply("215 UNIX")
        .ExpectClosed();
    peer.Start();
    FtpClient client;
    Aim(client, peer.Port());
    client.OpenConnection();
    EXPECT_EQ(client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(client.LoginReply().Text(), Lines{"No password needed"});
    client.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST(FtpControl, SystemReplies)
{
    struct Case {
        const char* reply;
        bool opens;
        const char* description;
    };
    const Case cases[] = {
        {"215 UNIX Type: L8", true, "UNIX Type: L8"}, {"200 Windows_NT", true, "Windows_NT"},
        {"500 unknown command", true, "Unknown"},     {"502 Command not implemented.", false, "previous"},
        {"215-Multi\r\n215 end", true, "Multi"},
    };
    for (const Case& c : cases) {
        ScriptedPeer peer;
        peer.Reply("220 hi").Expect("USER " + User).Reply("230 in").Expect("TYPE I").Reply("200 ok");
        peer.Expect("SYST").Reply(c.reply).ExpectClosed();
        peer.Start();
        FtpClient client;
        Aim(client, peer.Port());
        if (c.opens) {
            client.OpenConnection();
            EXPECT_EQ(client.SystemDescription(), c.description) << c.reply;
            client.Disconnect();
        } else {
            try {
                client.OpenConnection();
                ADD_FAILURE() << "opened with " << c.reply;
            } catch (const ProtocolReplyError& error) {
                EXPECT_EQ(error.ReplyCode(), 502);
                EXPECT_STREQ(error.what(), "Command not implemented.\r\n");
            }
            EXPECT_FALSE(client.IsConnected()) << c.reply;
        }
        EXPECT_TRUE(peer.Finish()) << c.reply << ": " << peer.Failure();
    }
}

TEST(FtpControl, EveryFailureWhileOpeningDisconnects)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedPeer&)> script;
        std::function<void(const std::exception&)> check;
    };
    auto replyError = [](std::int32_t code, const char* text) {
        return [code, text](const std::exception& e) {
            auto* error = dynamic_cast<const ProtocolReplyError*>(&e);
            ASSERT_NE(error, nullptr) << e.what();
            EXPECT_EQ(error->ReplyCode(), code);
            EXPECT_STREQ(error->what(), text);
        };
    };
    const Case cases[] = {
        {"greeting 120", [](ScriptedPeer& p) { p.Reply("120 Service ready in 5 minutes"); },
         replyError(120, "Service ready in 5 minutes\r\n")},
        {"greeting 421", [](ScriptedPeer& p) { p.Reply("421 Too many users"); }, replyError(421, "Too many users\r\n")},
        {"user refused", [](ScriptedPeer& p) { p.Reply("220 hi").Expect("USER " + User).Reply("530 Not allowed"); },
         replyError(530, "Not allowed\r\n")},
        {"password refused",
         [](ScriptedPeer& p) {
             p.Reply("220 hi").Expect("USER " + User).Reply("331 pw").Expect("PASS " + Password);
             p.Reply("530 Login incorrect.");
         },
         replyError(530, "Login incorrect.\r\n")},
        {"account asked",
         [](ScriptedPeer& p) {
             p.Reply("220 hi").Expect("USER " + User).Reply("331 pw").Expect("PASS " + Password);
             p.Reply("332 Need account");
         },
         replyError(332, "Need account\r\n")},
        {"type refused",
         [](ScriptedPeer& p) {
             p.Reply("220 hi").Expect("USER " + User).Reply("230 in").Expect("TYPE I").Reply("504 no");
         },
         replyError(504, "no\r\n")},
        {"closed during login",
         [](ScriptedPeer& p) { p.Reply("220 hi").Expect("USER " + User).Send("331 pass").CloseControl(); },
         [](const std::exception& e) {
             EXPECT_NE(dynamic_cast<const net::ConnClosedGracefullyError*>(&e), nullptr) << e.what();
         }},
        {"greeting line too long", [](ScriptedPeer& p) { p.Reply("220 " + std::string(20000, 'x')); },
         [](const std::exception& e) {
             EXPECT_NE(dynamic_cast<const net::MaxLineLengthExceededError*>(&e), nullptr) << e.what();
         }},
    };
    for (const Case& c : cases) {
        ScriptedPeer peer;
        c.script(peer);
        peer.ExpectClosed();
        peer.Start();
        FtpClient client;
        Aim(client, peer.Port());
        try {
            client.OpenConnection();
            ADD_FAILURE() << c.name << ": opened";
        } catch (const std::exception& error) {
            SCOPED_TRACE(c.name);
            c.check(error);
        }
        EXPECT_FALSE(client.IsConnected()) << c.name;
        EXPECT_TRUE(peer.Finish()) << c.name << ": " << peer.Failure();
    }
}

TEST(FtpControl, ASecondOpenAfterAFailedOneStartsAfresh)
{
    ScriptedPeer refusing;
    refusing.Reply("120 later").ExpectClosed();
    refusing.Start();
    ScriptedPeer working;
    ScriptLogin(working);
    working.ExpectClosed();
    working.Start();

    FtpClient client;
    Aim(client, refusing.Port());
    EXPECT_THROW(client.OpenConnection(), ProtocolReplyError);
    EXPECT_FALSE(client.IsConnected());
    client.Port = working.Port();
    client.OpenConnection();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.GreetingReply.Text(), Lines{"Test server ready"});
    client.Disconnect();
    EXPECT_TRUE(refusing.Finish()) << refusing.Failure();
    EXPECT_TRUE(working.Finish()) << working.Failure();
}

TEST(FtpControl, OpeningTwiceFailsAndLeavesTheClientDisconnected)
{
    ScriptedPeer peer;
    ScriptLogin(peer);
    peer.ExpectClosed();
    peer.Start();
    FtpClient client;
    Aim(client, peer.Port());
    client.OpenConnection();
    try {
        client.OpenConnection();
        ADD_FAILURE() << "opened twice";
    } catch (const net::AlreadyConnectedError& error) {
        EXPECT_STREQ(error.what(), "Already connected.");
    }
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST(FtpControl, WithoutAutoLoginOnlyTheGreetingIsRead)
{
    ScriptedPeer peer;
    peer.Reply("220 hi").ExpectClosed();
    peer.Start();
    FtpClient client;
    Aim(client, peer.Port());
    client.OpenConnection(AutoLogin::No);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.GreetingReply.NumericCode(), 220);
    EXPECT_EQ(client.SystemDescription(), "");
    client.Disconnect();
    ASSERT_TRUE(peer.Finish()) << peer.Failure();
    EXPECT_TRUE(peer.Received().empty());
}

TEST(FtpControl, TransferTypeIsAnnouncedOnlyWhenItChangesWhileConnected)
{
    ScriptedPeer peer;
    ScriptLogin(peer);
    peer.Expect("TYPE A").Reply("200 ascii").Expect("TYPE I").Reply("200 image").ExpectClosed();
    peer.Start();
    FtpClient client;
    Aim(client, peer.Port());
    client.SetTransferType(FtpTransferType::ftBinary); // unchanged while disconnected: nothing
    client.OpenConnection();
    client.SetTransferType(FtpTransferType::ftBinary); // unchanged: nothing sent
    client.SetTransferType(FtpTransferType::ftASCII);
    EXPECT_EQ(client.TransferType(), FtpTransferType::ftASCII);
    client.SetTransferType(FtpTransferType::ftASCII);
    client.SetTransferType(FtpTransferType::ftBinary);
    client.Disconnect();
    client.SetTransferType(FtpTransferType::ftASCII); // stored only
    EXPECT_EQ(client.TransferType(), FtpTransferType::ftASCII);
    ASSERT_TRUE(peer.Finish()) << peer.Failure();
    EXPECT_EQ(peer.Received().size(), 6u);
}

TEST(FtpControl, RefusedDirectoryChangeKeepsTheConnection)
{
    ScriptedPeer peer;
    ScriptLogin(peer);
    peer.Expect("CWD missing")
        .Reply("550 No such directory.")
        .Expect("CWD ok")
        .Reply("200 fine")
        .Expect("SITE anything")
        .Reply("599 odd")
        .ExpectClosed();
    peer.Start();
    FtpClient client;
    Aim(client, peer.Port());
    client.OpenConnection();
    try {
        client.ChangeDirectory("missing");
        ADD_FAILURE() << "CWD 550 accepted";
    } catch (const ProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
        EXPECT_STREQ(error.what(), "No such directory.\r\n");
    }
    EXPECT_TRUE(client.IsConnected());
    client.ChangeDirectory("ok");
    EXPECT_EQ(client.SendRawCommand("SITE anything"), 599);
    client.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}
