#pragma once

#include "net/ftp/RfcReply.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::ftp {

/// Removes every leading and trailing byte whose value is 32 or below
/// (spaces and control characters); bytes above 127 are kept.
[[nodiscard]] std::string TrimBlanks(std::string_view text);

/// True when `firstLine` opens a multi-line reply: it is longer than three
/// characters and its fourth is '-' (RFC 959, section 4.2).
[[nodiscard]] bool StartsMultiLineReply(std::string_view firstLine);

/// True when `line` ends a multi-line reply whose terminator is `terminator`
/// (the code and one space): the line is shorter than four characters, or its
/// first four equal the terminator regardless of letter case.
[[nodiscard]] bool EndsMultiLineReply(std::string_view line, std::string_view terminator);

/// The most bytes (line texts summed) one reply may hold before
/// `CollectReplyLines` gives up, so an endless multi-line reply cannot
/// exhaust memory.
inline constexpr std::size_t MaxReplyBytes = 4 * 1024 * 1024;

/// Gathers the lines of one complete reply. `nextLine` returns the next
/// non-empty, trimmed line of the connection (and throws at end of stream or
/// on time-out; the error passes through unchanged). Throws `ReplyTooLongError`
/// once the collected text exceeds `MaxReplyBytes`.
[[nodiscard]] std::vector<std::string> CollectReplyLines(const std::function<std::string()>& nextLine);

/// The bytes the first complete reply at the start of `bytes` takes up, its
/// last line's LF included, as the reply reader would collect it (blank lines
/// before and between its lines count too); 0 when `bytes` holds no complete
/// reply. Throws `ReplyTooLongError` as `CollectReplyLines` does.
[[nodiscard]] std::size_t CompleteReplyLength(std::string_view bytes);

/// Parses collected reply lines into `reply`: clears it, takes the code from
/// the first line's first four characters (trimmed, a trailing '-' dropped)
/// and adds every line from its fifth character on to `Text`.
void ParseReplyLines(const std::vector<std::string>& lines, RfcReply& reply);

/// The message of a reply error: every `Text` line followed by CR LF.
[[nodiscard]] std::string ReplyErrorMessage(const RfcReply& reply);

} // namespace quorvane::ftp
