#pragma once

#include "net/transport/SocketTypes.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace quorvane::net {

/// What one receive or send of an I/O handler did: a byte count (on a receive, 0 when the
/// peer closed), or `SocketFailed` with the reason, a SocketErrorCode taken on the calling
/// thread right after the call that failed. The reason travels with the count, so no
/// caller reads it from a slot that another thread's call may have written since.
struct IoResult {
    long count = 0;
    /// The reason of a failure; 0 when the call succeeded.
    std::int32_t error = 0;

    static IoResult Moved(long count) noexcept { return {count, 0}; }
    static IoResult Failure(std::int32_t error) noexcept { return {SocketFailed, error}; }

    [[nodiscard]] bool Failed() const noexcept { return count < 0; }
    /// Whether the call failed for one of `reasons`.
    [[nodiscard]] bool FailedWith(std::initializer_list<std::int32_t> reasons) const noexcept
    {
        return Failed() && std::find(reasons.begin(), reasons.end(), error) != reasons.end();
    }
};

} // namespace quorvane::net
