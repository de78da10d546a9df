#include "tests/support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// An IPv4 or IPv6 socket address for `ip` (a dotted quad or an IPv6 text).
struct PeerAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    sockaddr* Get() { return reinterpret_cast<sockaddr*>(&storage); }
    int Family() const { return storage.ss_family; }
};

PeerAddress Address(const std::string& ip, int port)
{
    PeerAddress address;
    if (ip.find(':') != std::string::npos) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(static_cast<std::uint16_t>(port));
        if (::inet_pton(AF_INET6, ip.c_str(), &in6->sin6_addr) != 1)
            throw ScriptStopped("bad address " + ip);
        address.length = sizeof(sockaddr_in6);
        return address;
    }
    auto* in = reinterpret_cast<sockaddr_in*>(&address.storage);
    in->sin_family = AF_INET;
    in->sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, ip.c_str(), &in->sin_addr) != 1)
        throw ScriptStopped("bad address " + ip);
    address.length = sizeof(sockaddr_in);
    return address;
}

int ListenLoopback(ScriptedPeer::Family family, int& port)
{
    const int fd = ListenOnLoopback(family, 0, 4, port);
    if (fd < 0)
        throw std::runtime_error("listen failed");
    return fd;
}

// The address and port of a "PORT h1,h2,h3,h4,p1,p2" or "EPRT |f|address|port|" line.
bool ParseActiveLine(const std::string& line, std::string& ip, int& port)
{
    unsigned h[4] = {}, p[2] = {};
    if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) == 6) {
        ip =
            std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." + std::to_string(h[3]);
        port = static_cast<int>(p[0] * 256 + p[1]);
        return true;
    }
    if (line.rfind("EPRT ", 0) != 0 || line.size() < 6)
        return false;
    const char delimiter = line[5];
    std::string fields[3];
    std::size_t at = 6;
    for (std::string& field : fields) {
        const std::size_t end = line.find(delimiter, at);
        if (end == std::string::npos)
            return false;
        field = line.substr(at, end - at);
        at = end + 1;
    }
    ip = fields[1];
    port = std::atoi(fields[2].c_str());
    return !ip.empty() && port > 0;
}

} // namespace

ScriptedPeer::ScriptedPeer(Family family) : family_(family)
{
    listenFd_ = ListenLoopback(family_, port_);
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

ScriptedPeer& ScriptedPeer::ReplyExtendedPassive()
{
    steps_.push_back({Kind::ReplyExtendedPassive, {}});
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

ScriptedPeer& ScriptedPeer::ExpectData(std::string bytes)
{
    steps_.push_back({Kind::ExpectData, std::move(bytes)});
    return *this;
}

ScriptedPeer& ScriptedPeer::ReadDataUntilClosed()
{
    steps_.push_back({Kind::ReadDataUntilClosed, {}});
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

std::uint64_t ScriptedPeer::DataBytesReceived() const
{
    std::lock_guard lock(mutex_);
    return dataBytesReceived_;
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
        if (line.rfind("PORT ", 0) == 0 || line.rfind("EPRT ", 0) == 0)
            lastPortLine_ = line;
        break;
    }
    case Kind::ExpectPrefix: {
        const std::string line = ReadLine();
        if (line.rfind(step.text, 0) != 0)
            Fail("expected a line starting \"" + step.text + "\", received \"" + line + "\"");
        if (line.rfind("PORT ", 0) == 0 || line.rfind("EPRT ", 0) == 0)
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
        std::string ip;
        int port = 0;
        if (!ParseActiveLine(lastPortLine_, ip, port))
            Fail("no PORT or EPRT line to connect to");
        PeerAddress remote = Address(ip, port);
        CloseFd(dataFd_);
        dataFd_ = ::socket(remote.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (!step.text.empty()) {
            PeerAddress local = Address(step.text, 0);
            if (::bind(dataFd_, local.Get(), local.length) != 0)
                Fail("cannot bind data connection to " + step.text);
        }
        if (::connect(dataFd_, remote.Get(), remote.length) != 0)
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
        passiveFd_ = ListenLoopback(family_, port);
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
    case Kind::ReplyExtendedPassive: {
        int port = 0;
        CloseFd(passiveFd_);
        passiveFd_ = ListenLoopback(family_, port);
        const std::string line = "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n";
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
    case Kind::ExpectData: {
        if (dataFd_ < 0)
            Fail("no data connection");
        std::string arrived;
        for (;;) {
            WaitFd(dataFd_, POLLIN);
            char buffer[4096];
            const ssize_t got = ::recv(dataFd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            arrived.append(buffer, static_cast<std::size_t>(got));
        }
        if (arrived != step.text)
            Fail("the upload brought " + std::to_string(arrived.size()) + " other bytes than the " +
                 std::to_string(step.text.size()) + " expected");
        break;
    }
    case Kind::ReadDataUntilClosed: {
        if (dataFd_ < 0)
            Fail("no data connection");
        std::uint64_t total = 0;
        std::vector<char> block(1 << 16);
        for (;;) {
            WaitFd(dataFd_, POLLIN);
            const ssize_t got = ::recv(dataFd_, block.data(), block.size(), 0);
            if (got <= 0)
                break;
            total += static_cast<std::uint64_t>(got);
        }
        std::lock_guard lock(mutex_);
        dataBytesReceived_ = total;
        break;
    }
    }
}

} // namespace quorvane::test
