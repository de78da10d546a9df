#pragma once

#include "net/transport/ConnectionSecurity.h"
#include "net/transport/IoResult.h"
#include "net/transport/NetComponent.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane::net {

/// What a connection talks to instead of a socket. The defaults of the optional operations
/// do nothing. A derived handler closes itself in its destructor.
class IoHandler : public NetComponent {
public:
    virtual void AfterAccept() {}
    virtual void Close() {}
    /// Opens the client side of a connection to `host`:`port` within `timeoutMs` (Timeouts.h;
    /// 0 here also means the default). The bound address and port range select the local end.
    virtual void ConnectClient(const std::string& host, std::int32_t port, std::int32_t timeoutMs,
                               std::int32_t boundPortMax, std::int32_t boundPortMin, std::int32_t boundPort,
                               const std::string& boundIp);
    virtual bool Connected() = 0;
    virtual void Open() {}
    /// Waits up to `timeoutMs` (-2: no limit) for data; true when readable.
    virtual bool WaitReadable(std::int32_t timeoutMs) = 0;
    /// The byte count (0 when the peer closed), or the failure with its reason.
    /// Raises ClosedSocketError "Disconnected." when there is no socket.
    virtual IoResult Recv(void* buffer, std::size_t length) = 0;
    /// Sends all `length` bytes: their count, or the failure with its reason.
    virtual IoResult Send(const void* buffer, std::size_t length) = 0;
    /// Tells the peer that nothing more will be sent; receiving goes on. Does nothing by
    /// default.
    virtual void ShutdownSend() {}
    /// Waits up to `timeoutMs` (-2: no limit) for room to send; true when SendNow can take
    /// bytes. A handler that cannot tell answers true at once.
    virtual bool WaitWritable(std::int32_t /*timeoutMs*/) { return true; }
    /// As Send, but takes only what fits without waiting: a byte count, or a failure with
    /// SocketErrorCode::WouldBlock when nothing fits. By default the same as Send.
    virtual IoResult SendNow(const void* buffer, std::size_t length) { return Send(buffer, length); }
    /// The handler this one wraps (a TLS layer over a socket), or null; owned by this one.
    virtual IoHandler* Underlying() noexcept { return nullptr; }
    /// What secures the connection; by default nothing (the clear).
    [[nodiscard]] virtual ConnectionSecurity SecurityInfo() const { return {}; }
};

} // namespace quorvane::net
