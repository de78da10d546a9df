#include "tests/support/PrivateNetwork.h"

#include "tests/support/TempDir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quorvane::test {

namespace {

constexpr const char* kMarker = "QUORVANE_PRIVATE_NETWORK";

// Binds UDP port 53 on every IPv4 address and never reads: a query there goes unanswered
// instead of being refused, as by a name server that is down behind a firewall.
constexpr const char* kSilentNameServer = "import socket, sys, time\n"
                                          "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
                                          "s.bind(('0.0.0.0', 53))\n"
                                          "open(sys.argv[1], 'w').close()\n"
                                          "time.sleep(300)\n";

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

bool InPrivateNetwork()
{
    const char* value = std::getenv(kMarker);
    return value != nullptr && std::string(value) == "1";
}

int RerunInPrivateNetwork(const std::string& testName, const PrivateNetworkSetup& setup)
{
    if (std::system("unshare -rmn true >/dev/null 2>&1") != 0 || std::system("ip -V >/dev/null 2>&1") != 0)
        return PrivateNetworkUnavailable;
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    TempDir dir{"quorvane-private-network"};
    const std::filesystem::path base = dir.Path();

    // A setup step that fails here means no private network can be made: the test skips.
    const std::string orSkip = " || exit " + std::to_string(PrivateNetworkUnavailable) + "\n";
    std::string script = "silent=\ntrap '[ -n \"$silent\" ] && kill \"$silent\"' EXIT\nip link set lo up" + orSkip;
    if (!setup.Hosts.empty()) {
        WriteBytes(base / "hosts", setup.Hosts);
        script += "mount --bind " + Quoted((base / "hosts").string()) + " /etc/hosts" + orSkip;
    }
    if (!setup.ResolvConf.empty()) {
        WriteBytes(base / "resolv.conf", setup.ResolvConf);
        script += "mount --bind " + Quoted((base / "resolv.conf").string()) + " /etc/resolv.conf" + orSkip;
    }
    if (setup.SilentNameServer) {
        WriteBytes(base / "silent.py", kSilentNameServer);
        const std::string ready = Quoted((base / "ready").string());
        script += "/usr/bin/python3 " + Quoted((base / "silent.py").string()) + " " + ready + " &\nsilent=$!\n";
        script += "for _ in $(seq 100); do [ -e " + ready + " ] && break; sleep 0.05; done\n";
        script += "[ -e " + ready + " ]" + orSkip;
    }
    script += std::string(kMarker) + "=1 " + Quoted(program) + " --gtest_filter=" + Quoted(testName) + "\n";
    WriteBytes(base / "run.sh", script);

    const int status = std::system(("unshare -rmn sh " + Quoted((base / "run.sh").string())).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quorvane::test
