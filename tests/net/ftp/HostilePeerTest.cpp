// A server that answers anything: every hostile reply ends with a clear error
// (or a correct result) within the read time-out, memory stays bounded, and
// the same client opens a fresh connection afterwards.
#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "net/transport/NetError.h"
#include "tests/net/ftp/FtpTestSupport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <thread>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;
using test::ScriptedPeer;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

constexpr std::int32_t ShortReadTimeout = 400;

// Opens, lists (active mode) and closes against a well-behaved peer: the
// client is usable.
void ExpectUsable(FtpClient& client)
{
    ScriptedPeer good;
    ScriptLogin(good);
    good.ExpectPrefix("PORT ").Reply("200 ok").Expect("NLST").Reply("150 go").ConnectData();
    good.SendData("a\r\nb\r\n").CloseData().Reply("226 done").ExpectClosed();
    good.Start();
    client.Port = good.Port();
    ASSERT_NO_THROW(client.OpenConnection());
    client.ListDirectory(nullptr, {}, ListingDetail::NamesOnly);
    EXPECT_EQ(client.ListingLines(), (Lines{"a", "b"}));
    client.Disconnect();
    EXPECT_TRUE(good.Finish()) << good.Failure();
}

// True when running `call` raised exactly `Error`; the message goes to the log.
template <class Error>
bool Raises(const std::function<void()>& call, std::string& message)
{
    try {
        call();
    } catch (const Error& error) {
        message = error.what();
        return true;
    } catch (const std::exception& error) {
        message = std::string("other error: ") + error.what();
        return false;
    }
    message = "no error";
    return false;
}

std::string Repeat(const std::string& piece, std::size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

TEST(HostilePeer, GreetingsThatNeverEndOrOverflowFailCleanlyAndTheClientOpensAgain)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedPeer&)> script;
        std::function<bool(FtpClient&, std::string&)> fails;
    };
    auto open = [](FtpClient& client) { return [&client] { client.OpenConnection(); }; };
    const std::vector<Case> cases = {
        {"line without LF", [](ScriptedPeer& p) { p.Send("220 never ends").Pause(1s); },
         [&](FtpClient& c, std::string& m) { return Raises<net::ReadTimeoutError>(open(c), m); }},
        {"multi-line reply without terminator",
         [](ScriptedPeer& p) { p.Send("220-hello\r\nmore\r\n221 no\r\n").Pause(1s); },
         [&](FtpClient& c, std::string& m) { return Raises<net::ReadTimeoutError>(open(c), m); }},
        {"0 bytes then close", [](ScriptedPeer& p) { p.CloseControl(); },
         [&](FtpClient& c, std::string& m) { return Raises<net::ConnClosedGracefullyError>(open(c), m); }},
        {"half a line then close", [](ScriptedPeer& p) { p.Send("220 Serv").CloseControl(); },
         [&](FtpClient& c, std::string& m) { return Raises<net::ConnClosedGracefullyError>(open(c), m); }},
        {"10 MB line", [](ScriptedPeer& p) { p.Send("220 " + std::string(10 << 20, 'x') + "\r\n"); },
         [&](FtpClient& c, std::string& m) { return Raises<net::MaxLineLengthExceededError>(open(c), m); }},
        {"endless multi-line reply",
         [](ScriptedPeer& p) { p.Send("220-start\r\n" + Repeat("220-" + std::string(1000, 'y') + "\r\n", 5000)); },
         [&](FtpClient& c, std::string& m) { return Raises<ReplyTooLongError>(open(c), m); }},
        {"code 99999", [](ScriptedPeer& p) { p.Reply("99999 odd"); },
         [&](FtpClient& c, std::string& m) {
             return Raises<ProtocolReplyError>(open(c), m) && c.LastReply.NumericCode() == 9999;
         }},
        {"code -1", [](ScriptedPeer& p) { p.Reply("-1"); },
         [&](FtpClient& c, std::string& m) {
             return Raises<ProtocolReplyError>(open(c), m) && c.LastReply.NumericCode() == -1;
         }},
        {"code -1 to USER after a good greeting",
         [](ScriptedPeer& p) { p.Reply("220 hi").Expect("USER " + User).Reply("-1 who?"); },
         [&](FtpClient& c, std::string& m) { return Raises<ProtocolReplyError>(open(c), m); }},
        {"only blank lines and NULs",
         [](ScriptedPeer& p) { p.Send(Repeat(std::string("\r\n \0\t\n", 6), 2000)).Pause(1s); },
         [&](FtpClient& c, std::string& m) { return Raises<net::ReadTimeoutError>(open(c), m); }},
    };

    FtpClient client;
    Aim(client, 0);
    client.ReadTimeout = ShortReadTimeout;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer hostile;
        c.script(hostile);
        hostile.Start();
        client.Port = hostile.Port();
        std::string message;
        EXPECT_TRUE(c.fails(client, message)) << message;
        EXPECT_FALSE(client.IsConnected());
        // Never more than one line's limit plus one receive is held.
        EXPECT_LE(client.ReceiveQueue().Size(), static_cast<std::size_t>(client.MaxLineLength + client.RecvBufferSize));
        hostile.Finish(1s);
        ExpectUsable(client);
    }
}

