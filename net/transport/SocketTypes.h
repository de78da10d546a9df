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

inline constexpr int AddressFamilyInet = 2;   ///< IPv4
inline constexpr int AddressFamilyInet6 = 10; ///< IPv6
inline constexpr int SocketTypeStream = 1;
inline constexpr int ProtocolDefault = 0;

/// send() flag: take only what fits without waiting.
inline constexpr int SendFlagDontWait = 0x40;

/// shutdown() directions.
inline constexpr int ShutdownReceive = 0;
inline constexpr int ShutdownSend = 1;
inline constexpr int ShutdownBoth = 2;

/// An endpoint as the upper layers see it: its family, the address as text (a dotted quad
/// for IPv4, the compressed form without brackets for IPv6) and a port in host order.
struct SocketAddress {
    int Family = AddressFamilyInet;
    std::string IP;
    std::int32_t Port = 0;
};

/// One IPv4 or IPv6 address with its text form, as a look-up yields it.
struct IpAddress {
    int Family = AddressFamilyInet;
    std::string Text;

    bool operator==(const IpAddress&) const = default;
};

/// The family an address text belongs to: IPv6 texts hold a ':', IPv4 texts never do.
/// An empty text (any local address) counts as IPv4.
inline int FamilyOfAddressText(const std::string& text)
{
    return text.find(':') == std::string::npos ? AddressFamilyInet : AddressFamilyInet6;
}

} // namespace quorvane::net
