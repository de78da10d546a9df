// Reads replies from a control connection whose peer sends the fuzz input.
// The first byte picks the receive chunk size and which reply codes are
// allowed, so partial lines, line limits and refusals are all reached.
#include "fuzz/MemoryIoHandler.h"
#include "net/ftp/CommandConnection.h"
#include "net/ftp/FtpErrors.h"
#include "net/transport/NetError.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvane;

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

    const ftp::ReplyCodes allowed = (control & 0x80) ? ftp::ReplyCodes{220, 227, 150} : ftp::ReplyCodes{};
    // Every reply consumes at least one byte, so this ends with the input.
    for (std::size_t replies = 0; replies <= bytes.size(); ++replies) {
        try {
            const std::int16_t code = connection.ReadReply(allowed);
            if (!allowed.empty() && code != 220 && code != 227 && code != 150)
                __builtin_trap(); // a refused code reported as accepted
            if (connection.LastReply.Text().empty())
                __builtin_trap(); // a reply always has at least its first line
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
