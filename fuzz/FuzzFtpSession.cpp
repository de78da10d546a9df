// Plays the fuzz input as everything a server says on the control connection
// of a whole session: greeting, login, type, system, directory change, the
// resume probe and a passive listing. No data connection is ever opened: the
// PASV address can never match a server without a socket address, so the
// listing always stops at the address check.
#include "fuzz/MemoryIoHandler.h"
#include "net/ftp/FtpClient.h"
#include "net/transport/NetError.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    fuzz::MemoryIoHandler handler(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1),
                                  1 + (control & 0x3F));
    ftp::FtpClient client;
    client.SetIOHandler(&handler, net::Ownership::Borrowed);
    client.Passive = true;
    client.Username = "user";
    client.Password = "secret";
    try {
        client.OpenConnection(control & 0x40 ? ftp::AutoLogin::No : ftp::AutoLogin::Yes);
        client.ChangeDirectory("/lists");
        (void)client.ProbeResumeSupport();
        std::vector<std::string> lines{"kept"};
        try {
            client.ListDirectory(&lines);
        } catch (const net::NetError&) {
            // A failed listing leaves the destination as it was.
            if (lines.size() != 1 || lines.front() != "kept")
                __builtin_trap();
            throw;
        }
    } catch (const net::NetError&) {
        // Every way a session can fail is a network-layer error with a message.
    }
    if (client.DataConnection() != nullptr)
        __builtin_trap();
    client.SetIOHandler(nullptr, net::Ownership::Borrowed);
    return 0;
}
