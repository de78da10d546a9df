#include "net/transport/NetError.h"
#include "net/transport/PlatformSocketStack.h"
#include "net/transport/SocketIoHandler.h"
#include "net/transport/SocketStack.h"
#include "net/transport/TcpClient.h"
#include "tests/support/FullBacklogListener.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PrivateNetwork.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <optional>

namespace quorvane::net {
namespace {

using test::ElapsedMs;

const char* const kRefused = "Socket Error # 10061\r\nConnection refused.";

// A listener whose accept queue is full: further connection attempts go unanswered.
class FullListener {
public:
    FullListener() : listener_(0)
    {
        // Fill the queue until an attempt no longer completes at once.
        for (int i = 0; i < 8; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(listener_.Port()));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers_.push_back(fd);
            pollfd wait{fd, POLLOUT, 0};
            if (::poll(&wait, 1, 200) == 0)
                return;
        }
        throw std::runtime_error("the accept queue never filled");
    }
    ~FullListener()
    {
        for (int fd : fillers_)
            ::close(fd);
    }
    std::int32_t Port() const { return listener_.Port(); }

private:
    test::LoopbackListener listener_;
    std::vector<int> fillers_;
};

TEST(Connect, PlainConnectRefusedRaisesTheSocketError)
{
    TcpClient client;
    client.Host = "127.0.0.1";
    client.Port = test::UnusedPort();
    try {
        client.Connect();
        FAIL() << "connected to a closed port";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Code(), 10061);
        EXPECT_STREQ(error.what(), kRefused);
    }
    EXPECT_FALSE(client.IsConnected());     // the socket was dropped
    ASSERT_NE(client.IOHandler(), nullptr); // the handler stays until Disconnect
}

