// Parses PASV and EPSV reply texts. Whatever the text, each parser either
// fails with its own error or yields a dotted quad of bytes and a port in
// 1..65535 (PASV), or a port in 1..65535 (EPSV).
#include "net/ftp/FtpErrors.h"
#include "net/ftp/PassiveAddress.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool IsDottedQuad(const std::string& ip)
{
    std::string_view rest(ip);
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = rest.find('.');
        const std::string_view part = rest.substr(0, dot);
        int value = -1;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc() || end != part.data() + part.size() || value < 0 || value > 255)
            return false;
        if ((i < 3) != (dot != std::string_view::npos))
            return false;
        rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const quorvane::ftp::PassiveAddress address = quorvane::ftp::ParsePassiveAddress(text);
        if (!IsDottedQuad(address.Ip) || address.Port < 1 || address.Port > 65535)
            __builtin_trap();
    } catch (const quorvane::ftp::ConversionError&) {
    } catch (const quorvane::ftp::InvalidPassiveAddressError&) {
    }
    try {
        const std::int32_t port = quorvane::ftp::ParseExtendedPassivePort(text);
        if (port < 1 || port > 65535)
            __builtin_trap();
    } catch (const quorvane::ftp::ConversionError&) {
    } catch (const quorvane::ftp::InvalidPassiveAddressError&) {
    }
    return 0;
}
