#pragma once

#include "net/transport/TcpConnection.h"

#include <cstdint>
#include <string>

namespace quorvane::net {

/// The client side of a TCP connection: host, port, optional local binding, Connect.
class TcpClient : public TcpConnection {
public:
    std::string BoundIP;
    std::int32_t BoundPort = 0;
    std::int32_t BoundPortMin = 0;
    std::int32_t BoundPortMax = 0;
    std::string Host;
    std::int32_t Port = 0;
    std::string Username;
    std::string Password;
    NotifyEvent OnConnected;

    virtual void SetHost(const std::string& host) { Host = host; }
    virtual void SetPort(std::int32_t port) { Port = port; }
    virtual void NotifyConnected();
    /// Connects to Host:Port (a name, a dotted quad or an IPv6 text without brackets),
    /// creating an owned SocketIoHandler when there is none. `timeoutMs`: -1/0 default (a
    /// watched 120 s connect while an anti-freeze is in use, else blocking calls), -2 no
    /// limit, else a watched connect of that many ms, look-up included.
    /// Raises AlreadyConnectedError "Already connected." and every connect error; after a
    /// failure the socket is dropped.
    virtual void Connect(std::int32_t timeoutMs = TimeoutDefault);
};

} // namespace quorvane::net
