#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane::ftp {

/// The data-connection endpoint a server names in its PASV reply.
struct PassiveAddress {
    std::string Ip;        ///< dotted quad, e.g. "10.0.0.5"
    std::int32_t Port = 0; ///< 1..65535
};

/// Parses the first text line of a 227 reply (the reply line without its code),
/// e.g. "Entering Passive Mode (10,0,0,5,19,137)" or "Entering Passive Mode
/// 10,0,0,5,19,137": the six numbers between the first '(' and the first ')',
/// or, without parentheses, after the last space.
///
/// Throws `ConversionError` ("'%s' is not a valid integer value") for a field
/// that is not a decimal integer (a missing field is the empty text), and
/// `InvalidPassiveAddressError` when a field lies outside 0..255 or the port is 0.
[[nodiscard]] PassiveAddress ParsePassiveAddress(std::string_view replyText);

} // namespace quorvane::ftp
