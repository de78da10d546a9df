#include "net/transport/NetComponent.h"
#include "net/transport/NetError.h"
#include "net/transport/Socket.h"
#include "net/transport/SocketStack.h"
#include "tests/support/LoopbackPeer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvane::net {
namespace {

class SocketTest : public ::testing::Test {
protected:
    NetComponent component_; // keeps the shared stack alive
};

TEST_F(SocketTest, BindToPortZeroReportsTheSystemChosenPort)
{
    Socket socket;
    socket.OpenSocket();
    socket.IP = "127.0.0.1";
    socket.Bind();
    EXPECT_GT(socket.Port, 0);
    EXPECT_EQ(socket.IP, "127.0.0.1");

    // Any local address when IP is empty.
    Socket any;
    any.OpenSocket();
    any.Bind();
    EXPECT_EQ(any.IP, "0.0.0.0");
    EXPECT_GT(any.Port, 0);
}

TEST_F(SocketTest, BindToAPortInUseRaisesCouldNotBind)
{
    Socket holder;
    holder.OpenSocket();
    holder.IP = "127.0.0.1";
    holder.Bind();
    holder.Listen(1);

    Socket second;
    second.OpenSocket();
    second.IP = "127.0.0.1";
    second.Port = holder.Port;
    try {
        second.Bind();
        FAIL() << "bound a port in use";
    } catch (const CouldNotBindSocketError& error) {
        EXPECT_STREQ(error.what(), "Could not bind socket. Address and port are already in use.");
    }
    EXPECT_EQ(SocketStack::Shared().LastErrorCode(), 10048);
}

TEST_F(SocketTest, PortRangeIsTriedFromTheTopDown)
{
    // A port the system hands out is held; the range around it is checked against it.
    Socket holder;
    holder.OpenSocket();
    holder.IP = "127.0.0.1";
    holder.Bind();
    holder.Listen(1);
    const std::int32_t held = holder.Port;

    Socket top;
    top.OpenSocket();
    top.IP = "127.0.0.1";
    top.ClientPortMin = held - 1;
    top.ClientPortMax = held;
    try {
        top.Bind();
    } catch (const CanNotBindPortInRangeError&) {
        GTEST_SKIP() << "the port below the held one is taken by another program";
    }
    EXPECT_EQ(top.Port, held - 1); // held was tried first and skipped

    Socket none;
    none.OpenSocket();
    none.IP = "127.0.0.1";
    none.ClientPortMin = held;
    none.ClientPortMax = held;
    try {
        none.Bind();
        FAIL() << "bound a port in use";
    } catch (const CanNotBindPortInRangeError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Can not bind in port range (" + std::to_string(held) + " - " + std::to_string(held) + ")");
    }
}

TEST_F(SocketTest, InvertedRangeAndFixedPortRules)
{
    Socket inverted;
    inverted.OpenSocket();
    inverted.ClientPortMin = 5002;
    inverted.ClientPortMax = 5000;
    try {
        inverted.Bind();
        FAIL();
    } catch (const InvalidPortRangeError& error) {
        EXPECT_STREQ(error.what(), "Invalid Port Range (5002 - 5000)");
    }

    // A range with one end 0 is no range: a single bind to Port (0: system chosen).
    Socket halfRange;
    halfRange.OpenSocket();
    halfRange.IP = "127.0.0.1";
    halfRange.ClientPortMin = 0;
    halfRange.ClientPortMax = 5002;
    halfRange.Bind();
    EXPECT_GT(halfRange.Port, 0);
}

TEST_F(SocketTest, AcceptFillsAddressesAndWaitReadableNeedsASocket)
{
    Socket listener;
    listener.OpenSocket();
    listener.IP = "127.0.0.1";
    listener.Bind();
    listener.Listen(1);

    EXPECT_FALSE(listener.WaitReadable(0));
    const int client = test::ConnectRaw(listener.Port);
    ASSERT_GE(client, 0);
    EXPECT_TRUE(listener.WaitReadable(2000));

    Socket accepted;
    ASSERT_TRUE(accepted.Accept(listener.OsHandle));
    EXPECT_TRUE(accepted.HasSocket);
    EXPECT_EQ(accepted.IP, "127.0.0.1");
    EXPECT_EQ(accepted.Port, listener.Port);
    EXPECT_EQ(accepted.RemoteIP, "127.0.0.1");
    EXPECT_GT(accepted.RemotePort, 0);

    ASSERT_TRUE(test::SendAll(client, "ping"));
    EXPECT_TRUE(accepted.WaitReadable(2000));
    char buffer[8] = {};
    EXPECT_EQ(accepted.Recv(buffer, sizeof buffer), 4);
    ::close(client);

    accepted.CloseSocket();
    EXPECT_FALSE(accepted.HasSocket);
    try {
        accepted.WaitReadable(10);
        FAIL();
    } catch (const ConnClosedGracefullyError& error) {
        EXPECT_STREQ(error.what(), "Connection Closed Gracefully.");
    }

    // Accepting from something that is not a listening socket is an ignored error.
    const int notASocket = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    Socket notListening;
    EXPECT_FALSE(notListening.Accept(notASocket));
    EXPECT_FALSE(notListening.HasSocket);
    EXPECT_EQ(SocketStack::Shared().LastErrorCode(), 10038);
    ::close(notASocket);
}

} // namespace
} // namespace quorvane::net
