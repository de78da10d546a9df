#pragma once

#include "tests/support/LoopbackAddress.h"

namespace quorvane::test {

/// A listening socket on 127.0.0.1 (or ::1) whose backlog is full: one connection sits
/// in its queue, never accepted, so the system drops every further SYN and a
/// connect to `Port()` neither succeeds nor is refused; it waits until the
/// connecting side gives up. Stands for a server whose packets a firewall
/// drops, without any traffic leaving this machine.
class FullBacklogListener {
public:
    /// Listens at `port` (0: the system chooses) on the loopback of `family`. Throws
    /// std::runtime_error when the socket or the filling connection fails.
    explicit FullBacklogListener(LoopbackFamily family = LoopbackFamily::Inet, int port = 0);
    ~FullBacklogListener();
    FullBacklogListener(const FullBacklogListener&) = delete;
    FullBacklogListener& operator=(const FullBacklogListener&) = delete;

    [[nodiscard]] int Port() const { return port_; }

private:
    int listenFd_ = -1;
    int fillFd_ = -1;
    int port_ = 0;
};

} // namespace quorvane::test
