// A listing that never stops: the client cuts it off at its limit with a
// clear error, with memory bounded, and can open a fresh connection afterwards.
#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "tests/net/ftp/FtpTestSupport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;
using test::ScriptedPeer;
using namespace std::chrono_literals;

namespace {

long PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

TEST(HostilePeerSlow, TwoHundredMegabyteListingIsCutOffAtTheLimit)
{
    for (const bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ScriptedPeer peer;
        ScriptLogin(peer);
        ScriptListingStart(peer, passive);
        // Short lines: the worst case for the memory the lines take.
        peer.SendPattern(200ull << 20).CloseData().Reply("226 done");
        peer.Start();

        FtpClient client;
        Aim(client, peer.Port());
        client.Passive = passive;
        client.ReadTimeout = 5000;
        client.OpenConnection();
        std::vector<std::string> destination{"kept"};
        EXPECT_THROW(client.ListDirectory(&destination), ListingTooLongError);
        EXPECT_EQ(destination, std::vector<std::string>{"kept"});
        EXPECT_TRUE(client.ListingLines().empty());
        EXPECT_EQ(client.DataConnection(), nullptr);
        client.Disconnect();
        peer.Finish(2s);

        ScriptedPeer good;
        ScriptLogin(good);
        good.ExpectClosed();
        good.Start();
        client.Port = good.Port();
        EXPECT_NO_THROW(client.OpenConnection());
        client.Disconnect();
        EXPECT_TRUE(good.Finish()) << good.Failure();
    }
    // The listing limit is 16 MB; the process never came near the 200 MB sent.
    EXPECT_LT(PeakResidentMegabytes(), 160);
}
