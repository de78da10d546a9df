#pragma once

#include "tests/support/LoopbackAddress.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::test {

/// A loopback protocol peer that plays a script: it listens on 127.0.0.1 on a
/// system-chosen port, accepts one control connection, then runs its steps in
/// order on a thread of its own. Every line it reads is recorded byte for byte
/// (without CR LF). A line that does not match an expectation is recorded as
/// the failure and ends the script (the control connection is closed).
///
/// Every wait inside a step is limited (`StepLimit`), so a client that never
/// answers makes the script fail instead of hanging the test.
class ScriptedPeer {
public:
    /// Where the peer listens: 127.0.0.1, or ::1 for an IPv6 control connection (its
    /// passive data listeners follow the control connection's family).
    using Family = LoopbackFamily;

    explicit ScriptedPeer(Family family = Family::Inet);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    /// The control port to connect to.
    [[nodiscard]] int Port() const { return port_; }

    // Script steps, added before Start().
    ScriptedPeer& Send(std::string bytes);          ///< raw bytes on the control connection
    ScriptedPeer& Reply(const std::string& line);   ///< `line` followed by CR LF
    ScriptedPeer& Expect(std::string line);         ///< read one line, it must equal `line`
    ScriptedPeer& ExpectPrefix(std::string prefix); ///< read one line, it must start with `prefix`
    ScriptedPeer& ExpectClosed();                   ///< the client closes the control connection
    ScriptedPeer& CloseControl();                   ///< close the control connection
    ScriptedPeer& Pause(std::chrono::milliseconds time);
    /// Connect to the address of the last "PORT" or "EPRT" line received (active
    /// mode), optionally from the local address `fromIp` (any 127.x.y.z).
    ScriptedPeer& ConnectData(std::string fromIp = {});
    /// The data connection must be closed by the client without data
    /// (used after `ConnectData` from a foreign address).
    ScriptedPeer& ExpectDataRejected();
    /// Open a data listener and reply "227 Entering Passive Mode (h,h,h,h,p,p)"
    /// naming `ip` (default 127.0.0.1) and the listener's port; `parentheses`
    /// false leaves the brackets off.
    ScriptedPeer& ReplyPassive(std::string ip = "127.0.0.1", bool parentheses = true);
    /// Open a data listener and reply "229 Entering Extended Passive Mode (|||p|)"
    /// naming the listener's port (RFC 2428).
    ScriptedPeer& ReplyExtendedPassive();
    ScriptedPeer& AcceptData();                    ///< accept on the passive listener
    ScriptedPeer& SendData(std::string bytes);     ///< bytes on the data connection
    ScriptedPeer& SendPattern(std::uint64_t size); ///< `PatternByte(i)` for i < size
    ScriptedPeer& CloseData();
    /// Read the data connection until the client closes it (an upload); what
    /// arrived must equal `bytes`.
    ScriptedPeer& ExpectData(std::string bytes);
    /// Read the data connection until the client closes its sending side (an
    /// upload's end); the byte count is recorded (`DataBytesReceived`).
    ScriptedPeer& ReadDataUntilClosed();

    /// Starts accepting and playing on the peer's thread.
    void Start();
    /// Waits until the script has ended (at most `limit`), then stops the
    /// peer. Returns true when every step ran and every expectation held.
    bool Finish(std::chrono::milliseconds limit = std::chrono::seconds(20));

    /// Every line read from the client, in order.
    [[nodiscard]] std::vector<std::string> Received() const;
    /// The bytes the last `ReadDataUntilClosed` read.
    [[nodiscard]] std::uint64_t DataBytesReceived() const;
    /// Why the script stopped early; empty when it did not.
    [[nodiscard]] std::string Failure() const;

    /// The byte at offset `index` of the deterministic test pattern.
    [[nodiscard]] static char PatternByte(std::uint64_t index);
    /// Most time any single step may wait.
    static constexpr std::chrono::milliseconds StepLimit{15000};

private:
    enum class Kind {
        Send,
        Expect,
        ExpectPrefix,
        ExpectClosed,
        CloseControl,
        Pause,
        ConnectData,
        ExpectDataRejected,
        ReplyPassive,
        ReplyExtendedPassive,
        AcceptData,
        SendData,
        SendPattern,
        CloseData,
        ExpectData,
        ReadDataUntilClosed
    };
    struct Step {
        Kind kind;
        std::string text;
        std::uint64_t number = 0;
    };

    void Run();
    void RunStep(const Step& step);
    std::string ReadLine();
    void SendAll(int fd, const char* data, std::size_t size);
    void Fail(const std::string& why);
    bool WaitFd(int fd, short events);

    Family family_;
    int listenFd_ = -1;
    int port_ = 0;
    int controlFd_ = -1;
    int dataFd_ = -1;
    int passiveFd_ = -1;
    std::string pending_;
    std::string lastPortLine_;
    std::vector<Step> steps_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> received_;
    std::string failure_;
    std::uint64_t dataBytesReceived_ = 0;
};

} // namespace quorvane::test
