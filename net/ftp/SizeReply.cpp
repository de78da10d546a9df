#include "net/ftp/SizeReply.h"

namespace quorvane::ftp {

std::optional<std::uint64_t> ParseSizeReply(std::string_view replyText)
{
    if (replyText.empty())
        return std::nullopt;
    std::uint64_t size = 0;
    bool beyondRange = false;
    for (const char c : replyText) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        // Every digit is still checked once the number has passed the range,
        // so that "99999999999999999999x" names no size either.
        beyondRange = beyondRange || size > (SizeBeyondRange - digit) / 10;
        if (!beyondRange)
            size = size * 10 + digit;
    }
    return beyondRange ? SizeBeyondRange : size;
}

} // namespace quorvane::ftp
