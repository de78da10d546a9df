#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace quorvane::test {

/// 127.0.0.1:`port` (0: the system chooses at bind time).
inline sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

/// [::1]:`port`.
inline sockaddr_in6 Loopback6(int port)
{
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    address.sin6_addr = in6addr_loopback;
    return address;
}

/// The loopback a test socket uses: 127.0.0.1 or ::1.
enum class LoopbackFamily { Inet, Inet6 };

/// A listening socket on the loopback of `family` at `port` (0: the system chooses), with
/// `backlog`; `boundPort` receives the port. -1 when any step fails.
inline int ListenOnLoopback(LoopbackFamily family, int port, int backlog, int& boundPort)
{
    sockaddr_storage address{};
    socklen_t length = 0;
    if (family == LoopbackFamily::Inet6) {
        *reinterpret_cast<sockaddr_in6*>(&address) = Loopback6(port);
        length = sizeof(sockaddr_in6);
    } else {
        *reinterpret_cast<sockaddr_in*>(&address) = Loopback(port);
        length = sizeof(sockaddr_in);
    }
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    const int fd = ::socket(raw->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, raw, length) != 0 || ::listen(fd, backlog) != 0 || ::getsockname(fd, raw, &length) != 0) {
        ::close(fd);
        return -1;
    }
    boundPort = family == LoopbackFamily::Inet6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
                                                : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return fd;
}

/// Starts a non-blocking connect to `port` on the loopback of `family` and returns the
/// socket at once (the caller waits for it to become writable); -1 when it cannot be made.
inline int StartConnectToLoopback(LoopbackFamily family, int port)
{
    sockaddr_storage address{};
    socklen_t length = 0;
    if (family == LoopbackFamily::Inet6) {
        *reinterpret_cast<sockaddr_in6*>(&address) = Loopback6(port);
        length = sizeof(sockaddr_in6);
    } else {
        *reinterpret_cast<sockaddr_in*>(&address) = Loopback(port);
        length = sizeof(sockaddr_in);
    }
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    const int fd = ::socket(raw->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    ::connect(fd, raw, length);
    return fd;
}

/// Whether a socket can listen on ::1 here; a machine or container without IPv6 on its
/// loopback cannot run the IPv6 tests, which then skip.
inline bool HasIpv6Loopback()
{
    int port = 0;
    const int fd = ListenOnLoopback(LoopbackFamily::Inet6, 0, 1, port);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace quorvane::test
