#include "net/ftp/PassiveAddress.h"

#include "net/ftp/FtpErrors.h"
#include "net/ftp/ReplyParser.h"

#include <charconv>

namespace quorvane::ftp {

namespace {

// Cuts the text up to the first ',' off `rest` (all of it when there is none).
std::string_view NextField(std::string_view& rest)
{
    const std::size_t comma = rest.find(',');
    std::string_view field = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return field;
}

std::int64_t ToInteger(std::string_view field)
{
    const std::string text = TrimBlanks(field);
    std::int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw ConversionError(std::string(field));
    return value;
}

} // namespace

PassiveAddress ParsePassiveAddress(std::string_view replyText)
{
    const std::string line = TrimBlanks(replyText);
    std::string_view fields(line);
    const std::size_t open = fields.find('(');
    const std::size_t close = fields.find(')');
    if (open != std::string_view::npos && close != std::string_view::npos) {
        fields = close > open ? fields.substr(open + 1, close - open - 1) : std::string_view();
    } else {
        const std::size_t space = fields.rfind(' ');
        if (space != std::string_view::npos)
            fields = fields.substr(space + 1);
    }

    std::int64_t numbers[6] = {};
    for (int i = 0; i < 6; ++i)
        numbers[i] = ToInteger(NextField(fields));

    PassiveAddress address;
    for (int i = 0; i < 6; ++i) {
        if (numbers[i] < 0 || numbers[i] > 255)
            throw InvalidPassiveAddressError(line);
    }
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            address.Ip += '.';
        address.Ip += std::to_string(numbers[i]);
    }
    address.Port = static_cast<std::int32_t>(numbers[4] * 256 + numbers[5]);
    if (address.Port == 0)
        throw InvalidPassiveAddressError(line);
    return address;
}

std::int32_t ParseExtendedPassivePort(std::string_view replyText)
{
    const std::string line = TrimBlanks(replyText);
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        throw InvalidPassiveAddressError(line);
    const std::string_view inner = std::string_view(line).substr(open + 1, close - open - 1);
    // "(|||port|)": three delimiters, the port, a fourth delimiter, nothing else.
    if (inner.size() < 5)
        throw InvalidPassiveAddressError(line);
    const char delimiter = inner.front();
    if (delimiter < '!' || delimiter > '~' || (delimiter >= '0' && delimiter <= '9'))
        throw InvalidPassiveAddressError(line);
    if (inner[1] != delimiter || inner[2] != delimiter || inner.back() != delimiter)
        throw InvalidPassiveAddressError(line);
    const std::string_view field = inner.substr(3, inner.size() - 4);
    if (field.find(delimiter) != std::string_view::npos)
        throw InvalidPassiveAddressError(line);
    const std::int64_t port = ToInteger(field);
    if (port < 1 || port > 65535)
        throw InvalidPassiveAddressError(line);
    return static_cast<std::int32_t>(port);
}

} // namespace quorvane::ftp
