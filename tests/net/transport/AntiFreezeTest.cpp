#include "net/transport/AntiFreezeBase.h"
#include "net/transport/NetComponent.h"
#include "net/transport/Socket.h"
#include "net/transport/TcpClient.h"
#include "tests/support/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

namespace quorvane::net {
namespace {

using test::CountingAntiFreeze;
using test::ElapsedMs;

// A connected client socket whose peer sends nothing unless told to.
class AntiFreezeWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        client_.OpenSocket();
        client_.SetRemote("127.0.0.1", listener_.Port());
        ASSERT_EQ(client_.Connect(), 0);
        served_ = listener_.Accept();
        ASSERT_GE(served_, 0);
    }
    void TearDown() override { ::close(served_); }

    // Sends one byte to the client after `ms` on another thread.
    std::thread SendLater(int ms)
    {
        return std::thread([this, ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            test::SendAll(served_, "x");
        });
    }

    NetComponent component_;
    test::LoopbackListener listener_;
    Socket client_;
    int served_ = -1;
};

TEST_F(AntiFreezeWaitTest, LimitedWaitIsCutIntoSlicesWithThePartialSliceFirst)
{
    CountingAntiFreeze freeze; // IdleTimeOut 250
    freeze.Start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client_.WaitReadable(600));
    // 600 with 250 waits 100, 250 and 250, pumping after each.
    ASSERT_EQ(freeze.PumpTimes.size(), 3u);
    EXPECT_GE(freeze.PumpTimes[0], 95);
    EXPECT_LT(freeze.PumpTimes[0], 200); // the short slice comes first
    for (std::size_t i = 1; i < 3; ++i) {
        const std::int64_t slice = freeze.PumpTimes[i] - freeze.PumpTimes[i - 1];
        EXPECT_GE(slice, 245) << i;
        EXPECT_LT(slice, 400) << i;
    }
}

TEST_F(AntiFreezeWaitTest, SliceArithmeticFollowsIdleTimeOut)
{
    const struct {
        std::int32_t idle;
        std::int32_t timeout;
        std::size_t pumps;
    } cases[] = {
        {250, 250, 1}, {250, 251, 2}, {100, 300, 3}, {100, 301, 4}, {500, 120, 1}, {0, 20, 20},
    };
    for (const auto& c : cases) {
        CountingAntiFreeze freeze;
        freeze.IdleTimeOut = c.idle;
        EXPECT_FALSE(client_.WaitReadable(c.timeout));
        EXPECT_EQ(freeze.PumpTimes.size(), c.pumps) << c.idle << "/" << c.timeout;
    }
}

TEST_F(AntiFreezeWaitTest, DataEndsTheWaitWithoutAPump)
{
    // The largest limit too: rounding it up to whole slices must not overflow
    // into a wait that ends early.
    for (const std::int32_t limit : {1000, 2147483647}) {
        CountingAntiFreeze freeze;
        const auto start = std::chrono::steady_clock::now();
        std::thread sender = SendLater(450);
        EXPECT_TRUE(client_.WaitReadable(limit)) << limit;
        sender.join();
        EXPECT_LT(ElapsedMs(start), 700) << limit;
        // A pump after each slice that ended before the data: 250 ms first for
        // 1000, 147 ms (the remainder) and 250 ms for the largest limit. The
        // data comes midway between the slice ends at 397 and 500 ms, so a busy
        // machine's delays do not move it across one.
        EXPECT_EQ(freeze.PumpTimes.size(), limit == 1000 ? 1u : 2u) << limit;
        char byte;
        ASSERT_EQ(client_.Recv(&byte, 1), 1);
    }
}

TEST_F(AntiFreezeWaitTest, UnlimitedWaitPumpsEverySliceUntilData)
{
    CountingAntiFreeze freeze;
    freeze.Start = std::chrono::steady_clock::now();
    std::thread sender = SendLater(875);
    EXPECT_TRUE(client_.WaitReadable(-2));
    sender.join();
    ASSERT_EQ(freeze.PumpTimes.size(), 3u);
    EXPECT_GE(freeze.PumpTimes[0], 245);
    EXPECT_GE(freeze.PumpTimes[2] - freeze.PumpTimes[1], 245);
}

TEST_F(AntiFreezeWaitTest, NoSlicingWithoutAnActiveFreezeOnTheMainThread)
{
    {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(client_.WaitReadable(300)); // no anti-freeze at all
        EXPECT_GE(ElapsedMs(start), 290);
    }
    CountingAntiFreeze freeze;
    freeze.IdleTimeOut = 50;
    freeze.Active = false;
    EXPECT_FALSE(AntiFreezeBase::AntiFreezeInUse());
    EXPECT_FALSE(client_.WaitReadable(200));
    EXPECT_TRUE(freeze.PumpTimes.empty());

    freeze.Active = true;
    EXPECT_TRUE(AntiFreezeBase::AntiFreezeInUse());
    bool inUseElsewhere = true;
    std::thread other([&] {
        inUseElsewhere = AntiFreezeBase::AntiFreezeInUse();
        client_.WaitReadable(200);
    });
    other.join();
    EXPECT_FALSE(inUseElsewhere);
    EXPECT_TRUE(freeze.PumpTimes.empty());
}

TEST(AntiFreeze, LastCreatedIsCurrentAndAnyDestructionLeavesNone)
{
    EXPECT_EQ(AntiFreezeBase::Current(), nullptr);
    auto first = std::make_unique<CountingAntiFreeze>();
    EXPECT_EQ(AntiFreezeBase::Current(), first.get());
    auto second = std::make_unique<CountingAntiFreeze>();
    EXPECT_EQ(AntiFreezeBase::Current(), second.get());
    first.reset(); // not the current one, yet none is current afterwards
    EXPECT_EQ(AntiFreezeBase::Current(), nullptr);
    EXPECT_FALSE(AntiFreezeBase::AntiFreezeInUse());
    AntiFreezeBase::MaybePump(AntiFreezeBase::Activity::Idle);
    EXPECT_TRUE(second->PumpTimes.empty());
}

TEST(AntiFreeze, MaybePumpRespectsOnlyWhenIdleAndOverride)
{
    using A = AntiFreezeBase;
    const struct {
        bool onlyWhenIdle;
        A::Activity activity;
        A::Override override;
        bool pumps;
    } cases[] = {
        {true, A::Activity::Idle, A::Override::No, true},
        {true, A::Activity::Busy, A::Override::No, false},
        {true, A::Activity::Busy, A::Override::Yes, true},
        {false, A::Activity::Busy, A::Override::No, true},
    };
    for (const auto& c : cases) {
        CountingAntiFreeze freeze;
        freeze.OnlyWhenIdle = c.onlyWhenIdle;
        A::MaybePump(c.activity, c.override);
        EXPECT_EQ(freeze.PumpTimes.size(), c.pumps ? 1u : 0u);
    }
}

TEST(AntiFreeze, SendsPumpOnlyWhenNotOnlyWhenIdle)
{
    test::LoopbackListener listener;
    TcpClient client;
    const int served = test::ConnectToListener(client, listener);

    CountingAntiFreeze freeze;
    client.WriteLine("quiet");
    EXPECT_TRUE(freeze.PumpTimes.empty());
    freeze.OnlyWhenIdle = false;
    client.WriteLine("pumping");
    EXPECT_EQ(freeze.PumpTimes.size(), 1u);
    EXPECT_EQ(test::ReceiveUpTo(served, 16), "quiet\r\npumping\r\n");
    ::close(served);
}

} // namespace
} // namespace quorvane::net
