// Plays the fuzz input as everything a server says in a whole session:
// greeting, login, type, system, directory change, the resume probe, a
// passive listing and a passive retrieval, with the fall-back to active mode
// switched on or off by the first byte (which also picks a tiny size cap on
// the retrieval now and then, and whether replies are already waiting when a
// command is sent).
//
// No real socket is ever opened: a passive data connection is fed from memory
// (the bytes after the last "|DATA|" in the input, empty without one), and an
// active-mode listener fails at once, so the fuzzer can neither reach a port
// nor wait out a data-connection limit.
#include "fuzz/MemoryIoHandler.h"
#include "net/ftp/FtpClient.h"
#include "net/transport/NetError.h"
#include "net/transport/SimpleServer.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <sstream>
#include <string_view>

using namespace quorvane;

namespace {

constexpr std::string_view kDataMarker = "|DATA|";

/// An FTP client whose data connections never touch the network.
class InMemoryDataClient : public ftp::FtpClient {
public:
    InMemoryDataClient(std::string_view data, std::size_t chunkSize) : data_(data), chunkSize_(chunkSize) {}

    int DataConnections = 0;

protected:
    std::unique_ptr<net::SimpleServer> CreateListener() override
    {
        throw net::NetError("No listening in the fuzz harness.");
    }
    void ConnectDataConnection(net::TcpClient& data, std::int32_t) override
    {
        ++DataConnections;
        data.SetIOHandler(new fuzz::MemoryIoHandler(data_, chunkSize_), net::Ownership::Owned);
        data.Connect(net::TimeoutDefault);
    }

private:
    std::string_view data_;
    std::size_t chunkSize_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string_view dataBytes;
    if (const auto marker = input.rfind(kDataMarker); marker != std::string_view::npos) {
        dataBytes = input.substr(marker + kDataMarker.size());
        input = input.substr(0, marker);
    }
    const std::size_t chunkSize = 1 + (control & 0x3F);
    fuzz::MemoryIoHandler handler(input, chunkSize);
    // Now and then every reply is there before its command is sent, so that
    // the replies a command finds waiting are dropped.
    handler.BytesWaitEarly = (control & 0x10) != 0;
    InMemoryDataClient client(dataBytes, chunkSize);
    client.SetIOHandler(&handler, net::Ownership::Borrowed);
    client.Passive = true;
    client.PassiveFallsBackToActive = (control & 0x80) != 0;
    client.Username = "user";
    client.Password = "secret";
    // A small cap now and then, so that the cut-off path runs as well.
    client.MaxRetrievalBytes = (control & 0x20) != 0 ? 8 : ftp::DefaultMaxRetrievalBytes;
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
        std::ostringstream file;
        client.RetrieveToStream("gcmList.xml", file, ftp::Resume::No);
        // The retrieval reads the same in-memory data again, at most all of it.
        if (file.str().size() > dataBytes.size())
            __builtin_trap();
        if (static_cast<std::int64_t>(file.str().size()) > client.MaxRetrievalBytes)
            __builtin_trap();
    } catch (const net::NetError&) {
        // Every way a session can fail is a network-layer error with a message.
    }
    if (client.DataConnection() != nullptr)
        __builtin_trap();
    // The fall-back happens only when it is asked for.
    if (client.PassiveRefused() && !client.PassiveFallsBackToActive)
        __builtin_trap();
    client.SetIOHandler(nullptr, net::Ownership::Borrowed);
    return 0;
}
