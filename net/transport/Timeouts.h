#pragma once

#include <cstdint>

namespace quorvane::net {

/// Time-outs are milliseconds in signed 32-bit integers.
/// Use the component's own default (e.g. `ReadTimeout`, or 120000 ms for a watched connect).
inline constexpr std::int32_t TimeoutDefault = -1;
/// Wait without a limit.
inline constexpr std::int32_t TimeoutInfinite = -2;

} // namespace quorvane::net
