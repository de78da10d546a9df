#pragma once

#include <cstdint>
#include <string>

namespace quorvane::ftp {

/// The "PORT" line announcing `ip`:`port`: the dotted address with '.' turned
/// into ',', then the port's high and low byte, all decimal, e.g. 192.168.1.20
/// and 4711 give "PORT 192,168,1,20,18,103" (RFC 959, section 4.1.2).
[[nodiscard]] std::string FormatPortCommand(const std::string& ip, std::int32_t port);

/// The "EPRT" line announcing `ip`:`port` for either family (RFC 2428): "|", the
/// family number (1 for IPv4, 2 for IPv6), the address text and the decimal port,
/// each closed by "|", e.g. ::1 and 4711 give "EPRT |2|::1|4711|".
[[nodiscard]] std::string FormatExtendedPortCommand(const std::string& ip, std::int32_t port);

} // namespace quorvane::ftp
