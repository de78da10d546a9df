#include "net/transport/NetError.h"
#include "net/transport/SocketStack.h"
#include "net/transport/TcpClient.h"
#include "tests/support/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <sstream>
#include <thread>

namespace quorvane::net {
namespace {

using test::CountingAntiFreeze;
using test::ElapsedMs;

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

// A client connected to a plain loopback socket that the test drives directly.
class TcpConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        client_.Host = "127.0.0.1";
        client_.Port = listener_.Port();
        client_.Connect();
        served_ = listener_.Accept();
        ASSERT_GE(served_, 0);
    }
    void TearDown() override { ClosePeer(); }

    void Send(const std::string& bytes) { ASSERT_TRUE(test::SendAll(served_, bytes)); }
    void ClosePeer()
    {
        if (served_ >= 0)
            ::close(served_);
        served_ = -1;
    }

    test::LoopbackListener listener_;
    TcpClient client_;
    int served_ = -1;
};

TEST_F(TcpConnectionTest, LinesAcrossReceiveBoundaries)
{
    // CR LF and a lone LF both end a line; a CR elsewhere stays.
    const std::string stream = "220 ready\r\nsecond\nmid\rdle\r\n\r\n\nlast\n";
    const std::vector<std::string> lines = {"220 ready", "second", "mid\rdle", "", "", "last"};
    Send(stream + stream + stream);
    for (std::int32_t receiveSize : {1, 3, 32768}) {
        client_.RecvBufferSize = receiveSize;
        for (const std::string& line : lines) {
            EXPECT_EQ(client_.ReadLine(), line) << "receives of " << receiveSize;
            EXPECT_FALSE(client_.LineWasSplit());
            EXPECT_FALSE(client_.LineTimedOut());
        }
    }
    EXPECT_TRUE(client_.ReceiveQueue().Empty());
}

