#include "net/transport/NetComponent.h"
#include "net/transport/NetError.h"
#include "net/transport/PlatformSocketStack.h"
#include "net/transport/SocketLibrary.h"
#include "net/transport/SocketStack.h"
#include "tests/support/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace quorvane::net {
namespace {

// A platform stack that counts its instances and name lookups.
struct CountingStack : PlatformSocketStack {
    static inline int instances = 0;
    static inline int lookups = 0;
    CountingStack() { ++instances; }
    std::string GetHostByName(const std::string& hostName) override
    {
        ++lookups;
        return PlatformSocketStack::GetHostByName(hostName);
    }
};

// Whether this machine's own name has an IPv4 address; fresh machines and
// containers often leave it out of /etc/hosts.
bool OwnHostNameResolves()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &result) != 0)
        return false;
    ::freeaddrinfo(result);
    return true;
}

class SocketStackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CountingStack::instances = 0;
        CountingStack::lookups = 0;
        SocketStack::SetStackClass([] { return std::make_unique<CountingStack>(); });
    }
    void TearDown() override { SocketStack::SetStackClass({}); }
};

TEST_F(SocketStackTest, ErrorTextFormatsCodeAndTableText)
{
    const struct {
        std::int32_t code;
        const char* text;
    } cases[] = {
        {10061, "Socket Error # 10061\r\nConnection refused."},
        {10060, "Socket Error # 10060\r\nConnection timed out."},
        {10048, "Socket Error # 10048\r\nAddress already in use."},
        {10035, "Socket Error # 10035\r\nOperation would block. "}, // trailing space kept
        {10066, "Socket Error # 10066\r\nDirectory not empty"},     // no full stop
        {11001, "Socket Error # 11001\r\nHost not found."},
        {12345, "Socket Error # 12345\r\n"},
        // A C-library error without a code of its own keeps its number and the library's text.
        {ENOENT, "Socket Error # 2\r\nNo such file or directory"},
        {10093, "Socket Error # 10093\r\n"},
    };
    NetComponent component;
    for (const auto& c : cases)
        EXPECT_EQ(SocketStack::Shared().ErrorText(c.code), c.text) << c.code;
}

