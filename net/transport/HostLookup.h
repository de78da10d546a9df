#pragma once

#include "net/transport/SocketStack.h"
#include "net/transport/SocketTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::net {

/// One name look-up on a thread of its own, so that the caller can watch it against a
/// time limit. The resolver cannot be cancelled: a look-up still running when its
/// HostLookup is destroyed is abandoned. Its thread is detached and finishes on its own;
/// it shares nothing with the caller but a small reference-counted result, which it
/// releases when it ends, and it touches no network component or stack, so it may outlive
/// all of them.
class HostLookup {
public:
    /// Starts the look-up of `host` with `lookUp` (SocketStack::DetachedLookUp) at once.
    HostLookup(const std::string& host, SocketStack::AddressLookUp lookUp);
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;
    /// Abandons a look-up still running; its result is dropped.
    ~HostLookup();

    bool Finished() const;
    /// 0, or the system's error code of a failed look-up (SocketErrorCode::HostNotFound,
    /// "Host not found." ...).
    /// Valid once Finished.
    std::int32_t ErrorCode() const;
    /// The addresses in the resolver's order. Valid once Finished.
    std::vector<IpAddress> Addresses() const;

private:
    struct Result;
    std::shared_ptr<Result> result_;
};

} // namespace quorvane::net
