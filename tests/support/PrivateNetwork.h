#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quorvane::test {

/// What the private network of a re-run test looks like besides its loopback.
struct PrivateNetworkSetup {
    std::string Hosts;             ///< the contents of /etc/hosts there; empty: the machine's
    std::string ResolvConf;        ///< the contents of /etc/resolv.conf there; empty: the machine's
    bool SilentNameServer = false; ///< a listener on UDP port 53 of every loopback address that never answers
};

/// The exit code of RerunInPrivateNetwork when no private network can be made here.
inline constexpr int PrivateNetworkUnavailable = 77;

/// True in the process RerunInPrivateNetwork started.
bool InPrivateNetwork();

/// Runs the test `testName` ("Suite.Name") of this test program again, in a network
/// namespace of its own (unshare -rmn: user, mount and network) whose only interface is a
/// loopback that is up, with the files of `setup` bind-mounted. Nothing it does can reach
/// another machine. Returns the re-run's exit code (0 when the test passed), or
/// PrivateNetworkUnavailable.
int RerunInPrivateNetwork(const std::string& testName, const PrivateNetworkSetup& setup);

} // namespace quorvane::test

/// In a test body: unless this process is already the re-run, runs the current test again in
/// a private network made by `setup` (a PrivateNetworkSetup) and ends it with the re-run's
/// outcome, skipped where no private network can be made here.
#define QUORVANE_RERUN_IN_PRIVATE_NETWORK(...)                                                                         \
    do {                                                                                                               \
        if (!::quorvane::test::InPrivateNetwork()) {                                                                   \
            const ::testing::TestInfo* rerunInfo = ::testing::UnitTest::GetInstance()->current_test_info();            \
            const int rerunCode = ::quorvane::test::RerunInPrivateNetwork(                                             \
                std::string(rerunInfo->test_suite_name()) + "." + rerunInfo->name(), __VA_ARGS__);                     \
            if (rerunCode == ::quorvane::test::PrivateNetworkUnavailable)                                              \
                GTEST_SKIP() << "cannot create a private network namespace (unshare -rmn) here";                       \
            EXPECT_EQ(rerunCode, 0) << "the test failed in its private network; its output is above";                  \
            return;                                                                                                    \
        }                                                                                                              \
    } while (false)