TEST(Connect, WatchedConnectRefusedCarriesTheWorkersText)
{
    for (std::int32_t timeout : {2000, -2}) {
        TcpClient client;
        client.Host = "127.0.0.1";
        client.Port = test::UnusedPort();
        const auto start = std::chrono::steady_clock::now();
        try {
            client.Connect(timeout);
            FAIL() << "connected to a closed port";
        } catch (const SocketError&) {
            FAIL() << "a watched connect reports a ConnectError";
        } catch (const ConnectError& error) {
            EXPECT_STREQ(error.what(), kRefused);
        }
        EXPECT_LT(ElapsedMs(start), 1000) << timeout; // noticed at the end of a slice
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST(Connect, WatchedConnectTimesOutAndLeavesNoThreadBehind)
{
    FullListener full;
    {
        // A first time-out, so that threads a runtime starts lazily (e.g. a sanitizer's)
        // are there before the count is taken.
        TcpClient warmUp;
        warmUp.Host = "127.0.0.1";
        warmUp.Port = full.Port();
        EXPECT_THROW(warmUp.Connect(20), ConnectTimeoutError);
    }
    const int threadsBefore = test::ThreadCount();
    const struct {
        std::int32_t timeout;
        std::int64_t atLeast;
    } cases[] = {{300, 290}, {100, 95}};
    for (const auto& c : cases) {
        TcpClient client;
        client.Host = "127.0.0.1";
        client.Port = full.Port();
        const auto start = std::chrono::steady_clock::now();
        try {
            client.Connect(c.timeout);
            FAIL() << "connected to a full accept queue";
        } catch (const ConnectTimeoutError& error) {
            EXPECT_STREQ(error.what(), "Connect timed out.");
        }
        const auto elapsed = ElapsedMs(start);
        EXPECT_GE(elapsed, c.atLeast) << c.timeout;
        EXPECT_LT(elapsed, c.timeout + 400) << c.timeout;
        EXPECT_FALSE(client.IsConnected());
        EXPECT_EQ(test::ThreadCount(), threadsBefore);
    }
}

TEST(Connect, RepeatedTimeoutsNeverTouchAReusedDescriptor)
{
    // Each time-out closes its socket only after the worker ended; a descriptor opened
    // right afterwards (likely the same number) must stay intact.
    FullListener full;
    for (int i = 0; i < 5; ++i) {
        TcpClient client;
        client.Host = "127.0.0.1";
        client.Port = full.Port();
        EXPECT_THROW(client.Connect(30), ConnectTimeoutError);
        const int reused = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_NE(::fcntl(reused, F_GETFD), -1);
        ::close(reused);
    }
}

TEST(Connect, WatchedConnectSucceedsWithinASlice)
{
    test::LoopbackListener listener;
    TcpClient client;
    client.Host = "127.0.0.1";
    client.Port = listener.Port();
    const auto start = std::chrono::steady_clock::now();
    client.Connect(5000);
    EXPECT_LT(ElapsedMs(start), 400);
    EXPECT_TRUE(client.IsConnected());
    const int served = listener.Accept();
    test::SendAll(served, "hello\r\n");
    EXPECT_EQ(client.ReadLine(), "hello");
    ::close(served);
}

TEST(Connect, DefaultTimeoutIsWatchedOnlyWhileAnAntiFreezeIsInUse)
{
    const std::int32_t port = test::UnusedPort();
    {
        test::CountingAntiFreeze freeze;
        freeze.IdleTimeOut = 50;
        freeze.Active = false;
        TcpClient client;
        client.Host = "127.0.0.1";
        client.Port = port;
        EXPECT_THROW(client.Connect(), SocketError); // plain: not in use
        EXPECT_TRUE(freeze.PumpTimes.empty());

        freeze.Active = true;
        TcpClient watched;
        watched.Host = "127.0.0.1";
        watched.Port = port;
        EXPECT_THROW(watched.Connect(0), ConnectError);
        EXPECT_FALSE(freeze.PumpTimes.empty()); // watched: a pump after each wait
    }
}

TEST(Connect, WatchSliceFollowsASmallerIdleTimeOut)
{
    FullListener full;
    test::CountingAntiFreeze freeze;
    freeze.IdleTimeOut = 50;
    TcpClient client;
    client.Host = "127.0.0.1";
    client.Port = full.Port();
    freeze.Start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Connect(300), ConnectTimeoutError);
    // Waits of 1, 2, 4, ... 32 ms, then of 50 ms (not the usual 125), with a pump after
    // each while more than one wait remains: 6 + 4.
    ASSERT_EQ(freeze.PumpTimes.size(), 10u);
    for (std::size_t i = 6; i < 10; ++i) {
        const std::int64_t slice = freeze.PumpTimes[i] - freeze.PumpTimes[i - 1];
        EXPECT_GE(slice, 45) << i;
    }
}

TEST(Connect, DisablingNagleSetsNoDelayAndBindingIsHonoured)
{
    test::LoopbackListener listener;
    TcpClient client;
    auto* handler = new SocketIoHandler;
    handler->UseNagle = false;
    client.SetIOHandler(handler, Ownership::Owned);
    client.Host = "127.0.0.1";
    client.Port = listener.Port();
    client.BoundIP = "127.0.0.1";
    client.Connect();
    Socket* socket = handler->SocketHandle();
    ASSERT_NE(socket, nullptr);
    int noDelay = 0;
    socklen_t length = sizeof noDelay;
    ASSERT_EQ(::getsockopt(socket->OsHandle, IPPROTO_TCP, TCP_NODELAY, &noDelay, &length), 0);
    EXPECT_NE(noDelay, 0);
    EXPECT_EQ(socket->IP, "127.0.0.1");
    EXPECT_GT(socket->Port, 0);
    EXPECT_EQ(socket->RemotePort, listener.Port());
    EXPECT_EQ(client.SocketHandler(), handler);
}

TEST(Connect, DottedQuadSkipsTheResolvingNotification)
{
    test::LoopbackListener listener;
    const struct {
        const char* host;
        bool resolving;
    } cases[] = {{"127.0.0.1", false}, {"localhost", true}};
    for (const auto& c : cases) {
        TcpClient client;
        std::vector<NetStatus> statuses;
        client.OnStatus = [&](NetComponent&, NetStatus status, const std::string&) { statuses.push_back(status); };
        client.Host = c.host;
        client.Port = listener.Port();
        client.Connect();
        ASSERT_FALSE(statuses.empty());
        EXPECT_EQ(statuses.front() == NetStatus::hsResolving, c.resolving) << c.host;
        ::close(listener.Accept());
    }
}

TEST(Connect, HandlerWithoutSocketRefusesToMoveBytes)
{
    SocketIoHandler handler;
    handler.Open();
    EXPECT_FALSE(handler.Connected());
    char byte = 0;
    for (auto io : {+[](SocketIoHandler&h, char&b) { return h.Recv(&b, 1); },
                    +[](SocketIoHandler&h, char&b) { return h.Send(&b, 1); }}) {
        try {
            io(handler, byte);
            FAIL() << "moved a byte without a socket";
        } catch (const ClosedSocketError& error) {
            EXPECT_STREQ(error.what(), "Disconnected.");
        }
    }
    try {
        SocketStack::Shared().NewSocket(999, 0);
        FAIL() << "created a socket of no known type";
    } catch (const InvalidSocketError& error) {
        EXPECT_STREQ(error.what(), "Cannot allocate socket.");
    }
}

TEST(Connect, UnknownHostFailsBeforeConnecting)
{
    TcpClient client;
    client.Host = "no-such-host.invalid";
    client.Port = 21;
    try {
        client.Connect();
        FAIL();
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Code(), 11001);
    }
    EXPECT_FALSE(client.IsConnected());
}

