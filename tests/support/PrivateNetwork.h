#pragma once

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
