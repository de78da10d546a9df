#include "tests/support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace quorvane::test {

namespace {

struct ScriptStopped : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void CloseFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

sockaddr_in Address(const std::string& ip, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
        throw ScriptStopped("bad address " + ip);
    return address;
}

int ListenLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in address = Address("127.0.0.1", 0);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("listen failed");
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

ScriptedPeer::ScriptedPeer()
{
    listenFd_ = ListenLoopback(port_);
}

ScriptedPeer::~ScriptedPeer()
{
    Finish(std::chrono::milliseconds(0));
    CloseFd(listenFd_);
}

ScriptedPeer& ScriptedPeer::Send(std::string bytes)
{
    steps_.push_back({Kind::Send, std::move(bytes)});
    return *this;
}

ScriptedPeer& ScriptedPeer::Reply(const std::string& line)
{
    return Send(line + "\r\n");
}

ScriptedPeer& ScriptedPeer::Expect(std::string line)
{
    steps_.push_back({Kind::Expect, std::move(line)});
    return *this;
}

ScriptedPeer& ScriptedPeer::ExpectPrefix(std::string prefix)
{
    steps_.push_back({Kind::ExpectPrefix, std::move(prefix)});
    return *this;
}

ScriptedPeer& ScriptedPeer::ExpectClosed()
{
    steps_.push_back({Kind::ExpectClosed, {}});
    return *this;
}

ScriptedPeer& ScriptedPeer::CloseControl()
{
    steps_.push_back({Kind::CloseControl, {}});
    return *this;
}

ScriptedPeer& ScriptedPeer::Pause(std::chrono::milliseconds time)
{
    steps_.push_back({Kind::Pause, {}, static_cast<std::uint64_t>(time.count())});
    return *this;
}

ScriptedPeer& ScriptedPeer::ConnectData(std::string fromIp)
{
    steps_.push_back({Kind::ConnectData, std::move(fromIp)});
    return *this;
}

ScriptedPeer& ScriptedPeer::ExpectDataRejected()
{
    steps_.push_back({Kind::ExpectDataRejected, {}});
    return *this;
}

ScriptedPeer& ScriptedPeer::ReplyPassive(std::string ip, bool parentheses)
{
    steps_.push_back({Kind::ReplyPassive, std::move(ip), parentheses ? 1u : 0u});
    return *this;
}

ScriptedPeer& ScriptedPeer::AcceptData()
{
    steps_.push_back({Kind::AcceptData, {}});
    return *this;
}

ScriptedPeer& ScriptedPeer::SendData(std::string bytes)
{
    steps_.push_back({Kind::SendData, std::move(bytes)});
    return *this;
}

ScriptedPeer& ScriptedPeer::SendPattern(std::uint64_t size)
{
    steps_.push_back({Kind::SendPattern, {}, size});
    return *this;
}

ScriptedPeer& ScriptedPeer::CloseData()
{
    steps_.push_back({Kind::CloseData, {}});
    return *this;
}

char ScriptedPeer::PatternByte(std::uint64_t index)
{
    // Not periodic at any power of two, so a dropped or repeated block shows.
    return static_cast<char>((index * 131 + index / 251) & 0xff);
}

void ScriptedPeer::Start()
{
    thread_ = std::thread([this] { Run(); });
}

bool ScriptedPeer::Finish(std::chrono::milliseconds limit)
{
    if (thread_.joinable()) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done_ && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stop_ = true;
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    if (!done_ && failure_.empty())
        failure_ = "script did not finish in time";
    return failure_.empty();
}

std::vector<std::string> ScriptedPeer::Received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::string ScriptedPeer::Failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

void ScriptedPeer::Fail(const std::string& why)
{
    throw ScriptStopped(why);
}

bool ScriptedPeer::WaitFd(int fd, short events)
{
    const auto end = std::chrono::steady_clock::now() + StepLimit;
    while (!stop_) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, 50);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= end)
            Fail("time-out waiting on a socket");
    }
    Fail("stopped");
    return false;
}

void ScriptedPeer::Run()
{
    try {
        WaitFd(listenFd_, POLLIN);
        controlFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (controlFd_ < 0)
            Fail("accept failed");
        for (const Step& step : steps_)
            RunStep(step);
        std::lock_guard lock(mutex_);
        done_ = true;
    } catch (const std::exception& error) {
        std::lock_guard lock(mutex_);
        if (failure_.empty())
            failure_ = error.what();
        done_ = true;
    }
    CloseFd(dataFd_);
    CloseFd(passiveFd_);
    CloseFd(controlFd_);
}

