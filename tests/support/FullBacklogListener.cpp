#include "tests/support/FullBacklogListener.h"

#include "tests/support/LoopbackAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace quorvane::test {

FullBacklogListener::FullBacklogListener(LoopbackFamily family, int port)
{
    // A backlog of 0 holds one connection.
    listenFd_ = ListenOnLoopback(family, port, 0, port_);
    if (listenFd_ < 0)
        throw std::runtime_error("cannot listen on the loopback");
    fillFd_ = StartConnectToLoopback(family, port_);
    pollfd connected{fillFd_, POLLOUT, 0};
    if (fillFd_ < 0 || ::poll(&connected, 1, 5000) != 1) {
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
