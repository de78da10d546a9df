// Loopback throughput of ReadToStream and ReadLine, each next to a plain recv loop doing
// the same work, so that the ratio can be read off one run.
#include "net/transport/ByteSink.h"
#include "net/transport/TcpClient.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

using quorvane::net::ByteSink;
using quorvane::net::ReadUntil;
using quorvane::net::TcpClient;

constexpr std::size_t kStreamBytes = 256u << 20;
constexpr std::size_t kLineCount = 1000000;

// A listening socket on 127.0.0.1 (system-chosen port) whose single peer sends `payload`
// (repeated to `total` bytes) and closes.
class Sender {
public:
    Sender(const std::string& payload, std::size_t total)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, &payload, total] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            std::size_t sent = 0;
            while (sent < total) {
                const std::size_t offset = sent % payload.size();
                const std::size_t chunk = std::min(payload.size() - offset, total - sent);
                const ssize_t n = ::send(fd, payload.data() + offset, chunk, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            ::close(fd);
        });
    }
    ~Sender()
    {
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }
    int ConnectRaw() const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        return fd;
    }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

const std::string& StreamPayload()
{
    static const std::string payload = [] {
        std::string bytes(1 << 20, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 31);
        return bytes;
    }();
    return payload;
}

const std::string& LinePayload()
{
    static const std::string lines = [] {
        std::string text;
        for (std::size_t i = 0; i < kLineCount; ++i)
            text += "line " + std::to_string(i) + "\r\n";
        return text;
    }();
    return lines;
}

// Copies what arrives into a reusable block of memory, as the plain loop does.
struct MemorySink : ByteSink {
    std::string block = std::string(1 << 16, '\0');
    std::size_t total = 0;
    void Write(const char* data, std::size_t size) override
    {
        std::memcpy(block.data(), data, std::min(size, block.size()));
        total += size;
    }
};

void BM_ReadToStreamUntilClosed(benchmark::State& state)
{
    for (auto _ : state) {
        Sender sender(StreamPayload(), kStreamBytes);
        TcpClient client;
        client.Host = "127.0.0.1";
        client.Port = sender.Port();
        client.Connect();
        MemorySink sink;
        client.ReadToStream(sink, -1, ReadUntil::Closed);
        if (sink.total != kStreamBytes)
            state.SkipWithError("short stream");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamBytes));
}

void BM_PlainRecvLoopIntoMemory(benchmark::State& state)
{
    std::string buffer(32768, '\0');
    MemorySink sink;
    for (auto _ : state) {
        Sender sender(StreamPayload(), kStreamBytes);
        const int fd = sender.ConnectRaw();
        std::size_t total = 0;
        for (;;) {
            const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                break;
            sink.Write(buffer.data(), static_cast<std::size_t>(n));
            total += static_cast<std::size_t>(n);
        }
        ::close(fd);
        if (total != kStreamBytes)
            state.SkipWithError("short stream");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamBytes));
}

// Arg: RecvBufferSize. A large one lets the queue hold most of the lines at once, which
// must not make a line any dearer.
void BM_ReadLine(benchmark::State& state)
{
    const std::string& lines = LinePayload();
    for (auto _ : state) {
        Sender sender(lines, lines.size());
        TcpClient client;
        client.Host = "127.0.0.1";
        client.Port = sender.Port();
        client.RecvBufferSize = static_cast<std::int32_t>(state.range(0));
        client.Connect();
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < kLineCount; ++i)
            bytes += client.ReadLine().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLineCount));
}

void BM_PlainRecvLoopSplittingAtLF(benchmark::State& state)
{
    const std::string& lines = LinePayload();
    std::string buffer(32768, '\0');
    for (auto _ : state) {
        Sender sender(lines, lines.size());
        const int fd = sender.ConnectRaw();
        std::string pending;
        std::size_t count = 0;
        std::size_t bytes = 0;
        for (;;) {
            const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                break;
            pending.append(buffer.data(), static_cast<std::size_t>(n));
            std::size_t start = 0;
            while (const void* hit = std::memchr(pending.data() + start, '\n', pending.size() - start)) {
                const std::size_t end = static_cast<const char*>(hit) - pending.data();
                std::string line(pending.data() + start, end - start);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                bytes += line.size();
                ++count;
                start = end + 1;
            }
            pending.erase(0, start);
        }
        ::close(fd);
        benchmark::DoNotOptimize(bytes);
        if (count != kLineCount)
            state.SkipWithError("lines lost");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLineCount));
}

BENCHMARK(BM_ReadToStreamUntilClosed)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PlainRecvLoopIntoMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadLine)->Arg(32768)->Arg(1 << 24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRecvLoopSplittingAtLF)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
