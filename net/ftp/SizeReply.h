#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane::ftp {

/// What `ParseSizeReply` gives for a number past what 64 bits hold: larger
/// than any byte count a transfer can be allowed.
inline constexpr std::uint64_t SizeBeyondRange = UINT64_MAX;

/// The byte count in the first text line of a 213 reply to "SIZE" (RFC 3659,
/// the reply line without its code), e.g. "38825". The line must be nothing
/// but decimal digits, however many (leading zeros included); a number past
/// what 64 bits hold gives `SizeBeyondRange`. Any other text (empty, a sign,
/// blanks, letters) names no size: empty.
[[nodiscard]] std::optional<std::uint64_t> ParseSizeReply(std::string_view replyText);

} // namespace quorvane::ftp
