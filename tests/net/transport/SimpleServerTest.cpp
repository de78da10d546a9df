#include "net/transport/NetError.h"
#include "net/transport/SimpleServer.h"
#include "net/transport/Socket.h"
#include "tests/support/LoopbackPeer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <sstream>
#include <thread>

namespace quorvane::net {
namespace {

using test::ElapsedMs;

std::int64_t ThreadCpuMs()
{
    timespec time{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<std::int64_t>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

TEST(SimpleServer, ListensOnASystemChosenPortAndAcceptsOne)
{
    SimpleServer server;
    server.StartListening();
    ASSERT_NE(server.SocketHandle(), nullptr);
    const std::int32_t port = server.SocketHandle()->Port;
    EXPECT_GT(port, 0);
    EXPECT_EQ(server.SocketHandle()->IP, "0.0.0.0");
    EXPECT_TRUE(server.Listening());

    std::thread peer([port] {
        const int fd = test::ConnectRaw(port);
        test::SendAll(fd, "listing line 1\r\nlisting line 2\r\n");
        ::close(fd);
    });
    ASSERT_TRUE(server.AcceptOne());
    peer.join();
    EXPECT_EQ(server.ListeningSocket(), NoSocket);
    EXPECT_EQ(server.SocketHandle()->RemoteIP, "127.0.0.1");
    EXPECT_EQ(server.SocketHandle()->Port, port);
    // Not handed on to programs this process starts.
    EXPECT_NE(::fcntl(server.SocketHandle()->OsHandle, F_GETFD) & FD_CLOEXEC, 0);

    // The listening socket went with the first accept: a second attempt is refused.
    EXPECT_EQ(test::ConnectRaw(port), -1);

    std::ostringstream data;
    server.ReadToStream(data, -1, ReadUntil::Closed);
    EXPECT_EQ(data.str(), "listing line 1\r\nlisting line 2\r\n");
}

TEST(SimpleServer, AbortBeforeAcceptReturnsAtOnceAndClosesTheListener)
{
    SimpleServer server;
    server.BoundIP = "127.0.0.1";
    server.StartListening();
    const std::int32_t port = server.SocketHandle()->Port;
    EXPECT_EQ(server.SocketHandle()->IP, "127.0.0.1");
    server.AbortAccept();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(server.AcceptOne());
    EXPECT_LT(ElapsedMs(start), 50);
    EXPECT_EQ(server.ListeningSocket(), NoSocket);
    EXPECT_EQ(test::ConnectRaw(port), -1);
    EXPECT_FALSE(server.IsConnected());
}

TEST(SimpleServer, AbortDuringTheWaitFromThePumpOrAnotherThread)
{
    {
        test::CountingAntiFreeze freeze;
        SimpleServer server;
        // An address of its own within 127.0.0.0/8, so that no stray connection meant for a
        // recently closed port of another test can end the wait.
        server.BoundIP = "127.0.0.2";
        freeze.OnPump = [&] {
            if (freeze.PumpTimes.size() == 3)
                server.AbortAccept();
        };
        EXPECT_FALSE(server.AcceptOne());
        EXPECT_EQ(freeze.PumpTimes.size(), 3u); // each empty poll pumped once
    }
    {
        SimpleServer server;
        server.BoundIP = "127.0.0.2";
        server.StartListening();
        std::thread aborter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            server.AbortAccept();
        });
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t cpuBefore = ThreadCpuMs();
        EXPECT_FALSE(server.AcceptOne());
        const std::int64_t cpu = ThreadCpuMs() - cpuBefore;
        aborter.join();
        EXPECT_GE(ElapsedMs(start), 290);
        // Waiting for a connection must not spin a core.
        EXPECT_LT(cpu, 100);
    }
}

TEST(SimpleServer, DestroyingAListeningEndpointClosesItsSocket)
{
    std::int32_t port = 0;
    {
        SimpleServer server;
        server.StartListening();
        port = server.SocketHandle()->Port;
        const int probe = test::ConnectRaw(port);
        EXPECT_GE(probe, 0); // queued by the kernel while listening
        ::close(probe);
    }
    EXPECT_EQ(test::ConnectRaw(port), -1);
}

TEST(SimpleServer, DisconnectWhileListeningNeverClosesAReusedDescriptor)
{
    auto server = std::make_unique<SimpleServer>();
    server->StartListening();
    const int listening = server->ListeningSocket();
    server->Disconnect();
    EXPECT_EQ(server->ListeningSocket(), NoSocket);
    // The number is free again and is likely handed out right away.
    const int reused = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    server.reset();
    EXPECT_NE(::fcntl(reused, F_GETFD), -1)
        << "descriptor " << reused << " (was " << listening << ") closed by the endpoint";
    ::close(reused);
}

TEST(SimpleServer, BindFailureDestroysTheHandlerAndAllowsAStartOver)
{
    Socket holder;
    SimpleServer server;
    holder.OpenSocket();
    holder.IP = "127.0.0.1";
    holder.Bind();
    holder.Listen(1);

    server.BoundIP = "127.0.0.1";
    server.BoundPort = holder.Port;
    EXPECT_THROW(server.StartListening(), CouldNotBindSocketError);
    EXPECT_EQ(server.IOHandler(), nullptr);
    EXPECT_EQ(server.ListeningSocket(), NoSocket);

    server.BoundPort = 0;
    server.StartListening();
    EXPECT_GT(server.SocketHandle()->Port, 0);
    EXPECT_NE(server.SocketHandle()->Port, holder.Port);
}

TEST(SimpleServer, PeerFilterTurnsAwayOtherPeers)
{
    SimpleServer server;
    server.StartListening();
    const std::int32_t port = server.SocketHandle()->Port;

    const int stranger = test::ConnectRaw(port);
    ASSERT_GE(stranger, 0);
    std::int32_t strangerPort = 0;
    {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(stranger, reinterpret_cast<sockaddr*>(&address), &length);
        strangerPort = ntohs(address.sin_port);
    }
    std::vector<std::int32_t> seen;
    server.PeerFilter = [&](const std::string& ip, std::int32_t peerPort) {
        seen.push_back(peerPort);
        return ip == "127.0.0.1" && peerPort != strangerPort;
    };
    int expected = -1;
    std::thread peer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        expected = test::ConnectRaw(port);
        test::SendAll(expected, "wanted");
        ::close(expected);
    });
    ASSERT_TRUE(server.AcceptOne());
    peer.join();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen.front(), strangerPort);
    EXPECT_EQ(test::ReceiveAll(stranger), ""); // turned away: closed without data
    ::close(stranger);
    std::ostringstream data;
    server.ReadToStream(data, -1, ReadUntil::Closed);
    EXPECT_EQ(data.str(), "wanted");
}

} // namespace
} // namespace quorvane::net