// The status texts a connect raises, in order.
struct StatusLog {
    explicit StatusLog(TcpClient& client)
    {
        client.OnStatus = [this](NetComponent&, NetStatus, const std::string& text) { texts.push_back(text); };
    }
    std::vector<std::string> texts;
};

TEST(Connect, Ipv6LiteralConnectsWithoutALookUpPlainAndWatched)
{
    if (!::quorvane::test::HasIpv6Loopback())
        GTEST_SKIP() << "the loopback has no IPv6 address (::1) here";
    test::LoopbackListener listener(8, ::quorvane::test::LoopbackFamily::Inet6);
    for (std::int32_t timeout : {-1, 5000}) {
        SCOPED_TRACE(timeout);
        TcpClient client;
        StatusLog log(client);
        client.Host = "::1";
        client.Port = listener.Port();
        client.Connect(timeout);
        EXPECT_EQ(log.texts, (std::vector<std::string>{"Connecting to ::1.", "Connected."}));
        const Socket* socket = client.SocketHandler()->SocketHandle();
        EXPECT_EQ(socket->Family, AddressFamilyInet6);
        EXPECT_EQ(socket->IP, "::1");
        EXPECT_EQ(socket->RemoteIP, "::1");
        const int served = listener.Accept();
        client.WriteLine("over six");
        EXPECT_EQ(test::ReceiveUpTo(served, 10), "over six\r\n");
        ::close(served);
    }
}

// Names are resolved by a hosts file of a private network: "twofold.test" has an IPv6
// address and an IPv4 address, both on this network's loopback.
const char* const kTwofoldHosts = "::1 twofold.test\n127.0.0.1 twofold.test\n";

TEST(Connect, EveryAddressOfANameIsTriedIpv6First)
{
    QUORVANE_RERUN_IN_PRIVATE_NETWORK({kTwofoldHosts, {}, false});
    if (!::quorvane::test::HasIpv6Loopback())
        GTEST_SKIP() << "the loopback has no IPv6 address (::1) here";

    // Watched: the IPv6 address never answers (its accept queue is full); the IPv4 one is
    // tried 250 ms later and wins, well within the limit.
    test::LoopbackListener listener;
    ::quorvane::test::FullBacklogListener silent(::quorvane::test::LoopbackFamily::Inet6, listener.Port());
    {
        TcpClient client;
        StatusLog log(client);
        client.Host = "twofold.test";
        client.Port = listener.Port();
        const auto start = std::chrono::steady_clock::now();
        client.Connect(5000);
        const auto elapsed = ElapsedMs(start);
        EXPECT_GE(elapsed, SocketIoHandler::AttemptDelay);
        EXPECT_LT(elapsed, 1500);
        EXPECT_EQ(log.texts, (std::vector<std::string>{"Resolving hostname twofold.test.", "Connecting to ::1.",
                                                       "Connecting to 127.0.0.1.", "Connected."}));
        EXPECT_EQ(client.SocketHandler()->SocketHandle()->RemoteIP, "127.0.0.1");
        const int served = listener.Accept();
        client.WriteLine("won");
        EXPECT_EQ(test::ReceiveUpTo(served, 5), "won\r\n");
        ::close(served);
    }
    // Plain: one address after the other; the refused IPv6 one gives way to the IPv4 one.
    {
        test::LoopbackListener only4;
        TcpClient client;
        StatusLog log(client);
        client.Host = "twofold.test";
        client.Port = only4.Port();
        client.Connect();
        EXPECT_EQ(log.texts, (std::vector<std::string>{"Resolving hostname twofold.test.", "Connecting to ::1.",
                                                       "Connecting to 127.0.0.1.", "Connected."}));
        ::close(only4.Accept());
    }
    // Every address refused: the last one's error.
    for (std::int32_t timeout : {-1, 5000}) {
        TcpClient client;
        client.Host = "twofold.test";
        client.Port = test::UnusedPort();
        try {
            client.Connect(timeout);
            ADD_FAILURE() << "connected to a closed port";
        } catch (const NetError& error) {
            EXPECT_STREQ(error.what(), kRefused) << timeout;
        }
    }
}

// A stack on which sockets of one family cannot be opened, as on a kernel without IPv6 or in
// a sandbox that refuses a family, and on which every name has the same addresses.
struct FamilyMissingStack : PlatformSocketStack {
    static inline int Missing = AddressFamilyInet6;
    static inline std::vector<IpAddress> Addresses;

    static std::int32_t LookUp(const std::string&, std::vector<IpAddress>& addresses)
    {
        addresses = Addresses;
        return 0;
    }
    OsSocket CreateSocket(int family, int type, int protocol) override
    {
        if (family != Missing)
            return PlatformSocketStack::CreateSocket(family, type, protocol);
        errno = EAFNOSUPPORT;
        return NoSocket;
    }
    std::vector<IpAddress> GetAddressesByName(const std::string&) override { return Addresses; }
    AddressLookUp DetachedLookUp() const override { return &LookUp; }
};

