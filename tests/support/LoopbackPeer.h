#pragma once

#include "net/transport/AntiFreezeBase.h"
#include "tests/support/LoopbackAddress.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::net {
class TcpClient;
} // namespace quorvane::net

namespace quorvane::net::test {

/// A plain POSIX listening socket on 127.0.0.1 (or ::1) with a system-chosen port, used as
/// the far end of the connections under test.
class LoopbackListener {
public:
    explicit LoopbackListener(int backlog = 8, ::quorvane::test::LoopbackFamily family = {});
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::int32_t Port() const { return port_; }
    int Fd() const { return fd_; }
    /// Accepts one connection (blocking); returns its descriptor.
    int Accept();
    void Close();

private:
    int fd_ = -1;
    std::int32_t port_ = 0;
};

/// Connects `client` to `listener` on 127.0.0.1 (a plain connect) and accepts the
/// connection; returns the listener's end, which the caller closes.
int ConnectToListener(TcpClient& client, LoopbackListener& listener);

/// Runs `script` with the accepted descriptor on a thread of its own; the descriptor is
/// closed when the script returns. Join() waits for it.
class PeerThread {
public:
    PeerThread(LoopbackListener& listener, std::function<void(int fd)> script);
    ~PeerThread();
    void Join();

private:
    std::thread thread_;
};

/// Writes all bytes (no SIGPIPE); false when the peer went away.
bool SendAll(int fd, const std::string& bytes);
/// Reads until `count` bytes or end of stream.
std::string ReceiveUpTo(int fd, std::size_t count);
/// Reads until the peer closes.
std::string ReceiveAll(int fd);
/// A port on 127.0.0.1 that nothing listens on (bound once by the system, then released).
std::int32_t UnusedPort();
/// Connects a plain socket to 127.0.0.1:`port`; -1 on failure.
int ConnectRaw(std::int32_t port);
/// Milliseconds since `start`.
std::int64_t ElapsedMs(std::chrono::steady_clock::time_point start);
/// Threads of this process.
int ThreadCount();

/// An anti-freeze that counts its pumps and records when they happened.
class CountingAntiFreeze : public AntiFreezeBase {
public:
    CountingAntiFreeze();
    void PumpMessages() override;

    std::chrono::steady_clock::time_point Start;
    /// Milliseconds since Start at each pump.
    std::vector<std::int64_t> PumpTimes;
    /// Runs at every pump when set (e.g. to abort an accept).
    std::function<void()> OnPump;
};

} // namespace quorvane::net::test
