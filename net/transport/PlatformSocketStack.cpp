#include "net/transport/PlatformSocketStack.h"

#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"
#include "net/transport/SocketLibrary.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace quorvane::net {
namespace {

// A failed name lookup reports its own codes rather than errno; it is handed to the next
// LastSocketError of the same thread.
thread_local std::int32_t tResolverError = 0;

std::int32_t TranslateResolverError(int error)
{
    switch (error) {
    case EAI_MEMORY: return SocketErrorCode::NoBufferSpace;
    case EAI_SYSTEM: {
        // Only a shortage of resources is worth its own text; any other system
        // failure inside a lookup means the name could not be resolved.
        const int system = errno;
        if (system == EMFILE || system == ENFILE || system == ENOMEM || system == ENOBUFS)
            return PlatformSocketStack::TranslateErrno(system);
        return SocketErrorCode::HostNotFound;
    }
    // No such name, no address for it, no network, a name server that failed
    // or did not answer: to the user, each of these is a host that was not found.
    default: return SocketErrorCode::HostNotFound;
    }
}

// A socket address of either family; `Length` is what the platform call takes.
struct AnyAddress {
    sockaddr_storage Storage{};
    socklen_t Length = 0;
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&Storage); }
};

AnyAddress MakeAddress(PlatformSocketStack& stack, int family, const std::string& ip, std::int32_t port)
{
    AnyAddress any;
    const std::uint16_t networkPort = stack.HToNS(static_cast<std::uint16_t>(port));
    if (family == AddressFamilyInet6) {
        auto* address = reinterpret_cast<sockaddr_in6*>(&any.Storage);
        address->sin6_family = AF_INET6;
        address->sin6_port = networkPort;
        if (!ip.empty()) {
            const auto bytes = stack.TextToIn6Addr(ip);
            std::memcpy(&address->sin6_addr, bytes.data(), bytes.size());
        }
        any.Length = sizeof(sockaddr_in6);
        return any;
    }
    auto* address = reinterpret_cast<sockaddr_in*>(&any.Storage);
    address->sin_family = static_cast<sa_family_t>(family);
    address->sin_port = networkPort;
    if (!ip.empty()) {
        const auto bytes = stack.TextToInAddr(ip);
        std::memcpy(&address->sin_addr, bytes.data(), 4);
    }
    any.Length = sizeof(sockaddr_in);
    return any;
}

std::array<std::uint8_t, 4> BytesOf(const in_addr& address)
{
    std::array<std::uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &address, 4);
    return bytes;
}

std::array<std::uint8_t, 16> BytesOf(const in6_addr& address)
{
    std::array<std::uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), &address, 16);
    return bytes;
}

// The family, address text and port (host order) of a platform socket address.
SocketAddress Decode(PlatformSocketStack& stack, const sockaddr_storage& storage)
{
    if (storage.ss_family == AF_INET6) {
        const auto* address = reinterpret_cast<const sockaddr_in6*>(&storage);
        return {AddressFamilyInet6, stack.In6AddrToText(BytesOf(address->sin6_addr)), stack.NToHS(address->sin6_port)};
    }
    const auto* address = reinterpret_cast<const sockaddr_in*>(&storage);
    return {address->sin_family, stack.InAddrToText(BytesOf(address->sin_addr)), stack.NToHS(address->sin_port)};
}

// The text form of an IPv6 address, through the bound library only (no stack needed).
std::string Text6(const in6_addr& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (SocketLibrary::InetNtop(AF_INET6, &address, text, sizeof text) == nullptr)
        return {};
    return text;
}

std::string Text4(const in_addr& address)
{
    const auto bytes = BytesOf(address);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

} // namespace

PlatformSocketStack::PlatformSocketStack()
{
    if (Started())
        return;
    if (SocketLibrary::Startup() != 0)
        throw StackInitializationError();
    SetStarted();
}

void PlatformSocketStack::RefreshLocalAddresses()
{
    localAddresses_.clear();
    const std::string name = GetHostName();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int error = SocketLibrary::GetAddrInfo(name.c_str(), nullptr, &hints, &result);
    if (error != 0) {
        tResolverError = TranslateResolverError(error);
        CheckSocketResult(SocketFailed);
        return;
    }
    for (addrinfo* entry = result; entry != nullptr; entry = entry->ai_next) {
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        std::string text = InAddrToText(BytesOf(address->sin_addr));
        if (std::find(localAddresses_.begin(), localAddresses_.end(), text) == localAddresses_.end())
            localAddresses_.push_back(std::move(text));
    }
    SocketLibrary::FreeAddrInfo(result);
}