TEST(PlatformSocketStack, TranslatesErrnoIntoSystemCodes)
{
    const struct {
        int error;
        std::int32_t code;
    } cases[] = {
        {ECONNREFUSED, 10061},
        {ETIMEDOUT, 10060},
        {EADDRINUSE, 10048},
        {ECONNRESET, 10054},
        {EINTR, 10004},
        {ENOTSOCK, 10038},
        {EBADF, 10009},
        {EPIPE, 10058},
        {ECONNABORTED, 10053},
        {EHOSTUNREACH, 10065},
        {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlatformSocketStack::TranslateErrno(c.error), c.code) << c.error;
}

TEST(SocketStackDottedQuad, AcceptsOnlyFourOctets)
{
    const struct {
        const char* text;
        bool dotted;
    } cases[] = {
        {"10.0.0.1", true},  {"127.0.0.1", true},  {"0.0.0.0", true},    {"255.255.255.255", true},
        {"1.2.3", false},    {"1.2.3.4.5", false}, {"256.1.1.1", false}, {"a.b.c.d", false},
        {"", false},         {"1..3.4", false},    {"1.2.3.", false},    {"-1.2.3.4", false},
        {"1.2.3.4 ", false}, {"localhost", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SocketStack::IsDottedQuad(c.text), c.dotted) << c.text;
}

TEST(SocketStackInterleave, AlternatesTheFamiliesIpv6FirstKeepingEachOrderAndDroppingRepeats)
{
    const IpAddress a6{AddressFamilyInet6, "2001:db8::a"}, b6{AddressFamilyInet6, "2001:db8::b"};
    const IpAddress a4{AddressFamilyInet, "192.0.2.1"}, b4{AddressFamilyInet, "192.0.2.2"};
    const struct {
        const char* name;
        std::vector<IpAddress> given;
        std::vector<IpAddress> tried;
    } cases[] = {
        {"two IPv6 and one IPv4", {a4, b6, a6}, {b6, a4, a6}},
        {"IPv4 only", {b4, a4}, {b4, a4}},
        {"IPv6 only", {b6, a6}, {b6, a6}},
        {"repeated addresses", {a6, a4, a6, b4, a4, b6, b4}, {a6, a4, b6, b4}},
        {"none", {}, {}},
    };
    for (const auto& c : cases) {
        const std::vector<IpAddress> tried = SocketStack::InterleaveFamilies(c.given);
        std::vector<std::string> texts, expected;
        for (const IpAddress& address : tried)
            texts.push_back(address.Text);
        for (const IpAddress& address : c.tried)
            expected.push_back(address.Text);
        EXPECT_EQ(texts, expected) << c.name;
        EXPECT_EQ(tried, c.tried) << c.name; // the families travel with the texts
    }
}

TEST_F(SocketStackTest, LocalhostAndDottedQuadsResolveWithoutLookup)
{
    NetComponent component;
    SocketStack& stack = SocketStack::Shared();
    for (const char* name : {"localhost", "LOCALHOST", "LocalHost", "lOcAlHoSt"})
        EXPECT_EQ(stack.ResolveHostName(name), "127.0.0.1") << name;
    EXPECT_EQ(stack.ResolveHostName("10.0.0.1"), "10.0.0.1");
    EXPECT_EQ(CountingStack::lookups, 0);

    // Not dotted quads: these go to the name lookup (and fail there).
    for (const char* name : {"1.2.3.4.5", "256.1.1.1", "a.b.c.d"}) {
        EXPECT_THROW(stack.ResolveHostName(name), SocketError) << name;
    }
    EXPECT_EQ(CountingStack::lookups, 3);
}

TEST_F(SocketStackTest, UnknownHostRaisesHostNotFound)
{
    NetComponent component;
    try {
        SocketStack::Shared().ResolveHostName("no-such-host.invalid");
        FAIL() << "lookup succeeded";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Code(), 11001);
        EXPECT_STREQ(error.what(), "Socket Error # 11001\r\nHost not found.");
        EXPECT_EQ(SocketStack::Shared().LastErrorCode(), 11001);
    }
}

TEST_F(SocketStackTest, SharedStackFollowsTheComponentCountAndStartsOnce)
{
    EXPECT_EQ(SocketStack::ComponentCount(), 0);
    EXPECT_EQ(SocketStack::SharedOrNull(), nullptr);
    {
        auto first = std::make_unique<NetComponent>();
        EXPECT_EQ(SocketStack::ComponentCount(), 1);
        SocketStack* stack = SocketStack::SharedOrNull();
        ASSERT_NE(stack, nullptr);
        {
            NetComponent second;
            EXPECT_EQ(SocketStack::ComponentCount(), 2);
            EXPECT_EQ(SocketStack::SharedOrNull(), stack); // one stack for all
        }
        EXPECT_EQ(SocketStack::SharedOrNull(), stack);
    }
    EXPECT_EQ(SocketStack::ComponentCount(), 0);
    EXPECT_EQ(SocketStack::SharedOrNull(), nullptr);
    EXPECT_TRUE(SocketStack::Started());
    const int loads = SocketLibrary::LoadCount();
    {
        NetComponent again;
        EXPECT_EQ(SocketStack::ComponentCount(), 1);
        EXPECT_NE(SocketStack::SharedOrNull(), nullptr);
    }
    EXPECT_EQ(CountingStack::instances, 2);
    EXPECT_EQ(SocketLibrary::LoadCount(), loads); // no second platform start-up
}

TEST_F(SocketStackTest, FailedStackCreationLeavesTheCountAlone)
{
    SocketStack::SetStackClass([]() -> std::unique_ptr<SocketStack> { throw StackInitializationError(); });
    try {
        NetComponent component;
        FAIL() << "component created without a stack";
    } catch (const StackInitializationError& error) {
        EXPECT_STREQ(error.what(), "Socket Initialization Error.");
    }
    EXPECT_EQ(SocketStack::ComponentCount(), 0);
    EXPECT_EQ(SocketStack::SharedOrNull(), nullptr);
}

TEST(SocketLibrary, CallsResolveOnFirstUseAndFailWhenUnloaded)
{
    NetComponent component; // loads the library
    ASSERT_TRUE(SocketLibrary::Loaded());
    const int loads = SocketLibrary::LoadCount();
    SocketLibrary::Unload();
    EXPECT_FALSE(SocketLibrary::IsBound("socket"));
    try {
        SocketLibrary::Socket(2, 1, 0);
        FAIL() << "call went through without a library";
    } catch (const SocketLibraryError& error) {
        EXPECT_EQ(error.Code(), 10093);
        EXPECT_STREQ(error.what(), "Socket library not started: Error on call socket library function socket");
    }

    EXPECT_EQ(SocketLibrary::Startup(), 0);
    EXPECT_FALSE(SocketLibrary::IsBound("socket")); // still the stub until the first call
    const int fd = SocketLibrary::Socket(2, 1, 0);
    EXPECT_GE(fd, 0);
    EXPECT_TRUE(SocketLibrary::IsBound("socket"));
    SocketLibrary::Close(fd);
    EXPECT_EQ(SocketLibrary::Startup(), 0); // loaded: nothing happens
    EXPECT_EQ(SocketLibrary::LoadCount(), loads + 1);
}

TEST(SocketLibrary, LoadFailureNamesTheLibrary)
{
    SocketLibrary::Unload();
    try {
        SocketLibrary::Startup("libquorvane-missing.so.9");
        FAIL() << "a missing library loaded";
    } catch (const SocketLibraryError& error) {
        const std::string message = error.what();
        EXPECT_EQ(error.Title(), "Error on loading socket library (libquorvane-missing.so.9)");
        EXPECT_FALSE(error.SystemText().empty());
        EXPECT_EQ(message, error.SystemText() + ": " + error.Title());
    }
    EXPECT_FALSE(SocketLibrary::Loaded());
    SocketLibrary::Startup();
}

TEST_F(SocketStackTest, CheckSocketResultIgnoresListedCodesAndRaisesOthers)
{
    NetComponent component;
    SocketStack& stack = SocketStack::Shared();
    EXPECT_FALSE(stack.CheckSocketResult(0));
    EXPECT_FALSE(stack.CheckSocketResult(17, {10061}));

    const std::int32_t port = test::UnusedPort();
    const OsSocket first = stack.NewSocket(SocketTypeStream, 0);
    EXPECT_TRUE(stack.CheckSocketResult(stack.ConnectSocket(first, 2, "127.0.0.1", port), {10048, 10061}));
    EXPECT_EQ(stack.LastErrorCode(), 10061);
    stack.ReleaseSocket(first);

    const OsSocket second = stack.NewSocket(SocketTypeStream, 0);
    try {
        stack.CheckSocketResult(stack.ConnectSocket(second, 2, "127.0.0.1", port), {10048});
        FAIL() << "refused connect passed the check";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Code(), 10061);
        EXPECT_STREQ(error.what(), "Socket Error # 10061\r\nConnection refused.");
    }
    stack.ReleaseSocket(second);
}

