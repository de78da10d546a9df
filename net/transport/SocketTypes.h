#pragma once

#include <cstdint>
#include <string>

namespace quorvane::net {

/// A platform socket descriptor.
using OsSocket = int;

/// The handle value that stands for "no socket".
inline constexpr OsSocket NoSocket = -1;
/// The result of a failed platform call.
inline constexpr int SocketFailed = -1;

inline constexpr int AddressFamilyInet = 2; ///< IPv4
inline constexpr int SocketTypeStream = 1;
inline constexpr int ProtocolDefault = 0;

/// shutdown() directions.
inline constexpr int ShutdownReceive = 0;
inline constexpr int ShutdownSend = 1;
inline constexpr int ShutdownBoth = 2;

/// An IPv4 endpoint as the upper layers see it: dotted-quad text and a port in host order.
struct SocketAddress {
    int Family = AddressFamilyInet;
    std::string IP;
    std::int32_t Port = 0;
};

} // namespace quorvane::net