OsSocket PlatformSocketStack::AcceptSocket(OsSocket listening, std::string& peerIp, std::int32_t& peerPort)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const OsSocket socket = SocketLibrary::Accept(listening, reinterpret_cast<sockaddr*>(&address), &length);
    if (socket != NoSocket) {
        const SocketAddress peer = Decode(*this, address);
        peerIp = peer.IP;
        peerPort = peer.Port;
    }
    return socket;
}

int PlatformSocketStack::BindSocket(OsSocket socket, int family, const std::string& ip, std::int32_t port)
{
    const AnyAddress address = MakeAddress(*this, family, ip, port);
    return SocketLibrary::Bind(socket, address.Get(), address.Length);
}

int PlatformSocketStack::ReleaseSocket(OsSocket socket)
{
    return SocketLibrary::Close(socket);
}

int PlatformSocketStack::ConnectSocket(OsSocket socket, int family, const std::string& ip, std::int32_t port)
{
    const AnyAddress address = MakeAddress(*this, family, ip, port);
    return SocketLibrary::Connect(socket, address.Get(), address.Length);
}

int PlatformSocketStack::ConnectSocketInterruptible(OsSocket socket, int family, const std::string& ip,
                                                    std::int32_t port, int wakeHandle)
{
    const AnyAddress address = MakeAddress(*this, family, ip, port);
    const int flags = SocketLibrary::Fcntl(socket, F_GETFL, 0);
    if (flags == -1)
        return SocketFailed;
    if (SocketLibrary::Fcntl(socket, F_SETFL, flags | O_NONBLOCK) == -1)
        return SocketFailed;

    // Keeps the error of the connect across the restoring fcntl.
    auto finish = [&](int result, int error) {
        SocketLibrary::Fcntl(socket, F_SETFL, flags);
        errno = error;
        return result;
    };

    if (SocketLibrary::Connect(socket, address.Get(), address.Length) == 0)
        return finish(0, 0);
    if (errno != EINPROGRESS)
        return finish(SocketFailed, errno);

    pollfd fds[2] = {{socket, POLLOUT, 0}, {wakeHandle, POLLIN, 0}};
    for (;;) {
        const int ready = SocketLibrary::Poll(fds, 2, -1);
        if (ready > 0)
            break;
        if (ready < 0 && errno != EINTR)
            return finish(SocketFailed, errno);
    }
    if (fds[1].revents != 0)
        return finish(SocketFailed, EINTR);
    int error = 0;
    socklen_t length = sizeof error;
    if (SocketLibrary::GetSockOpt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return finish(SocketFailed, errno);
    return error == 0 ? finish(0, 0) : finish(SocketFailed, error);
}

std::string PlatformSocketStack::GetHostByName(const std::string& hostName)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int error = SocketLibrary::GetAddrInfo(hostName.c_str(), nullptr, &hints, &result);
    if (error != 0 || result == nullptr) {
        tResolverError = error != 0 ? TranslateResolverError(error) : SocketErrorCode::HostNotFound;
        CheckSocketResult(SocketFailed);
        return {};
    }
    // Only the first address is used; there is no fall-back to further ones.
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    std::string text = InAddrToText(BytesOf(address->sin_addr));
    SocketLibrary::FreeAddrInfo(result);
    return text;
}

std::int32_t PlatformSocketStack::LookUpAddresses(const std::string& hostName, std::vector<IpAddress>& addresses)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int error = SocketLibrary::GetAddrInfo(hostName.c_str(), nullptr, &hints, &result);
    if (error != 0)
        return TranslateResolverError(error);
    for (const addrinfo* entry = result; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET6) {
            addresses.push_back(
                {AddressFamilyInet6, Text6(reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr)});
        } else if (entry->ai_family == AF_INET) {
            addresses.push_back(
                {AddressFamilyInet, Text4(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr)});
        }
    }
    SocketLibrary::FreeAddrInfo(result);
    return addresses.empty() ? SocketErrorCode::HostNotFound : 0;
}

