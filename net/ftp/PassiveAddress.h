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

/// Parses the first text line of a 229 reply to "EPSV" (RFC 2428), e.g. "Entering
/// Extended Passive Mode (|||6446|)": between the first '(' and the first ')' stand a
/// delimiter (any printable character but a digit), two empty fields, the port and the
/// delimiter again. The reply names no address: the data connection goes to the control
/// connection's peer.
///
/// Throws `ConversionError` for a port that is not a decimal integer and
/// `InvalidPassiveAddressError` for any other form or a port outside 1..65535.
[[nodiscard]] std::int32_t ParseExtendedPassivePort(std::string_view replyText);

} // namespace quorvane::ftp