TEST_F(SocketStackTest, AddressConversionsAndServices)
{
    NetComponent component;
    SocketStack& stack = SocketStack::Shared();
    EXPECT_EQ(stack.InAddrToText({10, 0, 0, 1}), "10.0.0.1");
    EXPECT_EQ(stack.TextToInAddr("192.168.1.20"), (std::array<std::uint8_t, 4>{192, 168, 1, 20}));
    for (const char* bad : {"a.b.c.d", "256.1.1.1", "1.2.3", "1.2.3.x"})
        EXPECT_THROW(stack.TextToInAddr(bad), std::invalid_argument) << bad;

    EXPECT_EQ(stack.GetServByName("2121"), 2121);
    EXPECT_EQ(stack.GetServByName("ftp"), 21);
    try {
        stack.GetServByName("no-such-service");
        FAIL();
    } catch (const InvalidServiceNameError& error) {
        EXPECT_STREQ(error.what(), "no-such-service is not a valid service.");
    }
    const auto names = stack.GetServByPort(21);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "ftp");
    // The local addresses are those of the machine's name: where the name does
    // not resolve, asking for them is a socket error rather than an empty list.
    if (OwnHostNameResolves()) {
        EXPECT_FALSE(stack.LocalAddresses().empty());
        EXPECT_TRUE(SocketStack::IsDottedQuad(stack.LocalAddress()));
    } else {
        EXPECT_THROW(stack.LocalAddresses(), SocketError);
        EXPECT_THROW(stack.LocalAddress(), SocketError);
    }
}

TEST_F(SocketStackTest, SelectRefusesOversizedSetsAndReportsReadiness)
{
    NetComponent component;
    SocketStack& stack = SocketStack::Shared();
    std::vector<OsSocket> tooMany(SocketStack::MaxSelectSet + 1, 0);
    try {
        stack.Select(&tooMany, nullptr, 0, nullptr);
        FAIL();
    } catch (const StackSetSizeExceededError& error) {
        EXPECT_STREQ(error.what(), "Set Size Exceeded.");
    }

    test::LoopbackListener listener;
    const int client = test::ConnectRaw(listener.Port());
    const int served = listener.Accept();
    std::vector<OsSocket> readList{served};
    std::vector<OsSocket> writeList{served};
    EXPECT_EQ(stack.Select(&readList, &writeList, 0, nullptr), 1); // writable, nothing to read
    EXPECT_TRUE(readList.empty());
    EXPECT_EQ(writeList, std::vector<OsSocket>{served});
    ASSERT_TRUE(test::SendAll(client, "x"));
    readList = {served};
    EXPECT_EQ(stack.Select(&readList, nullptr, 1000, nullptr), 1);
    EXPECT_EQ(readList, std::vector<OsSocket>{served});
    ::close(client);
    ::close(served);
}

} // namespace
} // namespace quorvane::net
