// Splits received listings into lines and checks what the split promises:
// no line holds a break or a NUL, and every byte before the first NUL is
// either in a line or a break.
#include "net/ftp/ListingLines.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = text.find('\0');
    const std::string_view kept = nul == std::string_view::npos ? text : text.substr(0, nul);

    std::size_t total = 0;
    std::size_t breaks = 0;
    for (char c : kept)
        breaks += (c == '\n' || c == '\r') ? 1 : 0;
    const auto lines = quorvane::ftp::SplitListingLines(text);
    for (const auto& line : lines) {
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            __builtin_trap();
        total += line.size();
    }
    // Every byte kept is either inside a line or one of the breaks.
    if (total + breaks != kept.size() || lines.size() > breaks + 1)
        __builtin_trap();
    return 0;
}
