#include "net/transport/ManagedBuffer.h"
#include "net/transport/NetError.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quorvane::net {
namespace {

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

TEST(ManagedBuffer, CompactsOnlyAfterThresholdConsumedBytes)
{
    const std::string bytes = Pattern(40000);
    ManagedBuffer buffer;
    std::size_t removed = 0;
    buffer.OnRemoved = [&](std::size_t count) { removed += count; };
    buffer.Append(bytes.data(), bytes.size());

    buffer.Remove(1000);
    EXPECT_EQ(buffer.ReadOffset(), 1000u);
    buffer.Remove(ManagedBuffer::CompactThreshold - 1001);
    EXPECT_EQ(buffer.ReadOffset(), ManagedBuffer::CompactThreshold - 1);
    EXPECT_EQ(std::string(buffer.Data(), 5), bytes.substr(ManagedBuffer::CompactThreshold - 1, 5));

    buffer.Remove(1); // reaches the threshold: the rest moves to the front
    EXPECT_EQ(buffer.ReadOffset(), 0u);
    EXPECT_EQ(buffer.Size(), 40000 - ManagedBuffer::CompactThreshold);
    EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), bytes.substr(ManagedBuffer::CompactThreshold));

    // Appending after consumption writes at the end of the unread bytes.
    buffer.Append("XYZ", 3);
    EXPECT_EQ(buffer.Extract(buffer.Size()), bytes.substr(ManagedBuffer::CompactThreshold) + "XYZ");
    EXPECT_TRUE(buffer.Empty());
    EXPECT_EQ(buffer.ReadOffset(), 0u);
    EXPECT_EQ(removed, 40003u);
}

TEST(ManagedBuffer, ALongQueueIsNotMovedForEveryThresholdConsumed)
{
    // 32768 consumed bytes do not pay for moving 200000 unread ones: the move waits until
    // the consumed bytes outnumber the unread ones.
    const std::string bytes = Pattern(300000);
    ManagedBuffer buffer;
    buffer.Append(bytes.data(), bytes.size());
    buffer.Remove(ManagedBuffer::CompactThreshold);
    EXPECT_EQ(buffer.ReadOffset(), ManagedBuffer::CompactThreshold);
    buffer.Remove(149999 - ManagedBuffer::CompactThreshold);
    EXPECT_EQ(buffer.ReadOffset(), 149999u);
    buffer.Remove(1);
    EXPECT_EQ(buffer.ReadOffset(), 0u);
    EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), bytes.substr(150000));
}

TEST(ManagedBuffer, RemovingMoreThanQueuedRaisesAndKeepsTheBytes)
{
    ManagedBuffer buffer;
    buffer.Append("abc", 3);
    for (auto action : {+[](ManagedBuffer& b) { b.Remove(4); }, +[](ManagedBuffer& b) { (void)b.Extract(4); }}) {
        try {
            action(buffer);
            FAIL() << "removed more than queued";
        } catch (const NotEnoughDataInBufferError& error) {
            EXPECT_STREQ(error.what(), "Not enough data in buffer.");
        }
        EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), "abc");
    }
}

TEST(ManagedBuffer, FindSearchesFromTheGivenPositionOfTheUnreadBytes)
{
    ManagedBuffer buffer;
    const std::string text = "skip\nline one\r\nline two\n";
    buffer.Append(text.data(), text.size());
    buffer.Remove(5);
    const struct {
        const char* pattern;
        std::size_t from;
        std::size_t at;
    } cases[] = {
        {"\n", 0, 9},
        {"\n", 10, 18},
        {"\r\n", 0, 8},
        {"\r\n", 9, ManagedBuffer::npos},
        {"two", 0, 15},
        {"\n", 19, ManagedBuffer::npos},
        {"", 0, ManagedBuffer::npos},
    };
    for (const auto& c : cases)
        EXPECT_EQ(buffer.Find(c.pattern, c.from), c.at) << c.pattern << " from " << c.from;
}

TEST(ManagedBuffer, PreparedRoomBecomesVisibleOnlyWhenCommitted)
{
    ManagedBuffer buffer;
    buffer.Append("ab", 2);
    char* room = buffer.PrepareAppend(100);
    std::memcpy(room, "cdef", 4);
    EXPECT_EQ(buffer.Size(), 2u);
    buffer.CommitAppend(4);
    EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), "abcdef");
    buffer.PrepareAppend(10);
    buffer.CommitAppend(0); // a failed receive adds nothing
    EXPECT_EQ(buffer.Size(), 6u);
}

} // namespace
} // namespace quorvane::net
