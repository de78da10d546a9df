// Reads replies from a control connection whose peer sends the fuzz input.
// The first byte picks the receive chunk size and which reply codes are
// allowed, so partial lines, line limits and refusals are all reached.
// Beside the reader: the scan for a complete reply already waiting must end
// where the reader ends its reply, and the size in every reply's first line is
// read as a plain decimal conversion would read it.
#include "fuzz/MemoryIoHandler.h"
#include "net/ftp/CommandConnection.h"
#include "net/ftp/FtpErrors.h"
#include "net/ftp/ReplyParser.h"
#include "net/ftp/SizeReply.h"
#include "net/transport/NetError.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <system_error>

using namespace quorvane;

namespace {

/// The bytes `CompleteReplyLength` counts read as exactly one reply, and
/// bytes it finds no complete reply in read as none.
void CheckCompleteReplyLength(std::string_view bytes, std::size_t chunkSize)
{
    std::size_t length = 0;
    try {
        length = ftp::CompleteReplyLength(bytes);
    } catch (const ftp::ReplyTooLongError&) {
        return;
    }
    if (length > bytes.size())
        __builtin_trap();
    fuzz::MemoryIoHandler handler(length > 0 ? bytes.substr(0, length) : bytes, chunkSize);
    handler.Open();
    ftp::CommandConnection connection;
    connection.SetIOHandler(&handler, net::Ownership::Borrowed);
    connection.MaxLineLength = 0; // the scan knows no line limit
    try {
        (void)connection.ReadReply(ftp::ReplyCodes());
        if (length == 0)
            __builtin_trap(); // the reader found a reply the scan missed
        try {
            (void)connection.ReadReply(ftp::ReplyCodes());
            __builtin_trap(); // the scan took in more than one reply
        } catch (const net::ConnClosedGracefullyError&) {
        }
    } catch (const net::ConnClosedGracefullyError&) {
        if (length > 0)
            __builtin_trap(); // the scan counted a reply the reader could not finish
    } catch (const ftp::ReplyTooLongError&) {
    }
    connection.SetIOHandler(nullptr, net::Ownership::Borrowed);
}

void CheckSize(const std::string& text)
{
    const std::optional<std::uint64_t> size = ftp::ParseSizeReply(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool number = !text.empty() && end == text.data() + text.size();
    if (size.has_value() != number)
        __builtin_trap();
    if (number && *size != (error == std::errc::result_out_of_range ? ftp::SizeBeyondRange : value))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    fuzz::MemoryIoHandler handler(bytes, 1 + (control & 0x3F));
    handler.Open();
    ftp::CommandConnection connection;
    connection.SetIOHandler(&handler, net::Ownership::Borrowed);
    if (control & 0x40)
        connection.MaxLineLength = 64; // reaches the over-long line path with short inputs

    CheckCompleteReplyLength(bytes, 1 + (control & 0x3F));

    const ftp::ReplyCodes allowed = (control & 0x80) ? ftp::ReplyCodes{220, 227, 150} : ftp::ReplyCodes{};
    // Every reply consumes at least one byte, so this ends with the input.
    for (std::size_t replies = 0; replies <= bytes.size(); ++replies) {
        try {
            const std::int16_t code = connection.ReadReply(allowed);
            if (!allowed.empty() && code != 220 && code != 227 && code != 150)
                __builtin_trap(); // a refused code reported as accepted
            if (connection.LastReply.Text().empty())
                __builtin_trap(); // a reply always has at least its first line
            CheckSize(connection.LastReply.Text().front());
        } catch (const ftp::ProtocolReplyError& e) {
            if (e.ReplyCode() != connection.LastReply.NumericCode())
                __builtin_trap();
        } catch (const net::ConnClosedGracefullyError&) {
            break;
        } catch (const net::NetError&) {
            // Over-long line or reply: the reader gave up with a clear error.
            if (!connection.IsConnected())
                break;
        }
    }
    connection.SetIOHandler(nullptr, net::Ownership::Borrowed);
    return 0;
}
