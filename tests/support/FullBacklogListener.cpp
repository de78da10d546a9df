#include "tests/support/FullBacklogListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace quorvane::test {

namespace {

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

FullBacklogListener::FullBacklogListener()
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    // A backlog of 0 holds one connection.
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 0) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listenFd_ >= 0)
            ::close(listenFd_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);

    fillFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in target = Loopback(port_);
    pollfd connected{fillFd_, POLLOUT, 0};
    if (fillFd_ < 0 || ::connect(fillFd_, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0 ||
        ::poll(&connected, 1, 5000) != 1) {
        if (fillFd_ >= 0)
            ::close(fillFd_);
        ::close(listenFd_);
        throw std::runtime_error("cannot fill the backlog");
    }
}

FullBacklogListener::~FullBacklogListener()
{
    ::close(fillFd_);
    ::close(listenFd_);
}

} // namespace quorvane::test
