#include "tests/support/LoopbackPeer.h"

#include "net/transport/TcpClient.h"
#include "tests/support/LoopbackAddress.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace quorvane::net::test {
using ::quorvane::test::Loopback;

LoopbackListener::LoopbackListener(int backlog, ::quorvane::test::LoopbackFamily family)
{
    int port = 0;
    fd_ = ::quorvane::test::ListenOnLoopback(family, 0, backlog, port);
    if (fd_ < 0)
        throw std::runtime_error("loopback listener");
    port_ = port;
}

LoopbackListener::~LoopbackListener()
{
    Close();
}

int LoopbackListener::Accept()
{
    return ::accept(fd_, nullptr, nullptr);
}

void LoopbackListener::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int ConnectToListener(TcpClient& client, LoopbackListener& listener)
{
    client.Host = "127.0.0.1";
    client.Port = listener.Port();
    client.Connect();
    return listener.Accept();
}

PeerThread::PeerThread(LoopbackListener& listener, std::function<void(int fd)> script)
    : thread_([&listener, script = std::move(script)] {
          const int fd = listener.Accept();
          if (fd < 0)
              return;
          script(fd);
          ::close(fd);
      })
{}

PeerThread::~PeerThread()
{
    Join();
}

void PeerThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReceiveUpTo(int fd, std::size_t count)
{
    std::string bytes;
    char buffer[65536];
    while (bytes.size() < count) {
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - bytes.size()), 0);
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

std::string ReceiveAll(int fd)
{
    return ReceiveUpTo(fd, static_cast<std::size_t>(-1));
}

std::int32_t UnusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

int ConnectRaw(std::int32_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

int ThreadCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                ++count;
        }
        ::closedir(dir);
    }
    return count;
}

CountingAntiFreeze::CountingAntiFreeze() : Start(std::chrono::steady_clock::now()) {}

void CountingAntiFreeze::PumpMessages()
{
    PumpTimes.push_back(ElapsedMs(Start));
    if (OnPump)
        OnPump();
}

} // namespace quorvane::net::test
