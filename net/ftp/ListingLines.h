#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::ftp {

/// Splits a received listing into lines. A line ends at LF, at CR, or at CR LF
/// (one break); the break is not kept; a text ending with a break has no empty
/// last line; LF CR is two breaks with an empty line between; a NUL byte ends
/// the text. Lines are otherwise kept as received (a "total" line included).
[[nodiscard]] std::vector<std::string> SplitListingLines(std::string_view text);

} // namespace quorvane::ftp