TEST(Connect, AFamilyThatCannotOpenSocketsIsSkipped)
{
    const IpAddress any6a{AddressFamilyInet6, "::1"}, any6b{AddressFamilyInet6, "::2"};
    const IpAddress refusing4{AddressFamilyInet, "127.0.0.2"}, listening4{AddressFamilyInet, "127.0.0.1"};
    // An IPv6 socket reaches the IPv4 loopback through a mapped address, where nothing listens.
    const IpAddress refusing6{AddressFamilyInet6, "::ffff:127.0.0.2"};
    const struct Case {
        const char* name;
        int missing;
        std::vector<IpAddress> addresses;
        std::optional<::quorvane::test::LoopbackFamily> listener;
        std::vector<std::string> texts;
        const char* error;
    } cases[] = {
        {"no IPv6 sockets",
         AddressFamilyInet6,
         {any6a, any6b, refusing4, listening4},
         ::quorvane::test::LoopbackFamily::Inet,
         {"Resolving hostname fourfold.test.", "Connecting to 127.0.0.2.", "Connecting to 127.0.0.1.", "Connected."},
         nullptr},
        // The socket made before the look-up is an IPv4 one.
        {"no IPv4 sockets, not even the first",
         AddressFamilyInet,
         {refusing6, any6a, refusing4, listening4},
         ::quorvane::test::LoopbackFamily::Inet6,
         {"Resolving hostname fourfold.test.", "Connecting to ::ffff:127.0.0.2.", "Connecting to ::1.", "Connected."},
         nullptr},
        {"every address failed, the last for want of a socket",
         AddressFamilyInet6,
         {any6a, refusing4, any6b},
         std::nullopt,
         {"Resolving hostname fourfold.test.", "Connecting to 127.0.0.2."},
         "Cannot allocate socket."},
    };
    struct StackScope {
        StackScope()
        {
            SocketStack::SetStackClass([] { return std::make_unique<FamilyMissingStack>(); });
        }
        ~StackScope() { SocketStack::SetStackClass({}); }
    } stackScope;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.listener == ::quorvane::test::LoopbackFamily::Inet6 && !::quorvane::test::HasIpv6Loopback()) {
            std::cout << "[  SKIPPED ] " << c.name << ": the loopback has no IPv6 address (::1) here\n";
            continue;
        }
        FamilyMissingStack::Missing = c.missing;
        FamilyMissingStack::Addresses = c.addresses;
        std::optional<test::LoopbackListener> listener;
        if (c.listener)
            listener.emplace(8, *c.listener);
        for (std::int32_t timeout : {-1, 5000}) {
            SCOPED_TRACE(timeout);
            TcpClient client;
            StatusLog log(client);
            client.Host = "fourfold.test";
            client.Port = listener ? listener->Port() : test::UnusedPort();
            try {
                client.Connect(timeout);
                EXPECT_EQ(c.error, nullptr);
                if (listener)
                    ::close(listener->Accept());
            } catch (const NetError& error) {
                EXPECT_STREQ(error.what(), c.error);
            }
            EXPECT_EQ(log.texts, c.texts);
        }
    }
}

TEST(Connect, SilentNameServersEndWithinTheLimitWhileTheAntiFreezeRuns)
{
    // Three name servers that never answer; the resolver gives up after a second on each.
    QUORVANE_RERUN_IN_PRIVATE_NETWORK(
        {"127.0.0.1 localhost\n",
         "nameserver 127.0.0.1\nnameserver 127.0.0.2\nnameserver 127.0.0.3\noptions timeout:1 attempts:1\n", true});
    test::CountingAntiFreeze freeze;
    TcpClient client;
    StatusLog log(client);
    client.Host = "lists.quorvane.example";
    client.Port = 21;
    // Our limit ends the look-up.
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Connect(1000), ConnectTimeoutError);
    auto elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 950);
    EXPECT_LT(elapsed, 1500);
    // The look-up ran off this thread: the windows were served all along.
    EXPECT_GE(freeze.PumpTimes.size(), 7u);
    EXPECT_EQ(log.texts, std::vector<std::string>{"Resolving hostname lists.quorvane.example."});
    EXPECT_FALSE(client.IsConnected());

    // The resolver gives up first. Meanwhile the abandoned look-up above ends too, long
    // after its connect returned, and drops its result.
    start = std::chrono::steady_clock::now();
    try {
        client.Connect(20000);
        ADD_FAILURE() << "connected without a name server";
    } catch (const SocketError& error) {
        EXPECT_STREQ(error.what(), "Socket Error # 11001\r\nHost not found.");
    }
    EXPECT_LT(ElapsedMs(start), 10000);
}

} // namespace
} // namespace quorvane::net
