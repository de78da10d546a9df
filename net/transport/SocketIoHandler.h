#pragma once

#include "net/transport/IoHandler.h"
#include "net/transport/Socket.h"

#include <memory>

namespace quorvane::net {

/// The I/O handler over one Socket, which it creates on the first Open and owns.
/// Performs the client side of a TCP connect: create, bind, resolve and connect, either
/// as one blocking call or watched from this thread in slices while a worker connects.
class SocketIoHandler : public IoHandler {
public:
    /// Default limit of a watched connect, in ms.
    static constexpr std::int32_t DefaultConnectTimeout = 120000;
    /// Length of one watch slice, in ms.
    static constexpr std::int32_t ConnectSlice = 125;

    SocketIoHandler();
    ~SocketIoHandler() override;

    /// When false, TCP_NODELAY is set before connecting.
    bool UseNagle = true;

    /// The owned socket handle; null before the first Open.
    Socket* SocketHandle() const noexcept { return socketHandle_.get(); }

    void Open() override;
    void Close() override;
    bool Connected() override;
    bool WaitReadable(std::int32_t timeoutMs) override;
    long Recv(void* buffer, std::size_t length) override;
    long Send(const void* buffer, std::size_t length) override;
    /// Raises the errors of Socket (create, bind, lookup), SocketError for a failed plain
    /// connect, ConnectTimeoutError "Connect timed out." and ConnectError (the worker's
    /// error text) for a watched connect, and ConnectError "Connect aborted." for a watched
    /// connect that AbortConnect ended. After a failure the socket may still be open.
    void ConnectClient(const std::string& host, std::int32_t port, std::int32_t timeoutMs, std::int32_t boundPortMax,
                       std::int32_t boundPortMin, std::int32_t boundPort, const std::string& boundIp) override;

    /// Ends the watched connect that is running (called from a handler the anti-freeze runs
    /// while the connect waits): it stops at the end of its current slice.
    void AbortConnect() noexcept { connectAborted_ = true; }

private:
    void WatchedConnect(std::int32_t timeoutMs);

    std::unique_ptr<Socket> socketHandle_;
    bool connectAborted_ = false;
};

} // namespace quorvane::net
