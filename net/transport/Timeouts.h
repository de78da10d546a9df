#pragma once

#include <cstdint>

namespace quorvane::net {

/// Time-outs are milliseconds in signed 32-bit integers, and two values are
/// special everywhere:
///  - `TimeoutDefault` (-1): the component's own default (e.g. `ReadTimeout`,
///    or 120000 ms for a watched connect);
///  - `TimeoutInfinite` (-2): wait without a limit.
/// 0 is special in two places only, each of which says so: the connect
/// argument of `IoHandler::ConnectClient` (and `TcpClient::Connect`), where it
/// means the default, and `TcpConnection::ReadTimeout`, where it means no
/// limit. Everywhere else 0 is a wait of no time.
inline constexpr std::int32_t TimeoutDefault = -1;
inline constexpr std::int32_t TimeoutInfinite = -2;

} // namespace quorvane::net