std::vector<IpAddress> PlatformSocketStack::GetAddressesByName(const std::string& hostName)
{
    std::vector<IpAddress> addresses;
    if (const std::int32_t code = LookUpAddresses(hostName, addresses); code != 0) {
        tResolverError = code;
        CheckSocketResult(SocketFailed);
    }
    return addresses;
}

std::string PlatformSocketStack::GetHostName()
{
    char buffer[251] = {};
    SocketLibrary::GetHostName(buffer, 250);
    return std::string(buffer, strnlen(buffer, 250));
}

std::string PlatformSocketStack::GetHostByAddr(const std::string& ip)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = SocketLibrary::InetAddr(ip.c_str());
    char host[NI_MAXHOST] = {};
    const int error = SocketLibrary::GetNameInfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host,
                                                 sizeof host, nullptr, 0, NI_NAMEREQD);
    if (error != 0) {
        tResolverError = TranslateResolverError(error);
        CheckSocketResult(SocketFailed);
        return {};
    }
    return host;
}

std::int32_t PlatformSocketStack::GetServByName(const std::string& service)
{
    if (const servent* entry = SocketLibrary::GetServByName(service.c_str(), "tcp"))
        return NToHS(static_cast<std::uint16_t>(entry->s_port));
    std::int32_t port = 0;
    const auto [end, error] = std::from_chars(service.data(), service.data() + service.size(), port);
    if (service.empty() || error != std::errc() || end != service.data() + service.size())
        throw InvalidServiceNameError(service);
    return port;
}

std::vector<std::string> PlatformSocketStack::GetServByPort(std::int32_t port)
{
    std::vector<std::string> names;
    const servent* entry = SocketLibrary::GetServByPort(HToNS(static_cast<std::uint16_t>(port)), "tcp");
    if (entry == nullptr)
        return names;
    names.emplace_back(entry->s_name);
    for (char** alias = entry->s_aliases; alias != nullptr && *alias != nullptr; ++alias)
        names.emplace_back(*alias);
    return names;
}

std::uint16_t PlatformSocketStack::HToNS(std::uint16_t value)
{
    return SocketLibrary::HToNS(value);
}
std::uint16_t PlatformSocketStack::NToHS(std::uint16_t value)
{
    return SocketLibrary::NToHS(value);
}
std::uint32_t PlatformSocketStack::HToNL(std::uint32_t value)
{
    return SocketLibrary::HToNL(value);
}
std::uint32_t PlatformSocketStack::NToHL(std::uint32_t value)
{
    return SocketLibrary::NToHL(value);
}

int PlatformSocketStack::ListenSocket(OsSocket socket, int backlog)
{
    return SocketLibrary::Listen(socket, backlog);
}

long PlatformSocketStack::RecvBytes(OsSocket socket, void* buffer, std::size_t length, int flags)
{
    return SocketLibrary::Recv(socket, buffer, length, flags);
}

long PlatformSocketStack::RecvFrom(OsSocket socket, void* buffer, std::size_t length, int flags, std::string& senderIp,
                                   std::int32_t& senderPort)
{
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    const long result =
        SocketLibrary::RecvFrom(socket, buffer, length, flags, reinterpret_cast<sockaddr*>(&address), &size);
    if (result >= 0) {
        const SocketAddress sender = Decode(*this, address);
        senderIp = sender.IP;
        senderPort = sender.Port;
    }
    return result;
}