TEST(HostilePeer, NonsensePassiveRepliesAreRefusedAndTheSessionGoesOn)
{
    struct Case {
        const char* reply;
        std::function<bool(FtpClient&, std::string&)> fails;
    };
    auto list = [](FtpClient& client) { return [&client] { client.ListDirectory(nullptr); }; };
    const std::vector<Case> cases = {
        {"227 Entering Passive Mode (127,0,0,1,0,0)",
         [&](FtpClient& c, std::string& m) { return Raises<InvalidPassiveAddressError>(list(c), m); }},
        {"227 Entering Passive Mode (127,0,0,1,256,1)",
         [&](FtpClient& c, std::string& m) { return Raises<InvalidPassiveAddressError>(list(c), m); }},
        {"227 Entering Passive Mode (127,0,0,1,-1,1)",
         [&](FtpClient& c, std::string& m) { return Raises<InvalidPassiveAddressError>(list(c), m); }},
        {"227 Entering Passive Mode (127,0,0,1,99999999999999999999,1)",
         [&](FtpClient& c, std::string& m) { return Raises<ConversionError>(list(c), m); }},
        {"227 (127,0,0,1)", [&](FtpClient& c, std::string& m) { return Raises<ConversionError>(list(c), m); }},
        {"227", [&](FtpClient& c, std::string& m) { return Raises<ConversionError>(list(c), m); }},
        {"99999 (127,0,0,1,19,137)",
         [&](FtpClient& c, std::string& m) { return Raises<ProtocolReplyError>(list(c), m); }},
    };
    ScriptedPeer peer;
    ScriptLogin(peer);
    for (const Case& c : cases)
        peer.Expect("PASV").Reply(c.reply).Expect("NOOP").Reply("200 still here");
    peer.ExpectClosed();
    peer.Start();

    FtpClient client;
    Aim(client, peer.Port());
    client.ReadTimeout = ShortReadTimeout;
    client.Passive = true;
    client.OpenConnection();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        std::string message;
        EXPECT_TRUE(c.fails(client, message)) << message;
        EXPECT_EQ(client.DataConnection(), nullptr);
        // The whole reply was read: the next exchange is in step.
        EXPECT_EQ(client.SendRawCommand("NOOP"), 200);
    }
    client.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST(HostilePeer, DataConnectionsRacingTheServersNeverDeliverTheirBytes)
{
    ScriptedPeer peer;
    ScriptLogin(peer);
    // The server connects late, after a stranger from another address tried first;
    // a second stranger from the server's own address comes once the listing is done.
    peer.ExpectPrefix("PORT 127,0,0,1,")
        .Reply("200 ok")
        .Expect("LIST")
        .Reply("150 go")
        .Pause(300ms)
        .ConnectData()
        .SendData("genuine\r\n")
        .CloseData()
        .Reply("226 done")
        .Expect("NOOP")
        .Reply("200 ok")
        .ExpectClosed();
    peer.Start();

    auto racer = [&peer](const char* fromIp, const char* afterLine, std::chrono::milliseconds delay) {
        return std::thread([&peer, fromIp, afterLine, delay] {
            std::string portLine;
            for (int i = 0; i < 400; ++i) {
                bool seen = false;
                for (const std::string& line : peer.Received()) {
                    if (line.rfind("PORT ", 0) == 0)
                        portLine = line;
                    seen = seen || line == afterLine;
                }
                if (seen)
                    break;
                std::this_thread::sleep_for(5ms);
            }
            std::this_thread::sleep_for(delay);
            unsigned h[4] = {}, p[2] = {};
            if (std::sscanf(portLine.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
                return;
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, fromIp, &local.sin_addr);
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
            sockaddr_in remote{};
            remote.sin_family = AF_INET;
            remote.sin_port = htons(static_cast<std::uint16_t>(p[0] * 256 + p[1]));
            ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0) {
                const char evil[] = "EVIL\r\n";
                (void)::send(fd, evil, sizeof evil - 1, MSG_NOSIGNAL);
            }
            std::this_thread::sleep_for(200ms);
            ::close(fd);
        });
    };

    FtpClient client;
    Aim(client, peer.Port());
    client.ReadTimeout = 5000;
    client.OpenConnection();
    std::thread early = racer("127.0.0.2", "LIST", 0ms);
    std::thread late = racer("127.0.0.1", "LIST", 600ms);
    client.ListDirectory(nullptr);
    EXPECT_EQ(client.ListingLines(), Lines{"genuine"});
    early.join();
    late.join();
    EXPECT_EQ(client.SendRawCommand("NOOP"), 200);
    client.Disconnect();
    EXPECT_TRUE(peer.Finish()) << peer.Failure();
}

TEST(HostilePeer, DataConnectionThatGoesSilentEndsAtTheReadTimeout)
{
    for (const bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ScriptedPeer peer;
        ScriptLogin(peer);
        ScriptListingStart(peer, passive);
        peer.SendData("half a list").Pause(1500ms).CloseData();
        peer.Start();

        FtpClient client;
        Aim(client, peer.Port());
        client.Passive = passive;
        client.ReadTimeout = ShortReadTimeout;
        client.OpenConnection();
        std::vector<std::string> destination{"kept"};
        EXPECT_THROW(client.ListDirectory(&destination), net::ReadTimeoutError);
        EXPECT_EQ(destination, Lines{"kept"});
        EXPECT_EQ(client.DataConnection(), nullptr);
        client.Disconnect();
        peer.Finish(3s);
        client.Passive = false;
        ExpectUsable(client);
    }
}
