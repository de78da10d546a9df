#include "net/transport/ByteSink.h"
#include "net/transport/TcpClient.h"
#include "tests/support/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane::net {
namespace {

char PatternByte(std::uint64_t index)
{
    return static_cast<char>((index * 131) ^ (index >> 13));
}

// Checks every byte against the pattern as it arrives instead of holding 64 MB.
struct CheckingSink : ByteSink {
    std::uint64_t count = 0;
    std::uint64_t firstMismatch = UINT64_MAX;
    void Write(const char* data, std::size_t size) override
    {
        for (std::size_t i = 0; i < size; ++i, ++count) {
            if (data[i] != PatternByte(count) && firstMismatch == UINT64_MAX)
                firstMismatch = count;
        }
    }
};

TEST(LargeStream, ReadToStreamUntilClosedMoves64MegabytesByteForByte)
{
    constexpr std::uint64_t total = 64ull << 20;
    test::LoopbackListener listener;
    TcpClient client;
    const int served = test::ConnectToListener(client, listener);
    std::thread peer([served] {
        std::string chunk(1 << 20, '\0');
        for (std::uint64_t sent = 0; sent < total; sent += chunk.size()) {
            for (std::size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = PatternByte(sent + i);
            if (!test::SendAll(served, chunk))
                break;
        }
        ::close(served);
    });
    CheckingSink sink;
    client.ReadToStream(sink, -1, ReadUntil::Closed);
    peer.join();
    EXPECT_EQ(sink.count, total);
    EXPECT_EQ(sink.firstMismatch, UINT64_MAX);
}

} // namespace
} // namespace quorvane::net