int PlatformSocketStack::Select(std::vector<OsSocket>* readList, std::vector<OsSocket>* writeList,
                                std::int32_t timeoutMs, std::vector<OsSocket>* errorList)
{
    std::vector<OsSocket>* lists[3] = {readList, writeList, errorList};
    const short events[3] = {POLLIN, POLLOUT, POLLPRI};
    // What counts as ready in each list; a closed or failed peer makes a socket readable
    // and writable, as it does for select().
    const short ready[3] = {POLLIN | POLLHUP | POLLERR, POLLOUT | POLLHUP | POLLERR, POLLPRI};

    std::vector<pollfd> fds;
    for (int i = 0; i < 3; ++i) {
        if (lists[i] == nullptr)
            continue;
        if (lists[i]->size() > MaxSelectSet)
            throw StackSetSizeExceededError();
        for (OsSocket socket : *lists[i])
            fds.push_back({socket, events[i], 0});
    }

    using Clock = std::chrono::steady_clock;
    const bool unlimited = timeoutMs == -2;
    const std::int32_t limit = timeoutMs < 0 ? 0 : timeoutMs;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limit);
    int result;
    for (;;) {
        int wait = -1;
        if (!unlimited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        result = SocketLibrary::Poll(fds.data(), fds.size(), wait);
        // A signal does not end the wait early; the rest of the time is waited for.
        if (result >= 0 || errno != EINTR)
            break;
    }
    if (result < 0)
        return SocketFailed;
    for (const pollfd& fd : fds) {
        if (fd.revents & POLLNVAL) {
            errno = EBADF;
            return SocketFailed;
        }
    }

    int count = 0;
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (lists[i] == nullptr)
            continue;
        std::vector<OsSocket> readyOnes;
        for (std::size_t k = 0; k < lists[i]->size(); ++k, ++at) {
            if (fds[at].revents & ready[i])
                readyOnes.push_back(fds[at].fd);
        }
        count += static_cast<int>(readyOnes.size());
        *lists[i] = std::move(readyOnes);
    }
    return count;
}

static_assert(SendFlagDontWait == MSG_DONTWAIT);

long PlatformSocketStack::SendBytes(OsSocket socket, const void* buffer, std::size_t length, int flags)
{
    // A peer that has gone must give an error here, not a signal that ends the process.
    return SocketLibrary::Send(socket, buffer, length, flags | MSG_NOSIGNAL);
}

long PlatformSocketStack::SendTo(OsSocket socket, const void* buffer, std::size_t length, int flags,
                                 const std::string& ip, std::int32_t port)
{
    const AnyAddress address = MakeAddress(*this, FamilyOfAddressText(ip), ip, port);
    return SocketLibrary::SendTo(socket, buffer, length, flags | MSG_NOSIGNAL, address.Get(), address.Length);
}

int PlatformSocketStack::SetSockOpt(OsSocket socket, int level, int option, const void* value, unsigned length)
{
    return SocketLibrary::SetSockOpt(socket, level, option, value, length);
}

OsSocket PlatformSocketStack::CreateSocket(int family, int type, int protocol)
{
    // Descriptors are not handed on to programs this process starts.
    return SocketLibrary::Socket(family, type | SOCK_CLOEXEC, protocol);
}

int PlatformSocketStack::ShutdownSocket(OsSocket socket, int how)
{
    return SocketLibrary::Shutdown(socket, how);
}

std::string PlatformSocketStack::ErrorText(std::int32_t code)
{
    if (code == SocketErrorCode::HostNotFound)
        return "Socket Error # 11001\r\nHost not found.";
    std::string text = SocketStack::ErrorText(code);
    // A C-library error without a code of its own in the table keeps its
    // number and shows the library's text, so no message ends without words.
    if (!text.empty() && text.back() == '\n' && code > 0 && code < 4096)
        text += std::error_code(code, std::generic_category()).message();
    return text;
}

std::int32_t PlatformSocketStack::LastSocketError()
{
    if (tResolverError != 0) {
        const std::int32_t code = tResolverError;
        tResolverError = 0;
        return code;
    }
    return TranslateErrno(errno);
}

SocketAddress PlatformSocketStack::GetPeerName(OsSocket socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    CheckSocketResult(SocketLibrary::GetPeerName(socket, reinterpret_cast<sockaddr*>(&address), &length));
    return Decode(*this, address);
}

SocketAddress PlatformSocketStack::GetSockName(OsSocket socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    CheckSocketResult(SocketLibrary::GetSockName(socket, reinterpret_cast<sockaddr*>(&address), &length));
    return Decode(*this, address);
}

int PlatformSocketStack::GetSockOpt(OsSocket socket, int level, int option, void* buffer, unsigned* length)
{
    return SocketLibrary::GetSockOpt(socket, level, option, buffer, length);
}

std::string PlatformSocketStack::InAddrToText(const std::array<std::uint8_t, 4>& address)
{
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) + "." +
           std::to_string(address[3]);
}