TEST_F(TcpConnectionTest, LineArrivingInPiecesIsJoined)
{
    std::thread peer([this] {
        for (const char* piece : {"22", "0 rea", "dy\r", "\nnext", "\n"}) {
            test::SendAll(served_, piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    EXPECT_EQ(client_.ReadLine(), "220 ready");
    EXPECT_EQ(client_.ReadLine(), "next");
    peer.join();
}

TEST_F(TcpConnectionTest, MaxLineLengthCountsTheCarriageReturn)
{
    const struct {
        std::size_t length;
        const char* ending;
        bool accepted;
    } cases[] = {
        {16383, "\r\n", true},
        {16384, "\n", true},
        {16384, "\r\n", false},
        {16385, "\n", false},
    };
    for (const auto& c : cases) {
        client_.ReceiveQueue().Clear();
        Send(std::string(c.length, 'x') + c.ending);
        if (c.accepted) {
            EXPECT_EQ(client_.ReadLine().size(), c.length);
        } else {
            try {
                client_.ReadLine();
                FAIL() << c.length << " accepted";
            } catch (const MaxLineLengthExceededError& error) {
                EXPECT_STREQ(error.what(), "Max line length exceeded.");
            }
            // Drain what the refused line left before the next case.
            while (client_.ReceiveQueue().Size() < c.length + std::strlen(c.ending))
                client_.FillInputBuffer();
        }
    }
}

TEST_F(TcpConnectionTest, OverlongLineWithoutTerminatorIsRefusedEarly)
{
    // No terminator ever comes: the read must not wait for one beyond the limit.
    Send(std::string(20000, 'y'));
    client_.ReadTimeout = 2000;
    EXPECT_THROW(client_.ReadLine(), MaxLineLengthExceededError);
}

TEST_F(TcpConnectionTest, SplitReturnsTheLimitThenTheRest)
{
    client_.MaxLineAction = LineOverflowAction::maSplit;
    const std::string line = Pattern(20000);
    std::string printable(line.size(), 'z');
    Send(printable + "\r\nafter\n");
    const std::string first = client_.ReadLine();
    EXPECT_EQ(first.size(), 16384u);
    EXPECT_TRUE(client_.LineWasSplit());
    const std::string rest = client_.ReadLine();
    EXPECT_EQ(rest.size(), 3616u);
    EXPECT_FALSE(client_.LineWasSplit());
    EXPECT_EQ(client_.ReadLine(), "after");

    // An explicit maximum overrides MaxLineLength; 0 means no limit.
    Send("abcdefgh\n" + std::string(70000, 'q') + "\n");
    EXPECT_EQ(client_.ReadLine({}, -1, 3), "abc");
    EXPECT_EQ(client_.ReadLine({}, -1, 3), "def");
    EXPECT_EQ(client_.ReadLine({}, -1, 3), "gh");
    EXPECT_EQ(client_.ReadLine({}, -1, 0).size(), 70000u);
}

TEST_F(TcpConnectionTest, LongerTerminatorMayStraddleReceives)
{
    client_.RecvBufferSize = 2;
    Send("one<END>two<END>");
    EXPECT_EQ(client_.ReadLine("<END>"), "one");
    EXPECT_EQ(client_.ReadLine("<END>"), "two");
}

TEST_F(TcpConnectionTest, PeerClosingBeforeALine)
{
    int disconnected = 0;
    client_.OnDisconnected = [&](NetComponent&) { ++disconnected; };
    ClosePeer();
    try {
        client_.ReadLine();
        FAIL() << "read a line from a closed peer";
    } catch (const ConnClosedGracefullyError& error) {
        EXPECT_STREQ(error.what(), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(disconnected, 1);
    EXPECT_TRUE(client_.PeerClosed());
    EXPECT_FALSE(client_.IsConnected());
}

TEST_F(TcpConnectionTest, PeerClosingInTheMiddleOfALine)
{
    Send("half a li");
    ClosePeer();
    EXPECT_EQ(client_.ReadLine(), "");
    EXPECT_TRUE(client_.LineTimedOut());
    EXPECT_THROW(client_.ReadLine(), ConnClosedGracefullyError);
}

TEST_F(TcpConnectionTest, PeerClosingAfterLinesStillDeliversThem)
{
    Send("first\r\nsecond\n");
    ClosePeer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(client_.ReadLine(), "first");
    EXPECT_EQ(client_.ReadLine(), "second");
    EXPECT_THROW(client_.ReadLine(), ConnClosedGracefullyError);
}

TEST_F(TcpConnectionTest, ReadTimeoutEndsASilentRead)
{
    client_.ReadTimeout = 300;
    const auto start = std::chrono::steady_clock::now();
    try {
        client_.ReadLine();
        FAIL() << "read from a silent peer";
    } catch (const ReadTimeoutError& error) {
        EXPECT_STREQ(error.what(), "Read Timeout");
    }
    EXPECT_GE(ElapsedMs(start), 290);
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_TRUE(client_.IsConnected()); // a time-out does not close the connection

    // FillInputBuffer can report the time-out instead of raising it.
    EXPECT_EQ(client_.FillInputBuffer(IfDisconnected::Raise, 50, IfTimedOut::Return), -1);
}

TEST_F(TcpConnectionTest, ReadToStreamUntilClosedDeliversEveryByte)
{
    const std::string bytes = Pattern(100000);
    std::vector<std::int64_t> progress;
    int begins = 0, ends = 0;
    client_.OnWorkBegin = [&](NetComponent&, WorkMode mode, std::int64_t max) {
        EXPECT_EQ(mode, WorkMode::wmRead);
        EXPECT_EQ(max, 0);
        ++begins;
    };
    client_.OnWork = [&](NetComponent&, WorkMode, std::int64_t count) { progress.push_back(count); };
    client_.OnWorkEnd = [&](NetComponent&, WorkMode) { ++ends; };
    std::thread peer([&] {
        test::SendAll(served_, bytes);
        ClosePeer();
    });
    std::ostringstream stream;
    client_.ReadToStream(stream, -1, ReadUntil::Closed);
    peer.join();
    EXPECT_EQ(stream.str().size(), bytes.size());
    EXPECT_TRUE(stream.str() == bytes);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100000);
    EXPECT_FALSE(client_.IsConnected());
}

TEST_F(TcpConnectionTest, ReadToStreamCountedStopsAtTheCountAndKeepsTheRest)
{
    Send("0123456789tail\n");
    std::ostringstream stream;
    client_.ReadToStream(stream, 10);
    EXPECT_EQ(stream.str(), "0123456789");
    EXPECT_EQ(client_.ReadLine(), "tail");

    // A 32-bit network-order count first when no count is given.
    Send(std::string("\0\0\0\x05hello!", 10));
    std::ostringstream prefixed;
    client_.ReadToStream(prefixed);
    EXPECT_EQ(prefixed.str(), "hello");
    char rest = 0;
    client_.ReadExact(&rest, 1);
    EXPECT_EQ(rest, '!');
}

TEST_F(TcpConnectionTest, ReadToStreamCountedFailsWhenThePeerClosesEarly)
{
    Send("short");
    ClosePeer();
    std::ostringstream stream;
    EXPECT_THROW(client_.ReadToStream(stream, 10), ConnClosedGracefullyError);

    // ReadExact cannot be completed either, and keeps nothing back silently.
    EXPECT_THROW(client_.ReadExact(nullptr, 3), ConnClosedGracefullyError);
}

TEST_F(TcpConnectionTest, ReadToStreamIntoAFailingStreamRaises)
{
    Send("data that cannot be stored");
    ClosePeer();
    std::ostringstream stream;
    stream.setstate(std::ios::badbit);
    EXPECT_THROW(client_.ReadToStream(stream, -1, ReadUntil::Closed), TcpConnectionError);
    EXPECT_EQ(client_.Work(WorkMode::wmRead).Level, 0); // work ended on failure too
}

TEST_F(TcpConnectionTest, WritesLinesAndBytes)
{
    client_.WriteLine("USER anonymous");
    client_.WriteLine("");
    client_.WriteText("");
    client_.WriteText("raw");
    client_.WriteInt32(0x01020304);
    const std::string big = Pattern(300000);
    std::thread writer([&] { client_.WriteBytes(big.data(), big.size()); });
    const std::string received = test::ReceiveUpTo(served_, 16 + 2 + 3 + 4 + big.size());
    writer.join();
    EXPECT_EQ(received.substr(0, 25), std::string("USER anonymous\r\n\r\nraw\x01\x02\x03\x04", 25));
    EXPECT_TRUE(received.substr(25) == big);
}

TEST_F(TcpConnectionTest, WriteStreamSendsTheSourceAndRefusesAShortOne)
{
    client_.SendBufferSize = 1000;
    const std::string bytes = Pattern(5500);
    std::int64_t written = 0;
    client_.OnWork = [&](NetComponent&, WorkMode mode, std::int64_t count) {
        if (mode == WorkMode::wmWrite)
            written = count;
    };
    std::istringstream whole(bytes);
    client_.WriteStream(whole);
    std::istringstream counted(bytes);
    client_.WriteStream(counted, 10);
    EXPECT_EQ(written, 10);
    EXPECT_TRUE(test::ReceiveUpTo(served_, 5510) == bytes + bytes.substr(0, 10));

    std::istringstream shortSource("abc");
    try {
        client_.WriteStream(shortSource, 10);
        FAIL() << "a short source passed";
    } catch (const NoDataToReadError& error) {
        EXPECT_STREQ(error.what(), "No data to read.");
    }
    EXPECT_EQ(client_.Work(WorkMode::wmWrite).Level, 0);
}

TEST_F(TcpConnectionTest, WritingToAClosedPeerRaisesASocketError)
{
    // Without MSG_NOSIGNAL the default SIGPIPE action would end this test process.
    ASSERT_EQ(std::signal(SIGPIPE, SIG_DFL), SIG_DFL);
    ClosePeer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string chunk(65536, 'w');
    std::int32_t code = 0;
    for (int i = 0; i < 100 && code == 0; ++i) {
        try {
            client_.WriteBytes(chunk.data(), chunk.size());
        } catch (const SocketError& error) {
            code = error.Code();
            EXPECT_EQ(std::string(error.what()), SocketStack::Shared().ErrorText(code));
        }
    }
    EXPECT_TRUE(code == 10053 || code == 10054 || code == 10058) << code;
    EXPECT_FALSE(client_.IsConnected());
    EXPECT_THROW(client_.WriteLine("again"), ConnClosedGracefullyError);
}

TEST_F(TcpConnectionTest, WriteToAPeerThatStopsReadingEndsAtTheLimitOrAnAbort)
{
    // The peer reads nothing, so the send buffers fill; 64 MiB is far beyond what they hold.
    const std::string big(64 * 1024 * 1024, 'u');
    client_.ReadTimeout = 400;
    auto start = std::chrono::steady_clock::now();
    try {
        client_.WriteBytes(big.data(), big.size());
        FAIL() << "a write to a peer that reads nothing ended";
    } catch (const WriteTimeoutError& error) {
        EXPECT_STREQ(error.what(), "Write Timeout");
    }
    EXPECT_GE(ElapsedMs(start), 390);
    EXPECT_LT(ElapsedMs(start), 3000);

    // With no time limit the progress floor still ends it.
    client_.ReadTimeout = 0;
    client_.ProgressFloorBytes = 1;
    client_.ProgressFloorTimeMs = 300;
    start = std::chrono::steady_clock::now();
    EXPECT_THROW(client_.WriteBytes(big.data(), big.size()), WriteTimeoutError);
    EXPECT_LT(ElapsedMs(start), 3000);

    // Without either, an abort from a handler the anti-freeze runs ends it within a slice.
    client_.ProgressFloorBytes = 0;
    CountingAntiFreeze freeze; // IdleTimeOut 250
    freeze.OnPump = [&] {
        if (ElapsedMs(freeze.Start) >= 300)
            client_.DropSocket();
    };
    EXPECT_THROW(client_.WriteBytes(big.data(), big.size()), ConnClosedGracefullyError);
    EXPECT_LT(ElapsedMs(freeze.Start), 1000);
}

TEST(TcpConnectionUnconnected, OperationsFailCleanlyAndDisconnectNotifies)
{
    TcpClient client;
    std::vector<std::string> statuses;
    int disconnected = 0;
    client.OnStatus = [&](NetComponent&, NetStatus, const std::string& text) { statuses.push_back(text); };
    client.OnDisconnected = [&](NetComponent&) { ++disconnected; };

    EXPECT_FALSE(client.IsConnected());
    try {
        client.WriteLine("x");
        FAIL();
    } catch (const NotConnectedError& error) {
        EXPECT_STREQ(error.what(), "Not Connected");
    }
    EXPECT_THROW(client.ReadLine(), NotConnectedError);
    EXPECT_NO_THROW(client.Disconnect());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Disconnecting.", "Disconnected."}));
    EXPECT_EQ(disconnected, 1);
}

TEST(TcpConnectionStatus, ConnectAndDisconnectReportTheirSteps)
{
    test::LoopbackListener listener;
    TcpClient client;
    std::vector<std::pair<NetStatus, std::string>> statuses;
    int connected = 0;
    client.OnStatus = [&](NetComponent&, NetStatus status, const std::string& text) {
        statuses.emplace_back(status, text);
    };
    client.OnConnected = [&](NetComponent&) { ++connected; };
    client.Host = "LocalHost";
    client.Port = listener.Port();
    client.Connect();
    EXPECT_EQ(connected, 1);
    try {
        client.Connect();
        FAIL() << "connected twice";
    } catch (const AlreadyConnectedError& error) {
        EXPECT_STREQ(error.what(), "Already connected.");
    }
    client.Disconnect();
    EXPECT_EQ(client.IOHandler(), nullptr); // the owned handler went with the disconnect
    const std::vector<std::pair<NetStatus, std::string>> expected = {
        {NetStatus::hsResolving, "Resolving hostname LocalHost."},
        {NetStatus::hsConnecting, "Connecting to 127.0.0.1."},
        {NetStatus::hsConnected, "Connected."},
        {NetStatus::hsDisconnecting, "Disconnecting."},
        {NetStatus::hsDisconnected, "Disconnected."},
    };
    EXPECT_EQ(statuses, expected);

    // The client connects again with a new handler.
    const int first = listener.Accept();
    client.Connect();
    EXPECT_TRUE(client.IsConnected());
    ::close(first);
}

} // namespace
} // namespace quorvane::net