std::string ScriptedPeer::ReadLine()
{
    for (;;) {
        const std::size_t lf = pending_.find('\n');
        if (lf != std::string::npos) {
            std::string line = pending_.substr(0, lf);
            pending_.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::lock_guard lock(mutex_);
            received_.push_back(line);
            return line;
        }
        WaitFd(controlFd_, POLLIN);
        char buffer[4096];
        const ssize_t got = ::recv(controlFd_, buffer, sizeof buffer, 0);
        if (got <= 0)
            Fail("control connection closed while a line was expected");
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

void ScriptedPeer::SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        WaitFd(fd, POLLOUT);
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            Fail(std::string("send failed: ") + std::strerror(errno));
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
}

void ScriptedPeer::RunStep(const Step& step)
{
    switch (step.kind) {
    case Kind::Send: SendAll(controlFd_, step.text.data(), step.text.size()); break;
    case Kind::Expect: {
        const std::string line = ReadLine();
        if (line != step.text)
            Fail("expected \"" + step.text + "\", received \"" + line + "\"");
        if (line.rfind("PORT ", 0) == 0)
            lastPortLine_ = line;
        break;
    }
    case Kind::ExpectPrefix: {
        const std::string line = ReadLine();
        if (line.rfind(step.text, 0) != 0)
            Fail("expected a line starting \"" + step.text + "\", received \"" + line + "\"");
        if (line.rfind("PORT ", 0) == 0)
            lastPortLine_ = line;
        break;
    }
    case Kind::ExpectClosed: {
        if (controlFd_ < 0)
            break; // this side closed it already
        for (;;) {
            WaitFd(controlFd_, POLLIN);
            char buffer[512];
            const ssize_t got = ::recv(controlFd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
        if (!pending_.empty())
            Fail("unexpected bytes before close: " + pending_);
        break;
    }
    case Kind::CloseControl: CloseFd(controlFd_); break;
    case Kind::Pause: std::this_thread::sleep_for(std::chrono::milliseconds(step.number)); break;
    case Kind::ConnectData: {
        // "PORT h1,h2,h3,h4,p1,p2"
        unsigned h[4] = {}, p[2] = {};
        if (std::sscanf(lastPortLine_.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
            Fail("no PORT line to connect to");
        const std::string ip =
            std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." + std::to_string(h[3]);
        CloseFd(dataFd_);
        dataFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (!step.text.empty()) {
            sockaddr_in local = Address(step.text, 0);
            if (::bind(dataFd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
                Fail("cannot bind data connection to " + step.text);
        }
        sockaddr_in remote = Address(ip, static_cast<int>(p[0] * 256 + p[1]));
        if (::connect(dataFd_, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0)
            Fail(std::string("data connect failed: ") + std::strerror(errno));
        break;
    }
    case Kind::ExpectDataRejected: {
        WaitFd(dataFd_, POLLIN);
        char byte = 0;
        const ssize_t got = ::recv(dataFd_, &byte, 1, 0);
        if (got > 0)
            Fail("rejected data connection delivered bytes");
        CloseFd(dataFd_);
        break;
    }
    case Kind::ReplyPassive: {
        int port = 0;
        CloseFd(passiveFd_);
        passiveFd_ = ListenLoopback(port);
        std::string fields = step.text;
        for (char& c : fields) {
            if (c == '.')
                c = ',';
        }
        fields += "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
        const std::string line = step.number ? "227 Entering Passive Mode (" + fields + ")\r\n"
                                             : "227 Entering Passive Mode " + fields + "\r\n";
        SendAll(controlFd_, line.data(), line.size());
        break;
    }
    case Kind::AcceptData:
        if (passiveFd_ < 0)
            Fail("no passive listener");
        WaitFd(passiveFd_, POLLIN);
        CloseFd(dataFd_);
        dataFd_ = ::accept4(passiveFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (dataFd_ < 0)
            Fail("data accept failed");
        break;
    case Kind::SendData:
        if (dataFd_ < 0)
            Fail("no data connection");
        SendAll(dataFd_, step.text.data(), step.text.size());
        break;
    case Kind::SendPattern: {
        if (dataFd_ < 0)
            Fail("no data connection");
        std::vector<char> block(1 << 16);
        for (std::uint64_t offset = 0; offset < step.number; offset += block.size()) {
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), step.number - offset));
            for (std::size_t i = 0; i < count; ++i)
                block[i] = PatternByte(offset + i);
            SendAll(dataFd_, block.data(), count);
        }
        break;
    }
    case Kind::CloseData: CloseFd(dataFd_); break;
    }
}

} // namespace quorvane::test
