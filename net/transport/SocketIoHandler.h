#pragma once

#include "net/transport/IoHandler.h"
#include "net/transport/Socket.h"

#include <atomic>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::net {

/// The I/O handler over one Socket, which it creates on the first Open and owns.
/// Performs the client side of a TCP connect: create, bind, resolve and connect to every
/// address of the host in turn (IPv4 and IPv6), either as blocking calls or watched from
/// this thread in slices while workers look the name up and connect.
class SocketIoHandler : public IoHandler {
public:
    /// Default limit of a watched connect, in ms.
    static constexpr std::int32_t DefaultConnectTimeout = 120000;
    /// Length of one watch slice, in ms.
    static constexpr std::int32_t ConnectSlice = 125;
    /// A watched connect starts the attempt on the next address this many ms after the
    /// last one started, unless an attempt has connected by then (RFC 8305).
    static constexpr std::int32_t AttemptDelay = 250;

    SocketIoHandler();
    ~SocketIoHandler() override;

    /// When false, TCP_NODELAY is set before connecting.
    bool UseNagle = true;

    /// The owned socket handle; null before the first Open.
    Socket* SocketHandle() const noexcept { return socketHandle_.get(); }

    void Open() override;
    /// Closes the socket. While a watched connect runs (a handler the anti-freeze runs
    /// meanwhile), its workers may still use the socket: the connect is aborted instead,
    /// as AbortConnect does, and closes the socket itself once every worker has reported.
    void Close() override;
    bool Connected() override;
    bool WaitReadable(std::int32_t timeoutMs) override;
    IoResult Recv(void* buffer, std::size_t length) override;
    IoResult Send(const void* buffer, std::size_t length) override;
    bool WaitWritable(std::int32_t timeoutMs) override;
    /// shutdown() of the sending side; the result is not checked.
    void ShutdownSend() override;
    IoResult SendNow(const void* buffer, std::size_t length) override;
    /// Connects to the addresses of `host`, IPv6 and IPv4 interleaved, IPv6 first. A plain
    /// connect (`timeoutMs` -1 or 0 while no anti-freeze is in use) looks the name up on this
    /// thread and tries the addresses one after another. A watched connect (any other time-out,
    /// or the default of 120000 ms while an anti-freeze is in use) looks the name up on a
    /// thread of its own and races the addresses on workers, one limit covering both.
    /// A socket that cannot be created for an address (its family missing here, refused by a
    /// sandbox, ...) fails that attempt alone and the next address is tried; so does the
    /// socket created before the look-up. When every address failed, the last one's error is
    /// raised: InvalidSocketError "Cannot allocate socket." for a socket, SocketError for a
    /// plain connect, ConnectError (the worker's error text) for a watched one.
    /// Also raises the errors of Socket::Bind, SocketError for a failed look-up,
    /// ConnectTimeoutError "Connect timed out." when the limit ends look-up or connect, and
    /// ConnectError "Connect aborted." for a watched connect that AbortConnect or Close
    /// ended. After a failure the socket may still be open.
    void ConnectClient(const std::string& host, std::int32_t port, std::int32_t timeoutMs, std::int32_t boundPortMax,
                       std::int32_t boundPortMin, std::int32_t boundPort, const std::string& boundIp) override;

    /// Ends the watched connect that is running, its name look-up included (called from a
    /// handler the anti-freeze runs while the connect waits): it stops at the end of its
    /// current slice. Nothing when no connect runs.
    void AbortConnect() noexcept { connectAborted_ = true; }

    /// How the local end is bound, kept for the sockets of later attempts.
    struct LocalBinding {
        std::string Ip;
        std::int32_t Port = 0;
        std::int32_t PortMin = 0;
        std::int32_t PortMax = 0;
    };

private:
    void PlainConnect(const std::vector<IpAddress>& addresses, std::int32_t port, const LocalBinding& binding);
    void WatchedConnect(const std::string& host, std::int32_t port, std::int32_t timeoutMs,
                        const LocalBinding& binding);
    /// Opens a socket of `family` in `socket` and binds it as `binding` says. A socket that
    /// cannot be created is this attempt's failure: false, with the error in `failure`.
    /// Bind failures are raised.
    bool OpenAndBind(Socket& socket, int family, const LocalBinding& binding, std::exception_ptr& failure);
    void PrepareAttempt(Socket& socket, const IpAddress& address, std::int32_t port);
    std::vector<IpAddress> Reachable(std::vector<IpAddress> addresses, const LocalBinding& binding);

    std::unique_ptr<Socket> socketHandle_;
    std::atomic<bool> connectAborted_{false};
    /// A watched connect runs: its workers own the sockets until they report.
    bool connecting_ = false;
};

} // namespace quorvane::net