std::array<std::uint8_t, 4> PlatformSocketStack::TextToInAddr(const std::string& text)
{
    std::array<std::uint8_t, 4> bytes{};
    std::string_view rest(text);
    for (int i = 0; i < 4; ++i) {
        std::string_view part = rest;
        if (i < 3) {
            const auto dot = rest.find('.');
            part = rest.substr(0, dot);
            rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
        }
        unsigned value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        // Storing 256 as one byte would silently address another host, so it is refused
        // like any other text that is not an address part.
        if (part.empty() || error != std::errc() || end != part.data() + part.size() || value > 255)
            throw std::invalid_argument("'" + std::string(part) + "' is not a valid integer value");
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

std::string PlatformSocketStack::In6AddrToText(const std::array<std::uint8_t, 16>& address)
{
    in6_addr bytes{};
    std::memcpy(&bytes, address.data(), address.size());
    return Text6(bytes);
}

std::array<std::uint8_t, 16> PlatformSocketStack::TextToIn6Addr(const std::string& text)
{
    in6_addr bytes{};
    if (SocketLibrary::InetPton(AF_INET6, text.c_str(), &bytes) != 1)
        throw std::invalid_argument("'" + text + "' is not a valid IPv6 address");
    return BytesOf(bytes);
}

std::int32_t PlatformSocketStack::TranslateErrno(int error)
{
    switch (error) {
    case 0: return 0;
    case EINTR: return SocketErrorCode::Interrupted;
    case EBADF: return SocketErrorCode::BadFileNumber;
    case EACCES:
    case EPERM: return SocketErrorCode::AccessDenied;
    case EFAULT: return SocketErrorCode::BadAddress;
    case EINVAL: return SocketErrorCode::InvalidArgument;
    case EMFILE:
    case ENFILE: return SocketErrorCode::TooManyOpenFiles;
    case EWOULDBLOCK: return SocketErrorCode::WouldBlock;
    case EINPROGRESS: return SocketErrorCode::InProgress;
    case EALREADY: return SocketErrorCode::AlreadyInProgress;
    case ENOTSOCK: return SocketErrorCode::NotASocket;
    case EDESTADDRREQ: return SocketErrorCode::DestinationRequired;
    case EMSGSIZE: return SocketErrorCode::MessageTooLong;
    case EPROTOTYPE: return SocketErrorCode::WrongProtocolType;
    case ENOPROTOOPT: return SocketErrorCode::BadProtocolOption;
    case EPROTONOSUPPORT: return SocketErrorCode::ProtocolNotSupported;
    case ESOCKTNOSUPPORT: return SocketErrorCode::SocketTypeNotSupported;
    case EOPNOTSUPP: return SocketErrorCode::OperationNotSupported;
    case EPFNOSUPPORT: return SocketErrorCode::ProtocolFamilyNotSupported;
    case EAFNOSUPPORT: return SocketErrorCode::AddressFamilyNotSupported;
    case EADDRINUSE: return SocketErrorCode::AddressInUse;
    case EADDRNOTAVAIL: return SocketErrorCode::AddressNotAvailable;
    case ENETDOWN: return SocketErrorCode::NetworkDown;
    case ENETUNREACH: return SocketErrorCode::NetworkUnreachable;
    case ENETRESET: return SocketErrorCode::NetworkReset;
    case ECONNABORTED: return SocketErrorCode::ConnectionAborted;
    case ECONNRESET: return SocketErrorCode::ConnectionReset;
    case ENOBUFS:
    case ENOMEM: return SocketErrorCode::NoBufferSpace;
    case EISCONN: return SocketErrorCode::AlreadyConnected;
    case ENOTCONN: return SocketErrorCode::NotConnected;
    // A write after the peer has gone: the send direction is closed for good.
    case EPIPE:
    case ESHUTDOWN: return SocketErrorCode::ShutDown;
    case ETOOMANYREFS: return SocketErrorCode::TooManyReferences;
    case ETIMEDOUT: return SocketErrorCode::TimedOut;
    case ECONNREFUSED: return SocketErrorCode::ConnectionRefused;
    case ELOOP: return SocketErrorCode::SymbolicLinkLoop;
    case ENAMETOOLONG: return SocketErrorCode::NameTooLong;
    case EHOSTDOWN: return SocketErrorCode::HostDown;
    case EHOSTUNREACH: return SocketErrorCode::HostUnreachable;
    case ENOTEMPTY: return SocketErrorCode::DirectoryNotEmpty;
    default: return error;
    }
}

} // namespace quorvane::net
